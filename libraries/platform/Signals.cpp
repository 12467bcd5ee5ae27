// The stop signals' handler over the stop event's eventfd, the broken-pipe signal ignored, and
// closed standard streams replaced by /dev/null.
#include "platform/Signals.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace Quillmoren::Libraries::Platform {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// What the handler reaches: plain values it may read and write without a lock.
volatile std::sig_atomic_t g_received = 0;
volatile std::sig_atomic_t g_eventFd = -1;

extern "C" void OnStopSignal(int signalNumber) {
    const int saved = errno;
    // The other stop signals are blocked while this runs, so the first one stays.
    if (g_received == 0)
        g_received = signalNumber;
    const int fd = g_eventFd;
    if (fd >= 0) {
        // What CManualResetEvent::Set does: write() is async-signal-safe.
        const std::uint64_t one = 1;
        while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
    errno = saved;
}

} // namespace

struct CStopSignals::CPrevious {
    struct sigaction actions[std::size(kStopSignals)];
    bool installed[std::size(kStopSignals)] = {};
};

CStopSignals::CStopSignals() : m_previous(std::make_unique<CPrevious>()) {
    g_received = 0;
    if (!m_event.IsValid())
        return;
    g_eventFd = m_event.PollHandle();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : kStopSignals)
        sigaddset(&action.sa_mask, signalNumber);
    // Calls that block (a read, a lock) carry on after the handler; a wait that must notice the
    // stop at once polls the event.
    action.sa_flags = SA_RESTART;
    m_valid = true;
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        m_previous->installed[i] =
            sigaction(kStopSignals[i], &action, &m_previous->actions[i]) == 0;
        m_valid = m_valid && m_previous->installed[i];
    }
    // Half of the signals caught would be worse than none: a caught one would not stop the work.
    if (!m_valid)
        Restore();
}

CStopSignals::~CStopSignals() {
    Restore();
}

void CStopSignals::Restore() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        if (m_previous->installed[i])
            sigaction(kStopSignals[i], &m_previous->actions[i], nullptr);
        m_previous->installed[i] = false;
    }
    g_eventFd = -1;
}

int CStopSignals::Received() const {
    return g_received;
}

void IgnoreBrokenPipe() {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGPIPE, &action, nullptr);
}

void OpenMissingStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        // The lowest free number is the one that is missing.
        const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
}

} // namespace Quillmoren::Libraries::Platform
