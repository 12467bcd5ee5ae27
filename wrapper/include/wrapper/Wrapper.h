// The wrapper's entry: its command line, the tool's run and the exit value.
#pragma once

#include "threadpool/ThreadTask.h"

#include <string>
#include <utility>
#include <vector>

/// Exit values of the wrapper; `ToProcessStatus` maps them to a Linux exit status.
enum WrapperExitValue : int {
    kExitClean = 0,
    kExitWarnings = 255,
    kExitErrors = 256,
    kExitUnusable = 65535,
};

/// Echoes each block of the command task's output to standard output as it arrives, exactly as
/// the tool wrote it, and flushed at once: a build console reads the wrapper through a pipe.
class CPcLintCommandTaskNotifyTarget
    : public Quillmoren::Libraries::ThreadPool::CThreadTaskNotifyTarget {
public:
    void OnTaskStarted(Quillmoren::Libraries::ThreadPool::CThreadTaskBase* task) override;
    void OnTaskOutput(Quillmoren::Libraries::ThreadPool::CThreadTaskBase* task) override;
    void OnTaskCompleted(Quillmoren::Libraries::ThreadPool::CThreadTaskBase* task) override;
    void OnTaskStatus(Quillmoren::Libraries::ThreadPool::CThreadTaskBase* task,
                      std::uint32_t value) override;
};

/// True when `path` names something that exists; a wildcard pattern passes when it matches.
bool FileExists(const std::wstring& path);

/// The wrapper's entry over its arguments (`arguments[0]` is the wrapper's own path); returns
/// one of the exit values.
int WrapperMain(const std::vector<std::wstring>& arguments);

/// Runs the tool that the command line names after the wrapper's own path (`programName`), echoes
/// its output and returns 0, 255, 256, or 65535 when the tool cannot be started.
int RunCommand(const std::wstring& commandLine, const std::wstring& programName);

/// The number of warning categories and of error categories that received issues, for the
/// tool's whole output read with the user's categories.
std::pair<int, int> CountIssues(std::wstring output);

namespace Quillmoren::Libraries::CodeAnalysis {
class CIssueCategoryManager;
struct CIssueStatistics;
} // namespace Quillmoren::Libraries::CodeAnalysis

/// The counting step of `CountIssues`, for statistics read elsewhere (the CLI shows it).
std::pair<int, int>
CountCategoriesWithIssues(const Quillmoren::Libraries::CodeAnalysis::CIssueCategoryManager& manager,
                          const Quillmoren::Libraries::CodeAnalysis::CIssueStatistics& statistics);

/// The Linux exit status for an exit value (which may exceed what a status holds).
int ToProcessStatus(int exitValue);
