// The command task with real child processes: capture, echo blocks, exit codes, output file and
// stop.
#include "threadpool/ThreadTaskCommand.h"
#include "TestSupport.h"
#include "platform/CommandLine.h"
#include "platform/Encoding.h"
#include "platform/Event.h"
#include "platform/FileSystem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

using namespace Quillmoren::Libraries::ThreadPool;
namespace Platform = Quillmoren::Libraries::Platform;

namespace {

/// Keeps every block the task hands on, and counts stops.
class BlockTarget : public CThreadTaskNotifyTarget {
public:
    void OnTaskOutput(CThreadTaskBase* task) override {
        auto* command = static_cast<CThreadTaskCommand*>(task);
        blocks.emplace_back(command->GetLatestOutputBytes());
        texts.push_back(command->GetLatestOutput());
    }
    void OnTaskCompleted(CThreadTaskBase*) override {}
    std::vector<std::string> blocks;
    std::vector<std::wstring> texts;
    std::string Echo() const {
        std::string all;
        for (const std::string& block : blocks)
            all += block;
        return all;
    }
};

class StopCountingTask : public CThreadTaskCommand {
public:
    using CThreadTaskCommand::CThreadTaskCommand;
    void OnStop() override { ++stops; }
    int stops = 0;
};

/// Runs a shell script as a command task in `folder`.
struct ScriptRun {
    BlockTarget target;
    std::unique_ptr<StopCountingTask> task;

    ScriptRun(const std::wstring& script, const std::wstring& folder = L"",
              const std::wstring& outputFile = L"",
              const Platform::CManualResetEvent* stop = nullptr) {
        task = std::make_unique<StopCountingTask>(
            &target, Platform::BuildCommandLine({L"/bin/sh", L"-c", script}), folder, outputFile);
        task->SetDeleteWhenCompleted(false);
        task->SetStopEvent(stop);
        task->NotifyStarted();
        task->Run();
        task->NotifyCompleted();
    }
};

} // namespace

TEST(CommandTask, CapturesBothStreamsInPipeOrder) {
    ScriptRun run(L"printf 'out1 '; printf 'err1 ' >&2; printf 'out2'; exit 3");
    EXPECT_EQ(run.task->GetExitCode(), 3);
    EXPECT_EQ(run.task->GetOutput(), L"out1 err1 out2");
    EXPECT_EQ(run.target.Echo(), "out1 err1 out2");
    EXPECT_TRUE(run.task->GetErrorText().empty());
}

TEST(CommandTask, LargeWritesArriveWholeAndEchoBlocksMatchTheOutput) {
    ScriptRun run(L"head -c 300000 /dev/zero | tr '\\0' x; echo end");
    const std::string expected = std::string(300000, 'x') + "end\n";
    EXPECT_EQ(run.task->GetOutputBytes(), expected);
    EXPECT_EQ(run.target.Echo(), expected);
    std::wstring joined;
    for (const std::wstring& text : run.target.texts)
        joined += text;
    EXPECT_EQ(joined, run.task->GetOutput());
    for (const std::string& block : run.target.blocks) {
        EXPECT_FALSE(block.empty());
        EXPECT_LE(block.size(), CThreadTaskCommand::kPassLimit);
    }
}

TEST(CommandTask, SilentChildGivesNoNotification) {
    ScriptRun run(L"exit 255");
    EXPECT_EQ(run.task->GetExitCode(), 255);
    EXPECT_TRUE(run.target.blocks.empty());
    EXPECT_TRUE(run.task->GetOutput().empty());
}

TEST(CommandTask, KilledChildGetsTheFailureReport) {
    ScriptRun run(L"echo before; kill -SEGV $$", L"/tmp");
    const std::int32_t code = run.task->GetExitCode();
    EXPECT_EQ(static_cast<std::uint32_t>(code), 0x8000000Bu);
    const std::wstring report = L"\n\nWARNING: Command failed. /bin/sh returned error code "
                                L"0x8000000B.\n\nCommand Line:\n/bin/sh -c \"echo before; kill "
                                L"-SEGV $$\"\n\nWorking Folder:\n/tmp\n";
    EXPECT_EQ(run.task->GetOutput(), L"before\n" + report);
    EXPECT_EQ(run.task->GetFailureReport(), report);
    EXPECT_EQ(run.target.Echo(), "before\n"); // the report is not handed on
}

TEST(CommandTask, MissingProgramLeavesTheReasonAndNoOutput) {
    BlockTarget target;
    CThreadTaskCommand task(&target, L"/no/such/tool -x", L"", L"");
    task.SetDeleteWhenCompleted(false);
    task.Run();
    EXPECT_EQ(task.GetExitCode(), -1);
    EXPECT_EQ(task.GetErrorText(), L"No such file or directory");
    EXPECT_TRUE(task.GetOutput().empty());
    EXPECT_TRUE(target.blocks.empty());
}

TEST(CommandTask, RelativeOutputFileIsCreatedUnderTheWorkingFolder) {
    Testing::CTestFolder folder;
    ScriptRun run(L"printf 'raw \\377 bytes'; ls out/deeper", folder.Path(), L"out/deeper/log.txt");
    EXPECT_EQ(run.task->GetExitCode(), 0);
    // While the child ran, its output went to a temporary file beside the final one.
    const std::string log = Testing::CTestFolder::Read(folder.File(L"out/deeper/log.txt"));
    EXPECT_THAT(log, testing::MatchesRegex("raw \377 bytesQZ[0-9A-F]{4}\\.tmp\n"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Native() / "out/deeper"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(CommandTask, OutputFileGetsTheFailureReportToo) {
    Testing::CTestFolder folder;
    ScriptRun run(L"kill -KILL $$", folder.Path(), L"log.txt");
    EXPECT_EQ(Platform::DecodeAnsi(Testing::CTestFolder::Read(folder.File(L"log.txt"))),
              run.task->GetFailureReport());
}

TEST(CommandTask, UnwritableOutputFileStopsTheRunBeforeTheChild) {
    Testing::CTestFolder folder;
    folder.Write(L"file", "x"); // a file where a folder would have to be
    ScriptRun run(L"echo should not run", folder.Path(), L"file/log.txt");
    EXPECT_EQ(run.task->GetExitCode(), -1);
    EXPECT_EQ(run.task->GetErrorText(), L"Unable to create output file. It may be locked");
    EXPECT_TRUE(run.target.blocks.empty());
}

TEST(CommandTask, StopSetBeforeTheRunKillsTheChildQuietly) {
    Testing::CTestFolder folder;
    Platform::CManualResetEvent stop;
    stop.Set();
    const auto start = std::chrono::steady_clock::now();
    ScriptRun run(L"echo hello; exec sleep 30", folder.Path(), L"log.txt", &stop);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(run.task->GetExitCode(), -1);
    EXPECT_EQ(run.task->stops, 1);
    EXPECT_TRUE(run.target.blocks.empty());
    EXPECT_TRUE(run.task->GetOutput().empty());
    EXPECT_TRUE(run.task->IsStopRequested());
    // The unfinished output file is gone and nothing took its name.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Native()),
                            std::filesystem::directory_iterator()),
              0);
}

TEST(CommandTask, GrandchildHoldingThePipeDoesNotHoldTheRun) {
    const auto start = std::chrono::steady_clock::now();
    ScriptRun run(L"sleep 20 & echo done");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(run.task->GetOutput(), L"done\n");
}

TEST(CommandTask, QuickChildTakesNoPollingInterval) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        ScriptRun run(L"echo x");
    // Five runs that each slept a full interval would take 2.5 seconds.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
}

TEST(CommandTask, CharacterSplitAcrossPassesIsDecodedOnceWhole) {
    Testing::SetEnvironment("LC_ALL", "C.UTF-8");
    Platform::InitialiseLocale();
    ScriptRun run(L"printf '\\342\\202'; sleep 0.3; printf '\\254!'");
    EXPECT_EQ(run.task->GetOutput(), L"\u20AC!");
    std::wstring joined;
    for (const std::wstring& text : run.target.texts)
        joined += text;
    EXPECT_EQ(joined, L"\u20AC!");
    EXPECT_EQ(run.target.Echo(), "\342\202\254!");
    Testing::SetEnvironment("LC_ALL", "C");
    Platform::InitialiseLocale();
}

TEST(CommandTask, RandomBytesComeThroughUnchanged) {
    Testing::CTestFolder folder;
    std::mt19937 random(42);
    std::string bytes(100000, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    folder.Write(L"noise.bin", bytes);
    for (const char* locale : {"C", "C.UTF-8"}) {
        Testing::SetEnvironment("LC_ALL", locale);
        Platform::InitialiseLocale();
        ScriptRun run(L"cat noise.bin", folder.Path());
        EXPECT_EQ(run.target.Echo(), bytes) << locale;
        EXPECT_EQ(Platform::EncodeAnsi(run.task->GetOutput()), bytes) << locale;
    }
    Testing::SetEnvironment("LC_ALL", "C");
    Platform::InitialiseLocale();
}
