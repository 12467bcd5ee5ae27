// Fuzzes the PC-lint XML reader through the results front: any document reads into issues
// without a crash or a hang, and every stored issue has a valid category index.
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
    // Always XML to the front: the declaration is what switches it to the XML reader.
    std::wstring text =
        L"<?xml version=\"1.0\"?>" + Quillmoren::Libraries::Platform::DecodeUtf8(bytes);
    CAnalysisResultsReader reader(manager, ToolKind::PcLint);
    reader.Read(std::move(text), size % 2 == 0);
    if (reader.GetStatistics().HighestCategory >= manager->GetCategoryCount())
        std::abort();
    return 0;
}
