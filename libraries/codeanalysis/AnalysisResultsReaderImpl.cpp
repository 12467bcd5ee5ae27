// The results reader base: adding issues, repeats, the summary and line shifts.
#include "codeanalysis/AnalysisResultsReaderImpl.h"

#include "codeanalysis/IssueCategoryManager.h"
#include "platform/Encoding.h"
#include "utils/TextHelpers.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <map>
#include <new>

namespace Quillmoren::Libraries::CodeAnalysis {
namespace Utils = Quillmoren::Libraries::Utils;
namespace Platform = Quillmoren::Libraries::Platform;

CAnalysisResultsReaderImpl::CAnalysisResultsReaderImpl(CIssueCategoryManager* manager)
    : m_manager(manager) {
    m_issues.SetOwnsElements(true);
    m_deltas.SetOwnsElements(true);
}

CAnalysisResultsReaderImpl::~CAnalysisResultsReaderImpl() = default;

bool CAnalysisResultsReaderImpl::ReadText(std::wstring text, bool checkDuplicates) {
    std::lock_guard lock(m_lock);
    Reset();
    m_checkDuplicates = checkDuplicates;
    m_text = std::move(text);
    return !m_text.empty() && Parse();
}

bool CAnalysisResultsReaderImpl::AddIssue(const std::wstring& file, const std::wstring& lineText,
                                          std::int32_t number, const std::wstring& type,
                                          const std::wstring& messageText) {
    if (m_manager == nullptr)
        return false;
    const std::wstring trimmed = Utils::Trim(file);
    if (!trimmed.empty() && !Utils::IsValidPathName(trimmed) && !IsPseudoFileName(trimmed))
        return false;
    if (m_checkDuplicates) {
        // Kept as UTF-8: a read of a large output holds a million keys.
        std::wstring key;
        key.reserve(trimmed.size() + lineText.size() + messageText.size() + 16);
        key.append(trimmed).append(L",").append(lineText).append(L",");
        key.append(std::to_wstring(number)).append(L",").append(messageText);
        // Follow-ups that point at other places are never repeats: "Location cited in prior
        // message" (830, 831) and PC-lint Plus's supplemental messages.
        constexpr std::wstring_view kSupplemental = L"supplemental";
        const bool followUp =
            number == 830 || number == 831 ||
            (type.size() == kSupplemental.size() && Utils::FindNoCase(type, kSupplemental) == 0);
        if (IsRepeat(key) && !followUp)
            return true;
    }
    return StoreIssue(number, messageText, m_manager->GetCategoryForMessage(number), trimmed,
                      Utils::ToInt32(lineText));
}

bool CAnalysisResultsReaderImpl::IsPseudoFileName(std::wstring_view file) {
    // As long as a path may be, and one pair of brackets: "foo<1>.c" is a file name gone wrong.
    constexpr std::size_t kLongest = 260;
    if (file.size() < 3 || file.size() > kLongest || file.front() != L'<' || file.back() != L'>')
        return false;
    const std::wstring_view inner = file.substr(1, file.size() - 2);
    if (inner.find_first_of(L"<>") != std::wstring_view::npos)
        return false;
    for (const wchar_t c : inner)
        if (std::iswcntrl(static_cast<wint_t>(c)))
            return false;
    return true;
}

bool CAnalysisResultsReaderImpl::IsRepeat(const std::wstring& key) {
    return !m_seenKeys.insert(Platform::EncodeUtf8(key)).second;
}

bool CAnalysisResultsReaderImpl::StoreIssue(std::int32_t number, const std::wstring& text,
                                            const CIssueCategory& category,
                                            const std::wstring& file, std::int32_t line) {
    CIssue* issue = new (std::nothrow) CIssue(static_cast<std::int32_t>(m_issues.GetCount() + 1),
                                              number, text, category.GetIndex(), file, line);
    if (issue == nullptr)
        return false;
    m_issues.Add(issue);
    m_statistics.RecordIssue(number, category.GetIndex(), category.GetIsFatal());
    return true;
}

void CAnalysisResultsReaderImpl::AddUnreadLine(std::int32_t lineNumber, std::wstring_view line) {
    ++m_unreadLines.Count;
    if (m_unreadLines.First.size() < CUnreadLines::kKept)
        m_unreadLines.First.emplace_back(lineNumber, std::wstring(line));
}

CUnreadLines CAnalysisResultsReaderImpl::GetUnreadLines() const {
    std::lock_guard lock(m_lock);
    return m_unreadLines;
}

void CAnalysisResultsReaderImpl::Reset() {
    std::lock_guard lock(m_lock);
    m_unreadLines = {};
    m_issues.RemoveAll();
    m_seenKeys.clear();
    m_statistics.Reset();
    m_mostFrequentNumber = 0;
    m_mostFrequentCategory = 0;
    m_mostFrequentCount = 0;
    m_severityTotal = 0;
    m_text.clear();
}

void CAnalysisResultsReaderImpl::Clear() {
    std::lock_guard lock(m_lock);
    m_text.clear();
    m_issues.RemoveAll();
    m_seenKeys.clear();
}

bool CAnalysisResultsReaderImpl::IsTextEmpty() const {
    std::lock_guard lock(m_lock);
    return m_text.empty();
}

std::wstring CAnalysisResultsReaderImpl::GetText() const {
    std::lock_guard lock(m_lock);
    return m_text;
}

std::size_t CAnalysisResultsReaderImpl::GetIssueCount() const {
    std::lock_guard lock(m_lock);
    return m_issues.GetCount();
}

std::size_t CAnalysisResultsReaderImpl::GetIssues(CIssueArray& issues) const {
    std::lock_guard lock(m_lock);
    issues.RemoveAll();
    // The array now holds only the new copies, which nobody else holds: it owns them, whatever
    // it was told before, so that no caller can leak them.
    issues.SetOwnsElements(true);
    issues.SetCount(m_issues.GetCount());
    for (std::size_t i = 0; i < m_issues.GetCount(); ++i) {
        const CIssue* issue = m_issues.GetAt(i);
        issues.SetAt(i, issue != nullptr ? new CIssue(*issue) : nullptr);
    }
    return issues.GetCount();
}

void CAnalysisResultsReaderImpl::SetIssues(const CIssueArray& issues) {
    std::lock_guard lock(m_lock);
    m_issues.RemoveAll();
    for (std::size_t i = 0; i < issues.GetCount(); ++i) {
        const CIssue* issue = issues.GetAt(i);
        if (issue != nullptr)
            AddIssue(issue->GetFile(), std::to_wstring(issue->GetLine()), issue->GetNumber(), L"",
                     issue->GetText());
    }
}

CIssueStatistics CAnalysisResultsReaderImpl::GetStatistics() const {
    std::lock_guard lock(m_lock);
    return m_statistics;
}

void CAnalysisResultsReaderImpl::Summarize() {
    // Millions of issues of a high severity overflow 32 bits: the total saturates instead.
    // Issues share few categories: each category's severity is asked for once.
    std::int64_t total = 0;
    std::map<std::int32_t, std::int32_t> severities;
    for (std::size_t i = 0; i < m_issues.GetCount(); ++i) {
        const CIssue* issue = m_issues.GetAt(i);
        if (issue == nullptr || m_manager == nullptr)
            continue;
        auto found = severities.find(issue->GetCategory());
        if (found == severities.end())
            found = severities
                        .emplace(issue->GetCategory(),
                                 m_manager->GetCategory(issue->GetCategory()).GetSeverity())
                        .first;
        total += found->second;
    }
    m_severityTotal =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(total, INT32_MIN, INT32_MAX));
    m_mostFrequentCount = 0;
    for (const auto& [number, tally] : m_statistics.MessageCounts) {
        if (tally.Count > m_mostFrequentCount) {
            m_mostFrequentNumber = number;
            m_mostFrequentCategory = tally.Category;
            m_mostFrequentCount = tally.Count;
        }
    }
}

CMessageTally CAnalysisResultsReaderImpl::GetMostFrequentMessage() const {
    std::lock_guard lock(m_lock);
    return {m_mostFrequentNumber, m_mostFrequentCount, m_mostFrequentCategory};
}

void CAnalysisResultsReaderImpl::ShiftLines(std::int32_t fromLine, std::int32_t delta) {
    if (m_deltas.IsEmpty()) {
        for (std::size_t i = 0; i < m_issues.GetCount(); ++i) {
            const CIssue* issue = m_issues.GetAt(i);
            const std::int32_t line = issue != nullptr ? issue->GetLine() : 0;
            m_deltas.Add(new CIssueDelta{line, line});
        }
    }
    for (std::size_t i = 0; i < m_deltas.GetCount(); ++i) {
        CIssueDelta* shift = m_deltas.GetAt(i);
        if (shift->CurrentLine >= fromLine)
            shift->CurrentLine += delta;
    }
}

std::int32_t CAnalysisResultsReaderImpl::GetShiftedLine(std::int32_t initialLine) const {
    for (std::size_t i = 0; i < m_deltas.GetCount(); ++i) {
        const CIssueDelta* shift = m_deltas.GetAt(i);
        if (shift->InitialLine == initialLine)
            return shift->CurrentLine;
    }
    return -1;
}

} // namespace Quillmoren::Libraries::CodeAnalysis
