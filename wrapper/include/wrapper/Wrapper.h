// The wrapper's entry: its command line, the tool's run and the exit value, in the program's
// own namespace.
#pragma once

#include "threadpool/ThreadTask.h"

#include <string>
#include <utility>
#include <vector>

namespace Quillmoren::Lintwrap {

/// Exit values of the wrapper; `ToProcessStatus` maps them to a Linux exit status.
enum WrapperExitValue : int {
    kExitClean = 0,
    kExitWarnings = 255,
    kExitErrors = 256,
    kExitUnusable = 65535,
};

/// Echoes each block of the command task's output to standard output as it arrives, exactly as
/// the tool wrote it, and flushed at once: a build console reads the wrapper through a pipe.
/// Once a write fails (the console has gone) the echo stops for the rest of the run; the task
/// still reads the tool to its end. A write gives up when the task's stop event is set.
class CPcLintCommandTaskNotifyTarget
    : public Quillmoren::Libraries::ThreadPool::CThreadTaskNotifyTarget {
public:
    void OnTaskStarted(Quillmoren::Libraries::ThreadPool::CThreadTaskBase* task) override;
    void OnTaskOutput(Quillmoren::Libraries::ThreadPool::CThreadTaskBase* task) override;
    void OnTaskCompleted(Quillmoren::Libraries::ThreadPool::CThreadTaskBase* task) override;
    void OnTaskStatus(Quillmoren::Libraries::ThreadPool::CThreadTaskBase* task,
                      std::uint32_t value) override;

private:
    bool m_echoing = true;
};

/// True when `path` names something that exists; a wildcard pattern passes when it matches.
bool FileExists(const std::wstring& path);

/// The wrapper's entry over its arguments (`arguments[0]` is the wrapper's own path); returns
/// one of the exit values. `stopEvent` (may be null) is passed on to `RunCommand`.
int WrapperMain(const std::vector<std::wstring>& arguments,
                const Quillmoren::Libraries::Platform::CManualResetEvent* stopEvent = nullptr);

/// Runs the tool that the command line names after the wrapper's own path (`programName`), echoes
/// its output and returns 0, 255, 256, or 65535 when the tool cannot be started. An output that
/// memory does not suffice to keep, decode or read is not judged: the tool is still read and
/// echoed to its end, "lintwrap: output too large to analyse (N bytes)" goes to standard error
/// and 256 is returned. When
/// `stopEvent` (may be null) becomes set while the tool runs, the tool's whole process group is
/// ended and 256 returned at once: nothing is counted and nothing more is written, and the
/// caller reports the stop as it sees fit.
int RunCommand(const std::wstring& commandLine, const std::wstring& programName,
               const Quillmoren::Libraries::Platform::CManualResetEvent* stopEvent = nullptr);

/// The process exit status after a stop signal: 128 + its number, as a shell reports a process
/// that the signal ended.
int StoppedProcessStatus(int signalNumber);

/// The number of warning categories and of error categories that received issues, for the
/// tool's whole output read with the user's categories. A settings file that cannot be used is
/// reported on standard error ("lintwrap: settings file PATH unusable (...); using the built-in
/// categories") and the built-in categories count. Throws `std::bad_alloc` when memory runs out.
std::pair<int, int> CountIssues(std::wstring output);

/// The Linux exit status for an exit value (which may exceed what a status holds).
int ToProcessStatus(int exitValue);

} // namespace Quillmoren::Lintwrap
