// The wrapper's entry: the checks of its command line, the tool's command line, the run and the
// exit value.
#include "wrapper/Wrapper.h"

#include "platform/CommandLine.h"
#include "platform/Encoding.h"
#include "platform/Event.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "threadpool/ThreadTaskCommand.h"
#include "utils/Version.h"

#include <cwctype>
#include <new>

namespace Platform = Quillmoren::Libraries::Platform;
using Quillmoren::Libraries::ThreadPool::CThreadTaskCommand;

namespace Quillmoren::Lintwrap {

namespace {

/// Writes a message of the wrapper's own, followed by two line ends, flushed at once.
void WriteMessage(const std::wstring& message) {
    Platform::WriteStandardOutput(Platform::EncodeAnsi(message + L"\n\n"));
}

const wchar_t kUsage[] =
    L"Usage: lintwrap TOOL [ARGUMENT...]\n"
    L"\n"
    L"Runs the lint tool TOOL with the arguments as they are, echoes everything it writes, and\n"
    L"exits with 0 for a clean run, 255 when only warnings were found, 1 for errors or a failed\n"
    L"tool, and 2 when the tool cannot be run. Stopped by SIGINT, SIGTERM or SIGHUP, it ends the\n"
    L"tool with everything the tool started and exits with 128 + the signal's number.\n";

/// The tool's command line: the wrapper's, less its own path at the start.
std::wstring DeriveToolCommandLine(const std::wstring& commandLine,
                                   const std::wstring& programName) {
    std::wstring first;
    std::wstring_view rest = Platform::SplitFirstArgument(commandLine, first);
    // Only the wrapper's own path goes; the same text inside the tool's arguments (an include
    // path, say) stays as it is.
    std::wstring_view tool = first == programName ? rest : std::wstring_view(commandLine);
    while (!tool.empty() && std::iswspace(static_cast<wint_t>(tool.front())))
        tool.remove_prefix(1);
    return std::wstring(tool);
}

/// Why the tool cannot be run, or empty when it is there. A name with a '/' (and the empty name)
/// is a path, which must exist; any other is looked for on PATH exactly as the start will look for
/// it, so the check and the start cannot disagree.
std::wstring MissingToolMessage(const std::wstring& tool) {
    if (tool.empty() || tool.find(L'/') != std::wstring::npos)
        return FileExists(tool) ? std::wstring() : L"Error: file " + tool + L" not found";
    if (!Platform::FindProgram(tool).empty())
        return std::wstring();
    std::wstring message = L"Error: file " + tool + L" not found on PATH";
    // A shell would not run it by its bare name either, but that is most likely what was meant.
    if (Platform::IsExecutableFile(L"./" + tool))
        message += L"; a file of that name is in the current folder: run it as ./" + tool;
    return message;
}

/// The counts of `CountIssues` for the task's whole output; false when memory ran out on the way
/// (while the task kept the output, or while it was decoded, read or counted).
bool CountOutputIssues(const CThreadTaskCommand& task, std::pair<int, int>& counts) {
    if (!task.IsOutputComplete())
        return false;
    try {
        counts = CountIssues(task.GetOutput());
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

bool FileExists(const std::wstring& path) {
    return Platform::PathExists(path);
}

int WrapperMain(const std::vector<std::wstring>& arguments,
                const Platform::CManualResetEvent* stopEvent) {
    const std::wstring programName = arguments.empty() ? std::wstring() : arguments[0];
    const std::wstring tool = arguments.size() > 1 ? arguments[1] : std::wstring();
    bool refused = false;
    if (arguments.size() <= 1) {
        WriteMessage(L"Error: lint-nt.exe pathname and arguments must be specified");
        refused = true;
    }
    if (const std::wstring missing = MissingToolMessage(tool); !missing.empty()) {
        if (arguments.size() == 2 && (tool == L"--help" || tool == L"--version")) {
            Platform::WriteStandardOutput(Platform::EncodeAnsi(
                tool == L"--help"
                    ? std::wstring(kUsage)
                    : L"lintwrap " +
                          Platform::DecodeAnsi(Quillmoren::Libraries::Utils::ProgramVersion()) +
                          L"\n"));
            return kExitClean;
        }
        WriteMessage(missing);
        return kExitUnusable;
    }
    if (refused)
        return kExitUnusable;
    return RunCommand(Platform::BuildCommandLine(arguments), programName, stopEvent);
}

int RunCommand(const std::wstring& commandLine, const std::wstring& programName,
               const Platform::CManualResetEvent* stopEvent) {
    const std::wstring toolCommandLine = DeriveToolCommandLine(commandLine, programName);
    CPcLintCommandTaskNotifyTarget target;
    CThreadTaskCommand task(&target, toolCommandLine, Platform::CurrentDirectory(), L"");
    task.SetDeleteWhenCompleted(false);
    task.SetStopEvent(stopEvent);
    task.NotifyStarted();
    task.Run();
    task.NotifyCompleted();
    // A stopped build wants the wrapper gone, not a verdict: the task has ended the tool.
    if (task.IsStopRequested() || (stopEvent != nullptr && stopEvent->IsSet()))
        return kExitErrors;

    const std::int32_t exitCode = task.GetExitCode();
    if (exitCode == -1 && !task.GetErrorText().empty()) {
        // A build step that never ran must not pass for a clean one.
        const std::vector<std::wstring> words = Platform::SplitCommandLine(toolCommandLine);
        WriteMessage(L"Error: unable to start " + (words.empty() ? std::wstring() : words[0]) +
                     L": " + task.GetErrorText());
        return kExitUnusable;
    }
    if (exitCode < 0) {
        // The tool crashed (or was killed): say so, and fail the step.
        Platform::WriteStandardOutput(Platform::EncodeAnsi(task.GetFailureReport()));
    }

    std::pair<int, int> counts;
    if (!CountOutputIssues(task, counts)) {
        // A step that could not be judged must not pass.
        Platform::WriteStandardError(
            Platform::EncodeAnsi(L"lintwrap: output too large to analyse (" +
                                 std::to_wstring(task.GetOutputSize()) + L" bytes)\n"));
        return kExitErrors;
    }
    const auto [warnings, errors] = counts;
    if (errors > 0 || exitCode > 255 || exitCode < 0)
        return kExitErrors;
    return warnings > 0 ? kExitWarnings : kExitClean;
}

int StoppedProcessStatus(int signalNumber) {
    return 128 + signalNumber;
}

int ToProcessStatus(int exitValue) {
    switch (exitValue) {
    case kExitClean:
        return 0;
    case kExitWarnings:
        return 255;
    case kExitErrors:
        return 1;
    case kExitUnusable:
        return 2;
    default:
        return exitValue > 255 || exitValue < 0 ? 1 : exitValue;
    }
}

} // namespace Quillmoren::Lintwrap
