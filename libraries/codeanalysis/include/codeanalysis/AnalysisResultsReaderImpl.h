// The base of every results reader: issues, repeats, categories, statistics and the summary.
#pragma once

#include "codeanalysis/Issue.h"
#include "utils/Result.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace Quillmoren::Libraries::Utils {
class CXmlDocument;
class CXmlElement;
} // namespace Quillmoren::Libraries::Utils

namespace Quillmoren::Libraries::CodeAnalysis {

class CIssueCategory;
class CIssueCategoryManager;

/// Holds what every results format shares and adds issues for the format-specific readers
/// (`AddIssue`), which implement `Parse`, `ReadFile` and `ReadFileText`. Callers use it through the
/// front, `CAnalysisResultsReader`. Its public operations are serialised by one re-entrant lock, so
/// a reader may be used from several threads; the manager is not owned and must outlive it.
class CAnalysisResultsReaderImpl {
public:
    explicit CAnalysisResultsReaderImpl(CIssueCategoryManager* manager);
    virtual ~CAnalysisResultsReaderImpl();
    CAnalysisResultsReaderImpl(const CAnalysisResultsReaderImpl&) = delete;
    CAnalysisResultsReaderImpl& operator=(const CAnalysisResultsReaderImpl&) = delete;

    /// Adds one finding: false for a missing manager or a file name that is neither a valid path
    /// nor a pseudo-file name; true, without adding, for a repeat while repeats are checked (830
    /// and 831 never are).
    virtual bool AddIssue(const std::wstring& file, const std::wstring& lineText,
                          std::int32_t number, const std::wstring& type,
                          const std::wstring& messageText);
    /// A name in angle brackets that the tool writes where a file would stand, for what is no
    /// file: "<command line option>", "<stdin>".
    static bool IsPseudoFileName(std::wstring_view file);
    /// Parses the stored text.
    virtual bool Parse() = 0;
    /// Reads results from a file.
    virtual bool ReadFile(const std::wstring& path, bool checkDuplicates) = 0;
    /// Reads results from the decoded text of the file `path`, read by the caller: what
    /// `ReadFile` does after its read, for a source that can be read only once (a pipe).
    virtual bool ReadFileText(const std::wstring& path, std::wstring text,
                              bool checkDuplicates) = 0;

    /// Resets, stores the text and parses it; false for an empty text.
    bool ReadText(std::wstring text, bool checkDuplicates);
    CIssueCategoryManager* GetManager() const { return m_manager; }
    /// Back to an empty read: issues, seen keys, statistics, summary and text.
    void Reset();
    /// Drops the text, the issues and the seen keys; statistics and summary stay.
    void Clear();
    bool IsTextEmpty() const;
    std::wstring GetText() const;
    std::size_t GetIssueCount() const;
    /// Replaces what `issues` holds by copies of the issues, which the array then owns.
    std::size_t GetIssues(CIssueArray& issues) const;
    /// Replaces the issues by those of `issues`, added again one by one through `AddIssue`.
    void SetIssues(const CIssueArray& issues);
    CIssueStatistics GetStatistics() const;
    /// Computes the severity total and the most frequent message.
    void Summarize();
    CMessageTally GetMostFrequentMessage() const;
    std::int32_t GetSeverityTotal() const { return m_severityTotal; }
    /// Moves every issue line at or after `fromLine` by `delta`.
    void ShiftLines(std::int32_t fromLine, std::int32_t delta);
    /// Where the issue line `initialLine` is now; -1 when no issue had that line.
    std::int32_t GetShiftedLine(std::int32_t initialLine) const;

    const std::wstring& GetSourcePath() const { return m_sourcePath; }
    /// The lines of the latest read that looked like messages but gave no issue.
    CUnreadLines GetUnreadLines() const;

    /// Writes the issues to `path` as a PC-lint XML document (doc, one message element per
    /// issue); E_FAIL for an empty path, otherwise the save's result.
    Utils::HRESULT SaveXml(const std::wstring& path) const;
    /// Appends one message element (file, line, type, code, desc) for `issue` to `parent`;
    /// E_FAIL without a manager or an issue.
    Utils::HRESULT AppendIssueElement(Utils::CXmlDocument& document, Utils::CXmlElement& parent,
                                      const CIssue* issue) const;

protected:
    void SetSourcePath(const std::wstring& path) { m_sourcePath = path; }
    /// The stored text, for `Parse` (under the lock).
    const std::wstring& Text() const { return m_text; }
    const CIssueStatistics& Statistics() const { return m_statistics; }
    std::recursive_mutex& Lock() const { return m_lock; }

    // For readers that choose the category themselves instead of through `AddIssue`.
    bool IsCheckingDuplicates() const { return m_checkDuplicates; }
    void SetCheckDuplicates(bool checkDuplicates) { m_checkDuplicates = checkDuplicates; }
    /// Remembers the key of a finding; true when it had been seen before.
    bool IsRepeat(const std::wstring& key);
    /// Stores an issue of that category with the next Id and counts it; false when it cannot
    /// be allocated.
    bool StoreIssue(std::int32_t number, const std::wstring& text, const CIssueCategory& category,
                    const std::wstring& file, std::int32_t line);
    /// Notes a line (1-based) that looked like a message but gave no issue.
    void AddUnreadLine(std::int32_t lineNumber, std::wstring_view line);

private:
    mutable std::recursive_mutex m_lock;
    CIssueCategoryManager* m_manager;
    bool m_checkDuplicates = false;
    std::wstring m_sourcePath;
    CIssueArray m_issues;
    CIssueDeltaArray m_deltas;
    std::unordered_set<std::string> m_seenKeys;
    std::int32_t m_mostFrequentNumber = 0;
    std::int32_t m_mostFrequentCategory = 0;
    std::int32_t m_mostFrequentCount = 0;
    std::int32_t m_severityTotal = 0;
    CIssueStatistics m_statistics;
    CUnreadLines m_unreadLines;
    std::wstring m_text;
};

} // namespace Quillmoren::Libraries::CodeAnalysis
