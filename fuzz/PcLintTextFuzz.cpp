// Fuzzes the PC-lint text reader through the results front: any output reads into issues
// without a crash or a hang, and every issue it stores has a valid category index.
#include "codeanalysis/AnalysisResultsReader.h"
#include "codeanalysis/IssueCategoryManager.h"
#include "platform/Encoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Quillmoren::Libraries::CodeAnalysis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CIssueCategoryManager* manager = [] {
        auto* loaded = new CIssueCategoryManager;
        loaded->Load(nullptr, L"", true);
        return loaded;
    }();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::wstring text = Quillmoren::Libraries::Platform::DecodeUtf8(bytes);
    if (text.find(L"<?xml") != std::wstring::npos)
        return 0; // that is the XML reader's input
    CAnalysisResultsReader reader(manager, ToolKind::PcLint);
    reader.Read(std::move(text), size % 2 == 0);
    const CIssueStatistics statistics = reader.GetStatistics();
    if (statistics.IssueCount != static_cast<std::int32_t>(reader.GetIssueCount()) && size % 2 == 1)
        std::abort();
    if (statistics.HighestCategory >= manager->GetCategoryCount())
        std::abort();
    return 0;
}
