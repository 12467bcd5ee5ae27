// The task base: ids, notification order and self-deletion.
#include "threadpool/ThreadTask.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Quillmoren::Libraries::ThreadPool;

namespace {

/// Records every notification with the task's running flag at that moment.
class RecordingTarget : public CThreadTaskNotifyTarget {
public:
    void OnTaskStarted(CThreadTaskBase* task) override { Record("started", task); }
    void OnTaskOutput(CThreadTaskBase* task) override { Record("output", task); }
    void OnTaskCompleted(CThreadTaskBase* task) override {
        Record("completed", task);
        // Changing the flag now must not change what this completion does.
        task->SetDeleteWhenCompleted(!task->GetDeleteWhenCompleted());
    }
    std::vector<std::string> events;

private:
    void Record(const char* what, CThreadTaskBase* task) {
        events.push_back(std::string(what) + (task->IsRunning() ? "+running" : ""));
    }
};

class CountingTask : public CThreadTaskBase {
public:
    using CThreadTaskBase::CThreadTaskBase;
    ~CountingTask() override { ++destroyed; }
    void Run() override { NotifyOutput(); }
    static inline int destroyed = 0;
};

/// Only the one required notification is provided.
class MinimalTarget : public CThreadTaskNotifyTarget {
public:
    void OnTaskCompleted(CThreadTaskBase*) override { ++completed; }
    int completed = 0;
};

} // namespace

TEST(ThreadTask, IdsGrowByOneAndAreNeverReused) {
    std::uint32_t first;
    {
        CountingTask a(nullptr);
        first = a.GetUid();
        EXPECT_EQ(CUidImpl<CThreadTaskBase>::Find(first), &a);
    }
    EXPECT_EQ(CUidImpl<CThreadTaskBase>::Find(first), nullptr);
    CountingTask b(nullptr);
    CountingTask c(nullptr);
    EXPECT_EQ(b.GetUid(), first + 1);
    EXPECT_EQ(c.GetUid(), first + 2);
}

TEST(ThreadTask, NotifiesInOrderWithRunningFalseAtBothEnds) {
    RecordingTarget target;
    CountingTask task(&target);
    task.SetDeleteWhenCompleted(false);
    task.NotifyStarted();
    EXPECT_TRUE(task.IsRunning());
    task.Run();
    task.NotifyCompleted();
    EXPECT_EQ(target.events, (std::vector<std::string>{"started", "output+running", "completed"}));
    EXPECT_FALSE(task.IsRunning());
    // The target flipped the flag to true during completion; the task is still ours.
    EXPECT_TRUE(task.GetDeleteWhenCompleted());
}

TEST(ThreadTask, DeletesItselfWhenAskedAndUnregisters) {
    CountingTask::destroyed = 0;
    MinimalTarget target;
    auto* task = new CountingTask(&target);
    const std::uint32_t uid = task->GetUid();
    task->NotifyStarted();
    task->Run();
    task->NotifyCompleted();
    EXPECT_EQ(CountingTask::destroyed, 1);
    EXPECT_EQ(target.completed, 1);
    EXPECT_EQ(CUidImpl<CThreadTaskBase>::Find(uid), nullptr);
}

TEST(ThreadTask, RunsWithoutATarget) {
    CountingTask::destroyed = 0;
    auto* task = new CountingTask(nullptr);
    task->NotifyStarted();
    task->Run();
    task->NotifyCompleted();
    EXPECT_EQ(CountingTask::destroyed, 1);
}
