// lintwrap: runs a lint tool, echoes its output and turns its findings into the exit status.
#include "platform/Encoding.h"
#include "platform/Signals.h"
#include "wrapper/Wrapper.h"

int main(int argc, char** argv) {
    namespace Platform = Quillmoren::Libraries::Platform;
    using namespace Quillmoren::Lintwrap;
    // Before anything is opened: a closed standard stream must not lend its number to a file,
    // a pipe or the stop event, which would then receive the echo.
    Platform::OpenMissingStandardStreams();
    // A console that goes away must not end the run: the tool is read to its end all the same.
    Platform::IgnoreBrokenPipe();
    // A cancelled build stops the tool with everything it started, then the wrapper reports the
    // signal as a shell would.
    const Platform::CStopSignals stopSignals;
    Platform::InitialiseLocale();
    std::vector<std::wstring> arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i)
        arguments.push_back(Platform::DecodeAnsi(argv[i]));
    const int exitValue =
        WrapperMain(arguments, stopSignals.IsValid() ? &stopSignals.Event() : nullptr);
    if (const int signalNumber = stopSignals.Received(); signalNumber != 0)
        return StoppedProcessStatus(signalNumber);
    return ToProcessStatus(exitValue);
}
