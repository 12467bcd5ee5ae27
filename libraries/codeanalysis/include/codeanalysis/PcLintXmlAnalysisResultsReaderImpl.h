// The reader of PC-lint's XML output: <doc> with one <message> element per finding.
#pragma once

#include "codeanalysis/AnalysisResultsReaderImpl.h"
#include "utils/XmlFileReader.h"

#include <string>

namespace Quillmoren::Libraries::CodeAnalysis {

/// Reads /doc/message elements (children file, line, type, code, desc, each optional) into issues
/// through the base's `AddIssue`. Each child's whole text is its field: the XML services hand
/// over character data between two tags as one piece, entity references included.
class CPcLintXmlAnalysisResultsReaderImpl
    : public CAnalysisResultsReaderImpl,
      public Utils::CXmlFileReader<CPcLintXmlAnalysisResultsReaderImpl> {
public:
    explicit CPcLintXmlAnalysisResultsReaderImpl(CIssueCategoryManager* manager);

    bool Parse() override;
    bool ReadFile(const std::wstring& path, bool checkDuplicates) override;
    bool ReadFileText(const std::wstring& path, std::wstring text, bool checkDuplicates) override;

    void OnEvent(wchar_t kind) override { DispatchEvent(kind); }
    void RegisterHandlers() override;

private:
    void OnMessageStart();
    void OnFileText() { m_file = GetElementText(); }
    void OnLineText() { m_line = GetElementText(); }
    void OnTypeText() { m_type = GetElementText(); }
    void OnCodeText() { m_code = GetElementText(); }
    void OnDescText() { m_desc = GetElementText(); }
    void OnMessageEnd();

    std::wstring m_file;
    std::wstring m_line;
    std::wstring m_type;
    std::wstring m_code;
    std::wstring m_desc;
};

} // namespace Quillmoren::Libraries::CodeAnalysis
