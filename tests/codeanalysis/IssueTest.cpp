// Issues, owning arrays (also as a reader fills them) and the statistics record.
#include "codeanalysis/Issue.h"
#include "codeanalysis/AnalysisResultsReader.h"
#include "codeanalysis/IssueCategoryManager.h"

#include <gtest/gtest.h>

using namespace Quillmoren::Libraries::CodeAnalysis;

TEST(IssueStatistics, CountsPerCategoryAndMessage) {
    CIssueStatistics statistics;
    EXPECT_EQ(statistics.HighestCategory, -1);
    EXPECT_EQ(statistics.LastIssueTime, 0);
    statistics.RecordIssue(529, 2, false);
    statistics.RecordIssue(529, 0, false);
    statistics.RecordIssue(530, 2, true);
    statistics.RecordIssue(1, -1, false);
    EXPECT_EQ(statistics.IssueCount, 4);
    EXPECT_EQ(statistics.HighestCategory, 2);
    EXPECT_TRUE(statistics.FatalSeen);
    EXPECT_NE(statistics.LastIssueTime, 0);
    EXPECT_EQ(statistics.CategoryCounts,
              (std::map<std::int32_t, std::int32_t>{{-1, 1}, {0, 1}, {2, 2}}));
    const CMessageTally tally = statistics.MessageCounts.at(529);
    EXPECT_EQ(tally.Number, 529);
    EXPECT_EQ(tally.Count, 2);
    EXPECT_EQ(tally.Category, 0); // the latest issue's category
    statistics.RecordIssue(2, 1, false);
    EXPECT_TRUE(statistics.FatalSeen); // never cleared by a later issue
    statistics.Reset();
    EXPECT_EQ(statistics.IssueCount, 0);
    EXPECT_EQ(statistics.HighestCategory, -1);
    EXPECT_FALSE(statistics.FatalSeen);
    EXPECT_TRUE(statistics.CategoryCounts.empty());
    EXPECT_TRUE(statistics.MessageCounts.empty());
}

namespace {

struct Counted : CIssue {
    Counted(int& deleted) : CIssue(1, 2, L"t", 0, L"f", 3), m_deleted(deleted) {}
    ~Counted() override { ++m_deleted; }
    int& m_deleted;
};

} // namespace

TEST(IssueArray, DeletesOnlyWhatItOwnsAndSkipsNulls) {
    int deleted = 0;
    Counted kept(deleted);
    {
        CIssueArray array;
        array.Add(&kept);
        array.RemoveAll(); // not owned: the element lives on
        EXPECT_EQ(array.GetCount(), 0u);
    }
    EXPECT_EQ(deleted, 0);
    {
        CIssueArray array;
        array.SetOwnsElements(true);
        array.Add(new Counted(deleted));
        array.Add(nullptr);
        array.Add(new Counted(deleted));
        EXPECT_EQ(array.GetAt(1), nullptr);
        EXPECT_EQ(array.GetAt(7), nullptr);
    }
    EXPECT_EQ(deleted, 2);
}

// The copies that a reader hands out belong to the array that receives them, however it was
// made: a default array must not leak them (the sanitizer build checks for leaks).
TEST(IssueArray, AnArrayFilledByAReaderOwnsItsCopies) {
    CIssueCategoryManager manager;
    manager.Load(nullptr, L"", true);
    CAnalysisResultsReader reader(&manager, ToolKind::PcLint);
    reader.Read(L"a.c(1): Warning 534: x\nb.c(2): Error 10: y\n", true);
    CIssueArray issues;
    EXPECT_EQ(reader.GetIssues(issues), 2u);
    EXPECT_TRUE(issues.GetOwnsElements());
    EXPECT_EQ(issues[1]->GetNumber(), 10);
}

TEST(Issue, CopiesAreIndependent) {
    CIssue issue(1, 40, L"Undeclared identifier", 3, L"test.c", 12);
    CIssue copy = issue;
    issue = CIssue(2, 1, L"x", 0, L"", 0);
    const CIssue& self = copy;
    copy = self;
    EXPECT_EQ(copy.GetId(), 1);
    EXPECT_EQ(copy.GetNumber(), 40);
    EXPECT_EQ(copy.GetText(), L"Undeclared identifier");
    EXPECT_EQ(copy.GetCategory(), 3);
    EXPECT_EQ(copy.GetFile(), L"test.c");
    EXPECT_EQ(copy.GetLine(), 12);
}
