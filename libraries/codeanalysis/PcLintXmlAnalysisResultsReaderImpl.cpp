// PC-lint XML output: the handler table and the recording of one message element.
#include "codeanalysis/PcLintXmlAnalysisResultsReaderImpl.h"

#include "utils/TextHelpers.h"

#include <mutex>

namespace Quillmoren::Libraries::CodeAnalysis {

CPcLintXmlAnalysisResultsReaderImpl::CPcLintXmlAnalysisResultsReaderImpl(
    CIssueCategoryManager* manager)
    : CAnalysisResultsReaderImpl(manager), CXmlFileReader(this) {}

void CPcLintXmlAnalysisResultsReaderImpl::RegisterHandlers() {
    using Self = CPcLintXmlAnalysisResultsReaderImpl;
    RegisterHandler(L"s,/doc/message", &Self::OnMessageStart);
    RegisterHandler(L"c,/doc/message/file", &Self::OnFileText);
    RegisterHandler(L"c,/doc/message/line", &Self::OnLineText);
    RegisterHandler(L"c,/doc/message/type", &Self::OnTypeText);
    RegisterHandler(L"c,/doc/message/code", &Self::OnCodeText);
    RegisterHandler(L"c,/doc/message/desc", &Self::OnDescText);
    RegisterHandler(L"e,/doc/message", &Self::OnMessageEnd);
}

bool CPcLintXmlAnalysisResultsReaderImpl::Parse() {
    std::lock_guard lock(Lock());
    return ParseDocument(Text());
}

bool CPcLintXmlAnalysisResultsReaderImpl::ReadFile(const std::wstring& path, bool checkDuplicates) {
    std::wstring text;
    if (Utils::Failed(Utils::ReadTextFile(path, text)))
        return false;
    return ReadFileText(path, std::move(text), checkDuplicates);
}

bool CPcLintXmlAnalysisResultsReaderImpl::ReadFileText(const std::wstring& /*path*/,
                                                       std::wstring text, bool checkDuplicates) {
    return ReadText(std::move(text), checkDuplicates);
}

void CPcLintXmlAnalysisResultsReaderImpl::OnMessageStart() {
    m_file.clear();
    m_line.clear();
    m_type.clear();
    m_code.clear();
    m_desc.clear();
}

void CPcLintXmlAnalysisResultsReaderImpl::OnMessageEnd() {
    // A message that AddIssue refuses (a bad file name) is simply not recorded.
    AddIssue(m_file, m_line, Utils::ToInt32(m_code), m_type, m_desc);
}

} // namespace Quillmoren::Libraries::CodeAnalysis
