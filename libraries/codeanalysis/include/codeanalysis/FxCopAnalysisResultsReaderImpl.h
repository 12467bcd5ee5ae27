// The reader of FxCop XML reports: the issues of the messages at module, type and member level.
#pragma once

#include "codeanalysis/AnalysisResultsReaderImpl.h"
#include "utils/XmlFileReader.h"

#include <cstdint>
#include <string>

namespace Quillmoren::Libraries::CodeAnalysis {

/// Reads FxCop report files (never a text: `ReadText` refuses) into issues whose category is the
/// one whose XML element name is the issue's Level. The front creates it for the FxCop kind.
/// Results accumulate over successive `ReadFile` calls until a reset.
class CFxCopAnalysisResultsReaderImpl
    : public CAnalysisResultsReaderImpl,
      public Utils::CXmlFileReader<CFxCopAnalysisResultsReaderImpl> {
public:
    explicit CFxCopAnalysisResultsReaderImpl(CIssueCategoryManager* manager);

    /// Reports are read from files only.
    bool Parse() override { return false; }
    /// Adds the issues of one report. Repeats are dropped when `checkDuplicates` is set, or when
    /// the latest `ReadText` asked for it.
    bool ReadFile(const std::wstring& path, bool checkDuplicates) override;
    bool ReadFileText(const std::wstring& path, std::wstring text, bool checkDuplicates) override;
    /// Records one issue, its category chosen by the level text; false without a manager or
    /// for a file name that is not a valid path, true without recording for a repeat.
    virtual bool AddIssueByLevel(const std::wstring& file, const std::wstring& lineText,
                                 std::int32_t number, const std::wstring& level,
                                 const std::wstring& text);

    /// Tries the key of the exact path, then the key for any element under this parent.
    void OnEvent(wchar_t kind) override;
    void RegisterHandlers() override;

private:
    void OnMessageStart();
    void OnIssueStart();
    void OnIssueText();
    void OnIssueEnd();
    void Invoke(const std::wstring& key);

    std::wstring m_checkId;
    std::wstring m_level;
    std::int32_t m_number = 0;
    std::wstring m_line;
    std::wstring m_file;
    /// The Issue element's text so far: comments or child elements cut it into several runs.
    std::wstring m_text;
    bool m_inIssue = false;
};

} // namespace Quillmoren::Libraries::CodeAnalysis
