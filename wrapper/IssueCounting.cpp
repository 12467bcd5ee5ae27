// The issue counting of a run: the tool's output read with the user's categories.
#include "codeanalysis/AnalysisResultsReader.h"
#include "codeanalysis/CategoryCounting.h"
#include "codeanalysis/IssueCategoryManager.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "wrapper/Wrapper.h"

using namespace Quillmoren::Libraries::CodeAnalysis;
namespace Platform = Quillmoren::Libraries::Platform;

namespace Quillmoren::Lintwrap {

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

} // namespace Quillmoren::Lintwrap
