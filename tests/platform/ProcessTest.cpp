// Child processes, the stop event and the file helpers, with real processes and files.
#include "platform/Process.h"
#include "TestSupport.h"
#include "platform/Event.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace Quillmoren::Libraries::Platform;

TEST(ChildProcess, ReportsExitCodesAndSignals) {
    struct Case {
        const wchar_t* script;
        std::int32_t status;
    };
    const Case cases[] = {
        {L"exit 0", 0},
        {L"exit 255", 255},
        {L"kill -TERM $$", static_cast<std::int32_t>(0x8000000Fu)},
        {L"kill -KILL $$", static_cast<std::int32_t>(0x80000009u)},
    };
    for (const Case& c : cases) {
        const Testing::CRunResult run = Testing::RunProgram({L"/bin/sh", L"-c", c.script});
        ASSERT_TRUE(run.started) << c.script;
        EXPECT_EQ(run.status, c.status) << c.script;
    }
}

TEST(ChildProcess, MissingProgramIsAnErrorWithItsReason) {
    CChildProcess child;
    int error = 0;
    int stage = 0;
    ASSERT_TRUE(child.CreatePipe(error, stage));
    EXPECT_FALSE(child.Start(L"/no/such/program -x", L"", error));
    EXPECT_EQ(ErrorText(error), L"No such file or directory");
    EXPECT_FALSE(child.Start(L"   ", L"", error));
}

TEST(ChildProcess, RunsInTheWorkingFolderAndSearchesPath) {
    Testing::CTestFolder folder;
    const Testing::CRunResult run = Testing::RunProgram({L"pwd"}, folder.Path());
    EXPECT_EQ(run.output, folder.Native().string() + "\n");
}

TEST(ManualResetEvent, StaysSetUntilReset) {
    CManualResetEvent event;
    ASSERT_TRUE(event.IsValid());
    EXPECT_FALSE(event.IsSet());
    event.Set();
    event.Set();
    EXPECT_TRUE(event.IsSet());
    EXPECT_TRUE(event.Wait(1000));
    event.Reset();
    EXPECT_FALSE(event.Wait(10));
}

TEST(ChildProcess, WaitEndsAtOnceOnTheStopEvent) {
    CChildProcess child;
    int error = 0;
    int stage = 0;
    ASSERT_TRUE(child.CreatePipe(error, stage));
    ASSERT_TRUE(child.Start(L"sleep 5", L"", error));
    CManualResetEvent stop;
    stop.Set();
    const auto start = std::chrono::steady_clock::now();
    const CWaitResult wait = child.Wait(5000, &stop);
    EXPECT_TRUE(wait.stopSet);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    child.Kill();
    EXPECT_TRUE(child.HasEnded());
}

TEST(FileSystem, ExistenceTakesPatternsAndFolders) {
    Testing::CTestFolder folder;
    folder.Write(L"lint-nt.exe", "x");
    EXPECT_TRUE(PathExists(folder.File(L"lint-nt.exe")));
    EXPECT_TRUE(PathExists(folder.Path()));
    EXPECT_TRUE(PathExists(folder.File(L"lint-*.exe")));
    EXPECT_TRUE(PathExists(folder.File(L"lint-nt.ex?")));
    EXPECT_FALSE(PathExists(folder.File(L"*.c")));
    EXPECT_FALSE(PathExists(folder.File(L"missing")));
    EXPECT_FALSE(PathExists(L""));
}

TEST(FileSystem, TempFilesAreNewAndReplaceMovesThemIntoPlace) {
    Testing::CTestFolder folder;
    int error = 0;
    const std::wstring a = CreateTempFile(folder.Path(), L"QZtest", 0, error);
    const std::wstring b = CreateTempFile(folder.Path(), L"QZtest", 0, error);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.substr(folder.Path().size(), 3), L"QZt");
    EXPECT_EQ(a.size(), folder.Path().size() + 3 + 4 + 4);
    EXPECT_EQ(CreateTempFile(folder.Path(), L"QZ", 0x1f, error), folder.File(L"QZ001F.tmp"));

    folder.Write(L"target", "old");
    COutputFile file;
    ASSERT_TRUE(file.Open(a, error));
    EXPECT_TRUE(file.Write("new"));
    file.Close();
    EXPECT_TRUE(ReplaceFile(a, folder.File(L"target"), error));
    EXPECT_EQ(Testing::CTestFolder::Read(folder.File(L"target")), "new");
    EXPECT_FALSE(PathExists(a));
    EXPECT_FALSE(ReplaceFile(a, folder.File(L"target"), error));
}

TEST(FileSystem, PathRulesOnText) {
    EXPECT_TRUE(PathIsRelative(L"out/x.txt"));
    EXPECT_FALSE(PathIsRelative(L"/tmp/x"));
    EXPECT_FALSE(PathIsRelative(L"\\x"));
    EXPECT_FALSE(PathIsRelative(L"C:x"));
    EXPECT_TRUE(PathIsUnc(L"\\\\srv\\share"));
    EXPECT_TRUE(PathIsUnc(L"//srv/share"));
    EXPECT_FALSE(PathIsUnc(L"/srv"));
    EXPECT_EQ(PathAppend(L"/a", L"b"), L"/a/b");
    EXPECT_EQ(PathAppend(L"/a/", L"/b"), L"/a/b");
    EXPECT_EQ(PathAppend(L"", L"b"), L"b");
}
