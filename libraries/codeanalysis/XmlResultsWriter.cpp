// The results writer: a reader's issues as a PC-lint XML document, one message element each.
#include "codeanalysis/XmlResultsWriter.h"

#include "codeanalysis/AnalysisResultsReaderImpl.h"
#include "codeanalysis/IssueCategoryManager.h"
#include "utils/XmlServices.h"

#include <mutex>

namespace Quillmoren::Libraries::CodeAnalysis {

using Utils::CXmlDocument;
using Utils::CXmlElement;
using Utils::E_FAIL;
using Utils::E_OUTOFMEMORY;
using Utils::Failed;
using Utils::HRESULT;
using Utils::S_OK;

bool IndentXmlDocument(const CXmlDocument& document) {
    return !document.GetDocumentElement().IsNull();
}

HRESULT CAnalysisResultsReaderImpl::SaveXml(const std::wstring& path) const {
    if (path.empty())
        return E_FAIL;
    // Held so that no read changes the issues while they are written.
    std::lock_guard lock(m_lock);
    CXmlDocument document;
    HRESULT result =
        document.AppendProcessingInstruction(L"xml", L"version=\"1.0\" encoding=\"UTF-8\"");
    if (Failed(result))
        return result;
    CXmlElement doc = document.CreateElement(L"doc");
    if (doc.IsNull())
        return E_OUTOFMEMORY;
    if (result = document.AppendChild(doc); Failed(result))
        return result;
    for (std::size_t i = 0; i < m_issues.GetCount(); ++i)
        AppendIssueElement(document, doc, m_issues.GetAt(i)); // a message that fails is left out
    IndentXmlDocument(document);
    return document.Save(path);
}

HRESULT CAnalysisResultsReaderImpl::AppendIssueElement(CXmlDocument& document, CXmlElement& parent,
                                                       const CIssue* issue) const {
    if (m_manager == nullptr || issue == nullptr)
        return E_FAIL;
    const CIssueCategory category = m_manager->GetCategory(issue->GetCategory());
    CXmlElement message = document.CreateElement(L"message");
    if (message.IsNull())
        return E_OUTOFMEMORY;
    const std::pair<const wchar_t*, std::wstring> fields[] = {
        {L"file", issue->GetFile()},
        {L"line", std::to_wstring(issue->GetLine())},
        {L"type", category.GetDisplayName()}, // empty for an index that names no category
        {L"code", std::to_wstring(issue->GetNumber())},
        {L"desc", issue->GetText()},
    };
    for (const auto& [name, text] : fields) {
        CXmlElement child = document.CreateElement(name);
        if (child.IsNull())
            return E_OUTOFMEMORY;
        HRESULT result = child.SetText(text);
        if (Utils::Succeeded(result))
            result = message.AppendChild(child);
        if (Failed(result))
            return result;
    }
    return parent.AppendChild(message);
}

} // namespace Quillmoren::Libraries::CodeAnalysis
