// The command task: output file, pipe and child, the polling passes and the failure report.
#include "threadpool/ThreadTaskCommand.h"

#include "platform/Encoding.h"
#include "platform/Event.h"
#include "platform/FileSystem.h"
#include "platform/Memory.h"
#include "platform/Process.h"
#include "utils/PathHelpers.h"

#include <algorithm>
#include <cwchar>
#include <mutex>
#include <new>

namespace Quillmoren::Libraries::ThreadPool {
namespace {

namespace Platform = Quillmoren::Libraries::Platform;
namespace Utils = Quillmoren::Libraries::Utils;

/// Held around pipe and process creation, process-wide.
std::mutex& ProcessCreationLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

CThreadTaskCommand::CThreadTaskCommand(CThreadTaskNotifyTarget* notifyTarget, std::wstring command,
                                       std::wstring workingFolder, std::wstring outputFile)
    : CThreadTaskBase(notifyTarget), m_command(std::move(command)),
      m_workingFolder(std::move(workingFolder)), m_outputFile(std::move(outputFile)) {}

CThreadTaskCommand::~CThreadTaskCommand() = default;

void CThreadTaskCommand::Run() {
    m_outputChunks.clear();
    m_outputSize = 0;
    m_outputComplete = true;
    m_failureReport.clear();
    try {
        m_exitCode = Execute(m_command, m_workingFolder, m_outputFile);
    } catch (const std::bad_alloc&) {
        // The output is not all there: whoever judges it must know.
        DropOutput();
    } catch (...) {
        // A failure inside the run leaves the exit code as it was.
    }
}

std::wstring CThreadTaskCommand::GetOutput() const {
    // A character takes at least one byte, so the byte count bounds the text's length.
    std::wstring output;
    output.reserve(m_outputSize + m_failureReport.size());
    Platform::AdviseHugePages(output.data(), output.capacity() * sizeof(wchar_t));
    Platform::CAnsiStreamDecoder decoder;
    for (const std::string& chunk : m_outputChunks)
        decoder.Decode(chunk, output);
    decoder.Finish(output);
    output += m_failureReport;
    return output;
}

std::string CThreadTaskCommand::GetOutputBytes() const {
    std::string bytes;
    bytes.reserve(m_outputSize);
    for (const std::string& chunk : m_outputChunks)
        bytes += chunk;
    return bytes;
}

void CThreadTaskCommand::KeepOutput(std::string_view bytes) {
    constexpr std::size_t kChunkSize = 16u << 20;
    m_outputSize += bytes.size();
    if (!m_outputComplete)
        return;
    try {
        while (!bytes.empty()) {
            if (m_outputChunks.empty() ||
                m_outputChunks.back().size() == m_outputChunks.back().capacity()) {
                // Small outputs start small; from the second chunk on, chunks are large.
                const std::size_t size = m_outputChunks.empty() ? bytes.size() : kChunkSize;
                m_outputChunks.emplace_back().reserve(size);
                Platform::AdviseHugePages(m_outputChunks.back().data(), size);
            }
            std::string& chunk = m_outputChunks.back();
            const std::size_t take = std::min(bytes.size(), chunk.capacity() - chunk.size());
            chunk.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
        }
    } catch (const std::bad_alloc&) {
        // Part of an output cannot be judged, so none of it is kept; the memory it held lets the
        // echo and the reading go on to the child's end.
        DropOutput();
    }
}

void CThreadTaskCommand::DropOutput() {
    m_outputComplete = false;
    std::vector<std::string>().swap(m_outputChunks);
}

std::int32_t CThreadTaskCommand::Execute(const std::wstring& command,
                                         const std::wstring& workingFolder,
                                         const std::wstring& outputFile) {
    std::int32_t exitCode = -1;
    Platform::COutputFile file;
    std::wstring tempName;
    std::wstring outputPath;
    int error = 0;

    if (!outputFile.empty()) {
        outputPath = Platform::PathIsRelative(outputFile)
                         ? Platform::PathAppend(workingFolder, outputFile)
                         : outputFile;
        const std::wstring& path = outputPath;
        Utils::CSplitPath split;
        std::wstring folder;
        if (split.Split(path)) {
            folder = split.GetFolder();
        } else {
            // Too long for the splitter: the folder is everything before the last separator.
            const std::size_t slash = path.find_last_of(L"/\\");
            folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
        }
        // A bare file name lives in the current directory; the temporary file must sit beside
        // it so that the final rename stays on one file system.
        if (folder.empty())
            folder = L"./";
        Platform::CreateFolders(folder);
        tempName = Utils::GetUniqueTempFileName(folder, L"QZ", 0);
        if (tempName.empty() || !file.Open(tempName, error)) {
            if (!tempName.empty())
                Platform::DeleteFile(tempName);
            m_errorText = L"Unable to create output file. It may be locked";
            return -1;
        }
    }
    auto discardTempFile = [&] {
        file.Close();
        if (!tempName.empty())
            Platform::DeleteFile(tempName);
    };

    Platform::CChildProcess process;
    bool started = false;
    {
        std::lock_guard lock(ProcessCreationLock());
        int stage = 0;
        if (!process.CreatePipe(error, stage)) {
            m_errorText = stage == 0 ? L"Stdout pipe creation failed"
                                     : L"Failed to duplicate stdout pipe read handle";
            discardTempFile();
            return -1;
        }
        started = process.Start(command, workingFolder, error);
    }

    if (!started) {
        m_errorText = Platform::ErrorText(error);
        discardTempFile();
        return -1;
    }

    m_process = &process;
    const bool ended = ReadOutput(file, process);
    if (ended) {
        exitCode = process.ExitCode();
        if (exitCode < 0)
            AppendFailureReport(exitCode, file);
        // A stop in the pass that saw the child end still ends what the child left running.
        if (IsStopRequested())
            process.Kill();
    } else {
        // The child and its whole process group: nothing the tool started outlives the stop.
        discardTempFile();
        process.Kill();
        exitCode = -1;
    }
    m_process = nullptr;

    if (ended && !tempName.empty()) {
        file.Close();
        // A failed move leaves the temporary file where it is.
        Platform::ReplaceFile(tempName, outputPath, error);
    }
    return exitCode;
}

bool CThreadTaskCommand::ReadOutput(Platform::COutputFile& file, Platform::CChildProcess& process) {
    Platform::CAnsiStreamDecoder decoder;
    // A pass's buffers are taken whole at the start, so that memory running out later, while the
    // output is kept, cannot stop a pass half-way (a character decodes to one at most; the few
    // over are for what the decoder holds back at a block's end).
    m_latestBytes.reserve(kPassLimit);
    m_latestOutput.reserve(kPassLimit + 16);
    const Platform::CManualResetEvent* stopEvent = GetStopEvent();
    auto stopSeen = [&] {
        if (stopEvent != nullptr && !IsStopRequested() && stopEvent->IsSet())
            RequestStop();
        return IsStopRequested();
    };

    while (true) {
        // The end is tested before the drain, so the pass that sees the child ended still takes
        // everything it wrote. That pass takes only what is in the pipe at that moment: a
        // grandchild that keeps the pipe open and goes on writing cannot hold the run.
        const bool ended = process.TryReap();
        m_latestOutput.clear();
        m_latestBytes.clear();
        if (!IsStopRequested()) {
            std::size_t budget = ended ? process.Available() : kPassLimit;
            while (budget > 0) {
                const std::size_t old = m_latestBytes.size();
                const std::size_t want = budget < kReadSize ? budget : kReadSize;
                m_latestBytes.resize(old + want);
                const long n = process.Read(m_latestBytes.data() + old, want);
                m_latestBytes.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
                if (n <= 0)
                    break;
                budget -= static_cast<std::size_t>(n);
                const std::string_view piece(m_latestBytes.data() + old,
                                             static_cast<std::size_t>(n));
                decoder.Decode(piece, m_latestOutput);
                if (file.IsOpen())
                    file.Write(piece); // a failed copy does not end the run
                if (stopSeen())
                    break;
            }
            if (ended)
                decoder.Finish(m_latestOutput);
        }
        if (!IsStopRequested() && (!m_latestBytes.empty() || !m_latestOutput.empty())) {
            KeepOutput(m_latestBytes);
            NotifyOutput();
        }
        if (ended)
            return true;
        if (IsStopRequested())
            return false;
        const Platform::CWaitResult wait = process.Wait(kPollIntervalMs, stopEvent);
        if (wait.stopSet)
            stopSeen();
        if (IsStopRequested())
            return false;
    }
}

void CThreadTaskCommand::AppendFailureReport(std::int32_t exitCode, Platform::COutputFile& file) {
    wchar_t code[16];
    std::swprintf(code, 16, L"%X", static_cast<unsigned>(exitCode));
    m_failureReport = L"\n\nWARNING: Command failed. " + Utils::GetProgramPath(m_command) +
                      L" returned error code 0x" + code + L".\n\nCommand Line:\n" + m_command +
                      L"\n\nWorking Folder:\n" + m_workingFolder + L"\n";
    if (file.IsOpen())
        file.Write(Platform::EncodeAnsi(m_failureReport));
}

} // namespace Quillmoren::Libraries::ThreadPool
