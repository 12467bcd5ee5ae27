// Counting the categories that received issues, by level.
#include "codeanalysis/CategoryCounting.h"

#include "codeanalysis/Issue.h"
#include "codeanalysis/IssueCategory.h"
#include "codeanalysis/IssueCategoryManager.h"

namespace Quillmoren::Libraries::CodeAnalysis {

std::pair<int, int> CountCategoriesWithIssues(const CIssueCategoryManager& manager,
                                              const CIssueStatistics& statistics) {
    // A category without a level of its own (a user's category) takes the level of the nearest
    // category before it: the list is sorted by severity, so that is the built-in class it was
    // sorted next to.
    int warnings = 0;
    int errors = 0;
    std::int32_t level = kLevelUserDefined;
    for (std::int32_t index = 0; index <= statistics.HighestCategory; ++index) {
        const std::int32_t own = manager.GetCategory(index).GetBuiltInLevel();
        if (own > kLevelNone)
            level = own;
        const auto counted = statistics.CategoryCounts.find(index);
        if (counted == statistics.CategoryCounts.end() || counted->second == 0 ||
            level <= kLevelNone)
            continue;
        if (level == kLevelWarning)
            ++warnings;
        else if (level == kLevelError || level == kLevelInternalError || level == kLevelFatalError)
            ++errors;
    }
    return {warnings, errors};
}

} // namespace Quillmoren::Libraries::CodeAnalysis
