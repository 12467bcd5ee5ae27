// Reads one results file through the results front, as lintwrap and ombrascope do, and prints
// the number of issues: the program that the XML read benchmark times.
#include "codeanalysis/AnalysisResultsReader.h"
#include "codeanalysis/IssueCategoryManager.h"
#include "platform/Encoding.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace Quillmoren::Libraries::CodeAnalysis;
    if (argc != 2) {
        std::fprintf(stderr, "usage: read_results FILE\n");
        return 2;
    }
    Quillmoren::Libraries::Platform::InitialiseLocale();
    CIssueCategoryManager manager;
    manager.Load(nullptr, L"", true);
    CAnalysisResultsReader reader(&manager, ToolKind::PcLint);
    const bool read = reader.ReadFile(Quillmoren::Libraries::Platform::DecodeAnsi(argv[1]), true);
    std::printf("%zu issues%s\n", reader.GetIssueCount(), read ? "" : " (read failed)");
    return read ? 0 : 1;
}
