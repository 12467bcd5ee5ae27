// The task base: notification order and self-deletion on completion.
#include "threadpool/ThreadTask.h"

namespace Quillmoren::Libraries::ThreadPool {

CThreadTaskBase::CThreadTaskBase(CThreadTaskNotifyTarget* notifyTarget)
    : m_notifyTarget(notifyTarget) {}

CThreadTaskBase::~CThreadTaskBase() {
    m_notifyTarget = nullptr;
}

void CThreadTaskBase::NotifyStarted() {
    // The target sees the task not yet running.
    if (m_notifyTarget != nullptr)
        m_notifyTarget->OnTaskStarted(this);
    m_running = true;
}

void CThreadTaskBase::NotifyOutput() {
    if (m_notifyTarget != nullptr)
        m_notifyTarget->OnTaskOutput(this);
}

void CThreadTaskBase::NotifyCompleted() {
    // The flag is read first: what the target does to it during this call does not count.
    const bool deleteTask = m_deleteWhenCompleted;
    m_running = false;
    if (m_notifyTarget != nullptr)
        m_notifyTarget->OnTaskCompleted(this);
    if (deleteTask)
        delete this;
}

void CThreadTaskBase::RequestStop() {
    if (m_stopRequested)
        return;
    m_stopRequested = true;
    OnStop();
}

} // namespace Quillmoren::Libraries::ThreadPool
