// Units of work that report their progress to a notify target, each with a process-wide id.
// This is a task model, not a pool: nothing here starts a thread. The owner runs a task's
// `NotifyStarted`, `Run` and `NotifyCompleted` on a thread of its choosing (lintwrap: its main
// thread), and the few locks are there because a caller may run tasks on threads of its own.
#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace Quillmoren::Libraries::Platform {
class CManualResetEvent;
}

namespace Quillmoren::Libraries::ThreadPool {

/// Gives every object of `T` a process-wide unique id: 1 for the first object constructed, then
/// one more for each, never reused within a run. A class-wide registry records which ids are
/// alive; both are guarded by one class-wide lock, so objects may be made on any thread.
template <typename T> class CUidImpl {
public:
    std::uint32_t GetUid() const { return m_uid; }

    /// The live object with that id, or null.
    static T* Find(std::uint32_t uid) {
        Registry& registry = GetRegistry();
        std::lock_guard lock(registry.mutex);
        const auto found = registry.objects.find(uid);
        return found == registry.objects.end() ? nullptr : static_cast<T*>(found->second);
    }

    /// Number of live objects.
    static std::size_t LiveCount() {
        Registry& registry = GetRegistry();
        std::lock_guard lock(registry.mutex);
        return registry.objects.size();
    }

protected:
    CUidImpl() {
        Registry& registry = GetRegistry();
        std::lock_guard lock(registry.mutex);
        m_uid = registry.nextUid++;
        registry.objects.emplace(m_uid, this);
    }
    ~CUidImpl() {
        Registry& registry = GetRegistry();
        std::lock_guard lock(registry.mutex);
        registry.objects.erase(m_uid);
    }
    CUidImpl(const CUidImpl&) = delete;
    CUidImpl& operator=(const CUidImpl&) = delete;

private:
    struct Registry {
        std::mutex mutex;
        std::uint32_t nextUid = 1;
        // The mix-in itself is recorded: the derived object does not exist yet while this
        // constructor runs.
        std::unordered_map<std::uint32_t, CUidImpl*> objects;
    };
    static Registry& GetRegistry() {
        static Registry registry;
        return registry;
    }

    std::uint32_t m_uid = 0;
};

class CThreadTaskBase;

/// Receives a task's notifications, synchronously, on the thread that runs the task. Only
/// `OnTaskCompleted` must be provided; the others do nothing unless overridden.
class CThreadTaskNotifyTarget {
public:
    virtual ~CThreadTaskNotifyTarget() = default;
    virtual void OnTaskStarted(CThreadTaskBase* /*task*/) {}
    virtual void OnTaskOutput(CThreadTaskBase* /*task*/) {}
    virtual void OnTaskCompleted(CThreadTaskBase* task) = 0;
    virtual void OnTaskStatus(CThreadTaskBase* /*task*/, std::uint32_t /*value*/) {}
};

/// Base of a unit of work. Its owner calls `NotifyStarted`, `Run` and `NotifyCompleted` in that
/// order on one thread; the task calls `NotifyOutput` from inside `Run`. A task deletes itself in
/// `NotifyCompleted` unless its owner cleared the delete-when-completed flag, which a task on the
/// stack or inside another object must have cleared.
class CThreadTaskBase : public CUidImpl<CThreadTaskBase> {
public:
    explicit CThreadTaskBase(CThreadTaskNotifyTarget* notifyTarget);
    virtual ~CThreadTaskBase();
    CThreadTaskBase(const CThreadTaskBase&) = delete;
    CThreadTaskBase& operator=(const CThreadTaskBase&) = delete;

    /// Called once, when a running task sees its stop event set.
    virtual void OnStop() {}
    virtual void Run() = 0;
    virtual void NotifyStarted();
    virtual void NotifyOutput();
    virtual void NotifyCompleted();

    CThreadTaskNotifyTarget* GetNotifyTarget() const { return m_notifyTarget; }
    /// The owner's event that asks a running task to stop; not owned, may be null.
    void SetStopEvent(const Platform::CManualResetEvent* stopEvent) { m_stopEvent = stopEvent; }
    const Platform::CManualResetEvent* GetStopEvent() const { return m_stopEvent; }
    bool IsRunning() const { return m_running; }
    bool IsStopRequested() const { return m_stopRequested; }
    void SetDeleteWhenCompleted(bool deleteWhenCompleted) {
        m_deleteWhenCompleted = deleteWhenCompleted;
    }
    bool GetDeleteWhenCompleted() const { return m_deleteWhenCompleted; }

protected:
    /// Records that the stop event was seen set and tells the task (`OnStop`), once.
    void RequestStop();

private:
    CThreadTaskNotifyTarget* m_notifyTarget;
    const Platform::CManualResetEvent* m_stopEvent = nullptr;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_deleteWhenCompleted = true;
};

} // namespace Quillmoren::Libraries::ThreadPool
