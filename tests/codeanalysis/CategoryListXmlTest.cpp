// The category list as XML: what the export writes, what the import reads, and that an import
// replaces the categories whole and is saved to the settings.
#include "TestSupport.h"
#include "codeanalysis/IssueCategoryManager.h"
#include "utils/TextHelpers.h"
#include "utils/XmlServices.h"

#include <gtest/gtest.h>

using namespace Quillmoren::Libraries::CodeAnalysis;
using Quillmoren::Libraries::Platform::EncodeUtf8;
namespace Utils = Quillmoren::Libraries::Utils;

namespace {

constexpr wchar_t kPath[] = L"Software\\Test\\Categories";

class CategoryListXml : public testing::Test {
protected:
    CategoryListXml() {
        Testing::SetEnvironment("QUILLMOREN_REGISTRY", EncodeUtf8(m_folder.File(L"registry.reg")));
        m_manager.Load(nullptr, L"", true);
    }

    /// A document with the given Category elements.
    std::wstring WriteList(const std::string& categories) {
        return m_folder.Write(L"list.xml", "<?xml version=\"1.0\"?>\n<Categories>" + categories +
                                               "</Categories>");
    }

    std::vector<std::int32_t> Assigned(const CIssueCategoryManager& manager, std::int32_t index) {
        std::vector<std::int32_t> numbers;
        manager.GetAssignedMessages(index, numbers);
        return numbers;
    }

    Testing::CTestFolder m_folder;
    CIssueCategoryManager m_manager;
};

TEST_F(CategoryListXml, ExportsTheDefaultCategories) {
    m_manager.AssignMessage(534, 3);
    m_manager.AssignMessage(12, 3);
    const std::wstring path = m_folder.File(L"export.xml");
    ASSERT_EQ(m_manager.ExportToXml(path), Utils::S_OK);

    Utils::CXmlDocument document;
    ASSERT_EQ(document.Load(path), Utils::S_OK);
    const Utils::CXmlElement root = document.GetDocumentElement();
    EXPECT_EQ(root.GetName(), L"Categories");
    const std::vector<Utils::CXmlElement> categories = root.GetChildElements(L"Category");
    ASSERT_EQ(categories.size(), 6u);
    const wchar_t* backgrounds[] = {L"", L"", L"", L"", L"128,128,128", L"224,0,0"};
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(categories[i].GetAttribute(L"Level"), std::to_wstring(i));
        EXPECT_EQ(categories[i].GetAttribute(L"BackgroundColour"), backgrounds[i]);
        EXPECT_EQ(categories[i].GetChildElements(L"Issues").size(), 1u);
    }
    const Utils::CXmlElement& error = categories[3];
    EXPECT_EQ(error.GetAttribute(L"DisplayName"), L"Error");
    EXPECT_EQ(error.GetAttribute(L"DisplayNamePlural"), L"Errors");
    EXPECT_EQ(error.GetAttribute(L"Severity"), L"4");
    EXPECT_EQ(error.GetAttribute(L"Icon"), L"Error");
    EXPECT_EQ(error.GetAttribute(L"XmlElement"), L"Error");
    EXPECT_EQ(error.GetAttribute(L"BuiltInLevel"), L"4");
    EXPECT_EQ(error.GetAttribute(L"ForegroundColour"), L"160,0,0");
    EXPECT_EQ(error.GetAttribute(L"ChartColour"), L"255,0,0");
    EXPECT_EQ(error.GetChildElements(L"Issues")[0].GetText(), L"12,534,");
    EXPECT_EQ(Utils::ToInt32(error.GetAttribute(L"IsFatal")), 0);
    EXPECT_NE(Utils::ToInt32(categories[5].GetAttribute(L"IsFatal")), 0);
}

TEST_F(CategoryListXml, AnExportImportsBackTheSame) {
    CIssueCategory* own = m_manager.AddCategory(L"Style", L"Style issues", 2, 7009, Rgb(1, 2, 3),
                                                kColourDefault, kColourDefault, L"Style", false);
    m_manager.AssignMessage(1801, own);
    m_manager.AssignMessage(534, own);
    const std::wstring path = m_folder.File(L"export.xml");
    ASSERT_EQ(m_manager.ExportToXml(path), Utils::S_OK);

    CIssueCategoryManager other;
    other.Load(nullptr, L"", true);
    ASSERT_EQ(other.ImportFromXml(path), Utils::S_OK);
    std::vector<CIssueCategory> before;
    std::vector<CIssueCategory> after;
    m_manager.GetCategories(before);
    other.GetCategories(after);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(after[i].GetIndex(), static_cast<std::int32_t>(i));
        EXPECT_EQ(after[i].GetDisplayName(), before[i].GetDisplayName());
        EXPECT_EQ(after[i].GetDisplayNamePlural(), before[i].GetDisplayNamePlural());
        EXPECT_EQ(after[i].GetSeverity(), before[i].GetSeverity());
        EXPECT_EQ(after[i].GetIconID(), before[i].GetIconID());
        EXPECT_EQ(after[i].GetXmlElement(), before[i].GetXmlElement());
        EXPECT_EQ(after[i].GetIsFatal(), before[i].GetIsFatal());
        EXPECT_EQ(after[i].GetBuiltInLevel(), before[i].GetBuiltInLevel());
        EXPECT_EQ(after[i].GetForegroundColour(), before[i].GetForegroundColour());
        EXPECT_EQ(after[i].GetBackgroundColour(), before[i].GetBackgroundColour());
        EXPECT_EQ(after[i].GetChartColour(), before[i].GetChartColour());
        EXPECT_EQ(after[i].GetEffectiveChartColour(), before[i].GetEffectiveChartColour());
    }
    EXPECT_EQ(after[6].GetChartColour(), kColourDefault);
    EXPECT_EQ(after[6].GetEffectiveChartColour(), Rgb(0, 0, 160));
    EXPECT_EQ(Assigned(other, 6), (std::vector<std::int32_t>{534, 1801}));
    // The levels are in place again: unassigned numbers find their block's category.
    EXPECT_EQ(other.GetCategoryForMessage(1).GetBuiltInLevel(), kLevelError);
    EXPECT_EQ(other.GetCategoryForMessage(534).GetDisplayName(), L"Style");
}

TEST_F(CategoryListXml, ImportRules) {
    ASSERT_EQ(m_manager.ImportFromXml(WriteList(
                  "<Category Level=\"9\" DisplayName=\"A\" Severity=\"7x\" Icon=\"Bug\" "
                  "IsFatal=\"-1\" BuiltInLevel=\"4\" ForegroundColour=\"300,1,2\" "
                  "BackgroundColour=\"\" ChartColour=\"5,,6\"><Issues>,,5,x,0,-3,7,</Issues>"
                  "</Category>"
                  "<Category DisplayName=\"B\" Icon=\"NoSuchIcon\" IsFatal=\"true\"/>")),
              Utils::S_OK);
    std::vector<CIssueCategory> categories;
    ASSERT_EQ(m_manager.GetCategories(categories), 2);
    const CIssueCategory& a = categories[0];
    EXPECT_EQ(a.GetDisplayName(), L"A");
    EXPECT_EQ(a.GetSeverity(), 7);
    EXPECT_EQ(a.GetIconID(), 7009);
    EXPECT_TRUE(a.GetIsFatal());
    EXPECT_EQ(a.GetForegroundColour(), Rgb(44, 1, 2));
    EXPECT_EQ(a.GetEffectiveForegroundColour(), Rgb(44, 1, 2));
    EXPECT_EQ(a.GetBackgroundColour(), kColourDefault);
    EXPECT_EQ(a.GetChartColour(), Rgb(5, 6, 0));
    EXPECT_EQ(Assigned(m_manager, 0), (std::vector<std::int32_t>{5, 7}));

    const CIssueCategory& b = categories[1];
    EXPECT_EQ(b.GetIconID(), 0);
    EXPECT_FALSE(b.GetIsFatal()); // "true" is no number
    EXPECT_EQ(b.GetSeverity(), 0);
    EXPECT_EQ(b.GetBuiltInLevel(), 0);
    EXPECT_EQ(b.GetForegroundColour(), kColourDefault);
    EXPECT_TRUE(Assigned(m_manager, 1).empty());

    // The only level-4 category is A: error numbers go to it.
    EXPECT_EQ(m_manager.GetCategoryForMessage(1).GetDisplayName(), L"A");
    EXPECT_EQ(m_manager.GetCategoryForMessage(534).GetIndex(), -1);
}

TEST_F(CategoryListXml, ImportReplacesTheCategoriesAndSavesThem) {
    CIssueCategoryManager manager;
    manager.Load(nullptr, kPath, true);
    CIssueCategory* own = manager.AddCategory(L"Mine", L"Mine", 9, 0, kColourDefault,
                                              kColourDefault, kColourDefault, L"Mine", false);
    manager.AssignMessage(534, own);
    manager.AssignMessage(1, 3);
    ASSERT_TRUE(manager.SaveToRegistry());

    ASSERT_EQ(manager.ImportFromXml(WriteList(
                  "<Category DisplayName=\"Imported\" BuiltInLevel=\"3\"><Issues>77,</Issues>"
                  "</Category>")),
              Utils::S_OK);
    EXPECT_EQ(manager.GetCategoryCount(), 1);
    EXPECT_EQ(manager.GetMessageAssignmentCount(), 1);
    EXPECT_FALSE(manager.IsMessageAssigned(534));
    EXPECT_EQ(manager.GetCategoryForMessage(534).GetDisplayName(), L"Imported");
    EXPECT_EQ(manager.GetCategoryForMessage(1).GetIndex(), -1);

    CIssueCategoryManager reloaded;
    reloaded.Load(nullptr, kPath, true);
    EXPECT_EQ(reloaded.GetCategoryByXmlElement(L"Mine").GetIndex(), -1);
    bool found = false;
    std::vector<CIssueCategory> categories;
    reloaded.GetCategories(categories);
    for (const CIssueCategory& category : categories)
        found = found || category.GetDisplayName() == L"Imported";
    EXPECT_TRUE(found);
    EXPECT_TRUE(reloaded.IsMessageAssigned(77));
}

TEST_F(CategoryListXml, AnImportThatCannotBeSavedIsReported) {
    // A settings file that does not parse is never written over, so the save must fail.
    const std::wstring settings = m_folder.Write(L"registry.reg", "not a settings file\n");
    const std::string before = Testing::CTestFolder::Read(settings);
    CIssueCategoryManager manager;
    manager.Load(nullptr, kPath, true);
    EXPECT_EQ(manager.ImportFromXml(WriteList("<Category DisplayName=\"Imported\"/>")),
              Utils::E_FAIL);
    EXPECT_EQ(Testing::CTestFolder::Read(settings), before);
}

TEST_F(CategoryListXml, ImportsThatFindNothingChangeNothing) {
    const struct {
        std::string bytes;
        bool failed;
    } cases[] = {
        {"", true},
        {"<Categories><Category DisplayName=\"half\">", true},
        {"<?xml version=\"1.0\"?><Other><Category DisplayName=\"X\"/></Other>", false},
        {"<?xml version=\"1.0\"?><Categories/>", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const Utils::HRESULT result = m_manager.ImportFromXml(m_folder.Write(L"case.xml", c.bytes));
        EXPECT_EQ(Utils::Failed(result), c.failed);
        EXPECT_EQ(m_manager.GetCategoryCount(), 6);
    }
    EXPECT_TRUE(Utils::Failed(m_manager.ImportFromXml(m_folder.File(L"missing.xml"))));
    EXPECT_EQ(m_manager.GetCategoryCount(), 6);
}

TEST_F(CategoryListXml, ImportReadsNothingFromOutside) {
    const std::wstring secret = m_folder.Write(L"secret.txt", "534,");
    ASSERT_FALSE(Utils::Failed(m_manager.ImportFromXml(m_folder.Write(
        L"list.xml", "<?xml version=\"1.0\"?>\n<!DOCTYPE Categories [<!ENTITY s SYSTEM \"file://" +
                         EncodeUtf8(secret) +
                         "\">]>\n<Categories><Category DisplayName=\"A\"><Issues>&s;</Issues>"
                         "</Category></Categories>"))));
    EXPECT_FALSE(m_manager.IsMessageAssigned(534));
}

TEST_F(CategoryListXml, AppendToXml) {
    EXPECT_EQ(m_manager.AppendToXml(nullptr), Utils::E_INVALIDARG);
    Utils::CXmlDocument document;
    Utils::CXmlElement settings = document.CreateElement(L"Settings");
    ASSERT_EQ(document.AppendChild(settings), Utils::S_OK);
    EXPECT_EQ(m_manager.AppendToXml(&document, settings), Utils::S_OK);
    EXPECT_EQ(settings.GetChildElements(L"Categories").size(), 1u);

    CIssueCategoryManager empty;
    Utils::CXmlDocument other;
    EXPECT_EQ(empty.AppendToXml(&other), Utils::E_FAIL);
}

} // namespace
