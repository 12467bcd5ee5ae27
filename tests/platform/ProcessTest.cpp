// Child processes, the stop event and the file helpers, with real processes and files.
#include "platform/Process.h"
#include "TestSupport.h"
#include "platform/Event.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>

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

namespace {

/// Sets PATH for the test process and puts the old value back when it goes.
class CScopedPath {
public:
    explicit CScopedPath(const std::string& value) {
        if (const char* old = std::getenv("PATH"); old != nullptr)
            m_old = old;
        setenv("PATH", value.c_str(), 1);
    }
    ~CScopedPath() {
        if (m_old)
            setenv("PATH", m_old->c_str(), 1);
        else
            unsetenv("PATH");
    }
    CScopedPath(const CScopedPath&) = delete;
    CScopedPath& operator=(const CScopedPath&) = delete;

private:
    std::optional<std::string> m_old;
};

} // namespace

TEST(FindProgram, LooksOnPathAsExecvpDoes) {
    Testing::CTestFolder folder;
    std::filesystem::create_directories(folder.Native() / "a");
    std::filesystem::create_directories(folder.Native() / "b" / "tool.d");
    folder.Write(L"a/tool", "not executable");
    folder.Script(L"b/tool", "echo b");
    folder.Script(L"b/back\\slash", "echo backslash");
    folder.Script(L"here", "echo here");
    const std::string a = folder.Native().string() + "/a";
    const std::string b = folder.Native().string() + "/b";
    const CScopedPath path(a + "::" + b + "/");
    struct Case {
        const wchar_t* name;
        std::wstring found;
    };
    const Case cases[] = {
        {L"tool", folder.File(L"b/tool")},               // a/tool cannot run
        {L"here", L"./here"},                            // the empty entry: the working folder
        {L"back\\slash", folder.File(L"b/back\\slash")}, // a backslash is part of the name
        {L"tool.d", L""},                                // a folder is no program
        {L"missing", L""},
        {L"", L""},
        {L"a/tool", L"a/tool"}, // a path is left for the start to try
        {L"/no/such", L"/no/such"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindProgram(c.name, folder.Path()), c.found) << EncodeUtf8(c.name);
    EXPECT_EQ(FindProgram(L"here", folder.File(L"a")), L"");
}

TEST(FindProgram, TheStartRunsWhatTheLookUpFinds) {
    // A relative PATH entry is taken from the working folder, by the look-up and the start alike.
    Testing::CTestFolder folder;
    std::filesystem::create_directories(folder.Native() / "bin");
    folder.Script(L"bin/tool", "echo \"ran $1\"");
    const CScopedPath path("bin");
    EXPECT_EQ(FindProgram(L"tool", folder.Path()), L"bin/tool");
    const Testing::CRunResult run = Testing::RunProgram({L"tool", L"x"}, folder.Path());
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.output, "ran x\n");
    EXPECT_FALSE(Testing::RunProgram({L"tool"}).started); // not from the test's own folder
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

TEST(ChildProcess, KillLetsAToolThatTrapsTermCleanUpFirst) {
    // The tool's clean-up takes a moment (a sleep started after SIGTERM reached the group), well
    // within the grace; SIGKILL at once, or no SIGTERM at all, would leave no marker. The tool
    // waits in the shell's own `wait`, which a trapped signal ends at once: a signal that reached
    // a command the shell had forked but not yet started would leave the shell waiting for it.
    Testing::CTestFolder folder;
    const std::wstring marker = folder.File(L"cleaned");
    const std::wstring tool =
        folder.Script(L"tool.sh", "trap 'sleep 0.05; echo cleaned > \"$1\"; exit 0' TERM\n"
                                  "sleep 30 &\n"
                                  "echo ready\n"
                                  "wait");
    Testing::CRunningProgram run;
    ASSERT_TRUE(run.Start({tool, marker}));
    ASSERT_TRUE(run.PumpUntil([&] { return run.Output() == "ready\n"; }, std::chrono::seconds(10)))
        << run.Output();
    run.Child().Kill();
    EXPECT_TRUE(run.Child().HasEnded());
    EXPECT_EQ(run.Child().ExitCode(), 255);
    EXPECT_EQ(Testing::CTestFolder::Read(marker), "cleaned\n");
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
