// Fuzzes the category list import: any file imports without a crash or a hang, and afterwards
// every category sits at its own index and every assignment points at a held category.
#include "codeanalysis/IssueCategoryManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

/// The scratch file of this fuzzing process, removed when it exits.
struct CScratchFile {
    std::string path;
    ~CScratchFile() { unlink(path.c_str()); }
};

} // namespace
#include <vector>

using namespace Quillmoren::Libraries::CodeAnalysis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CScratchFile scratch{"/tmp/category-import-fuzz-" + std::to_string(getpid()) +
                                      ".xml"};
    const std::string& path = scratch.path;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    // No settings path: the import is never saved.
    CIssueCategoryManager manager;
    manager.Load(nullptr, L"", true);
    manager.AssignMessage(534, 3);
    manager.ImportFromXml(std::wstring(path.begin(), path.end()));
    std::vector<CIssueCategory*> held;
    manager.GetCategoryPointers(held);
    for (std::size_t i = 0; i < held.size(); ++i)
        if (held[i]->GetIndex() != static_cast<std::int32_t>(i))
            std::abort();
    for (std::int32_t number : {1, 534, 1801})
        if (const CIssueCategory category = manager.GetCategoryForMessage(number);
            category.GetIndex() >= manager.GetCategoryCount())
            std::abort();
    return 0;
}
