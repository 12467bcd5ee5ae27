// The results reader front: the reader for the tool's kind, and forwarding.
#include "codeanalysis/AnalysisResultsReader.h"

#include "codeanalysis/FxCopAnalysisResultsReaderImpl.h"
#include "codeanalysis/PcLintAnalysisResultsReaderImpl.h"
#include "codeanalysis/PcLintXmlAnalysisResultsReaderImpl.h"
#include "utils/TextHelpers.h"

#include <string_view>

namespace Quillmoren::Libraries::CodeAnalysis {

CAnalysisResultsReader::CAnalysisResultsReader(CIssueCategoryManager* manager, ToolKind kind)
    : m_kind(kind) {
    if (kind == ToolKind::PcLint)
        m_impl = std::make_unique<CPcLintAnalysisResultsReaderImpl>(manager);
    else if (kind == ToolKind::FxCop)
        m_impl = std::make_unique<CFxCopAnalysisResultsReaderImpl>(manager);
}

CAnalysisResultsReader::~CAnalysisResultsReader() {
    try {
        m_impl.reset();
    } catch (...) {
        // Nothing of a failed clean-up may escape the destructor.
    }
}

namespace {

/// Whether a file's text begins with an XML declaration: "<?xml" within its first ten
/// characters, after any byte-order mark, so that a UTF-8 or UTF-16 document is one whichever
/// mark it carries.
bool BeginsAsXml(std::wstring_view text) {
    return text.substr(0, 10).find(L"<?xml") != std::wstring_view::npos;
}

} // namespace

void CAnalysisResultsReader::SwitchToXml() {
    CIssueCategoryManager* manager = m_impl->GetManager();
    m_impl.reset();
    m_impl = std::make_unique<CPcLintXmlAnalysisResultsReaderImpl>(manager);
}

bool CAnalysisResultsReader::Read(std::wstring text, bool checkDuplicates) {
    if (m_kind == ToolKind::PcLint && m_impl != nullptr &&
        text.find(L"<?xml") != std::wstring::npos)
        SwitchToXml();
    return m_impl != nullptr && m_impl->ReadText(std::move(text), checkDuplicates);
}

bool CAnalysisResultsReader::ReadFile(const std::wstring& path, bool checkDuplicates) {
    std::wstring text;
    if (Utils::Failed(Utils::ReadTextFile(path, text)))
        return false;
    return ReadFileText(path, std::move(text), checkDuplicates);
}

bool CAnalysisResultsReader::ReadFileText(const std::wstring& path, std::wstring text,
                                          bool checkDuplicates) {
    if (!m_fileTypeDetected) {
        if (m_kind == ToolKind::PcLint && m_impl != nullptr && BeginsAsXml(text))
            SwitchToXml();
        m_fileTypeDetected = true;
    }
    return m_impl != nullptr && m_impl->ReadFileText(path, std::move(text), checkDuplicates);
}

void CAnalysisResultsReader::Reset() {
    if (m_impl != nullptr)
        m_impl->Reset();
}

void CAnalysisResultsReader::Clear() {
    if (m_impl != nullptr)
        m_impl->Clear();
}

bool CAnalysisResultsReader::IsTextEmpty() const {
    return m_impl != nullptr && m_impl->IsTextEmpty();
}

std::wstring CAnalysisResultsReader::GetText() const {
    return m_impl != nullptr ? m_impl->GetText() : std::wstring();
}

std::size_t CAnalysisResultsReader::GetIssueCount() const {
    return m_impl != nullptr ? m_impl->GetIssueCount() : 0;
}

std::size_t CAnalysisResultsReader::GetIssues(CIssueArray& issues) const {
    return m_impl != nullptr ? m_impl->GetIssues(issues) : 0;
}

void CAnalysisResultsReader::SetIssues(const CIssueArray& issues) {
    if (m_impl != nullptr)
        m_impl->SetIssues(issues);
}

CIssueStatistics CAnalysisResultsReader::GetStatistics() const {
    return m_impl != nullptr ? m_impl->GetStatistics() : CIssueStatistics();
}

void CAnalysisResultsReader::Summarize() {
    if (m_impl != nullptr)
        m_impl->Summarize();
}

CMessageTally CAnalysisResultsReader::GetMostFrequentMessage() const {
    return m_impl != nullptr ? m_impl->GetMostFrequentMessage() : CMessageTally();
}

std::int32_t CAnalysisResultsReader::GetSeverityTotal() const {
    return m_impl != nullptr ? m_impl->GetSeverityTotal() : 0;
}

void CAnalysisResultsReader::ShiftLines(std::int32_t fromLine, std::int32_t delta) {
    if (m_impl != nullptr)
        m_impl->ShiftLines(fromLine, delta);
}

std::int32_t CAnalysisResultsReader::GetShiftedLine(std::int32_t initialLine) const {
    return m_impl != nullptr ? m_impl->GetShiftedLine(initialLine) : -1;
}

CUnreadLines CAnalysisResultsReader::GetUnreadLines() const {
    return m_impl != nullptr ? m_impl->GetUnreadLines() : CUnreadLines{};
}

Utils::HRESULT CAnalysisResultsReader::SaveXml(const std::wstring& path) const {
    return m_impl != nullptr ? m_impl->SaveXml(path) : Utils::E_POINTER;
}

} // namespace Quillmoren::Libraries::CodeAnalysis
