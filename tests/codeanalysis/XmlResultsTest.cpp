// PC-lint XML output through the results front, documents that try to reach outside themselves,
// and the results writer, read back through the same reader.
#include "TestSupport.h"
#include "codeanalysis/AnalysisResultsReader.h"
#include "codeanalysis/IssueCategoryManager.h"
#include "utils/XmlServices.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace Quillmoren::Libraries::CodeAnalysis;
using Quillmoren::Libraries::Platform::DecodeUtf8;
using Quillmoren::Libraries::Platform::EncodeUtf8;
namespace Utils = Quillmoren::Libraries::Utils;

namespace {

struct Found {
    std::wstring file;
    std::int32_t line;
    std::int32_t number;
    std::wstring text;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
    return out << EncodeUtf8(f.file) << ":" << f.line << " #" << f.number << " "
               << EncodeUtf8(f.text);
}

std::wstring Doc(const std::wstring& body) {
    return L"<?xml version=\"1.0\"?>\n<doc>" + body + L"</doc>";
}

std::wstring Message(const std::wstring& file, const std::wstring& line, const std::wstring& code,
                     const std::wstring& desc, const std::wstring& type = L"Warning") {
    return L"<message><file>" + file + L"</file><line>" + line + L"</line><type>" + type +
           L"</type><code>" + code + L"</code><desc>" + desc + L"</desc></message>";
}

class XmlResults : public testing::Test {
protected:
    XmlResults() {
        Testing::SetEnvironment("QUILLMOREN_REGISTRY", EncodeUtf8(m_folder.File(L"none.reg")));
        m_manager.Load(nullptr, L"", true);
    }

    static std::vector<Found> IssuesOf(const CAnalysisResultsReader& reader) {
        CIssueArray issues;
        issues.SetOwnsElements(true);
        reader.GetIssues(issues);
        std::vector<Found> found;
        for (std::size_t i = 0; i < issues.GetCount(); ++i) {
            const CIssue* issue = issues.GetAt(i);
            found.push_back(
                {issue->GetFile(), issue->GetLine(), issue->GetNumber(), issue->GetText()});
        }
        return found;
    }

    std::vector<Found> Read(const std::wstring& text, bool checkDuplicates = false,
                            bool* ok = nullptr) {
        CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
        const bool read = reader.Read(text, checkDuplicates);
        if (ok != nullptr)
            *ok = read;
        return IssuesOf(reader);
    }

    Testing::CTestFolder m_folder;
    CIssueCategoryManager m_manager;
};

TEST_F(XmlResults, ReadsTheFieldsOfAMessage) {
    CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
    // The type says Error, but message 534 is a warning: the number decides.
    ASSERT_TRUE(
        reader.Read(Doc(Message(L"a.c", L"12", L"534", L"Ignoring return value", L"Error")), true));
    CIssueArray issues;
    issues.SetOwnsElements(true);
    ASSERT_EQ(reader.GetIssues(issues), 1u);
    EXPECT_EQ(issues[0]->GetFile(), L"a.c");
    EXPECT_EQ(issues[0]->GetLine(), 12);
    EXPECT_EQ(issues[0]->GetNumber(), 534);
    EXPECT_EQ(issues[0]->GetText(), L"Ignoring return value");
    EXPECT_EQ(issues[0]->GetCategory(), m_manager.GetCategoryForMessage(534).GetIndex());
    EXPECT_EQ(m_manager.GetCategory(issues[0]->GetCategory()).GetBuiltInLevel(), kLevelWarning);
}

TEST_F(XmlResults, ReadsCodesAndLinesAsTheirLeadingNumber) {
    const struct {
        const wchar_t* code;
        const wchar_t* line;
        std::int32_t number;
        std::int32_t lineNumber;
    } cases[] = {{L"9x", L"12abc", 9, 12}, {L"x9", L"x", 0, 0}, {L" -7", L"", -7, 0}};
    for (const auto& c : cases) {
        const std::vector<Found> found = Read(Doc(Message(L"a.c", c.line, c.code, L"t")));
        ASSERT_EQ(found.size(), 1u) << EncodeUtf8(c.code);
        EXPECT_EQ(found[0].number, c.number) << EncodeUtf8(c.code);
        EXPECT_EQ(found[0].line, c.lineNumber) << EncodeUtf8(c.line);
    }
}

TEST_F(XmlResults, AFieldHoldsItsWholeText) {
    const std::wstring longText(200000, L'z');
    const std::vector<Found> found =
        Read(Doc(Message(L"a.c", L"1", L"1", L"x &amp; y &lt;z&gt; <![CDATA[<raw>]]> &#x263A;") +
                 Message(L"b.c", L"2", L"2", longText) +
                 L"<message><code>3</code></message>")); // missing children are empty
    EXPECT_EQ(found, (std::vector<Found>{{L"a.c", 1, 1, L"x & y <z> <raw> \u263A"},
                                         {L"b.c", 2, 2, longText},
                                         {L"", 0, 3, L""}}));
}

TEST_F(XmlResults, RepeatsRefusedNamesAndNesting) {
    const std::wstring same = Message(L"a.c", L"1", L"534", L"same");
    const std::wstring followUp = Message(L"a.c", L"1", L"830", L"location");
    EXPECT_EQ(Read(Doc(same + same), true).size(), 1u);
    EXPECT_EQ(Read(Doc(same + same), false).size(), 2u);
    EXPECT_EQ(Read(Doc(followUp + followUp), true).size(), 2u);

    bool ok = false;
    EXPECT_EQ(Read(Doc(Message(L"a*.c", L"1", L"1", L"refused") + L"\n  <group>" + same +
                       L"</group>\n" + same),
                   false, &ok),
              (std::vector<Found>{{L"a.c", 1, 534, L"same"}}));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(Read(L"<?xml version=\"1.0\"?><other>" + same + L"</other>", false, &ok).empty());
    EXPECT_TRUE(ok);
}

TEST_F(XmlResults, ADocumentThatBreaksOffKeepsTheMessagesBefore) {
    bool ok = true;
    const std::vector<Found> found =
        Read(Doc(Message(L"a.c", L"1", L"1", L"kept") + L"<message><file>b.c</fil>"), false, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(found, (std::vector<Found>{{L"a.c", 1, 1, L"kept"}}));
}

TEST_F(XmlResults, NothingOutsideTheDocumentIsRead) {
    const std::wstring secret = m_folder.Write(L"secret.txt", "TOP-SECRET");
    const std::wstring external =
        L"<?xml version=\"1.0\"?>\n<!DOCTYPE doc [<!ENTITY leak SYSTEM \"file://" + secret +
        L"\">]>\n<doc>" + Message(L"a.c", L"1", L"1", L"[&leak;]") + L"</doc>";
    for (const Found& found : Read(external))
        EXPECT_EQ(found.text.find(L"TOP-SECRET"), std::wstring::npos);

    CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
    reader.ReadFile(m_folder.Write(L"external.xml", EncodeUtf8(external)), false);
    for (const Found& found : IssuesOf(reader))
        EXPECT_EQ(found.text.find(L"TOP-SECRET"), std::wstring::npos);
}

TEST_F(XmlResults, EntityExpansionIsBounded) {
    std::wstring laughs = L"<?xml version=\"1.0\"?>\n<!DOCTYPE doc [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 10; ++i)
        laughs += L"<!ENTITY l" + std::to_wstring(i) + L" \"" + [&] {
            std::wstring ten;
            for (int k = 0; k < 10; ++k)
                ten += L"&l" + std::to_wstring(i - 1) + L";";
            return ten;
        }() + L"\">";
    laughs += L"]>\n<doc>" + Message(L"a.c", L"1", L"1", L"&l10;") + L"</doc>";
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    const std::vector<Found> found = Read(laughs, false, &ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(ok);
    for (const Found& f : found)
        EXPECT_LT(f.text.size(), 1000000u);
}

// ---------------------------------------------------------------------------------------------
// The writer.

TEST_F(XmlResults, WrittenIssuesReadBackTheSame) {
    CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
    ASSERT_TRUE(reader.Read(Doc(Message(L"a.c", L"12", L"534", L"Ignoring return value") +
                                Message(L"C:\\src\\b.c", L"7", L"1", L"Unclosed comment") +
                                Message(L"", L"0", L"900", L"Done")),
                            false));
    const std::wstring path = m_folder.File(L"out.xml");
    ASSERT_EQ(reader.SaveXml(path), Utils::S_OK);

    CAnalysisResultsReader back(&m_manager, ToolKind::PcLint);
    EXPECT_TRUE(back.ReadFile(path, false));
    EXPECT_EQ(IssuesOf(back), IssuesOf(reader));

    // The type child carries the category's display name.
    Utils::CXmlDocument document;
    ASSERT_EQ(document.Load(path), Utils::S_OK);
    const auto messages = document.GetDocumentElement().GetChildElements(L"message");
    ASSERT_EQ(messages.size(), 3u);
    std::vector<std::wstring> names;
    for (const Utils::CXmlElement& child : messages[0].GetChildElements())
        names.push_back(child.GetName());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"file", L"line", L"type", L"code", L"desc"}));
    EXPECT_EQ(messages[0].GetChildElements(L"type")[0].GetText(), L"Warning");
    EXPECT_EQ(messages[1].GetChildElements(L"type")[0].GetText(), L"Error");
}

TEST_F(XmlResults, MarkupInTextsIsEscaped) {
    CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
    ASSERT_TRUE(
        reader.Read(Doc(Message(L"a.c", L"1", L"1", L"if (a &lt; b &amp;&amp; c)")), false));
    const std::wstring path = m_folder.File(L"escaped.xml");
    ASSERT_EQ(reader.SaveXml(path), Utils::S_OK);
    const std::string bytes = Testing::CTestFolder::Read(path);
    EXPECT_NE(bytes.find("if (a &lt; b &amp;&amp; c)"), std::string::npos) << bytes;

    CAnalysisResultsReader back(&m_manager, ToolKind::PcLint);
    EXPECT_TRUE(back.ReadFile(path, false));
    EXPECT_EQ(IssuesOf(back), (std::vector<Found>{{L"a.c", 1, 1, L"if (a < b && c)"}}));
}

TEST_F(XmlResults, AnUnknownCategoryWritesAnEmptyType) {
    // An FxCop level that names no category gives category -1.
    CAnalysisResultsReader reader(&m_manager, ToolKind::FxCop);
    ASSERT_TRUE(reader.ReadFile(
        m_folder.Write(L"fx.xml",
                       "<FxCopReport><Targets><Target><Modules><Module><Messages>"
                       "<Message CheckId=\"CA5\"><Issue Level=\"Nope\">text</Issue></Message>"
                       "</Messages></Module></Modules></Target></Targets></FxCopReport>"),
        false));
    const std::wstring path = m_folder.File(L"fx-out.xml");
    ASSERT_EQ(reader.SaveXml(path), Utils::S_OK);
    Utils::CXmlDocument document;
    ASSERT_EQ(document.Load(path), Utils::S_OK);
    const Utils::CXmlElement type = document.FindFirstElement(L"type");
    ASSERT_FALSE(type.IsNull());
    EXPECT_EQ(type.GetText(), L"");
    EXPECT_EQ(document.FindFirstElement(L"code").GetText(), L"5");
}

TEST_F(XmlResults, SaveFailures) {
    CAnalysisResultsReader empty(&m_manager, ToolKind::PcLint);
    const std::wstring path = m_folder.File(L"empty.xml");
    ASSERT_EQ(empty.SaveXml(path), Utils::S_OK);
    Utils::CXmlDocument document;
    ASSERT_EQ(document.Load(path), Utils::S_OK);
    EXPECT_EQ(document.GetDocumentElement().GetName(), L"doc");
    EXPECT_TRUE(document.GetDocumentElement().GetChildElements().empty());
    EXPECT_EQ(Testing::CTestFolder::Read(path).rfind("<?xml", 0), 0u);

    EXPECT_EQ(empty.SaveXml(L""), Utils::E_FAIL);
    EXPECT_TRUE(Utils::Failed(empty.SaveXml(m_folder.File(L"no/such/folder/out.xml"))));
    EXPECT_FALSE(std::filesystem::exists(m_folder.Native() / "no"));

    CAnalysisResultsReader none(&m_manager, static_cast<ToolKind>(2));
    EXPECT_EQ(none.SaveXml(m_folder.File(L"none.xml")), static_cast<Utils::HRESULT>(0x80004003u));
    EXPECT_FALSE(std::filesystem::exists(m_folder.Native() / "none.xml"));

    // Without a manager every message is left out.
    CAnalysisResultsReader unmanaged(nullptr, ToolKind::PcLint);
    EXPECT_EQ(unmanaged.SaveXml(m_folder.File(L"unmanaged.xml")), Utils::S_OK);
}

} // namespace
