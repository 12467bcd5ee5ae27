// Counting the categories that received issues, by level.
#include "codeanalysis/AnalysisResultsReader.h"
#include "codeanalysis/IssueCategoryManager.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "wrapper/Wrapper.h"

using namespace Quillmoren::Libraries::CodeAnalysis;
namespace Platform = Quillmoren::Libraries::Platform;

std::pair<int, int> CountIssues(std::wstring output) {
    CIssueCategoryManager manager;
    // Settings that cannot be used must not change a build's verdict unseen: the run is judged
    // with the built-in categories, and the user is told why.
    if (const std::wstring problem = LoadUserCategories(manager); !problem.empty())
        Platform::WriteStandardError(Platform::EncodeAnsi(L"lintwrap: " + problem + L"\n"));
    CIssueStatistics statistics;
    {
        CAnalysisResultsReader reader(&manager, ToolKind::PcLint);
        reader.Read(std::move(output), true);
        statistics = reader.GetStatistics();
    }
    return CountCategoriesWithIssues(manager, statistics);
}

std::pair<int, int> CountCategoriesWithIssues(const CIssueCategoryManager& manager,
                                              const CIssueStatistics& statistics) {
    // A category counts once, however many issues it received. One without a level of its own
    // (a user's category) takes the level of the nearest category before it: the list is sorted
    // by severity, so that is the built-in class it was sorted next to.
    int warnings = 0;
    int errors = 0;
    std::int32_t level = -1;
    for (std::int32_t index = 0; index <= statistics.HighestCategory; ++index) {
        const std::int32_t own = manager.GetCategory(index).GetBuiltInLevel();
        if (own > 0)
            level = own;
        const auto counted = statistics.CategoryCounts.find(index);
        if (counted == statistics.CategoryCounts.end() || counted->second == 0 || level <= 0)
            continue;
        if (level == 3)
            ++warnings;
        else if (level == 4 || level == 5 || level == 999)
            ++errors;
    }
    return {warnings, errors};
}
