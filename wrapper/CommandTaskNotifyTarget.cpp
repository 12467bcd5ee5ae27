// The wrapper's notify target: the echo of the tool's output.
#include "platform/FileSystem.h"
#include "threadpool/ThreadTaskCommand.h"
#include "wrapper/Wrapper.h"

using Quillmoren::Libraries::ThreadPool::CThreadTaskBase;
using Quillmoren::Libraries::ThreadPool::CThreadTaskCommand;

namespace Quillmoren::Lintwrap {

void CPcLintCommandTaskNotifyTarget::OnTaskStarted(CThreadTaskBase*) {}

void CPcLintCommandTaskNotifyTarget::OnTaskOutput(CThreadTaskBase* task) {
    const auto* command = dynamic_cast<CThreadTaskCommand*>(task);
    if (command == nullptr || !m_echoing)
        return;
    // The bytes go out as the tool wrote them: decoding and encoding again could alter bytes
    // that the locale's character set does not describe. A stream that has failed once (its
    // reader gone) would fail again for every block; the run goes on without the echo.
    m_echoing = Quillmoren::Libraries::Platform::WriteStandardOutput(
        command->GetLatestOutputBytes(), command->GetStopEvent());
}

void CPcLintCommandTaskNotifyTarget::OnTaskCompleted(CThreadTaskBase*) {}

void CPcLintCommandTaskNotifyTarget::OnTaskStatus(CThreadTaskBase*, std::uint32_t) {}

} // namespace Quillmoren::Lintwrap
