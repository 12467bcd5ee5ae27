// Helpers shared by the test suites: a temporary folder of the test's own, and running a program
// to its end with its output captured.
#pragma once

#include "platform/CommandLine.h"
#include "platform/Encoding.h"
#include "platform/Process.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

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
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

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

    /// The whole content of any file.
    static std::string Read(const std::filesystem::path& path) {
        std::ifstream in{std::filesystem::path(path), std::ios::binary};
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path m_path;
};

/// The id of a process that has ended: a child that exits at once, reaped. No process has it
/// until the system hands it out again, which a test's few milliseconds do not reach.
inline pid_t DeadProcessId() {
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

/// What a finished program wrote (standard output and error together) and its exit status.
struct CRunResult {
    std::string output;
    std::int32_t status = -1;
    bool started = false;
};

/// A program started by a test that runs while the test goes on: several can run at once, and
/// the test can signal one by its process id. `Pump` collects what it writes (standard output
/// and error together); a program that is still running when the object goes is killed.
class CRunningProgram {
public:
    /// Starts `arguments` in `folder` (empty: the current one); false when it cannot start.
    bool Start(const std::vector<std::wstring>& arguments, const std::wstring& folder = L"") {
        namespace Platform = Quillmoren::Libraries::Platform;
        int error = 0;
        int stage = 0;
        return m_child.CreatePipe(error, stage) &&
               m_child.Start(Platform::BuildCommandLine(arguments), folder, error);
    }

    /// Takes what the program has written so far; true once it has ended and all its output
    /// has been taken.
    bool Pump() {
        char buffer[65536];
        long n;
        while ((n = m_child.Read(buffer, sizeof buffer)) > 0)
            m_output.append(buffer, static_cast<std::size_t>(n));
        return m_child.PipeEnded() && m_child.TryReap();
    }

    /// Pumps until `done` holds, waiting for output or the end in between, for at most
    /// `timeout`; false when the time ran out.
    template <typename Done> bool PumpUntil(Done done, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            const bool ended = Pump();
            if (done())
                return true;
            if (ended || std::chrono::steady_clock::now() >= deadline)
                return false;
            m_child.Wait(10, nullptr);
        }
    }

    /// Pumps until the program has ended, for at most `timeout`; false when it is still running.
    bool Finish(std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
        return PumpUntil([this] { return m_child.HasEnded() && m_child.PipeEnded(); }, timeout);
    }

    const std::string& Output() const { return m_output; }
    /// The exit status once ended (0x80000000 + N for a program killed by signal N).
    std::int32_t Status() const { return m_child.ExitCode(); }
    int ProcessId() const { return m_child.ProcessId(); }
    Quillmoren::Libraries::Platform::CChildProcess& Child() { return m_child; }

private:
    Quillmoren::Libraries::Platform::CChildProcess m_child;
    std::string m_output;
};

/// Runs `arguments` in `folder` (empty: the current one) to its end.
inline CRunResult RunProgram(const std::vector<std::wstring>& arguments,
                             const std::wstring& folder = L"") {
    CRunResult result;
    CRunningProgram program;
    if (!program.Start(arguments, folder))
        return result;
    result.started = true;
    program.Finish(std::chrono::hours(24));
    result.output = program.Output();
    result.status = program.Status();
    return result;
}

/// Sets an environment variable for the rest of the test process.
inline void SetEnvironment(const char* name, const std::string& value) {
    setenv(name, value.c_str(), 1);
}

} // namespace Testing
