// Fuzzes the FxCop report reader: any report file reads into issues without a crash or a hang,
// and the issues stored are the issues counted.
#include "codeanalysis/AnalysisResultsReader.h"
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

using namespace Quillmoren::Libraries::CodeAnalysis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CIssueCategoryManager* manager = [] {
        auto* loaded = new CIssueCategoryManager;
        loaded->Load(nullptr, L"", true);
        return loaded;
    }();
    // The reader reads files only; one file per fuzzing process.
    static const CScratchFile scratch{"/tmp/fxcop-fuzz-" + std::to_string(getpid()) + ".xml"};
    const std::string& path = scratch.path;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CAnalysisResultsReader reader(manager, ToolKind::FxCop);
    reader.ReadFile(std::wstring(path.begin(), path.end()), size % 2 == 0);
    const CIssueStatistics statistics = reader.GetStatistics();
    if (statistics.IssueCount != static_cast<std::int32_t>(reader.GetIssueCount()))
        std::abort();
    return 0;
}
