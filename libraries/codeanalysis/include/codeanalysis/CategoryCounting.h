// How many warning and error categories received issues: what a run's verdict is made of.
#pragma once

#include <utility>

namespace Quillmoren::Libraries::CodeAnalysis {

class CIssueCategoryManager;
struct CIssueStatistics;

/// The number of warning categories and of error categories (Error, Internal Error, Fatal
/// Error) that received issues in `statistics`, read with the manager's categories. A category
/// counts once, however many issues it received.
std::pair<int, int> CountCategoriesWithIssues(const CIssueCategoryManager& manager,
                                              const CIssueStatistics& statistics);

} // namespace Quillmoren::Libraries::CodeAnalysis
