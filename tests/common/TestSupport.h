// Helpers shared by the test suites: a temporary folder of the test's own, and running a program
// to its end with its output captured.
#pragma once

#include "platform/CommandLine.h"
#include "platform/Encoding.h"
#include "platform/Process.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace Testing {

/// A uniquely named folder under the system's temporary folder (never the home folder), removed
/// with everything in it when the test ends.
class CTestFolder {
public:
    CTestFolder() {
        std::random_device seed;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = base / ("lintwrap-test-" + std::to_string(seed()));
            if (std::filesystem::create_directory(m_path))
                break;
        }
    }
    ~CTestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CTestFolder(const CTestFolder&) = delete;
    CTestFolder& operator=(const CTestFolder&) = delete;

    const std::filesystem::path& Native() const { return m_path; }
    /// The folder, with a trailing '/'.
    std::wstring Path() const { return m_path.wstring() + L"/"; }
    /// The path of `name` in the folder.
    std::wstring File(std::wstring_view name) const { return Path() + std::wstring(name); }

    /// Writes `bytes` as the whole of the file `name` and returns its path.
    std::wstring Write(std::wstring_view name, std::string_view bytes) const {
        const std::filesystem::path path = m_path / std::filesystem::path(std::wstring(name));
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.wstring();
    }

    /// Writes an executable shell script and returns its path.
    std::wstring Script(std::wstring_view name, std::string_view body) const {
        const std::wstring path = Write(name, "#!/bin/sh\n" + std::string(body) + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    static std::string Read(const std::wstring& path) {
        std::ifstream in{std::filesystem::path(path), std::ios::binary};
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path m_path;
};

/// What a finished program wrote (standard output and error together) and its exit status.
struct CRunResult {
    std::string output;
    std::int32_t status = -1;
    bool started = false;
};

/// Runs `arguments` in `folder` (empty: the current one) to its end.
inline CRunResult RunProgram(const std::vector<std::wstring>& arguments,
                             const std::wstring& folder = L"") {
    namespace Platform = Quillmoren::Libraries::Platform;
    CRunResult result;
    Platform::CChildProcess child;
    int error = 0;
    int stage = 0;
    if (!child.CreatePipe(error, stage) ||
        !child.Start(Platform::BuildCommandLine(arguments), folder, error))
        return result;
    result.started = true;
    char buffer[65536];
    while (true) {
        long n;
        while ((n = child.Read(buffer, sizeof buffer)) > 0)
            result.output.append(buffer, static_cast<std::size_t>(n));
        if (child.PipeEnded() && child.TryReap())
            break;
        child.Wait(100, nullptr);
    }
    result.status = child.ExitCode();
    return result;
}

/// Sets an environment variable for the rest of the test process.
inline void SetEnvironment(const char* name, const std::string& value) {
    setenv(name, value.c_str(), 1);
}

} // namespace Testing
