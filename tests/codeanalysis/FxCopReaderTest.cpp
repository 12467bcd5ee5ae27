// FxCop reports through the results front: messages at every level, file names, issue texts,
// categories by level, repeats, refusal of texts and reports that break off.
#include "TestSupport.h"
#include "codeanalysis/AnalysisResultsReader.h"
#include "codeanalysis/IssueCategoryManager.h"

#include <gtest/gtest.h>

using namespace Quillmoren::Libraries::CodeAnalysis;
using Quillmoren::Libraries::Platform::EncodeUtf8;

namespace {

constexpr char kModule[] = "<Targets><Target><Modules><Module>";
constexpr char kModuleEnd[] = "</Module></Modules></Target></Targets>";

/// A report whose module holds `messages` as module-level messages.
std::string Report(const std::string& messages) {
    return std::string("<?xml version=\"1.0\"?><FxCopReport>") + kModule + "<Messages>" + messages +
           "</Messages>" + kModuleEnd + "</FxCopReport>";
}

std::string Message(const std::string& checkId, const std::string& issues) {
    return "<Message CheckId=\"" + checkId + "\">" + issues + "</Message>";
}

class FxCopReader : public testing::Test {
protected:
    FxCopReader() {
        Testing::SetEnvironment("QUILLMOREN_REGISTRY", EncodeUtf8(m_folder.File(L"none.reg")));
        m_manager.Load(nullptr, L"", true);
    }

    /// Reads `report` through a fresh front; `ok` receives ReadFile's answer.
    std::vector<CIssue> Read(const std::string& report, bool checkDuplicates = false,
                             bool* ok = nullptr) {
        CAnalysisResultsReader reader(&m_manager, ToolKind::FxCop);
        const bool read = reader.ReadFile(m_folder.Write(L"report.xml", report), checkDuplicates);
        if (ok != nullptr)
            *ok = read;
        return IssuesOf(reader);
    }

    static std::vector<CIssue> IssuesOf(const CAnalysisResultsReader& reader) {
        CIssueArray issues;
        issues.SetOwnsElements(true);
        reader.GetIssues(issues);
        std::vector<CIssue> copies;
        for (std::size_t i = 0; i < issues.GetCount(); ++i)
            copies.push_back(*issues.GetAt(i));
        return copies;
    }

    std::int32_t IndexOfLevel(std::int32_t level) const {
        std::vector<CIssueCategory> categories;
        m_manager.GetCategories(categories);
        for (const CIssueCategory& category : categories)
            if (category.GetBuiltInLevel() == level)
                return category.GetIndex();
        return -2;
    }

    Testing::CTestFolder m_folder;
    CIssueCategoryManager m_manager;
};

TEST_F(FxCopReader, ReadsAnIssueAtEachMessageLevel) {
    const std::string issue =
        "<Issue Level=\"warning\" Path=\"C:\\src\" File=\"a.cs\" Line=\"12\">Name it well</Issue>";
    const std::string report =
        std::string("<FxCopReport><Rules><Rule CheckId=\"CA9\"><Messages>") +
        Message("CA9", issue) + "</Messages></Rule></Rules><Targets><Target>" + "<Messages>" +
        Message("CA8", issue) + "</Messages>" + // a target's own
        "<Modules><Module><Messages>" + Message("CA123", issue) + "</Messages>" +
        "<Namespaces><Namespace><Types><Type><Messages>" + Message("CA1801", issue) +
        "</Messages><Members><Member><Messages>" + Message("CA2000", issue) +
        "</Messages></Member></Members></Type></Types></Namespace></Namespaces>" + kModuleEnd +
        "</FxCopReport>";
    bool ok = false;
    const std::vector<CIssue> issues = Read(report, false, &ok);
    EXPECT_TRUE(ok);
    // The rule list describes the rules: its messages are none of the report's findings.
    ASSERT_EQ(issues.size(), 4u);
    const std::int32_t numbers[] = {8, 123, 1801, 2000};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(issues[i].GetNumber(), numbers[i]);
        EXPECT_EQ(issues[i].GetFile(), L"C:\\src\\a.cs");
        EXPECT_EQ(issues[i].GetLine(), 12);
        EXPECT_EQ(issues[i].GetText(), L"Name it well");
        EXPECT_EQ(issues[i].GetCategory(), IndexOfLevel(kLevelWarning));
        EXPECT_EQ(issues[i].GetId(), static_cast<std::int32_t>(i + 1));
    }
}

TEST_F(FxCopReader, ReadsNamespaceAndAccessorMessagesWithTheNearestLocation) {
    const std::string report =
        "<?xml version=\"1.0\"?><FxCopReport Version=\"1.36\">"
        "<Namespaces><Namespace Name=\"Acme.Tools\"><Messages><Message CheckId=\"CA1020\">"
        "<Issue Level=\"Warning\">Merge the namespace</Issue></Message></Messages></Namespace>"
        "</Namespaces><Targets><Target Name=\"a.dll\"><Modules><Module Name=\"a.dll\">"
        "<Namespaces><Namespace Name=\"Acme.Tools\"><Types>"
        "<Type Name=\"Gauge\" Path=\"C:\\src\" File=\"Gauge.cs\" Line=\"4\"><Messages>"
        "<Message CheckId=\"CA1001\"><Issue Level=\"Error\">Owns a disposable field</Issue>"
        "</Message></Messages></Type>"
        "<Type Name=\"Dial\"><Members><Member Name=\"#Level\" Kind=\"Property\"><Accessors>"
        "<Accessor Name=\"#get_Level()\"><Messages><Message CheckId=\"CA1065\">"
        "<Issue Level=\"Error\" Path=\"C:\\src\" File=\"Dial.cs\" Line=\"31\">Do not raise "
        "exceptions in getters</Issue><Issue Level=\"Error\" Line=\"33\">A second place</Issue>"
        "</Message></Messages></Accessor></Accessors></Member></Members></Type></Types>"
        "</Namespace></Namespaces></Module></Modules></Target></Targets>"
        "<Namespaces><Namespace Name=\"Acme\"><Messages><Message CheckId=\"CA1724\">"
        "<Issue Level=\"Warning\">No file carries over from the targets</Issue></Message>"
        "</Messages></Namespace></Namespaces></FxCopReport>";
    struct Expected {
        std::int32_t number;
        std::wstring file;
        std::int32_t line;
        std::int32_t level;
    };
    const Expected expected[] = {
        {1020, L"", 0, kLevelWarning},
        {1001, L"C:\\src\\Gauge.cs", 4, kLevelError}, // the type's location
        {1065, L"C:\\src\\Dial.cs", 31, kLevelError}, // a getter's
        {1065, L"C:\\src\\Dial.cs", 33, kLevelError}, // the file of the issue before it
        {1724, L"", 0, kLevelWarning},
    };
    bool ok = false;
    const std::vector<CIssue> issues = Read(report, false, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(issues.size(), std::size(expected));
    for (std::size_t i = 0; i < issues.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(issues[i].GetNumber(), expected[i].number);
        EXPECT_EQ(issues[i].GetFile(), expected[i].file);
        EXPECT_EQ(issues[i].GetLine(), expected[i].line);
        EXPECT_EQ(issues[i].GetCategory(), IndexOfLevel(expected[i].level));
    }
}

TEST_F(FxCopReader, JoinsPathAndFileAndCarriesTheFileOver) {
    const std::vector<CIssue> issues = Read(Report(Message(
        "CA1", "<Issue Level=\"Error\" File=\"lost.cs\">before any path</Issue>"
               "<Issue Level=\"Error\" Path=\"C:\\src\" File=\"a.cs\">joined</Issue>"
               "<Issue Level=\"Error\" File=\"b.cs\">no path: the file before</Issue>"
               "<Issue Level=\"Error\" Path=\"C:\\lib\\\" File=\"c.cs\">trailing backslash</Issue>"
               "<Issue Level=\"Error\" Path=\"/home/me/\" File=\"d.cs\">trailing slash</Issue>"
               "<Issue Level=\"Error\" Path=\"/home/me\" File=\"\">no file</Issue>")));
    std::vector<std::wstring> files;
    for (const CIssue& issue : issues)
        files.push_back(issue.GetFile());
    EXPECT_EQ(files, (std::vector<std::wstring>{L"", L"C:\\src\\a.cs", L"C:\\src\\a.cs",
                                                L"C:\\lib\\c.cs", L"/home/me/d.cs", L"/home/me"}));
}

TEST_F(FxCopReader, OneIssuePerIssueElementWithItsWholeText) {
    struct Case {
        std::string content;
        std::vector<std::wstring> texts;
    } cases[] = {
        {"A &amp; B &lt;C&gt;", {L"A & B <C>"}},
        {"<![CDATA[x < y]]> and &#233;", {L"x < y and \u00e9"}},
        {"half<!-- cut -->other half", {L"halfother half"}},
        {"", {}},
        {"  \n  ", {}},
        {std::string(100000, 'w'), {std::wstring(100000, L'w')}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content.substr(0, 40));
        std::vector<std::wstring> texts;
        for (const CIssue& issue :
             Read(Report(Message("CA1", "<Issue Level=\"Error\">" + c.content + "</Issue>"))))
            texts.push_back(issue.GetText());
        EXPECT_EQ(texts, c.texts);
    }
}

TEST_F(FxCopReader, CategoryComesFromTheLevel) {
    const std::vector<CIssue> issues =
        Read(Report(Message("CA1", "<Issue Level=\"CriticalError\">no such level</Issue>"
                                   "<Issue Level=\"ERROR\">error</Issue><Issue>no level</Issue>") +
                    Message("CA", "<Issue Level=\"Information\">short check id</Issue>")));
    ASSERT_EQ(issues.size(), 4u);
    EXPECT_EQ(issues[0].GetCategory(), -1);
    EXPECT_EQ(issues[1].GetCategory(), IndexOfLevel(kLevelError));
    EXPECT_EQ(issues[2].GetCategory(), -1);
    EXPECT_EQ(issues[3].GetCategory(), IndexOfLevel(kLevelInformation));
    EXPECT_EQ(issues[3].GetNumber(), 0);
}

TEST_F(FxCopReader, RepeatsAreDroppedWhenAskedFor) {
    const std::string twice = Report(
        Message("CA1", "<Issue Level=\"Error\" Path=\"C:\\s\" File=\"a.cs\" Line=\"3\">same</Issue>"
                       "<Issue Level=\"Error\" Line=\"3\">same</Issue>"));
    EXPECT_EQ(Read(twice, true).size(), 1u);
    EXPECT_EQ(Read(twice, false).size(), 2u);

    // A flag set by an earlier ReadText counts as well.
    CAnalysisResultsReader reader(&m_manager, ToolKind::FxCop);
    reader.Read(L"anything", true);
    reader.ReadFile(m_folder.Write(L"twice.xml", twice), false);
    EXPECT_EQ(reader.GetIssueCount(), 1u);
}

TEST_F(FxCopReader, RefusesTextsAndKeepsReadingAfterARefusedFile) {
    CAnalysisResultsReader reader(&m_manager, ToolKind::FxCop);
    const std::wstring path = m_folder.Write(
        L"r.xml", Report(Message(
                      "CA7", "<Issue Level=\"Error\" Path=\"C:\\a*b\" File=\"x.cs\">bad</Issue>"
                             "<Issue Level=\"Error\" Path=\"C:\\ok\" File=\"x.cs\">good</Issue>")));
    EXPECT_TRUE(reader.ReadFile(path, false));
    ASSERT_EQ(reader.GetIssueCount(), 1u);
    // Reports accumulate; a text is never read, and reading one forgets them.
    EXPECT_TRUE(reader.ReadFile(path, false));
    EXPECT_EQ(reader.GetIssueCount(), 2u);
    EXPECT_FALSE(reader.Read(L"<?xml version=\"1.0\"?><FxCopReport/>", false));
    EXPECT_EQ(reader.GetIssueCount(), 0u);
    EXPECT_FALSE(reader.ReadFile(m_folder.File(L"missing.xml"), false));
}

TEST_F(FxCopReader, NoFileCarriesOverFromTheReportBefore) {
    CAnalysisResultsReader reader(&m_manager, ToolKind::FxCop);
    reader.ReadFile(
        m_folder.Write(L"1.xml",
                       Report(Message("CA1", "<Issue Path=\"/a\" File=\"b.cs\">x</Issue>"))),
        false);
    reader.ReadFile(m_folder.Write(L"2.xml", Report(Message("CA1", "<Issue>y</Issue>"))), false);
    const std::vector<CIssue> issues = IssuesOf(reader);
    ASSERT_EQ(issues.size(), 2u);
    EXPECT_EQ(issues[1].GetFile(), L"");
}

TEST_F(FxCopReader, AReportThatBreaksOffKeepsTheIssuesBefore) {
    bool ok = true;
    const std::string report = Report(Message("CA1", "<Issue>first</Issue>")) + "<junk";
    const std::string broken = report.substr(0, report.find("</Messages>")) +
                               Message("CA2", "<Issue>second</Issue><Issue>third") + "</Oops>";
    const std::vector<CIssue> issues = Read(broken, false, &ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(issues.size(), 2u);
    EXPECT_EQ(issues[1].GetText(), L"second");
}

} // namespace
