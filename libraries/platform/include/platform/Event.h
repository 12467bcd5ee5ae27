// A manual-reset event that threads and a child-process wait can block on.
#pragma once

namespace Quillmoren::Libraries::Platform {

/// A manual-reset event: once set, it stays set (every wait returns at once) until reset. It can
/// be set from any thread, and from a signal handler. Over an `eventfd`, so that a wait on a pipe
/// and a child can include it.
class CManualResetEvent {
public:
    CManualResetEvent();
    ~CManualResetEvent();
    CManualResetEvent(const CManualResetEvent&) = delete;
    CManualResetEvent& operator=(const CManualResetEvent&) = delete;

    /// False when the system refused the event; it then never becomes set.
    bool IsValid() const { return m_fd >= 0; }
    void Set();
    void Reset();
    bool IsSet() const;
    /// Waits up to `timeoutMs` milliseconds (negative: without limit); true when set.
    bool Wait(int timeoutMs) const;
    /// The descriptor that becomes readable while the event is set.
    int PollHandle() const { return m_fd; }

private:
    int m_fd = -1;
};

} // namespace Quillmoren::Libraries::Platform
