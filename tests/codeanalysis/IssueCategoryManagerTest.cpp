// Tests of the category manager: loading from a real settings file, the built-in fallback,
// sorting, the "Issues" and "Icon" values, saving with the old tree's deletion, and editing.
#include "codeanalysis/IssueCategoryManager.h"
#include "codeanalysis/SettingsValues.h"

#include "ScopedRegistry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <optional>
#include <thread>
#include <utility>

namespace {

using namespace Quillmoren::Libraries::CodeAnalysis;
using namespace Quillmoren::Libraries::CodeAnalysis::Testing;
using Quillmoren::Libraries::Platform::CSettingsFile;
using Quillmoren::Libraries::Platform::CSettingsStore;

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

/// The settings-file text of one stored category.
std::string Stored(int index, const std::string& name, std::int32_t level, std::int32_t severity,
                   const std::string& more = "") {
    return CategoryKey(index, "\"DisplayName\"=\"" + name + "\"\n\"BuiltInLevel\"=dword:" +
                                  Hex(static_cast<std::uint32_t>(level)) + "\n\"Severity\"=dword:" +
                                  Hex(static_cast<std::uint32_t>(severity)) + "\n" + more);
}

std::vector<std::wstring> Names(const CIssueCategoryManager& manager) {
    std::vector<CIssueCategory> categories;
    manager.GetCategories(categories);
    std::vector<std::wstring> names;
    for (const CIssueCategory& category : categories) {
        names.push_back(category.GetDisplayName());
    }
    return names;
}

std::vector<std::int32_t> Assigned(const CIssueCategoryManager& manager, std::int32_t index) {
    std::vector<std::int32_t> numbers;
    manager.GetAssignedMessages(index, numbers);
    return numbers;
}

CSettingsStore ReadStore() {
    CSettingsStore store;
    std::wstring error;
    CSettingsFile(Quillmoren::Libraries::Platform::SettingsFilePath()).Read(store, error);
    return store;
}

std::wstring CategoryPath(int index) {
    return std::wstring(kTestPath) + L"\\" + std::to_wstring(index);
}

const std::vector<std::wstring> kBuiltInNames = {
    L"Elective Note", L"Information", L"Warning", L"Error", L"Internal Error", L"Fatal Error"};

TEST(CategoryManager, WithoutSettingsTheBuiltInCategoriesApply) {
    CScopedRegistry registry;
    for (const std::wstring& path : {std::wstring(kTestPath), std::wstring()}) {
        CIssueCategoryManager manager;
        manager.Load(nullptr, path, true);
        EXPECT_EQ(Names(manager), kBuiltInNames);
        const std::int32_t levels[] = {1, 2, 3, 4, 5, 999};
        for (std::int32_t i = 0; i < 6; ++i) {
            EXPECT_EQ(manager.GetCategory(i).GetBuiltInLevel(), levels[i]);
            EXPECT_EQ(manager.GetCategory(i).GetIndex(), i);
            EXPECT_FALSE(manager.GetCategory(i).GetModified());
        }
        EXPECT_EQ(manager.GetCategory(6).GetBuiltInLevel(), -1);
        EXPECT_EQ(manager.GetCategory(-1).GetIndex(), -1);
        EXPECT_EQ(manager.GetMessageAssignmentCount(), 0);
    }
    EXPECT_FALSE(registry.Exists()) << "loading never creates the settings file";
}

TEST(CategoryManager, TheListEndsAtTheFirstMissingNumber) {
    CScopedRegistry registry;
    registry.Write(Stored(0, "Zero", -1, 0) + Stored(2, "Two", -1, 0));
    CIssueCategoryManager manager;
    manager.Load(nullptr, kTestPath, true);
    std::vector<std::wstring> expected = {L"Zero"};
    expected.insert(expected.end(), kBuiltInNames.begin(), kBuiltInNames.end());
    EXPECT_EQ(Names(manager), expected);
}

TEST(CategoryManager, AStoredCategoryWithALevelStandsInForTheBuiltInOne) {
    CScopedRegistry registry;
    registry.Write(Stored(0, "Warnung", 3, 10));
    CIssueCategoryManager manager;
    manager.Load(nullptr, kTestPath, true);
    EXPECT_EQ(Names(manager),
              (std::vector<std::wstring>{L"Elective Note", L"Information", L"Error",
                                         L"Internal Error", L"Warnung", L"Fatal Error"}));
    const CIssueCategory warning = manager.GetCategory(4);
    EXPECT_EQ(warning.GetStoredIndex(), 0);
    EXPECT_TRUE(warning.GetModified());
    // Colours not stored default to those of the built-in Warning.
    EXPECT_EQ(warning.GetForegroundColour(), Rgb(160, 128, 0));
    EXPECT_EQ(warning.GetEffectiveForegroundColour(), Rgb(160, 128, 0));
    EXPECT_EQ(warning.GetBackgroundColour(), kSystemWindowColour);
    EXPECT_EQ(manager.GetCategoryForMessage(530).GetDisplayName(), L"Warnung");
}

TEST(CategoryManager, EqualSeveritiesKeepTheirStoredOrder) {
    CScopedRegistry registry;
    registry.Write(Stored(0, "Style", -1, 3) + Stored(1, "Warning", 3, 3));
    CIssueCategoryManager manager;
    manager.Load(nullptr, kTestPath, true);
    EXPECT_EQ(Names(manager),
              (std::vector<std::wstring>{L"Elective Note", L"Information", L"Style", L"Warning",
                                         L"Error", L"Internal Error", L"Fatal Error"}));
    EXPECT_EQ(manager.GetCategory(2).GetStoredIndex(), 0);
    EXPECT_EQ(manager.GetCategory(2).GetBuiltInLevel(), -1);
}

TEST(CategoryManager, IssuesTextAssignsThePositiveNumbers) {
    const std::string settings =
        Stored(0, "Mine", -1, 3, "\"Issues\"=\"99,\"\n") +
        Stored(1, "Warning", 3, 3, "\"Issues\"=\"12,,abc,-5, 7,537,0,+8x,\"\n");
    {
        CScopedRegistry registry;
        registry.Write(settings);
        CIssueCategoryManager manager;
        manager.Load(nullptr, kTestPath, true);
        EXPECT_EQ(Assigned(manager, 3), (std::vector<std::int32_t>{7, 8, 12, 537}));
        EXPECT_EQ(Assigned(manager, 2), (std::vector<std::int32_t>{99}));
        EXPECT_EQ(manager.GetMessageAssignmentCount(), 5);
    }
    {
        // Without user categories: no assignment, and the user's category leaves the settings.
        CScopedRegistry registry;
        registry.Write(settings);
        CIssueCategoryManager manager;
        manager.Load(nullptr, kTestPath, false);
        EXPECT_EQ(manager.GetMessageAssignmentCount(), 0);
        EXPECT_EQ(Names(manager), kBuiltInNames);
        const CSettingsStore stored = ReadStore();
        std::vector<std::wstring> keys;
        ASSERT_TRUE(stored.ListSubkeys(kTestPath, keys));
        EXPECT_EQ(keys, std::vector<std::wstring>{L"0"});
        std::wstring name;
        EXPECT_TRUE(stored.GetString(CategoryPath(0), L"DisplayName", name));
        EXPECT_EQ(name, L"Warning");
    }
}

TEST(CategoryManager, ANumberInTwoCategoriesGoesToTheLaterOne) {
    CScopedRegistry registry;
    registry.Write(Stored(0, "First", -1, 50, "\"Issues\"=\"537,\"\n") +
                   Stored(1, "Second", -1, 40, "\"Issues\"=\"537,\"\n"));
    CIssueCategoryManager manager;
    manager.Load(nullptr, kTestPath, true);
    EXPECT_EQ(manager.GetCategoryForMessage(537).GetDisplayName(), L"Second");
    EXPECT_EQ(manager.GetMessageAssignmentCount(), 1);
}

TEST(CategoryManager, AnUnknownIconFallsBackToTheIdentifierAndIsWrittenBack) {
    CScopedRegistry registry;
    registry.Write(
        Stored(0, "Known", -1, 7, "\"Icon\"=\"Bug\"\n") +
        Stored(1, "Unknown", -1, 8, "\"Icon\"=\"Nonesuch\"\n\"IconID\"=dword:00001b6f\n"));
    CIssueCategoryManager manager;
    manager.Load(nullptr, kTestPath, true);
    EXPECT_EQ(manager.GetCategory(5).GetIconID(), 7009);
    EXPECT_EQ(manager.GetCategory(6).GetIconID(), 7023);
    const CSettingsStore stored = ReadStore();
    std::wstring icon;
    EXPECT_TRUE(stored.GetString(CategoryPath(1), L"Icon", icon));
    EXPECT_EQ(icon, L"Warning");
    std::uint32_t id = 0;
    EXPECT_TRUE(stored.GetDword(CategoryPath(1), L"IconID", id)) << "the rest stays";

    // Once written back there is nothing left to write: a second load leaves the file alone.
    const std::string before = registry.Read();
    CIssueCategoryManager again;
    again.Load(nullptr, kTestPath, true);
    EXPECT_EQ(registry.Read(), before);
}

TEST(CategoryManager, TheIconWriteBackKeepsAnIconStoredSinceTheLoadRead) {
    // Two categories as an older version stored them, each with the identifier of the Warning
    // icon and no name. Another writer holds the lock while the load reads them; once the load
    // waits for the lock, that writer stores the Bug icon for the first and lets go. The load's
    // write-back must keep that icon and still name the second.
    CScopedRegistry registry;
    registry.Write(Stored(0, "Mine", -1, 7, "\"IconID\"=dword:00001b6f\n") +
                   Stored(1, "Yours", -1, 8, "\"IconID\"=dword:00001b6f\n"));
    using Quillmoren::Libraries::Platform::SetSettingsLockWait;
    std::promise<void> loadWaits;
    struct CRestore {
        ~CRestore() { SetSettingsLockWait({}); }
    } restore;
    SetSettingsLockWait({std::chrono::milliseconds(0), std::chrono::seconds(30),
                         [&loadWaits] { loadWaits.set_value(); }});

    std::promise<void> lockHeld;
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    bool otherWrote = false;
    std::thread other([&] {
        std::wstring error;
        bool first = true;
        otherWrote = CSettingsFile(Quillmoren::Libraries::Platform::SettingsFilePath())
                         .Update(
                             [&](CSettingsStore& store) {
                                 if (std::exchange(first, false))
                                     lockHeld.set_value();
                                 released.wait();
                                 return store.SetString(CategoryPath(0), L"Icon", L"Bug");
                             },
                             error);
    });
    CIssueCategoryManager manager;
    std::optional<std::thread> load;
    // Lets the other writer go and waits for both threads, however the test ends.
    struct CFinish {
        std::promise<void>& release;
        std::thread& other;
        std::optional<std::thread>& load;
        bool done = false;
        void operator()() {
            if (std::exchange(done, true))
                return;
            release.set_value();
            other.join();
            if (load)
                load->join();
        }
        ~CFinish() { (*this)(); }
    } finish{release, other, load};

    ASSERT_EQ(lockHeld.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    load.emplace([&manager] { manager.Load(nullptr, kTestPath, true); });
    ASSERT_EQ(loadWaits.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    finish();

    EXPECT_TRUE(otherWrote);
    const CSettingsStore stored = ReadStore();
    std::wstring icons[2];
    EXPECT_TRUE(stored.GetString(CategoryPath(0), L"Icon", icons[0]));
    EXPECT_TRUE(stored.GetString(CategoryPath(1), L"Icon", icons[1]));
    EXPECT_EQ(icons[0], L"Bug");
    EXPECT_EQ(icons[1], L"Warning");
}

TEST(CategoryManager, AFileThatDoesNotParseIsNeitherUsedNorTouched) {
    CScopedRegistry registry;
    const std::string body =
        Stored(0, "Unknown", -1, 8, "\"Icon\"=\"Nonesuch\"\n\"IconID\"=dword:00001b6f\n") +
        "\"Broken\"=dword:xyz\n";
    registry.Write(body);
    const std::string before = registry.Read();
    for (bool loadUserCategories : {true, false}) {
        CIssueCategoryManager manager;
        manager.Load(nullptr, kTestPath, loadUserCategories);
        EXPECT_EQ(Names(manager), kBuiltInNames);
        EXPECT_FALSE(manager.SaveToRegistry());
        EXPECT_EQ(registry.Read(), before);
    }
}

TEST(CategoryManager, SaveWritesEveryValueAndIssuesInAscendingOrder) {
    CScopedRegistry registry;
    CIssueCategoryManager manager;
    manager.Load(nullptr, kTestPath, true);
    CIssueCategory* mine = manager.AddCategory(L"Mine", L"Mine too", 1000, 7024, Rgb(1, 2, 3),
                                               kColourDefault, Rgb(4, 5, 6), L"Mine", true);
    ASSERT_NE(mine, nullptr);
    for (std::int32_t number : {537, 12, 7}) {
        EXPECT_TRUE(manager.AssignMessage(number, mine));
    }
    ASSERT_TRUE(manager.SaveToRegistry());

    const CSettingsStore stored = ReadStore();
    const std::wstring key = CategoryPath(6);
    auto text = [&](const wchar_t* name) {
        std::wstring value = L"<missing>";
        stored.GetString(key, name, value);
        return value;
    };
    auto number = [&](const wchar_t* name) {
        std::uint32_t value = 0xDEADBEEF;
        stored.GetDword(key, name, value);
        return value;
    };
    EXPECT_EQ(text(L"Issues"), L"7,12,537,");
    EXPECT_EQ(text(L"DisplayName"), L"Mine");
    EXPECT_EQ(text(L"DisplayNamePlural"), L"Mine too");
    EXPECT_EQ(text(L"Icon"), L"WarningOrange");
    EXPECT_EQ(text(L"XmlElement"), L"Mine");
    EXPECT_EQ(number(L"Severity"), 1000u);
    EXPECT_EQ(number(L"IsFatal"), 1u);
    EXPECT_EQ(number(L"BuiltInLevel"), 0xFFFFFFFFu);
    EXPECT_EQ(number(L"ForegroundColour"), Rgb(1, 2, 3));
    EXPECT_EQ(number(L"BackgroundColour"), kColourDefault);
    EXPECT_EQ(number(L"IconID"), 0xDEADBEEF) << "never written";
    std::wstring issues;
    EXPECT_TRUE(stored.GetString(CategoryPath(2), L"Issues", issues));
    EXPECT_EQ(issues, L"");

    // And it loads back as it was.
    CIssueCategoryManager loaded;
    loaded.Load(nullptr, kTestPath, true);
    EXPECT_EQ(Names(loaded), Names(manager));
    const CIssueCategory back = loaded.GetCategory(6);
    EXPECT_EQ(back.GetEffectiveForegroundColour(), Rgb(1, 2, 3));
    EXPECT_EQ(back.GetEffectiveBackgroundColour(), kSystemWindowColour);
    EXPECT_TRUE(back.GetIsFatal());
    EXPECT_EQ(Assigned(loaded, 6), (std::vector<std::int32_t>{7, 12, 537}));
}

TEST(CategoryManager, SaveReplacesTheWholeTreeAndNothingElse) {
    CScopedRegistry registry;
    registry.Write(Stored(0, "A", -1, 50) + Stored(1, "B", -1, 60) + Stored(9, "Stray", -1, 1) +
                   "[" + kTestKey + "\\1\\Below]\n\"x\"=\"y\"\n\n" +
                   "[HKEY_CURRENT_USER\\Software\\Other]\n\"Keep\"=\"me\"\n\n" +
                   "[HKEY_LOCAL_MACHINE\\Software\\Machine]\n\"Keep\"=dword:00000001\n");
    CIssueCategoryManager manager;
    manager.Load(nullptr, kTestPath, true);
    CIssueCategory* b = nullptr;
    std::vector<CIssueCategory*> held;
    manager.GetCategoryPointers(held);
    for (CIssueCategory* category : held) {
        if (category->GetDisplayName() == L"B") {
            b = category;
        }
    }
    ASSERT_TRUE(manager.DeleteCategory(b));
    ASSERT_TRUE(manager.SaveToRegistry());

    const CSettingsStore stored = ReadStore();
    std::vector<std::wstring> keys;
    ASSERT_TRUE(stored.ListSubkeys(kTestPath, keys));
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"0", L"1", L"2", L"3", L"4", L"5", L"6"}));
    EXPECT_FALSE(stored.KeyExists(CategoryPath(1) + L"\\Below"));
    std::wstring keep;
    EXPECT_TRUE(stored.GetString(L"Software\\Other", L"Keep", keep));
    EXPECT_NE(
        registry.Read().find("[HKEY_LOCAL_MACHINE\\Software\\Machine]\n\"Keep\"=dword:00000001"),
        std::string::npos);
}

TEST(CategoryManager, AWindowsExportInUtf16LoadsLikeItsUtf8Twin) {
    const std::filesystem::path data = std::filesystem::path(LINTWRAP_TEST_DATA) / "codeanalysis";
    std::vector<std::vector<std::wstring>> loaded;
    for (const char* name : {"categories-utf16.reg", "categories-utf8.reg"}) {
        CScopedRegistry registry;
        std::filesystem::copy_file(data / name, registry.File());
        CIssueCategoryManager manager;
        manager.Load(nullptr, kCategoriesRegistryPath, true);
        std::vector<CIssueCategory> categories;
        manager.GetCategories(categories);
        std::vector<std::wstring> rows;
        for (const CIssueCategory& c : categories) {
            std::wstring row = c.GetDisplayName() + L"|" + c.GetDisplayNamePlural() + L"|" +
                               std::to_wstring(c.GetBuiltInLevel()) + L"|" +
                               std::to_wstring(c.GetIconID()) + L"|" +
                               std::to_wstring(c.GetEffectiveChartColour()) + L"|";
            for (std::int32_t n : Assigned(manager, c.GetIndex())) {
                row += std::to_wstring(n) + L",";
            }
            rows.push_back(row);
        }
        loaded.push_back(rows);
    }
    EXPECT_EQ(loaded[0], loaded[1]);
    ASSERT_EQ(loaded[0].size(), 7u);
    EXPECT_EQ(loaded[0][2], L"Portabilité|Portabilités — ≠ ✓|-1|7024|" +
                                std::to_wstring(Rgb(255, 128, 0)) + L"|537,1746,");
}

TEST(CategoryManager, LoadingTwiceStartsAfresh) {
    CScopedRegistry registry;
    registry.Write(Stored(0, "Mine", -1, 3, "\"Issues\"=\"5,\"\n"));
    CIssueCategoryManager manager;
    manager.Load(nullptr, kTestPath, true);
    manager.Load(nullptr, kTestPath, true);
    EXPECT_EQ(manager.GetCategoryCount(), 7);
    EXPECT_EQ(manager.GetMessageAssignmentCount(), 1);
    std::vector<std::int32_t> icons;
    EXPECT_EQ(manager.GetIconIds(icons), 11);
}

/// The built-in categories and one user category, loaded without settings, to edit.
class CategoryEditing : public ::testing::Test {
protected:
    void SetUp() override {
        m_manager.Load(nullptr, L"", true);
        m_user = m_manager.AddCategory(L"User", L"Users", 100, 0, kColourDefault, kColourDefault,
                                       kColourDefault, L"UserElement", false);
        m_manager.GetCategoryPointers(m_held);
    }
    CScopedRegistry m_registry;
    CIssueCategoryManager m_manager;
    CIssueCategory* m_user = nullptr;
    std::vector<CIssueCategory*> m_held;
};

TEST_F(CategoryEditing, AddAndInsert) {
    EXPECT_EQ(m_user->GetIndex(), 6);
    EXPECT_EQ(m_user->GetBuiltInLevel(), -1);
    EXPECT_EQ(m_manager.InsertCategory(8, L"x", L"", 1, 0, 0, 0, 0, L"", false), nullptr);
    EXPECT_EQ(m_manager.InsertCategory(-1, L"x", L"", 1, 0, 0, 0, 0, L"", false), nullptr);
    CIssueCategory* last = m_manager.InsertCategory(7, L"Last", L"", 1, 0, 0, 0, 0, L"", false);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(m_manager.GetCategory(7).GetDisplayName(), L"Last");
    CIssueCategory* first = m_manager.InsertCategory(0, L"First", L"", 1, 0, 0, 0, 0, L"", false);
    ASSERT_NE(first, nullptr);
    for (std::int32_t i = 0; i < m_manager.GetCategoryCount(); ++i) {
        EXPECT_EQ(m_manager.GetCategory(i).GetIndex(), i);
        EXPECT_EQ(m_manager.GetCategory(i).GetStoredIndex(), i);
    }
    EXPECT_EQ(m_user->GetIndex(), 7);
    // The level map still points at the same categories.
    EXPECT_EQ(m_manager.GetCategoryForMessage(0).GetDisplayName(), L"Internal Error");
}

TEST_F(CategoryEditing, DeleteOnlyUserCategoriesThisManagerHolds) {
    EXPECT_FALSE(m_manager.DeleteCategory(nullptr));
    EXPECT_FALSE(m_manager.DeleteCategory(m_held[2])) << "built-in";
    EXPECT_EQ(m_manager.GetCategoryCount(), 7);
    CIssueCategory copy = *m_user;
    EXPECT_FALSE(m_manager.DeleteCategory(&copy)) << "not held";
    EXPECT_FALSE(m_manager.AssignMessage(5, &copy));

    CIssueCategory* before =
        m_manager.InsertCategory(6, L"Before", L"", 99, 0, 0, 0, 0, L"", false);
    EXPECT_TRUE(m_manager.AssignMessage(530, m_user));
    EXPECT_TRUE(m_manager.AssignMessage(531, before));
    EXPECT_TRUE(m_manager.DeleteCategory(before));
    EXPECT_EQ(m_user->GetIndex(), 6);
    EXPECT_EQ(m_user->GetStoredIndex(), 6);
    EXPECT_EQ(m_manager.GetMessageAssignmentCount(), 1);
    EXPECT_EQ(m_manager.GetCategoryForMessage(531).GetDisplayName(), L"Warning");
    EXPECT_EQ(m_manager.GetCategoryForMessage(530).GetDisplayName(), L"User");
}

TEST_F(CategoryEditing, MoveChangesOnlyTheIndex) {
    EXPECT_FALSE(m_manager.MoveCategoryUp(m_held[0]));
    EXPECT_FALSE(m_manager.MoveCategoryDown(m_user));
    EXPECT_TRUE(m_manager.MoveCategoryUp(m_user));
    EXPECT_EQ(m_user->GetIndex(), 5);
    EXPECT_EQ(m_user->GetStoredIndex(), 6);
    EXPECT_FALSE(m_user->GetModified());
    EXPECT_EQ(m_manager.GetCategory(6).GetDisplayName(), L"Fatal Error");
    EXPECT_EQ(m_manager.GetCategory(6).GetIndex(), 6);
    EXPECT_TRUE(m_manager.MoveCategoryDown(m_user));
    EXPECT_EQ(m_manager.GetCategory(6).GetDisplayName(), L"User");
}

TEST_F(CategoryEditing, AssignmentsAndLookups) {
    EXPECT_TRUE(m_manager.AssignMessage(301, 6));
    EXPECT_FALSE(m_manager.AssignMessage(302, 7));
    EXPECT_FALSE(m_manager.UnassignMessage(301, m_held[0])) << "assigned elsewhere";
    EXPECT_FALSE(m_manager.UnassignMessage(999, m_user));
    EXPECT_TRUE(m_manager.IsMessageAssigned(301));
    EXPECT_TRUE(m_manager.UnassignMessage(301, 6));
    EXPECT_EQ(m_manager.GetMessageAssignmentCount(), 0);

    EXPECT_EQ(m_manager.GetCategoryByXmlElement(L"userELEMENT").GetIndex(), 6);
    EXPECT_EQ(m_manager.GetCategoryByXmlElement(L"none").GetIndex(), -1);

    CIssueCategory changed = m_manager.GetCategory(6);
    changed.SetForegroundColour(Rgb(7, 7, 7));
    EXPECT_TRUE(m_manager.UpdateCategory(changed));
    EXPECT_EQ(m_user->GetEffectiveForegroundColour(), Rgb(7, 7, 7));
    EXPECT_FALSE(m_manager.UpdateCategory(CIssueCategory()));
}

TEST_F(CategoryEditing, ClearKeepsIconsAndTheFlag) {
    m_manager.SetUserFlag(true);
    m_manager.SetIconTag(7022, 3);
    m_manager.Clear();
    EXPECT_FALSE(m_manager.HasCategories());
    EXPECT_EQ(m_manager.GetCategoryForMessage(530).GetIndex(), -1);
    EXPECT_TRUE(m_manager.GetUserFlag());
    EXPECT_EQ(m_manager.GetIconTag(7022), 3);
    EXPECT_EQ(m_manager.GetIconName(7022), L"Note");
    EXPECT_FALSE(m_manager.SaveToRegistry()) << "no path was given";
}

TEST(RegistryFunctions, ReadDefaultsAndWritesOnlyWhatChanged) {
    CSettingsStore store;
    store.SetString(L"K", L"Text", L"abc");
    store.SetDword(L"K", L"Number", 7);
    store.SetValue(
        L"K", L"Expand",
        Quillmoren::Libraries::Platform::CSettingsValue::FromBytes(
            Quillmoren::Libraries::Platform::kRegExpandSz, std::string("x\0y\0\0\0", 6)));
    EXPECT_EQ(ReadRegistryString(store, L"K", L"Text", L"d"), L"abc");
    EXPECT_EQ(ReadRegistryString(store, L"K", L"Expand", L"d"), L"xy");
    EXPECT_EQ(ReadRegistryString(store, L"K", L"Number", L"d"), L"d");
    EXPECT_EQ(ReadRegistryString(store, L"Missing", L"Text", L"d"), L"d");
    EXPECT_EQ(ReadRegistryDword(store, L"K", L"Number", 1), 7u);
    EXPECT_EQ(ReadRegistryDword(store, L"K", L"Text", 1), 1u);

    store.ClearModified();
    EXPECT_TRUE(WriteRegistryString(store, L"K", L"Text", L"abc"));
    EXPECT_TRUE(WriteRegistryDword(store, L"K", L"Number", 7));
    EXPECT_FALSE(store.IsModified());
    EXPECT_TRUE(WriteRegistryString(store, L"K", L"Text", L"ABC")) << "case counts";
    EXPECT_TRUE(store.IsModified());
    // A value of another type always counts as different, even for the complement.
    EXPECT_TRUE(WriteRegistryDword(store, L"K", L"Text", ~0u));
    EXPECT_EQ(ReadRegistryDword(store, L"K", L"Text", 0), ~0u);
    EXPECT_TRUE(WriteRegistryString(store, L"New\\Key", L"v", L""));
    EXPECT_EQ(ReadRegistryString(store, L"New\\Key", L"v", L"d"), L"");
}

} // namespace
