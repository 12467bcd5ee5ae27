// Runs the ombrascope binary for a test: its output, errors and exit status.
#pragma once

#include "ScopedRegistry.h"

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace Quillmoren::Libraries::CodeAnalysis::Testing {

struct CRun {
    int status = -1;
    std::string out;
    std::string err;
};

/// Runs ombrascope with `arguments` (shell words) in a UTF-8 locale. `before` (shell text, such as
/// "printf x |" or "ulimit -v 1000;") comes first on the command line.
inline CRun Ombrascope(const CScopedRegistry& registry, const std::string& arguments,
                       const std::string& before = "") {
    const std::string errors = registry.File() + ".stderr";
    const std::string command =
        before + " LC_ALL=C.UTF-8 '" OMBRASCOPE_PATH "' " + arguments + " 2>'" + errors + "'";
    CRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, count);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    FILE* err = std::fopen(errors.c_str(), "rb");
    if (err != nullptr) {
        while ((count = std::fread(buffer, 1, sizeof buffer, err)) > 0) {
            run.err.append(buffer, count);
        }
        std::fclose(err);
    }
    return run;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace Quillmoren::Libraries::CodeAnalysis::Testing
