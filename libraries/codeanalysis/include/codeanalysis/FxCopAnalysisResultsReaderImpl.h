// The reader of FxCop XML reports: the issues of the messages at every level of the report.
#pragma once

#include "codeanalysis/AnalysisResultsReaderImpl.h"
#include "utils/XmlFileReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Quillmoren::Libraries::CodeAnalysis {

/// Reads FxCop report files (never a text: `ReadText` refuses) into issues whose category is the
/// one whose XML element name is the issue's Level: one issue for every Issue element of every
/// Message, wherever the message stands (outside the report's rule list), with the file and line
/// of the nearest element around the text that names them. The front creates it for the FxCop
/// kind. Results accumulate over successive `ReadFile` calls until a reset.
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

    /// Keeps the location of every open element and routes the events of the report's findings
    /// through the general matcher.
    void OnEvent(wchar_t kind) override;
    void RegisterHandlers() override;

private:
    void OnMessageStart();
    void OnIssueStart();
    void OnIssueText();
    void OnIssueEnd();
    /// A Path attribute and a File attribute as one file name.
    static std::wstring JoinPathAndFile(const std::wstring& folder, const std::wstring& name);

    /// The file (Path and File attributes) and the line (Line attribute) that an element names.
    struct CLocation {
        std::wstring file;
        std::wstring line;
    };

    std::wstring m_checkId;
    std::wstring m_level;
    std::int32_t m_number = 0;
    std::wstring m_line;
    std::wstring m_file;
    /// The Issue element's text so far: comments or child elements cut it into several runs.
    std::wstring m_text;
    bool m_inIssue = false;
    /// One location per open element, the innermost last.
    std::vector<CLocation> m_locations;
    /// The file of the latest Issue that named one in this part of the report.
    std::wstring m_carriedFile;
};

} // namespace Quillmoren::Libraries::CodeAnalysis
