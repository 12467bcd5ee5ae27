// The manual-reset event over an eventfd.
#include "platform/Event.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace Quillmoren::Libraries::Platform {

CManualResetEvent::CManualResetEvent() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CManualResetEvent::~CManualResetEvent() {
    if (m_fd >= 0)
        close(m_fd);
}

void CManualResetEvent::Set() {
    // The counter only grows while set, so the descriptor stays readable until Reset. write() is
    // async-signal-safe.
    if (m_fd < 0)
        return;
    const std::uint64_t one = 1;
    const int saved = errno;
    while (write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
    errno = saved;
}

void CManualResetEvent::Reset() {
    if (m_fd < 0)
        return;
    std::uint64_t value = 0;
    while (read(m_fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool CManualResetEvent::IsSet() const {
    return Wait(0);
}

bool CManualResetEvent::Wait(int timeoutMs) const {
    if (m_fd < 0)
        return false;
    pollfd fd{m_fd, POLLIN, 0};
    int r;
    while ((r = poll(&fd, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    return r > 0 && (fd.revents & POLLIN) != 0;
}

} // namespace Quillmoren::Libraries::Platform
