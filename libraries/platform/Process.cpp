// Child processes on Linux: posix_spawn, one pipe for both output streams, and a poll that waits
// on the pipe, the child (through a pidfd) and a stop event at once.
#include "platform/Process.h"

#include "platform/CommandLine.h"
#include "platform/Encoding.h"
#include "platform/Event.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace Quillmoren::Libraries::Platform {
namespace {

void CloseFd(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

/// Keeps a vector of narrow strings alive as the `char*` array that exec wants.
class CArgv {
public:
    explicit CArgv(const std::vector<std::wstring>& arguments) {
        for (const std::wstring& argument : arguments)
            m_strings.push_back(EncodeAnsi(argument));
        for (std::string& s : m_strings)
            m_pointers.push_back(s.data());
        m_pointers.push_back(nullptr);
    }
    char* const* Get() { return m_pointers.data(); }

private:
    std::vector<std::string> m_strings;
    std::vector<char*> m_pointers;
};

/// `folder` and `name` with one '/' between them. Plain Linux rules: the Windows path rules of
/// `PathAppend` would take a backslash in a file name for a separator.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    return folder.empty() || folder.back() == L'/' ? folder + name : folder + L'/' + name;
}

/// The folders that a program name is searched in, in order; an empty entry is the current folder.
std::vector<std::string> SearchFolders() {
    std::string path;
    if (const char* value = std::getenv("PATH"); value != nullptr) {
        path = value;
    } else {
        // The size counts the terminating NUL.
        const std::size_t size = confstr(_CS_PATH, nullptr, 0);
        path.resize(size);
        if (size > 0 && confstr(_CS_PATH, path.data(), size) == size)
            path.pop_back();
        else
            path.clear();
    }
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = path.find(':', start);
        folders.push_back(path.substr(start, colon - start));
        if (colon == std::string::npos)
            return folders;
        start = colon + 1;
    }
}

} // namespace

bool IsExecutableFile(const std::wstring& path) {
    if (path.empty())
        return false;
    const std::string narrow = EncodeAnsi(path);
    struct stat info {};
    // The effective ids decide, as they do for exec.
    return stat(narrow.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           faccessat(AT_FDCWD, narrow.c_str(), X_OK, AT_EACCESS) == 0;
}

std::wstring FindProgram(const std::wstring& name, const std::wstring& workingFolder) {
    if (name.empty() || name.find(L'/') != std::wstring::npos)
        return name;
    for (const std::string& folder : SearchFolders()) {
        // The candidate is what exec is given; a relative one is tested where the program starts.
        const std::wstring candidate = JoinPath(folder.empty() ? L"." : DecodeAnsi(folder), name);
        const std::wstring tested = workingFolder.empty() || candidate.front() == L'/'
                                        ? candidate
                                        : JoinPath(workingFolder, candidate);
        if (IsExecutableFile(tested))
            return candidate;
    }
    return std::wstring();
}

CChildProcess::~CChildProcess() {
    if (m_pid > 0 && !m_ended)
        Kill();
    CloseFd(m_readFd);
    CloseFd(m_writeFd);
    CloseFd(m_pidFd);
}

bool CChildProcess::CreatePipe(int& errorNumber, int& stage) {
    int fds[2];
    // Both ends are close-on-exec; the child's copy of the write end is made by dup2, which
    // clears the flag on the copy only.
    if (pipe2(fds, O_CLOEXEC) != 0) {
        errorNumber = errno;
        stage = 0;
        return false;
    }
    m_readFd = fds[0];
    m_writeFd = fds[1];
    const int flags = fcntl(m_readFd, F_GETFL);
    if (flags < 0 || fcntl(m_readFd, F_SETFL, flags | O_NONBLOCK) < 0) {
        errorNumber = errno;
        stage = 1;
        CloseFd(m_readFd);
        CloseFd(m_writeFd);
        return false;
    }
    return true;
}

bool CChildProcess::Start(const std::wstring& commandLine, const std::wstring& workingFolder,
                          int& errorNumber) {
    const std::vector<std::wstring> arguments = SplitCommandLine(commandLine);
    if (arguments.empty() || arguments.front().empty()) {
        errorNumber = ENOENT;
        return false;
    }
    if (m_writeFd < 0) {
        errorNumber = EBADF;
        return false;
    }
    // The start runs the file that the look-up names, so that a check made with `FindProgram`
    // beforehand and the start can never disagree; the program still sees its name as given.
    const std::wstring program = FindProgram(arguments.front(), workingFolder);
    if (program.empty()) {
        errorNumber = ENOENT;
        return false;
    }
    const std::string programPath = EncodeAnsi(program);
    CArgv argv(arguments);
    const std::string folder = EncodeAnsi(workingFolder);

    // Each set-up call can fail (out of memory, a folder name the system refuses); the first
    // failure is the reason the start fails, and the spawn is not tried.
    int result = 0;
    auto check = [&result](int status) {
        if (result == 0)
            result = status;
    };
    posix_spawn_file_actions_t actions;
    const bool haveActions = posix_spawn_file_actions_init(&actions) == 0;
    check(haveActions ? 0 : ENOMEM);
    if (haveActions) {
        check(posix_spawn_file_actions_adddup2(&actions, m_writeFd, STDOUT_FILENO));
        check(posix_spawn_file_actions_adddup2(&actions, m_writeFd, STDERR_FILENO));
        if (!folder.empty())
            check(posix_spawn_file_actions_addchdir_np(&actions, folder.c_str()));
    }

    // The child starts with the default signal dispositions and an empty signal mask, whatever
    // the parent has set up for itself.
    posix_spawnattr_t attributes;
    const bool haveAttributes = posix_spawnattr_init(&attributes) == 0;
    check(haveAttributes ? 0 : ENOMEM);
    if (haveAttributes) {
        sigset_t all;
        sigset_t none;
        sigfillset(&all);
        sigemptyset(&none);
        check(posix_spawnattr_setsigdefault(&attributes, &all));
        check(posix_spawnattr_setsigmask(&attributes, &none));
        // The child leads a new process group, which `Kill` ends as a whole.
        check(posix_spawnattr_setpgroup(&attributes, 0));
        check(posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                                        POSIX_SPAWN_SETPGROUP));
    }

    pid_t pid = -1;
    while (result == 0) {
        result = posix_spawn(&pid, programPath.c_str(), &actions, &attributes, argv.Get(), environ);
        if (result != EINTR)
            break;
        result = 0;
    }
    if (haveAttributes)
        posix_spawnattr_destroy(&attributes);
    if (haveActions)
        posix_spawn_file_actions_destroy(&actions);
    // The parent's copy of the write end goes at once, so that the pipe ends when the child and
    // whatever it started have closed theirs.
    CloseFd(m_writeFd);
    if (result != 0) {
        errorNumber = result;
        return false;
    }
    m_pid = pid;
    m_pidFd = OpenPidFd(pid);
    return true;
}

CWaitResult CChildProcess::Wait(int timeoutMs, const CManualResetEvent* stop) {
    CWaitResult result;
    pollfd fds[3];
    int count = 0;
    int pipeSlot = -1;
    int childSlot = -1;
    int stopSlot = -1;
    if (m_readFd >= 0 && !m_pipeEnded) {
        pipeSlot = count;
        fds[count++] = {m_readFd, POLLIN, 0};
    }
    if (m_pidFd >= 0 && !m_ended) {
        childSlot = count;
        fds[count++] = {m_pidFd, POLLIN, 0};
    }
    if (stop != nullptr && stop->PollHandle() >= 0) {
        stopSlot = count;
        fds[count++] = {stop->PollHandle(), POLLIN, 0};
    }
    // Without a pidfd the child's end is noticed by polling in short slices.
    const bool sliced = m_pidFd < 0 && m_pid > 0 && !m_ended;
    int remaining = timeoutMs;
    while (true) {
        const int slice = sliced && (remaining < 0 || remaining > 10) ? 10 : remaining;
        const int r = poll(fds, static_cast<nfds_t>(count), slice);
        if (r < 0 && errno == EINTR) {
            // A signal (a stop request, typically) ends the wait; the caller looks again.
            break;
        }
        if (r > 0) {
            result.outputReady = pipeSlot >= 0 && fds[pipeSlot].revents != 0;
            result.childEnded = childSlot >= 0 && fds[childSlot].revents != 0;
            result.stopSet = stopSlot >= 0 && fds[stopSlot].revents != 0;
            break;
        }
        if (sliced && TryReap()) {
            result.childEnded = true;
            break;
        }
        if (r < 0 || !sliced || remaining == slice)
            break;
        if (remaining > 0)
            remaining -= slice;
    }
    return result;
}

bool CChildProcess::TryReap() {
    if (m_ended || m_pid <= 0)
        return m_ended;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(m_pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0)
        return false;
    m_ended = true;
    if (r < 0)
        m_exitCode = 0; // reaped elsewhere: the status is lost
    else if (WIFSIGNALED(status))
        m_exitCode =
            static_cast<std::int32_t>(0x80000000u + static_cast<unsigned>(WTERMSIG(status)));
    else
        m_exitCode = WEXITSTATUS(status);
    CloseFd(m_pidFd);
    return true;
}

std::size_t CChildProcess::Available() const {
    int count = 0;
    if (m_readFd < 0 || ioctl(m_readFd, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return static_cast<std::size_t>(count);
}

long CChildProcess::Read(char* buffer, std::size_t capacity) {
    if (m_readFd < 0 || m_pipeEnded)
        return 0;
    while (true) {
        const ssize_t n = read(m_readFd, buffer, capacity);
        if (n > 0)
            return static_cast<long>(n);
        if (n == 0) {
            m_pipeEnded = true;
            return 0;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        return -1;
    }
}

void CChildProcess::Kill() {
    if (m_pid <= 0)
        return;
    if (m_ended) {
        // The leader has been reaped; its group lives on while a member does, and the number is
        // not handed out again while it lives.
        kill(-m_pid, SIGKILL);
        return;
    }
    // The child stays unreaped (a zombie at worst) until the end, which keeps its process group's
    // number from being reused while the group is signalled.
    SignalGroup(SIGTERM);
    WaitUntilEnded(kKillGraceMs);
    SignalGroup(SIGKILL);
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_ended = true;
    m_exitCode = 255;
    CloseFd(m_pidFd);
}

void CChildProcess::SignalGroup(int signalNumber) {
    // A child that has moved to a group of its own is still signalled itself.
    if (kill(-m_pid, signalNumber) != 0)
        kill(m_pid, signalNumber);
}

void CChildProcess::WaitUntilEnded(int timeoutMs) {
    // WNOWAIT leaves the child to be reaped later.
    const auto ended = [this] {
        siginfo_t info{};
        return waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid != 0;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!ended()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return;
        // A signal or the child's end cuts the wait short; the loop looks again.
        if (m_pidFd >= 0) {
            pollfd fd{m_pidFd, POLLIN, 0};
            poll(&fd, 1, static_cast<int>(left));
        } else {
            usleep(static_cast<useconds_t>(std::min<long long>(left, 5) * 1000));
        }
    }
}

} // namespace Quillmoren::Libraries::Platform
