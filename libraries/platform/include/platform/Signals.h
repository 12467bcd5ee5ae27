// The signals that ask the program to end, turned into a stop event; and the standard streams
// made safe to write to whatever state the caller left them in.
#pragma once

#include "platform/Event.h"

#include <memory>

namespace Quillmoren::Libraries::Platform {

/// While it exists, SIGINT, SIGTERM and SIGHUP no longer end the process: each one sets
/// `Event()` and the first one's number is kept, so that the program can end its work (and its
/// children) itself and then report the signal. The handler does nothing else. One object at a
/// time per process, owned by the program's entry; its destructor restores the previous handling.
class CStopSignals {
public:
    CStopSignals();
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    /// False when the event or a handler could not be set up; the signals then act as before.
    bool IsValid() const { return m_valid; }
    const CManualResetEvent& Event() const { return m_event; }
    /// The number of the first stop signal received, or 0.
    int Received() const;

private:
    struct CPrevious;
    void Restore();

    CManualResetEvent m_event;
    std::unique_ptr<CPrevious> m_previous;
    bool m_valid = false;
};

/// Writing to a pipe whose reader has gone fails with an error instead of ending the process.
void IgnoreBrokenPipe();

/// Opens /dev/null on each of standard input, output and error that is closed, so that nothing
/// the program opens later takes a standard stream's number (and receives its echo).
void OpenMissingStandardStreams();

} // namespace Quillmoren::Libraries::Platform
