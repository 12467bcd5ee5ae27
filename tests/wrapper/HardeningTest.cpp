// lintwrap as a task of a distributed build, through the real binary: a cancelled build (a stop
// signal), a console that stalls or goes away, and many wrappers at once on one settings file.
#include "TestSupport.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace Platform = Quillmoren::Libraries::Platform;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::wstring kLintwrap = L"" LINTWRAP_BINARY;
const std::wstring kFakelint = L"" FAKELINT_BINARY;
const std::wstring kCategorySaver = L"" CATEGORY_SAVER_BINARY;

/// True while the process runs; one that has ended but waits for its parent to reap it (a
/// zombie) has gone.
bool IsRunning(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // The state follows the command name, which is in parentheses and may hold anything.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size())
        return false;
    return stat[close + 2] != 'Z' && stat[close + 2] != 'X';
}

/// Polls in short steps until `done` holds or the deadline passes; the last answer of `done`.
template <typename Done> bool PollUntil(Done done, Clock::time_point deadline) {
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

/// What the echo of a recorded session is: its lines, with the standard-error marker gone.
std::string SessionEcho(const std::wstring& session) {
    std::string expected = Testing::CTestFolder::Read(session);
    for (std::size_t at; (at = expected.find("2>")) != std::string::npos;)
        expected.erase(at, 2);
    return expected;
}

std::wstring Session(const char* name) {
    return L"" EXAMPLES_FOLDER "/sessions/" + Platform::DecodeUtf8(name);
}

} // namespace

TEST(LintwrapStop, EndsTheToolWithEverythingItStartedAndReportsTheSignal) {
    // The tool leaves a grandchild that sleeps; where a case says so, SIGTERM is ignored, which
    // only SIGKILL after the grace can answer.
    struct Case {
        int signalNumber;
        const char* toolTrap;
        const char* sleeperTrap;
        std::int32_t status;
    };
    const Case cases[] = {
        {SIGTERM, "", "", 143},
        {SIGINT, "", "trap '' TERM;", 130},
        {SIGHUP, "trap '' TERM", "", 129}, // the sleeper inherits the ignored signal
    };
    Testing::CTestFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        const std::wstring tool =
            folder.Script(L"tool.sh", std::string(c.toolTrap) + "\n(" + c.sleeperTrap +
                                          " exec sleep 30) &\necho \"sleeper $!\"\nwait");
        Testing::CRunningProgram run;
        ASSERT_TRUE(run.Start({kLintwrap, tool}));
        ASSERT_TRUE(
            run.PumpUntil([&] { return run.Output().find('\n') != std::string::npos; }, 10s))
            << run.Output();
        const std::string echo = run.Output();
        const int sleeper = std::stoi(echo.substr(echo.find(' ') + 1));
        ASSERT_TRUE(IsRunning(sleeper));

        const Clock::time_point stopped = Clock::now();
        ASSERT_EQ(kill(run.ProcessId(), c.signalNumber), 0);
        const bool ended = run.Finish(5s);
        const auto took = Clock::now() - stopped;
        const bool sleeperGone = PollUntil([&] { return !IsRunning(sleeper); }, stopped + 1s);
        if (!sleeperGone)
            kill(sleeper, SIGKILL);
        ASSERT_TRUE(ended);
        EXPECT_LT(took, 1s);
        EXPECT_TRUE(sleeperGone);
        EXPECT_EQ(run.Status(), c.status);
        // Nothing after the echo: no failure report, no message of the wrapper's own.
        EXPECT_EQ(run.Output(), echo);
    }
}

TEST(LintwrapStop, IsNotHeldUpByAConsoleThatStoppedReading) {
    // The console holds the pipe open but reads nothing: once it is full (64 KiB, what a pipe
    // holds), the echo cannot go on.
    Testing::CTestFolder folder;
    const std::wstring tool = folder.Script(L"tool.sh", "head -c 1048576 /dev/zero\nexec sleep 30");
    Testing::CRunningProgram run;
    ASSERT_TRUE(run.Start({kLintwrap, tool}));
    ASSERT_TRUE(PollUntil([&] { return run.Child().Available() >= 65536; }, Clock::now() + 10s))
        << run.Child().Available();

    const Clock::time_point stopped = Clock::now();
    ASSERT_EQ(kill(run.ProcessId(), SIGTERM), 0);
    // Reaped without reading: taking the output would let a blocked echo go on.
    const bool ended = PollUntil([&] { return run.Child().TryReap(); }, stopped + 5s);
    const auto took = Clock::now() - stopped;
    EXPECT_TRUE(ended);
    EXPECT_LT(took, 1s);
    ASSERT_TRUE(run.Finish(10s));
    EXPECT_EQ(run.Status(), 143);
}

TEST(LintwrapConsoleGone, TheToolIsReadToItsEndAndTheStatusFollowsTheFindings) {
    // Megabytes of output behind a standard output that nobody can read: the tool must not block
    // on a full pipe, the wrapper must not die of the broken pipe, and the warning at the very
    // end must still be counted.
    struct Case {
        const char* name;
        bool pipeWithoutReader; ///< otherwise the descriptor is closed outright
        const char* bytes;      ///< of filler before the warning
    };
    const Case cases[] = {
        {"pipe without reader", true, "10485760"},
        // Nothing blocks here: what matters is where the echo goes.
        {"closed descriptor", false, "1048576"},
    };
    Testing::CTestFolder folder;
    const std::string finished = Platform::EncodeUtf8(folder.File(L"finished"));
    // The first block is eight bytes on its own, the size of a counter write: a descriptor that
    // the wrapper opened in the place of a closed standard output (its stop event, say) would
    // take it.
    const std::wstring tool = folder.Script(
        L"tool.sh",
        "printf 'started\\n'\n"
        "sleep 0.05\n"
        "yes 'src/big.c  filler line of a long lint run, nothing to report' | head -c \"$1\"\n"
        "echo 'src/late.c(9): warning 530: Symbol x not initialized'\n"
        "touch '" +
            finished + "'");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(folder.File(L"finished"));
        const std::string errors = Platform::EncodeUtf8(folder.File(L"stderr.txt"));
        int ends[2];
        ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
        close(ends[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (c.pipeWithoutReader)
            posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        else
            posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::string lintwrap = Platform::EncodeUtf8(kLintwrap);
        std::string script = Platform::EncodeUtf8(tool);
        std::string bytes = c.bytes;
        char* argv[] = {lintwrap.data(), script.data(), bytes.data(), nullptr};
        pid_t pid = -1;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        ASSERT_EQ(spawned, 0);

        int status = 0;
        const bool ended =
            PollUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, Clock::now() + 60s);
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        ASSERT_TRUE(ended);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 255);
        EXPECT_TRUE(Platform::PathExists(folder.File(L"finished")));
        EXPECT_EQ(Testing::CTestFolder::Read(folder.File(L"stderr.txt")), "");
    }
}

TEST(LintwrapParallel, ManyWrappersAndASaverShareOneSettingsFile) {
    // Settings as an older version left them: icon identifiers and no icon names, so that every
    // wrapper that reads them writes the names back, while a saver rewrites the whole list over
    // and over. The user category "Portability" takes message 1746, which the built-in
    // categories would count as information only.
    struct Stored {
        const char* name;
        const char* severity;
        const char* level;
        const char* iconId;
        const char* icon; ///< the name the identifier stands for
        const char* issues;
    };
    const Stored stored[] = {
        {"Elective Note", "00000001", "00000001", "00001b6e", "Note", ""},
        {"Information", "00000002", "00000002", "00001b6a", "Information", ""},
        {"Warning", "00000003", "00000003", "00001b6f", "Warning", ""},
        {"Portability", "00000003", "ffffffff", "00001b70", "WarningOrange", "1746,"},
        {"Error", "00000004", "00000004", "00001b63", "Error", ""},
        {"Internal Error", "00000005", "00000005", "00001b61", "Bug", ""},
        {"Fatal Error", "000003e7", "000003e7", "00001b67", "FatalError", ""},
    };
    const std::wstring key = L"Software\\Quillmoren\\Ombrascope\\Settings\\Analysis\\Categories";
    std::string settings = "Windows Registry Editor Version 5.00\n";
    for (std::size_t i = 0; i < std::size(stored); ++i) {
        const Stored& s = stored[i];
        settings += "\n[HKEY_CURRENT_USER\\" + Platform::EncodeUtf8(key) + "\\" +
                    std::to_string(i) + "]\n\"DisplayName\"=\"" + s.name +
                    "\"\n\"DisplayNamePlural\"=\"" + s.name +
                    "s\"\n\"Severity\"=dword:" + s.severity + "\n\"IconID\"=dword:" + s.iconId +
                    "\n\"BuiltInLevel\"=dword:" + s.level + "\n\"Issues\"=\"" + s.issues + "\"\n";
    }
    Testing::CTestFolder folder;
    const std::wstring registry = folder.Write(L"registry.reg", settings);
    Testing::SetEnvironment("QUILLMOREN_REGISTRY", Platform::EncodeUtf8(registry));

    const std::wstring portability = folder.Script(
        L"portability.sh", "echo 'src/port.c(7): info 1746: parameter p could be const'");
    struct Tool {
        std::vector<std::wstring> command;
        std::string echo;
        std::int32_t status;
    };
    const Tool tools[] = {
        {{kFakelint, Session("clean.txt")}, SessionEcho(Session("clean.txt")), 0},
        {{kFakelint, Session("warnings.txt")}, SessionEcho(Session("warnings.txt")), 255},
        {{kFakelint, Session("errors.txt")}, SessionEcho(Session("errors.txt")), 1},
        {{portability}, "src/port.c(7): info 1746: parameter p could be const\n", 255},
    };

    const std::wstring stop = folder.File(L"stop");
    Testing::CRunningProgram saver;
    ASSERT_TRUE(saver.Start({kCategorySaver, stop}));
    ASSERT_TRUE(saver.PumpUntil([&] { return saver.Output() == "ready\n"; }, 10s))
        << saver.Output();

    constexpr std::size_t kWrappers = 32;
    std::vector<std::unique_ptr<Testing::CRunningProgram>> wrappers;
    for (std::size_t i = 0; i < kWrappers; ++i) {
        std::vector<std::wstring> command = tools[i % std::size(tools)].command;
        command.insert(command.begin(), kLintwrap);
        wrappers.push_back(std::make_unique<Testing::CRunningProgram>());
        ASSERT_TRUE(wrappers.back()->Start(command)) << i;
    }
    // Each wrapper writes less than a pipe holds, so they can be taken one after the other.
    const auto deadline = Clock::now() + 60s;
    for (auto& wrapper : wrappers)
        EXPECT_TRUE(wrapper->Finish(std::chrono::duration_cast<std::chrono::milliseconds>(
            std::max(deadline - Clock::now(), Clock::duration(0)))));
    folder.Write(L"stop", "");
    ASSERT_TRUE(saver.Finish(10s));
    EXPECT_EQ(saver.Status(), 0) << saver.Output();
    EXPECT_NE(saver.Output().find("saves "), std::string::npos) << saver.Output();

    for (std::size_t i = 0; i < kWrappers; ++i) {
        const Tool& tool = tools[i % std::size(tools)];
        EXPECT_EQ(wrappers[i]->Status(), tool.status) << "wrapper " << i;
        EXPECT_EQ(wrappers[i]->Output(), tool.echo) << "wrapper " << i;
    }

    Platform::CSettingsStore store;
    std::wstring error;
    ASSERT_TRUE(Platform::CSettingsFile(registry).Read(store, error))
        << Platform::EncodeUtf8(error);
    std::vector<std::wstring> keys;
    ASSERT_TRUE(store.ListSubkeys(key, keys));
    EXPECT_EQ(keys.size(), std::size(stored));
    for (std::size_t i = 0; i < std::size(stored); ++i) {
        const std::wstring category = key + L"\\" + std::to_wstring(i);
        std::wstring name;
        std::wstring icon;
        std::wstring issues;
        EXPECT_TRUE(store.GetString(category, L"DisplayName", name)) << i;
        EXPECT_EQ(name, Platform::DecodeUtf8(stored[i].name));
        EXPECT_TRUE(store.GetString(category, L"Icon", icon)) << i;
        EXPECT_EQ(icon, Platform::DecodeUtf8(stored[i].icon));
        EXPECT_TRUE(store.GetString(category, L"Issues", issues)) << i;
        EXPECT_EQ(issues, Platform::DecodeUtf8(stored[i].issues));
    }
    // Every write replaced the file through a temporary one beside it; none is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(folder.Native()))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}
