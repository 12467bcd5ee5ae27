// Tests of the issue category record, the built-in category table, the icon table and GUIDs.
#include "codeanalysis/IssueCategory.h"

#include <gtest/gtest.h>

namespace {

using namespace Quillmoren::Libraries::CodeAnalysis;

TEST(IssueCategory, DefaultCategoryIsWhatLookupsReturnWhenTheyFindNothing) {
    const CIssueCategory category;
    EXPECT_EQ(category.GetIndex(), -1);
    EXPECT_EQ(category.GetStoredIndex(), -1);
    EXPECT_EQ(category.GetBuiltInLevel(), -1);
    EXPECT_EQ(category.GetSeverity(), -1);
    EXPECT_EQ(category.GetIconID(), 0);
    EXPECT_TRUE(category.GetDisplayName().empty());
    EXPECT_TRUE(category.GetDisplayNamePlural().empty());
    EXPECT_TRUE(category.GetXmlElement().empty());
    EXPECT_EQ(category.GetForegroundColour(), kColourDefault);
    EXPECT_EQ(category.GetBackgroundColour(), kColourDefault);
    EXPECT_EQ(category.GetChartColour(), kColourDefault);
    EXPECT_EQ(category.GetEffectiveForegroundColour(), kSystemWindowTextColour);
    EXPECT_EQ(category.GetEffectiveBackgroundColour(), kSystemWindowColour);
    EXPECT_EQ(category.GetEffectiveChartColour(), Rgb(0, 0, 160));
    EXPECT_FALSE(category.GetIsFatal());
    EXPECT_FALSE(category.GetModified());
}

TEST(IssueCategory, ColoursTakeEffectOnlyThroughTheSetters) {
    CIssueCategory category(3, L"Style", L"Styles", 7, 7024, Rgb(1, 2, 3), Rgb(4, 5, 6),
                            kColourDefault, L"Style", false);
    EXPECT_EQ(category.GetIndex(), 3);
    EXPECT_EQ(category.GetStoredIndex(), 3);
    EXPECT_EQ(category.GetBuiltInLevel(), -1);
    EXPECT_EQ(category.GetForegroundColour(), Rgb(1, 2, 3));
    EXPECT_EQ(category.GetEffectiveForegroundColour(), kSystemWindowTextColour);

    EXPECT_TRUE(category.SetForegroundColour(Rgb(1, 2, 3)));
    EXPECT_TRUE(category.SetBackgroundColour(kColourDefault));
    EXPECT_TRUE(category.SetChartColour(kColourDefault));
    EXPECT_EQ(category.GetEffectiveForegroundColour(), Rgb(1, 2, 3));
    EXPECT_EQ(category.GetEffectiveBackgroundColour(), kSystemWindowColour);
    EXPECT_EQ(category.GetEffectiveChartColour(), kDefaultChartColour);
    EXPECT_EQ(category.GetBackgroundColour(), Rgb(4, 5, 6)) << "stored colours never change";
}

TEST(IssueCategory, ACopyIsIndependent) {
    CIssueCategory original(0, L"A", L"As", 1, 0, Rgb(9, 9, 9), kColourDefault, kColourDefault,
                            L"A", false);
    const CIssueCategory copy = original;
    original.SetIndex(5);
    original.SetForegroundColour(Rgb(1, 1, 1));
    original.SetModified(true);
    original.SetBuiltInLevel(3);
    EXPECT_EQ(copy.GetIndex(), 0);
    EXPECT_EQ(copy.GetEffectiveForegroundColour(), kSystemWindowTextColour);
    EXPECT_FALSE(copy.GetModified());
    EXPECT_EQ(copy.GetBuiltInLevel(), -1);

    CIssueCategory& self = original;
    original = self;
    EXPECT_EQ(original.GetIndex(), 5);
}

TEST(IssueCategory, BuiltInCategories) {
    struct CExpected {
        std::int32_t level;
        const wchar_t* name;
        const wchar_t* plural;
        Colour effectiveBackground;
        bool fatal;
    };
    const CExpected expected[] = {
        {1, L"Elective Note", L"Elective Notes", kSystemWindowColour, false},
        {2, L"Information", L"Informational", kSystemWindowColour, false},
        {3, L"Warning", L"Warnings", kSystemWindowColour, false},
        {4, L"Error", L"Errors", kSystemWindowColour, false},
        {5, L"Internal Error", L"Internal Errors", Rgb(128, 128, 128), false},
        {999, L"Fatal Error", L"Fatal Errors", Rgb(224, 0, 0), true},
    };
    ASSERT_EQ(kBuiltInCategories.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const CIssueCategory category = MakeBuiltInCategory(kBuiltInCategories[i], 7);
        EXPECT_EQ(category.GetIndex(), 7);
        EXPECT_EQ(category.GetBuiltInLevel(), expected[i].level);
        EXPECT_EQ(category.GetSeverity(), expected[i].level);
        EXPECT_EQ(category.GetDisplayName(), expected[i].name);
        EXPECT_EQ(category.GetDisplayNamePlural(), expected[i].plural);
        EXPECT_EQ(category.GetEffectiveBackgroundColour(), expected[i].effectiveBackground);
        EXPECT_EQ(category.GetBackgroundColour(),
                  i < 4 ? kColourDefault : expected[i].effectiveBackground);
        EXPECT_EQ(category.GetIsFatal(), expected[i].fatal);
        EXPECT_EQ(FindBuiltInCategory(expected[i].level), &kBuiltInCategories[i]);
    }
    const CIssueCategory fatal = MakeBuiltInCategory(*FindBuiltInCategory(999), 5);
    EXPECT_EQ(fatal.GetEffectiveForegroundColour(), Rgb(255, 255, 255));
    EXPECT_EQ(fatal.GetXmlElement(), L"FatalError");
    EXPECT_EQ(fatal.GetIconID(), 7015);
    EXPECT_EQ(FindBuiltInCategory(6), nullptr);
    EXPECT_EQ(FindBuiltInCategory(0), nullptr);
    EXPECT_EQ(FindBuiltInCategory(-1), nullptr);
}

/// An icon table holding the category icons, as the manager registers them.
class IconTable : public ::testing::Test {
protected:
    void SetUp() override {
        for (const CIconDefinition& icon : kCategoryIcons) {
            m_icons.AddIcon(icon.id, std::wstring(icon.name), icon.guid);
        }
    }
    CIconIdNameMap m_icons;
};

TEST_F(IconTable, NamesAndIdentifiers) {
    EXPECT_EQ(m_icons.GetIconId(L"Note"), 7022);
    EXPECT_EQ(m_icons.GetIconId(L"note"), 0) << "names compare exactly";
    EXPECT_EQ(m_icons.GetIconId(L""), 0);
    EXPECT_EQ(m_icons.GetIconName(7023), L"Warning");
    EXPECT_EQ(m_icons.GetIconName(7010), L"");
    std::vector<std::int32_t> ids = {1};
    EXPECT_EQ(m_icons.GetIconIds(ids), 11);
    EXPECT_EQ(ids, (std::vector<std::int32_t>{1, 7022, 7018, 7020, 7019, 7023, 7024, 7025, 7013,
                                              7011, 7015, 7009}));
}

TEST_F(IconTable, SharedGuidsLeadToTheIconAddedLast) {
    EXPECT_EQ(m_icons.GetIconGuid(7022),
              CGuid::FromText(L"{5B1E9C20-3A7D-4F60-9E21-7C4D8A02B913}"));
    EXPECT_EQ(m_icons.GetIconGuid(7019), m_icons.GetIconGuid(7009));
    EXPECT_TRUE(m_icons.GetIconGuid(7010).IsNull());

    // A null GUID is entered nowhere, so the identifier has none and other GUIDs stay.
    m_icons.AddIcon(8000, L"Plain", CGuid{});
    EXPECT_TRUE(m_icons.GetIconGuid(8000).IsNull());
    EXPECT_EQ(m_icons.GetIconName(8000), L"Plain");
    EXPECT_FALSE(m_icons.GetIconGuid(7009).IsNull());
}

TEST_F(IconTable, TheFirstTagStays) {
    EXPECT_EQ(m_icons.GetIconTag(7022), 0);
    EXPECT_TRUE(m_icons.SetIconTag(7022, 4));
    EXPECT_TRUE(m_icons.SetIconTag(7022, 9));
    EXPECT_EQ(m_icons.GetIconTag(7022), 4);
}

TEST(Guid, TextForms) {
    const CGuid guid = CGuid::FromText(L"{e0c3725b-6d18-4b9f-a2e4-93d7518c0f6a}");
    EXPECT_EQ(guid.data1, 0xE0C3725Bu);
    EXPECT_EQ(guid.data2, 0x6D18u);
    EXPECT_EQ(guid.data4[7], 0x6Au);
    EXPECT_EQ(guid.ToString(), L"{E0C3725B-6D18-4B9F-A2E4-93D7518C0F6A}");
    EXPECT_EQ(CGuid::FromText(L"E0C3725B-6D18-4B9F-A2E4-93D7518C0F6A"), guid);

    for (const wchar_t* bad :
         {L"", L"{E0C3725B-6D18-4B9F-A2E4-93D7518C0F6}", L"{E0C3725B-6D18-4B9F-A2E493D7518C0F6AA}",
          L"{G0C3725B-6D18-4B9F-A2E4-93D7518C0F6A}", L"(E0C3725B-6D18-4B9F-A2E4-93D7518C0F6A)"}) {
        CGuid parsed = guid;
        EXPECT_FALSE(CGuid::Parse(bad, parsed)) << bad;
        EXPECT_EQ(parsed, guid);
    }
}

} // namespace
