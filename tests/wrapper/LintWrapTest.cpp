// The lintwrap program through its real binary: messages, exit statuses, the echo and the
// arguments that reach the tool.
#include "TestSupport.h"
#include "platform/Encoding.h"
#include "wrapper/Wrapper.h"

#include <gtest/gtest.h>

#include <random>

namespace {

const std::wstring kLintwrap = L"" LINTWRAP_BINARY;
const std::wstring kFakelint = L"" FAKELINT_BINARY;

Testing::CRunResult Lintwrap(std::vector<std::wstring> arguments,
                             const std::wstring& folder = L"") {
    arguments.insert(arguments.begin(), kLintwrap);
    return Testing::RunProgram(arguments, folder);
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
    EXPECT_EQ(version.output, "lintwrap " LINTWRAP_VERSION "\n");

    // A tool that happens to be called --help is run like any other.
    Testing::CTestFolder folder;
    folder.Script(L"--help", "echo ran");
    const Testing::CRunResult tool = Lintwrap({L"./--help"}, folder.Path());
    EXPECT_EQ(tool.output, "ran\n");
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

TEST(Lintwrap, ProcessStatusCarriesTheExitValue) {
    EXPECT_EQ(ToProcessStatus(kExitClean), 0);
    EXPECT_EQ(ToProcessStatus(kExitWarnings), 255);
    EXPECT_EQ(ToProcessStatus(kExitErrors), 1);
    EXPECT_EQ(ToProcessStatus(kExitUnusable), 2);
}
