// FxCop reports: the issues of every message in the report, each with the file and line of the
// nearest element around it that names them, and the category of its level.
#include "codeanalysis/FxCopAnalysisResultsReaderImpl.h"

#include "codeanalysis/IssueCategoryManager.h"
#include "utils/TextHelpers.h"

#include <mutex>

namespace Quillmoren::Libraries::CodeAnalysis {

namespace {

constexpr std::wstring_view kReport = L"/FxCopReport/";
/// The report's list of the rules it ran: it describes rules, it reports nothing.
constexpr std::wstring_view kRules = L"/FxCopReport/Rules";

/// Whether an element at `path` is part of what the report found.
bool IsFinding(std::wstring_view path) {
    if (path.substr(0, kReport.size()) != kReport)
        return false;
    return path.substr(0, kRules.size()) != kRules ||
           (path.size() > kRules.size() && path[kRules.size()] != L'/');
}

} // namespace

CFxCopAnalysisResultsReaderImpl::CFxCopAnalysisResultsReaderImpl(CIssueCategoryManager* manager)
    : CAnalysisResultsReaderImpl(manager), CXmlFileReader(this) {}

void CFxCopAnalysisResultsReaderImpl::RegisterHandlers() {
    // Messages stand at every level of a report (target, module, namespace, type, member,
    // accessor, and namespaces outside the targets): they are known by name, not by path.
    using Self = CFxCopAnalysisResultsReaderImpl;
    RegisterHandler(L"s,-1,Message", &Self::OnMessageStart);
    RegisterHandler(L"s,-2,Message/Issue", &Self::OnIssueStart);
    RegisterHandler(L"c,-2,Message/Issue", &Self::OnIssueText);
    RegisterHandler(L"e,-2,Message/Issue", &Self::OnIssueEnd);
}

void CFxCopAnalysisResultsReaderImpl::OnEvent(wchar_t kind) {
    if (kind == L's') {
        CLocation own;
        if (const std::wstring folder = GetAttribute(L"Path"); !folder.empty())
            own.file = JoinPathAndFile(folder, GetAttribute(L"File"));
        own.line = GetAttribute(L"Line");
        // A part of its own (the targets, the namespaces outside them) carries no file over
        // from the part before it.
        if (m_locations.size() == 1)
            m_carriedFile.clear();
        m_locations.push_back(std::move(own));
    }
    if (IsFinding(Path()))
        DispatchEvent(kind);
    if (kind == L'e' && !m_locations.empty())
        m_locations.pop_back();
}

std::wstring CFxCopAnalysisResultsReaderImpl::JoinPathAndFile(const std::wstring& folder,
                                                              const std::wstring& name) {
    std::wstring file = folder;
    const wchar_t last = folder.back();
    if (!name.empty() && last != L'\\' && last != L'/')
        file += L'\\';
    return file + name;
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
    m_locations.clear();
    m_carriedFile.clear();
    const bool parsed = ParseDocument(text);
    m_locations.clear();
    return parsed;
}

void CFxCopAnalysisResultsReaderImpl::OnMessageStart() {
    m_checkId = GetAttribute(L"CheckId");
    // CA1801 is message 1801: the two letters name the rule family.
    m_number = m_checkId.size() > 2 ? Utils::ToInt32(std::wstring_view(m_checkId).substr(2)) : 0;
}

void CFxCopAnalysisResultsReaderImpl::OnIssueStart() {
    m_level = GetAttribute(L"Level");
    // The file and the line of the Issue itself, or of the nearest element around it that names
    // them.
    m_file.clear();
    m_line.clear();
    for (auto at = m_locations.rbegin(); at != m_locations.rend(); ++at) {
        if (m_file.empty())
            m_file = at->file;
        if (m_line.empty())
            m_line = at->line;
    }
    // An Issue without a file of its own or around it is in the file of the latest Issue before
    // it, in the same part of the report, that named one.
    if (!m_locations.empty() && !m_locations.back().file.empty())
        m_carriedFile = m_locations.back().file;
    else if (m_file.empty())
        m_file = m_carriedFile;
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
