// FxCop reports: the handler table over the three message levels and the recording of an issue
// with the category of its level.
#include "codeanalysis/FxCopAnalysisResultsReaderImpl.h"

#include "codeanalysis/IssueCategoryManager.h"
#include "utils/TextHelpers.h"

#include <mutex>

namespace Quillmoren::Libraries::CodeAnalysis {

namespace {

/// The element paths of the Message elements that hold issues.
constexpr const wchar_t* kMessagePaths[] = {
    L"/FxCopReport/Targets/Target/Modules/Module/Messages/Message",
    L"/FxCopReport/Targets/Target/Modules/Module/Namespaces/Namespace/Types/Type/Messages/Message",
    (L"/FxCopReport/Targets/Target/Modules/Module/Namespaces/Namespace/Types/Type/Members/Member/"
     L"Messages/Message"),
};

} // namespace

CFxCopAnalysisResultsReaderImpl::CFxCopAnalysisResultsReaderImpl(CIssueCategoryManager* manager)
    : CAnalysisResultsReaderImpl(manager), CXmlFileReader(nullptr) {}

void CFxCopAnalysisResultsReaderImpl::RegisterHandlers() {
    using Self = CFxCopAnalysisResultsReaderImpl;
    for (const wchar_t* path : kMessagePaths) {
        const std::wstring message(path);
        RegisterHandler(L"s," + message, &Self::OnMessageStart);
        RegisterHandler(L"s," + message + L"/Issue", &Self::OnIssueStart);
        RegisterHandler(L"c," + message + L"/Issue", &Self::OnIssueText);
        RegisterHandler(L"e," + message + L"/Issue", &Self::OnIssueEnd);
    }
}

void CFxCopAnalysisResultsReaderImpl::Invoke(const std::wstring& key) {
    // The framework has no owner to call handlers on: this reader calls them on itself.
    const auto found = Handlers().find(key);
    if (found != Handlers().end())
        (this->*(found->second))();
}

void CFxCopAnalysisResultsReaderImpl::OnEvent(wchar_t kind) {
    if (!HasHandlers())
        return;
    const std::wstring path = GetPath();
    const std::wstring k(1, kind);
    Invoke(k + L"," + path);
    const std::wstring parent = k + L",*," + path;
    if (const std::size_t slash = parent.rfind(L'/'); slash != std::wstring::npos)
        Invoke(parent.substr(0, slash) + L"/*");
}

bool CFxCopAnalysisResultsReaderImpl::ReadFile(const std::wstring& path, bool checkDuplicates) {
    std::lock_guard lock(Lock());
    std::wstring text;
    if (Utils::Failed(Utils::ReadTextFile(path, text)))
        return false;
    return ReadFileText(path, std::move(text), checkDuplicates);
}

bool CFxCopAnalysisResultsReaderImpl::ReadFileText(const std::wstring& /*path*/, std::wstring text,
                                                   bool checkDuplicates) {
    std::lock_guard lock(Lock());
    if (checkDuplicates)
        SetCheckDuplicates(true);
    // Nothing of the previous report may carry over into this one, the file least of all.
    m_checkId.clear();
    m_level.clear();
    m_number = 0;
    m_line.clear();
    m_file.clear();
    m_text.clear();
    m_inIssue = false;
    return ParseDocument(text);
}

void CFxCopAnalysisResultsReaderImpl::OnMessageStart() {
    m_checkId = GetAttribute(L"CheckId");
    // CA1801 is message 1801: the two letters name the rule family.
    m_number = m_checkId.size() > 2 ? Utils::ToInt32(std::wstring_view(m_checkId).substr(2)) : 0;
}

void CFxCopAnalysisResultsReaderImpl::OnIssueStart() {
    m_level = GetAttribute(L"Level");
    m_line = GetAttribute(L"Line");
    const std::wstring folder = GetAttribute(L"Path");
    if (!folder.empty()) {
        // An Issue without a Path is in the file of the one before it.
        const std::wstring name = GetAttribute(L"File");
        const wchar_t last = folder.back();
        m_file = folder;
        if (!name.empty() && last != L'\\' && last != L'/')
            m_file += L'\\';
        m_file += name;
    }
    m_text.clear();
    m_inIssue = true;
}

void CFxCopAnalysisResultsReaderImpl::OnIssueText() {
    if (m_inIssue)
        m_text += GetElementText();
}

void CFxCopAnalysisResultsReaderImpl::OnIssueEnd() {
    if (!m_inIssue)
        return;
    m_inIssue = false;
    // One Issue element is one issue, whatever cut its text; one without text is none.
    if (!Utils::Trim(m_text).empty())
        AddIssueByLevel(m_file, m_line, m_number, m_level, m_text);
    m_text.clear();
}

bool CFxCopAnalysisResultsReaderImpl::AddIssueByLevel(const std::wstring& file,
                                                      const std::wstring& lineText,
                                                      std::int32_t number,
                                                      const std::wstring& level,
                                                      const std::wstring& text) {
    CIssueCategoryManager* manager = GetManager();
    if (manager == nullptr)
        return false;
    if (!file.empty() && !Utils::IsValidPathName(file))
        return false;
    if (IsCheckingDuplicates()) {
        std::wstring key;
        key.reserve(file.size() + lineText.size() + text.size() + 16);
        key.append(file).append(L",").append(lineText).append(L",");
        key.append(std::to_wstring(number)).append(L",").append(text);
        if (IsRepeat(key))
            return true;
    }
    return StoreIssue(number, text, manager->GetCategoryByXmlElement(level), file,
                      Utils::ToInt32(lineText));
}

} // namespace Quillmoren::Libraries::CodeAnalysis
