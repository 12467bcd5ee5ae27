// The lintwrap program through its real binary: messages, exit statuses, the echo and the
// arguments that reach the tool.
#include "TestSupport.h"
#include "platform/Encoding.h"
#include "utils/Version.h"
#include "wrapper/Wrapper.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace Quillmoren::Lintwrap;

namespace {

using namespace std::string_literals;

const std::wstring kLintwrap = L"" LINTWRAP_BINARY;
const std::wstring kFakelint = L"" FAKELINT_BINARY;

Testing::CRunResult Lintwrap(std::vector<std::wstring> arguments,
                             const std::wstring& folder = L"") {
    arguments.insert(arguments.begin(), kLintwrap);
    return Testing::RunProgram(arguments, folder);
}

/// What lintwrap wrote to each of its streams, and its exit status.
struct CSplitRun {
    std::string output;
    std::string errors;
    std::int32_t status = -1;
};

/// Runs lintwrap through `sh -c SCRIPT`, where the script runs `"$@"` (lintwrap and `arguments`)
/// with its standard error going to `"$err"`; what lands there is taken apart from the rest.
CSplitRun LintwrapInShell(const std::string& script, std::vector<std::wstring> arguments) {
    Testing::CTestFolder folder;
    const std::wstring errors = folder.File(L"stderr.txt");
    arguments.insert(arguments.begin(),
                     {L"/bin/sh", L"-c",
                      L"err=$1; shift; " + Quillmoren::Libraries::Platform::DecodeUtf8(script),
                      L"sh", errors, kLintwrap});
    const Testing::CRunResult run = Testing::RunProgram(arguments);
    return {run.output, Testing::CTestFolder::Read(errors), run.status};
}

} // namespace

TEST(Lintwrap, UnusableCommandLines) {
    struct Case {
        std::vector<std::wstring> arguments;
        std::string output;
        std::int32_t status;
    };
    const Case cases[] = {
        {{},
         "Error: lint-nt.exe pathname and arguments must be specified\n\n"
         "Error: file  not found\n\n",
         2},
        {{L"/no/such/lint-nt.exe", L"-u", L"x.c"},
         "Error: file /no/such/lint-nt.exe not found\n\n",
         2},
        // Something that exists but cannot run: the step must not pass for a clean one.
        {{L"/tmp", L"x.c"}, "Error: unable to start /tmp: Permission denied\n\n", 2},
    };
    for (const Case& c : cases) {
        const Testing::CRunResult run = Lintwrap(c.arguments);
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.output, c.output);
        EXPECT_EQ(run.status, c.status);
    }
}

TEST(Lintwrap, HelpAndVersionWhenNoSuchFileExists) {
    const Testing::CRunResult help = Lintwrap({L"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: lintwrap TOOL", 0), 0u) << help.output;
    const Testing::CRunResult version = Lintwrap({L"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "lintwrap "s + Quillmoren::Libraries::Utils::ProgramVersion() + "\n");

    // A tool that happens to be called --help is run like any other.
    Testing::CTestFolder folder;
    folder.Script(L"--help", "echo ran");
    const Testing::CRunResult tool = Lintwrap({L"./--help"}, folder.Path());
    EXPECT_EQ(tool.output, "ran\n");
}

TEST(Lintwrap, FindsTheToolAsAShellWould) {
    // The tests run in work/, with their own PATH; bin/ holds a tool "t" and a "pair" that cannot
    // run, bin2/ a "pair" that can; "here" is in the current folder only.
    Testing::CTestFolder folder;
    for (const wchar_t* sub : {L"bin", L"bin2", L"work", L"work/sub"})
        std::filesystem::create_directory(folder.Native() / sub);
    folder.Script(L"bin/t", "echo \"t ran: $*\"");
    folder.Script(L"bin/--version", "echo 'a tool called --version'");
    folder.Write(L"bin/pair", "#!/bin/sh\necho 'not executable'\n");
    folder.Script(L"bin2/pair", "echo 'the executable pair'");
    folder.Script(L"work/here", "echo 'here ran'");
    folder.Script(L"work/sub/deep", "echo 'deep ran'");
    const std::wstring bin = folder.File(L"bin");
    const std::wstring bin2 = folder.File(L"bin2");
    struct Case {
        const char* name;
        std::wstring path; ///< PATH for lintwrap
        std::vector<std::wstring> arguments;
        std::string output;
        std::int32_t status;
    };
    const Case cases[] = {
        {"on PATH", bin, {L"t", L"-u", L"x.c"}, "t ran: -u x.c\n", 0},
        {"the system's own tools", L"/usr/bin:/bin", {L"echo", L"hello"}, "hello\n", 0},
        {"nowhere", bin, {L"missing"}, "Error: file missing not found on PATH\n\n", 2},
        {"in the current folder only",
         bin,
         {L"here"},
         "Error: file here not found on PATH; a file of that name is in the current folder: "
         "run it as ./here\n\n",
         2},
        {"the current folder named", bin, {L"./here"}, "here ran\n", 0},
        // An empty entry is the current folder, for a shell as here.
        {"an empty PATH entry", bin + L":", {L"here"}, "here ran\n", 0},
        {"a file that cannot run is passed over",
         bin + L":" + bin2,
         {L"pair"},
         "the executable pair\n",
         0},
        {"only a file that cannot run",
         bin,
         {L"pair"},
         "Error: file pair not found on PATH\n\n",
         2},
        // A name with a '/' is a path, taken from the current folder; PATH plays no part.
        {"a relative path", bin, {L"sub/deep"}, "deep ran\n", 0},
        {"a path to nothing", bin, {L"sub/t"}, "Error: file sub/t not found\n\n", 2},
        {"a tool called --version on PATH", bin, {L"--version"}, "a tool called --version\n", 0},
        {"--version without such a tool",
         bin2,
         {L"--version"},
         "lintwrap "s + Quillmoren::Libraries::Utils::ProgramVersion() + "\n",
         0},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> command = {L"/usr/bin/env", L"PATH=" + c.path, kLintwrap};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        const Testing::CRunResult run = Testing::RunProgram(command, folder.File(L"work"));
        EXPECT_EQ(run.output, c.output) << c.name;
        EXPECT_EQ(run.status, c.status) << c.name;
    }
}

TEST(Lintwrap, ExitStatusFollowsTheTool) {
    struct Case {
        const char* script;
        std::int32_t status;
        const char* output;
    };
    const Case cases[] = {
        {"echo fine", 0, "fine\n"},
        {"exit 255", 0, ""}, // not above 255, and no issue counted
        {"exit 7", 0, ""},
        {"kill -TERM $$", 1, nullptr}, // a crashed tool fails the step, with the report
        // A fatal error fails the step whatever the tool's own status says.
        {"echo 'x.c(3): Error 322: Unable to open include file x.h'", 1,
         "x.c(3): Error 322: Unable to open include file x.h\n"},
        {"echo 'Error 305: Unable to open module x.c'; exit 255", 1,
         "Error 305: Unable to open module x.c\n"},
    };
    Testing::CTestFolder folder;
    for (const Case& c : cases) {
        const std::wstring script = folder.Script(L"tool.sh", c.script);
        const Testing::CRunResult run = Lintwrap({script});
        EXPECT_EQ(run.status, c.status) << c.script;
        if (c.output != nullptr)
            EXPECT_EQ(run.output, c.output) << c.script;
        else
            EXPECT_NE(run.output.find("WARNING: Command failed. " +
                                      Quillmoren::Libraries::Platform::EncodeAnsi(script) +
                                      " returned error code 0x8000000F."),
                      std::string::npos)
                << run.output;
    }
}

TEST(Lintwrap, ArgumentsReachTheToolUnchanged) {
    Testing::CTestFolder folder;
    // The tool writes each argument on a line of its own, in brackets.
    const std::wstring tool = folder.Script(L"args.sh", "for a; do printf '[%s]\\n' \"$a\"; done");
    std::vector<std::wstring> arguments = {
        L"plain",         L"with blank", L"",          L"q\"uote",
        L"back\\slash\\", L"\\\"",       L"ünïcödé €", L"-i" + kLintwrap + L"/include",
        kLintwrap,        L"tab\there",
    };
    std::mt19937 random(3);
    for (int i = 0; i < 20; ++i) {
        std::wstring word;
        for (int k = static_cast<int>(random() % 6); k > 0; --k)
            word.push_back(L" \"\\a\u00E9"[random() % 5]);
        arguments.push_back(word);
    }
    std::vector<std::wstring> command = {tool};
    command.insert(command.end(), arguments.begin(), arguments.end());
    Testing::SetEnvironment("LC_ALL", "C.UTF-8");
    Quillmoren::Libraries::Platform::InitialiseLocale();
    const Testing::CRunResult run = Lintwrap(command);
    std::string expected;
    for (const std::wstring& argument : arguments)
        expected += "[" + Quillmoren::Libraries::Platform::EncodeUtf8(argument) + "]\n";
    EXPECT_EQ(run.output, expected);
    EXPECT_EQ(run.status, 0);
}

TEST(Lintwrap, EchoesBinaryOutputByteForByte) {
    Testing::CTestFolder folder;
    std::string bytes(70000, '\0');
    std::mt19937 random(11);
    for (char& c : bytes)
        c = static_cast<char>(random());
    folder.Write(L"noise.bin", bytes);
    for (const char* locale : {"C", "C.UTF-8"}) {
        Testing::SetEnvironment("LC_ALL", locale);
        const Testing::CRunResult run = Lintwrap({L"/bin/cat", L"noise.bin"}, folder.Path());
        EXPECT_EQ(run.output, bytes) << locale;
    }
}

// A zero byte in the tool's output is data: the error after it still fails the step.
TEST(Lintwrap, MessagesAfterAZeroByteCount) {
    Testing::CTestFolder folder;
    const std::wstring tool = folder.Script(
        L"tool.sh", "printf 'a.c(1): Info 734: x\\n\\000junk\\nb.c(2): Error 10: y\\n'");
    const Testing::CRunResult run = Lintwrap({tool});
    EXPECT_EQ(run.output, std::string("a.c(1): Info 734: x\n\0junk\nb.c(2): Error 10: y\n", 46));
    EXPECT_EQ(run.status, 1);
}

TEST(Lintwrap, RecordedSessionsEchoAndExitByTheirFindings) {
    struct Case {
        const char* session;
        std::int32_t status;
    };
    const Case cases[] = {
        {"clean.txt", 0},
        {"warnings.txt", 255}, // a warning, information and a note: warnings only
        {"errors.txt", 1},
        {"quoted-columns.txt", 255}, // quoted file names with a column: warnings and information
        {"default-columns.txt", 1},  // the two-blank layout with a column: an error
        {"plus.txt", 1},             // PC-lint Plus: an error among warnings and supplementals
        {"elective-notes.txt", 0},   // notes of the 9000 block are elective, not errors
    };
    for (const Case& c : cases) {
        const std::wstring session = L"" EXAMPLES_FOLDER "/sessions/" +
                                     Quillmoren::Libraries::Platform::DecodeUtf8(c.session);
        const Testing::CRunResult run = Lintwrap({kFakelint, session, L"-u", L"std.lnt"});
        std::string expected = Testing::CTestFolder::Read(session);
        // The recording marks standard-error lines with "2>"; the echo has them in place.
        for (std::size_t at; (at = expected.find("2>")) != std::string::npos;)
            expected.erase(at, 2);
        EXPECT_EQ(run.output, expected) << c.session;
        EXPECT_EQ(run.status, c.status) << c.session;
    }
}

TEST(Lintwrap, UserSettingsDecideTheStatus) {
    // An error message assigned to a user category that sorts after Warning (severity 4, before
    // Error) counts as a warning; assigned to one that sorts first, it counts for nothing.
    Testing::CTestFolder folder;
    const std::wstring tool = folder.Script(L"tool.sh", "echo 'a.c(1): Error 530: x'");
    struct Case {
        const char* severity;
        std::int32_t status;
    };
    for (const Case c : {Case{"00000004", 255}, Case{"00000001", 0}}) {
        const std::wstring registry = folder.Write(
            L"registry.reg",
            std::string("Windows Registry Editor Version 5.00\n\n"
                        "[HKEY_CURRENT_USER\\Software\\Quillmoren\\Ombrascope\\Settings\\Analysis"
                        "\\Categories\\0]\n"
                        "\"DisplayName\"=\"Mine\"\n\"Severity\"=dword:") +
                c.severity + "\n\"BuiltInLevel\"=dword:ffffffff\n\"Issues\"=\"530,\"\n");
        Testing::SetEnvironment("QUILLMOREN_REGISTRY",
                                Quillmoren::Libraries::Platform::EncodeUtf8(registry));
        const Testing::CRunResult run = Lintwrap({tool});
        EXPECT_EQ(run.status, c.status) << c.severity;
    }
}

TEST(Lintwrap, UnusableSettingsAreSaidAndTheBuiltInCategoriesJudge) {
    // Message 530 is a warning of the built-in categories; the user's category takes it and sorts
    // after Error (severity 5), so it counts as an error. Settings that cannot be used must not
    // change that unseen.
    const std::string header = "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\Software\\Quillmoren\\Ombrascope\\Settings"
                               "\\Analysis\\Categories\\0]\n"
                               "\"DisplayName\"=\"Mine\"\n\"Severity\"=dword:00000005\n"
                               "\"BuiltInLevel\"=dword:ffffffff\n";
    Testing::CTestFolder folder;
    const std::wstring tool = folder.Script(L"tool.sh", "echo 'a.c(1): Error 530: x'");
    const std::wstring registry = folder.File(L"registry.reg");
    const std::string path = Quillmoren::Libraries::Platform::EncodeUtf8(registry);
    struct Case {
        const char* name;
        std::string settings; ///< empty: a folder stands where the file should be
        std::int32_t status;
        std::string errors;
    };
    const Case cases[] = {
        {"usable", header + "\"Issues\"=\"530,\"\n", 1, ""},
        {"a missing quote", header + "\"Issues\"=\"530,\n", 255,
         "lintwrap: settings file " + path +
             " unusable (line 7: the text has no closing quote); using the built-in "
             "categories\n"},
        {"not a file", "", 255,
         "lintwrap: settings file " + path + " unusable (" + path +
             ": not a regular file); using the built-in categories\n"},
    };
    Testing::SetEnvironment("QUILLMOREN_REGISTRY", path);
    for (const Case& c : cases) {
        std::filesystem::remove_all(registry);
        if (c.settings.empty())
            std::filesystem::create_directory(registry);
        else
            folder.Write(L"registry.reg", c.settings);
        const CSplitRun run = LintwrapInShell("exec \"$@\" 2>\"$err\"", {tool});
        EXPECT_EQ(run.output, "a.c(1): Error 530: x\n") << c.name;
        EXPECT_EQ(run.errors, c.errors) << c.name;
        EXPECT_EQ(run.status, c.status) << c.name;
    }
}

TEST(Lintwrap, OutputTooLargeForMemoryFailsTheStepAfterTheWholeEcho) {
#if defined(LINTWRAP_SANITIZED)
    GTEST_SKIP() << "the sanitizers' shadow memory does not fit under ulimit -v";
#endif
    // lintwrap itself needs about 40 MiB of address space. Under 96 MiB, 150 MB of output cannot
    // be kept; 30 MB can, but not its text (four bytes a character). Either way the echo is whole
    // and the step fails.
    struct Case {
        const char* name;
        long long bytes;
    };
    const Case cases[] = {{"cannot be kept", 150000000}, {"cannot be decoded", 30000000}};
    Testing::CTestFolder folder;
    const std::wstring tool = folder.Script(
        L"tool.sh", "yes 'src/big.c  filler line, nothing to report' | head -c \"$1\"");
    for (const Case& c : cases) {
        // Only the count of the echo comes back, so the test holds none of it.
        const CSplitRun run = LintwrapInShell(
            "ulimit -v 98304; { \"$@\" 2>\"$err\"; echo \"status $?\" >>\"$err\"; } | wc -c",
            {tool, std::to_wstring(c.bytes)});
        EXPECT_EQ(run.output, std::to_string(c.bytes) + "\n") << c.name;
        EXPECT_EQ(run.errors, "lintwrap: output too large to analyse (" + std::to_string(c.bytes) +
                                  " bytes)\nstatus 1\n")
            << c.name;
    }
}

TEST(Lintwrap, ProcessStatusCarriesTheExitValue) {
    EXPECT_EQ(ToProcessStatus(kExitClean), 0);
    EXPECT_EQ(ToProcessStatus(kExitWarnings), 255);
    EXPECT_EQ(ToProcessStatus(kExitErrors), 1);
    EXPECT_EQ(ToProcessStatus(kExitUnusable), 2);
}
