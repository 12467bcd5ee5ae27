// The one object through which callers read analysis results, whatever the tool.
#pragma once

#include "codeanalysis/Issue.h"
#include "utils/Result.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Quillmoren::Libraries::CodeAnalysis {

class CAnalysisResultsReaderImpl;
class CIssueCategoryManager;

/// The analysis tool whose results are read.
enum class ToolKind : std::int32_t { PcLint = 0, FxCop = 1 };

/// Owns the reader for the tool's format and forwards every operation to it. A kind without a
/// reader answers every operation with its default. The manager is not owned and must outlive
/// the front.
class CAnalysisResultsReader {
public:
    CAnalysisResultsReader(CIssueCategoryManager* manager, ToolKind kind);
    virtual ~CAnalysisResultsReader();
    CAnalysisResultsReader(const CAnalysisResultsReader&) = delete;
    CAnalysisResultsReader& operator=(const CAnalysisResultsReader&) = delete;

    ToolKind GetKind() const { return m_kind; }
    bool Read(std::wstring text, bool checkDuplicates);
    /// Reads a results file. A PC-lint front whose first file begins with an XML declaration
    /// (in any of the encodings that `Utils::ReadTextFile` reads) switches to the XML reader.
    bool ReadFile(const std::wstring& path, bool checkDuplicates);
    /// As `ReadFile`, for the decoded text of the file `path` that the caller has read: a pipe,
    /// a FIFO or standard input can be read only once, so nothing may read it again.
    bool ReadFileText(const std::wstring& path, std::wstring text, bool checkDuplicates);
    void Reset();
    void Clear();
    bool IsTextEmpty() const;
    std::wstring GetText() const;
    std::size_t GetIssueCount() const;
    std::size_t GetIssues(CIssueArray& issues) const;
    void SetIssues(const CIssueArray& issues);
    CIssueStatistics GetStatistics() const;
    void Summarize();
    CMessageTally GetMostFrequentMessage() const;
    std::int32_t GetSeverityTotal() const;
    void ShiftLines(std::int32_t fromLine, std::int32_t delta);
    std::int32_t GetShiftedLine(std::int32_t initialLine) const;
    /// The lines of the latest read that looked like messages but gave no issue.
    CUnreadLines GetUnreadLines() const;
    /// Writes the issues as a PC-lint XML document; E_POINTER without a reader.
    Utils::HRESULT SaveXml(const std::wstring& path) const;

private:
    /// Replaces the reader by the PC-lint XML reader on the same manager.
    void SwitchToXml();

    ToolKind m_kind;
    std::unique_ptr<CAnalysisResultsReaderImpl> m_impl;
    bool m_fileTypeDetected = false;
};

} // namespace Quillmoren::Libraries::CodeAnalysis
