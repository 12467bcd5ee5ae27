// Tests of message classification: the tool's number blocks at every boundary, and assignments.
#include "codeanalysis/IssueCategoryManager.h"

#include "ScopedRegistry.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace Quillmoren::Libraries::CodeAnalysis;
using Quillmoren::Libraries::CodeAnalysis::Testing::CScopedRegistry;

TEST(Classification, EveryBlockBoundary) {
    struct CCase {
        std::int32_t level;
        const wchar_t* category;
        std::vector<std::int32_t> numbers;
    };
    const CCase cases[] = {
        {5, L"Internal Error", {0, 200, 299, 1200, 1299}},
        {4,
         L"Error",
         {1, 199, 1000, 1001, 1199, 1300, 1399, 2000, 8999, 10000, -1, INT_MIN, INT_MAX}},
        {999, L"Fatal Error", {300, 399}},
        {3, L"Warning", {400, 699, 1400, 1699}},
        {2, L"Information", {700, 899, 1700, 1899}},
        {1, L"Elective Note", {900, 999, 1900, 1999, 9000, 9029, 9999}},
    };
    CScopedRegistry registry;
    CIssueCategoryManager manager;
    manager.Load(nullptr, L"", true);
    for (const CCase& c : cases) {
        for (std::int32_t number : c.numbers) {
            EXPECT_EQ(ClassifyMessageNumber(number), c.level) << number;
            const CIssueCategory category = manager.GetCategoryForMessage(number);
            EXPECT_EQ(category.GetDisplayName(), c.category) << number;
            EXPECT_EQ(category.GetBuiltInLevel(), c.level) << number;
        }
    }
}

TEST(Classification, AnAssignmentWinsOverTheBlock) {
    CScopedRegistry registry;
    CIssueCategoryManager manager;
    manager.Load(nullptr, L"", true);
    CIssueCategory* mine = manager.AddCategory(L"Mine", L"Mine", 1000, 0, kColourDefault,
                                               kColourDefault, kColourDefault, L"", false);
    ASSERT_TRUE(manager.AssignMessage(310, mine));
    EXPECT_EQ(manager.GetCategoryForMessage(310).GetDisplayName(), L"Mine");
    EXPECT_EQ(manager.GetCategoryForMessage(311).GetDisplayName(), L"Fatal Error");
    ASSERT_TRUE(manager.AssignMessage(9029, mine));
    EXPECT_EQ(manager.GetCategoryForMessage(9029).GetDisplayName(), L"Mine");
    // The copy handed out is the manager's category as it is now, not a reference to it.
    CIssueCategory copy = manager.GetCategoryForMessage(310);
    copy.SetIndex(42);
    EXPECT_EQ(manager.GetCategoryForMessage(310).GetIndex(), 6);
}

TEST(Classification, WithoutCategoriesThereIsNone) {
    CIssueCategoryManager manager;
    const CIssueCategory category = manager.GetCategoryForMessage(530);
    EXPECT_EQ(category.GetIndex(), -1);
    EXPECT_EQ(category.GetBuiltInLevel(), -1);
}

} // namespace
