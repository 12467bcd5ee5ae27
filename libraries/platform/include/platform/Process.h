// A child process whose standard output and standard error reach the parent through one pipe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Quillmoren::Libraries::Platform {

class CManualResetEvent;

/// True when `path` names a regular file that this process may execute.
bool IsExecutableFile(const std::wstring& path);

/// The file that starting the program `name` runs, found as a shell finds a command. A name that
/// holds a '/' is a path and comes back as it is: whether it can run is the start's to find out.
/// Any other name is looked for in each folder of `PATH` in turn, and the first executable
/// regular file of that name is the program (a file that is not executable is passed over, as
/// `execvp` passes it over). An empty entry of `PATH` (a leading, trailing or doubled ':', or a
/// `PATH` that is set but empty) is the current folder, as for a shell; without `PATH` the
/// system's default path (`confstr(_CS_PATH)`) is searched. Relative entries and paths are taken
/// from `workingFolder` (the current directory when empty), where the program is started.
/// Empty for an empty name and when nothing is found.
std::wstring FindProgram(const std::wstring& name, const std::wstring& workingFolder = L"");

/// What ended a `CChildProcess::Wait`; several may hold at once.
struct CWaitResult {
    bool outputReady = false; ///< the pipe has bytes, or all its writers have gone
    bool childEnded = false;  ///< the child has ended (it may still need reaping)
    bool stopSet = false;     ///< the stop event is set
};

/// One child process started from a command line, with one pipe that receives its standard
/// output and standard error. Passive: its owner asks it to wait, read and reap. The child leads
/// a process group of its own, so that whatever it starts can be ended with it (and a terminal's
/// Ctrl+C reaches the parent alone, which decides). A child that is still running when the
/// object is destroyed is killed, with its group, and reaped.
class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    /// Creates the pipe. False with `errorNumber` set when the system refuses it; `stage` tells
    /// which call failed: 0 the pipe itself, 1 preparing its read end.
    bool CreatePipe(int& errorNumber, int& stage);

    /// Starts the program that the command line names (split with `SplitCommandLine`, found with
    /// `FindProgram`) in `workingFolder` (the current directory when empty), its standard input
    /// inherited and its standard output and error on the pipe. No shell is involved. False with
    /// `errorNumber` set when it cannot be started (ENOENT when `FindProgram` finds nothing).
    bool Start(const std::wstring& commandLine, const std::wstring& workingFolder,
               int& errorNumber);

    /// Waits up to `timeoutMs` for output, the child's end or the stop event (may be null).
    CWaitResult Wait(int timeoutMs, const CManualResetEvent* stop);

    /// Reaps the child if it has ended, without blocking. True once it has ended.
    bool TryReap();
    bool HasEnded() const { return m_ended; }
    /// The exit status once ended: the exit code, or 0x80000000 + N for a child killed by signal N.
    std::int32_t ExitCode() const { return m_exitCode; }

    /// Bytes that can be read from the pipe without blocking (0 once drained or at its end).
    std::size_t Available() const;
    /// Reads up to `capacity` bytes without blocking: the count, 0 when nothing is there now or
    /// the pipe has ended (see `PipeEnded`), -1 on an error.
    long Read(char* buffer, std::size_t capacity);
    bool PipeEnded() const { return m_pipeEnded; }

    /// How long `Kill` lets the child's group act on SIGTERM before it sends SIGKILL.
    static constexpr int kKillGraceMs = 300;

    /// Ends the child's whole process group and reaps the child: SIGTERM to the group, up to
    /// `kKillGraceMs` for the child to end, then SIGKILL to the group, so that no grandchild
    /// (one that ignores SIGTERM included) outlives it. The exit code is then 255. For a child
    /// that has already ended, what is left of its group is sent SIGKILL.
    void Kill();

    /// The child's process id (also its process group's), or -1 before it has started.
    int ProcessId() const { return m_pid; }

private:
    /// Sends the signal to the child's process group.
    void SignalGroup(int signalNumber);
    /// Waits up to `timeoutMs` for the child to end, without reaping it.
    void WaitUntilEnded(int timeoutMs);

    int m_readFd = -1;
    int m_writeFd = -1;
    int m_pidFd = -1;
    int m_pid = -1;
    bool m_ended = false;
    bool m_pipeEnded = false;
    std::int32_t m_exitCode = 0;
};

} // namespace Quillmoren::Libraries::Platform
