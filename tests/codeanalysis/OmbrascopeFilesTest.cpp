// Tests of ombrascope on files: results read from text, XML and FxCop files, the XML it writes,
// and the export and import of the category list.
#include "OmbrascopeRun.h"
#include "ScopedRegistry.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using Quillmoren::Libraries::CodeAnalysis::Testing::CRun;
using Quillmoren::Libraries::CodeAnalysis::Testing::CScopedRegistry;
using Quillmoren::Libraries::CodeAnalysis::Testing::Lines;
using Quillmoren::Libraries::CodeAnalysis::Testing::Ombrascope;

/// Writes `bytes` to `name` in the registry's folder and returns the quoted path for a command.
std::string WriteFile(const CScopedRegistry& registry, const std::string& name,
                      const std::string& bytes) {
    const std::string path = registry.Folder() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return "'" + path + "'";
}

std::string Quoted(const CScopedRegistry& registry, const std::string& name) {
    return "'" + registry.Folder() + "/" + name + "'";
}

constexpr char kLintText[] = "--- Module:   src/a.c (C)\n"
                             "src/a.c(3): error 10: Expecting ';' & more <here>\n"
                             "src/a.c(9): warning 534: Ignoring return value of function 'f'\n"
                             "src/a.c(9): warning 534: Ignoring return value of function 'f'\n"
                             "src/a.c(12): info 732: Loss of sign\n";

/// The fields of the issues of a "results --json" answer that any reader of them keeps.
nlohmann::json IssueFields(const nlohmann::json& answer) {
    nlohmann::json fields = nlohmann::json::array();
    for (const nlohmann::json& issue : answer["issues"]) {
        fields.push_back(
            {issue["file"], issue["line"], issue["number"], issue["category"], issue["text"]});
    }
    return fields;
}

TEST(OmbrascopeResults, TextResultsWrittenAsXmlReadBackTheSame) {
    CScopedRegistry registry;
    const std::string lint = WriteFile(registry, "lint.txt", kLintText);
    const std::string xml = Quoted(registry, "out.xml");

    const CRun text = Ombrascope(registry, "results " + lint + " --json --xml " + xml);
    ASSERT_EQ(text.status, 0) << text.err;
    const nlohmann::json fromText = nlohmann::json::parse(text.out);
    ASSERT_EQ(fromText["issues"].size(), 3u) << text.out; // the repeat is dropped
    EXPECT_EQ(fromText["issues"][0]["text"], "Expecting ';' & more <here>");
    EXPECT_EQ(fromText["errorCategories"], 1);

    const CRun back = Ombrascope(registry, "results " + xml + " --json");
    ASSERT_EQ(back.status, 0) << back.err;
    const nlohmann::json fromXml = nlohmann::json::parse(back.out);
    EXPECT_EQ(IssueFields(fromXml), IssueFields(fromText));
    EXPECT_EQ(fromXml["warningCategories"], fromText["warningCategories"]);
    EXPECT_EQ(fromXml["errorCategories"], fromText["errorCategories"]);
    EXPECT_EQ(fromXml["statistics"]["mostFrequentMessage"]["count"], 1);
}

TEST(OmbrascopeResults, ShowsTheLinesThatLookedLikeMessagesButGaveNothing) {
    CScopedRegistry registry;
    std::string log = std::string(kLintText) + "(12): Error 40: a layout it does not know\n";
    for (int i = 0; i < 6; ++i)
        log += "  Warning 613: indented\n";
    const std::string lint = WriteFile(registry, "lint.txt", log);

    const CRun text = Ombrascope(registry, "results " + lint);
    ASSERT_EQ(text.status, 0) << text.err;
    const std::string expected = "lines that look like messages but gave no issue: 7\n"
                                 "  line 6: (12): Error 40: a layout it does not know\n"
                                 "  line 7:   Warning 613: indented\n";
    EXPECT_NE(text.out.find(expected), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  line 10:   Warning 613: indented\n  ...\n"), std::string::npos)
        << text.out;

    const CRun json = Ombrascope(registry, "results " + lint + " --json");
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json unread = nlohmann::json::parse(json.out)["unreadLines"];
    EXPECT_EQ(unread["count"], 7);
    ASSERT_EQ(unread["first"].size(), 5u);
    EXPECT_EQ(unread["first"][0]["line"], 6);
    EXPECT_EQ(unread["first"][0]["text"], "(12): Error 40: a layout it does not know");
}

TEST(OmbrascopeResults, AnFxCopReport) {
    CScopedRegistry registry;
    const std::string report =
        WriteFile(registry, "report.xml",
                  "<?xml version=\"1.0\"?><FxCopReport><Targets><Target><Modules><Module><Messages>"
                  "<Message CheckId=\"CA1000\"><Issue Level=\"CriticalError\" Path=\"C:\\src\" "
                  "File=\"a.cs\" Line=\"7\">Do not &amp; never</Issue></Message>"
                  "<Message CheckId=\"CA2000\"><Issue Level=\"Warning\" Line=\"9\">Dispose</Issue>"
                  "</Message></Messages></Module></Modules></Target></Targets></FxCopReport>");

    const CRun run = Ombrascope(registry, "results --fxcop " + report + " --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json answer = nlohmann::json::parse(run.out);
    ASSERT_EQ(answer["issues"].size(), 2u) << run.out;
    EXPECT_EQ(answer["issues"][0]["file"], "C:\\src\\a.cs");
    EXPECT_EQ(answer["issues"][0]["line"], 7);
    EXPECT_EQ(answer["issues"][0]["text"], "Do not & never");
    EXPECT_EQ(answer["issues"][1]["file"], "C:\\src\\a.cs"); // the path carries over
    EXPECT_EQ(answer["issues"][1]["categoryName"], "Warning");

    // Without the flag the same file is taken for PC-lint XML, which it is not.
    const CRun asLint = Ombrascope(registry, "results " + report + " --json");
    EXPECT_EQ(nlohmann::json::parse(asLint.out)["issues"].size(), 0u);
}

TEST(OmbrascopeResults, FilesThatCannotBeReadOrWritten) {
    CScopedRegistry registry;
    const std::string lint = WriteFile(registry, "lint.txt", kLintText);
    const std::string half = WriteFile(
        registry, "half.xml",
        "<?xml version=\"1.0\"?><doc><message><file>a.c</file><line>3</line><type>Warning</type>"
        "<code>534</code><desc>kept</desc></message><message><file>b");
    const struct {
        std::string arguments;
        int status;
        std::string error;
        std::size_t issues;
    } cases[] = {
        {"results " + Quoted(registry, "missing.txt"), 3, "cannot read", 0},
        {"results --json " + half, 3, "could not be read to its end", 1},
        {"results --fxcop -", 2, "standard input", 0},
        {"results " + lint + " --xml " + Quoted(registry, "no/such/folder/out.xml"), 1,
         "cannot write", 0},
        {"results " + WriteFile(registry, "empty.txt", "") + " --json", 0, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CRun run = Ombrascope(registry, c.arguments);
        EXPECT_EQ(run.status, c.status);
        if (c.error.empty()) {
            EXPECT_TRUE(run.err.empty()) << run.err;
        } else {
            EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        }
        if (run.out.rfind("{", 0) == 0) {
            EXPECT_EQ(nlohmann::json::parse(run.out)["issues"].size(), c.issues);
        }
    }
}

const std::string kCategoriesKey =
    "HKEY_CURRENT_USER\\Software\\Quillmoren\\Ombrascope\\Settings\\Analysis\\Categories";

TEST(OmbrascopeCategories, AnExportImportsIntoOtherSettings) {
    CScopedRegistry source;
    source.Write("[" + kCategoriesKey +
                 "\\0]\n\"DisplayName\"=\"Portabilité\"\n\"Severity\"=dword:00000003\n"
                 "\"BuiltInLevel\"=dword:ffffffff\n\"Icon\"=\"WarningRed\"\n"
                 "\"Issues\"=\"537,310,\"\n");
    const std::string list = Quoted(source, "list.xml");
    const CRun exported = Ombrascope(source, "categories export " + list);
    ASSERT_EQ(exported.status, 0) << exported.err;
    const nlohmann::json before =
        nlohmann::json::parse(Ombrascope(source, "categories --json").out);

    CScopedRegistry target;
    const CRun imported = Ombrascope(target, "categories import " + list);
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "imported 7 categories and 2 message assignments\n");
    ASSERT_TRUE(target.Exists());
    const nlohmann::json after = nlohmann::json::parse(Ombrascope(target, "categories --json").out);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(i);
        for (const char* field : {"displayName", "severity", "icon", "foregroundColour",
                                  "backgroundColour", "builtInLevel", "isFatal", "messages"}) {
            EXPECT_EQ(after[i][field], before[i][field]) << field;
        }
    }
}

TEST(OmbrascopeCategories, ImportsThatFailChangeNoSettings) {
    CScopedRegistry registry;
    const std::string good = WriteFile(registry, "good.xml",
                                       "<?xml version=\"1.0\"?><Categories><Category "
                                       "DisplayName=\"Mine\" Severity=\"2\"/></Categories>");
    const struct {
        std::string settings; // empty: no settings file
        std::string list;
        int status;
        std::string error;
    } cases[] = {
        {"", Quoted(registry, "missing.xml"), 3, "cannot read"},
        {"", WriteFile(registry, "broken.xml", "<Categories><Category>"), 3, "well-formed"},
        // The parser's words, with the line where the document goes wrong.
        {"", WriteFile(registry, "lines.xml", "<Categories>\n<Category>\n</Categories>\n"), 3,
         "(line 3: Opening and ending tag mismatch: Category line 2 and Categories"},
        {"", WriteFile(registry, "other.xml", "<?xml version=\"1.0\"?><Other/>"), 3,
         "no \"Categories\""},
        {"[" + kCategoriesKey + "\\0]\n\"DisplayName\"=\"unterminated\n", good, 1,
         "could not be saved"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        if (!c.settings.empty()) {
            registry.Write(c.settings);
        }
        const std::string before = registry.Exists() ? registry.Read() : "";
        const CRun run = Ombrascope(registry, "categories import " + c.list);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        EXPECT_EQ(registry.Exists() ? registry.Read() : "", before);
    }
    EXPECT_EQ(
        Ombrascope(registry, "categories export " + Quoted(registry, "no/folder/x.xml")).status, 1);
}

/// Holds the settings lock as another writer would, from a file description of its own.
class CHeldLock {
public:
    explicit CHeldLock(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
        m_held = m_fd >= 0 && ::flock(m_fd, LOCK_EX) == 0;
    }
    ~CHeldLock() { Release(); }
    CHeldLock(const CHeldLock&) = delete;
    CHeldLock& operator=(const CHeldLock&) = delete;
    bool Held() const { return m_held; }
    void Release() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_fd;
    bool m_held = false;
};

/// Sets an environment variable for the programs that one test runs.
class CScopedVariable {
public:
    CScopedVariable(const char* name, const char* value) : m_name(name) {
        ::setenv(name, value, 1);
    }
    ~CScopedVariable() { ::unsetenv(m_name); }
    CScopedVariable(const CScopedVariable&) = delete;
    CScopedVariable& operator=(const CScopedVariable&) = delete;

private:
    const char* m_name;
};

TEST(OmbrascopeCategories, ImportsThatCannotSaveSayWhyAndChangeNothing) {
    CScopedRegistry registry;
    const std::string good = WriteFile(registry, "good.xml",
                                       "<?xml version=\"1.0\"?><Categories><Category "
                                       "DisplayName=\"Mine\" Severity=\"2\"/></Categories>");
    const std::string settings = "[" + kCategoriesKey + "\\0]\n\"DisplayName\"=\"Old\"\n";
    const std::string lock = registry.File() + ".lock";
    namespace fs = std::filesystem;
    const struct {
        const char* name;
        std::function<void()> prepare;
        std::function<void()> undo;
        std::vector<std::string> errors;
    } cases[] = {
        {"read-only",
         [&] { fs::permissions(registry.File(), fs::perms::owner_read | fs::perms::group_read); },
         [&] { fs::permissions(registry.File(), fs::perms::owner_read | fs::perms::owner_write); },
         {"settings file is read-only", registry.File()}},
        {"lock that cannot be opened",
         [&] {
             fs::remove(lock);
             fs::create_directory(lock);
         },
         [&] { fs::remove(lock); },
         {"cannot open " + lock + ": Is a directory"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        registry.Write(settings);
        const std::string before = registry.Read();
        c.prepare();
        const CRun run = Ombrascope(registry, "categories import " + good);
        c.undo();
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("could not be saved to the settings"), std::string::npos) << run.err;
        for (const std::string& error : c.errors) {
            EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
        }
        EXPECT_EQ(registry.Read(), before);
    }
}

TEST(OmbrascopeCategories, AnImportWaitsForAHeldLockSaysSoAndGivesUp) {
    CScopedRegistry registry;
    const std::string good = WriteFile(registry, "good.xml",
                                       "<?xml version=\"1.0\"?><Categories><Category "
                                       "DisplayName=\"Mine\" Severity=\"2\"/></Categories>");
    registry.Write("[" + kCategoriesKey + "\\0]\n\"DisplayName\"=\"Old\"\n");
    const std::string before = registry.Read();
    const std::string waiting =
        "ombrascope: waiting for the settings lock (held by another process)\n";
    {
        CHeldLock lock(registry.File() + ".lock");
        ASSERT_TRUE(lock.Held());
        const CScopedVariable wait("OMBRASCOPE_LOCK_WAIT", "50,400");
        const CRun run = Ombrascope(registry, "categories import " + good);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.rfind(waiting, 0), 0u) << run.err;
        EXPECT_NE(run.err.find("is held by another process; gave up after 400 ms"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(registry.Read(), before);
    }
    {
        // A lock that is let go while the import waits: the import goes ahead.
        CHeldLock lock(registry.File() + ".lock");
        ASSERT_TRUE(lock.Held());
        const CScopedVariable wait("OMBRASCOPE_LOCK_WAIT", "50,20000");
        std::thread release([&lock] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            lock.Release();
        });
        const CRun run = Ombrascope(registry, "categories import " + good);
        release.join();
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, waiting);
        EXPECT_NE(registry.Read().find("Mine"), std::string::npos);
    }
    const CScopedVariable wait("OMBRASCOPE_LOCK_WAIT", "soon");
    const CRun run = Ombrascope(registry, "categories import " + good);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("OMBRASCOPE_LOCK_WAIT is not NOTIFY_MS,GIVE_UP_MS"), std::string::npos)
        << run.err;
    EXPECT_NE(Ombrascope(registry, "categories import --help").out.find("OMBRASCOPE_LOCK_WAIT"),
              std::string::npos);
}

} // namespace
