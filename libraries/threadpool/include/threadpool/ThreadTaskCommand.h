// The task that runs one command line as a child process and captures what it writes.
#pragma once

#include "threadpool/ThreadTask.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Quillmoren::Libraries::Platform {
class CChildProcess;
class COutputFile;
} // namespace Quillmoren::Libraries::Platform

namespace Quillmoren::Libraries::ThreadPool {

/// Runs a command line as a child process whose standard output and standard error share one
/// pipe. `Run` reads the pipe in passes until the child ends (or the stop event is set): each
/// pass that read something keeps the bytes, decodes them from the locale's character set and
/// calls `NotifyOutput` once. Optionally copies the raw bytes to an output file, which appears
/// whole under its name only when the child has ended. Memory that runs out while the output is
/// kept does not end the run: the task stops keeping (and drops what it kept), goes on reading
/// and notifying to the child's end, and says so through `IsOutputComplete`.
class CThreadTaskCommand : public CThreadTaskBase {
public:
    /// Bytes asked for by one read, and the most that one pass takes from the pipe before it
    /// hands its block on (so that a fast writer cannot make a block unboundedly large).
    static constexpr std::size_t kReadSize = 16384;
    static constexpr std::size_t kPassLimit = 64 * kReadSize;
    /// The longest a pass waits for output, the child's end or the stop event.
    static constexpr int kPollIntervalMs = 500;

    CThreadTaskCommand(CThreadTaskNotifyTarget* notifyTarget, std::wstring command,
                       std::wstring workingFolder, std::wstring outputFile);
    ~CThreadTaskCommand() override;

    void Run() override;

    /// Text read in the latest pass that read something.
    std::wstring GetLatestOutput() const { return m_latestOutput; }
    /// The bytes of that pass exactly as the child wrote them; what an echo writes.
    std::string_view GetLatestOutputBytes() const { return m_latestBytes; }
    /// All text of the current run, followed by the failure report when there is one. May throw
    /// `std::bad_alloc`: the text takes four bytes a character.
    std::wstring GetOutput() const;
    /// All bytes of the current run as the child wrote them (without the failure report).
    std::string GetOutputBytes() const;
    /// False when memory ran out while the run's output was kept: then `GetOutput` and
    /// `GetOutputBytes` hold none of it, and a judgement of the output cannot be made.
    bool IsOutputComplete() const { return m_outputComplete; }
    /// The number of bytes the child wrote in the current run, kept or not.
    std::size_t GetOutputSize() const { return m_outputSize; }
    /// The report appended to the output for a child that failed (negative exit code), or empty.
    const std::wstring& GetFailureReport() const { return m_failureReport; }
    std::wstring GetErrorText() const { return m_errorText; }
    /// The child's exit code; -1 until a run has ended with a known one. A child killed by
    /// signal N has 0x80000000 + N, which is negative.
    std::int32_t GetExitCode() const { return m_exitCode; }

protected:
    virtual std::int32_t Execute(const std::wstring& command, const std::wstring& workingFolder,
                                 const std::wstring& outputFile);

private:
    bool ReadOutput(Platform::COutputFile& file, Platform::CChildProcess& process);
    void AppendFailureReport(std::int32_t exitCode, Platform::COutputFile& file);
    void KeepOutput(std::string_view bytes);
    /// Stops keeping the output and gives back the memory it held.
    void DropOutput();

    Platform::CChildProcess* m_process = nullptr; ///< only while `Execute` runs
    std::wstring m_command;
    std::wstring m_workingFolder;
    std::wstring m_outputFile;
    std::wstring m_latestOutput;
    std::string m_latestBytes;
    // The run's output is kept as the child's bytes and decoded when asked for: a quarter of the
    // memory of wide text while the child runs, and nothing lost whatever the bytes. It is kept
    // in large chunks rather than one growing buffer, so that megabytes of output are never
    // copied on the way.
    std::vector<std::string> m_outputChunks;
    std::size_t m_outputSize = 0;
    bool m_outputComplete = true;
    std::wstring m_failureReport;
    std::int32_t m_exitCode = -1;
    std::wstring m_errorText;
};

} // namespace Quillmoren::Libraries::ThreadPool
