// The category manager and its implementation: loading and saving the categories in the current
// user's settings, editing the list, message assignments and the classification of numbers.
#include "codeanalysis/IssueCategoryManager.h"

#include "codeanalysis/SettingsValues.h"

#include "utils/TextHelpers.h"

#include <algorithm>
#include <climits>
#include <cwctype>
#include <map>
#include <optional>
#include <utility>

namespace Quillmoren::Libraries::CodeAnalysis {

using Platform::CSettingsFile;
using Platform::CSettingsStore;
using Platform::CSettingsValue;

namespace {

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(static_cast<wint_t>(x)) ==
                      std::towupper(static_cast<wint_t>(y));
           });
}

/// The value as stored, or nothing when there is none.
std::optional<CSettingsValue> StoredValue(const CSettingsStore& settings,
                                          const std::wstring& keyPath,
                                          const std::wstring& valueName) {
    CSettingsValue value;
    if (!settings.GetValue(keyPath, valueName, value)) {
        return std::nullopt;
    }
    return value;
}

/// An "Icon" value to write back once the categories are read: the name for the category's
/// identifier, unless the value is no longer what the snapshot held.
struct CIconWrite {
    std::wstring key;
    std::wstring name;
    std::optional<CSettingsValue> before;
};

std::wstring CategoryKey(const std::wstring& registryPath, std::int32_t index) {
    return registryPath + L"\\" + std::to_wstring(index);
}

} // namespace

std::int32_t ClassifyMessageNumber(std::int32_t n) {
    auto in = [n](std::int32_t low, std::int32_t high) { return n >= low && n <= high; };
    if (in(1, 199) || in(1001, 1199)) {
        return kLevelError;
    }
    if (in(300, 399)) {
        return kLevelFatalError;
    }
    if (in(400, 699) || in(1400, 1699)) {
        return kLevelWarning;
    }
    if (in(700, 899) || in(1700, 1899)) {
        return kLevelInformation;
    }
    // 9000 to 9999: the elective notes of the coding-guideline checks.
    if (in(900, 999) || in(1900, 1999) || in(9000, 9999)) {
        return kLevelElectiveNote;
    }
    if (in(200, 299) || in(1200, 1299) || n == 0) {
        return kLevelInternalError;
    }
    return kLevelError;
}

/// The state of a `CIssueCategoryManager`. The maps point into the list, which owns the
/// categories; every operation leaves category i at position i.
class CIssueCategoryManagerImpl {
public:
    void Load(CMessageDatabase* database, const std::wstring& registryPath,
              bool loadUserCategories);
    void LoadFromRegistry();
    bool SaveToRegistry(std::wstring& error);
    bool SaveToRegistry() {
        std::wstring ignored;
        return SaveToRegistry(ignored);
    }
    void RegisterIcons();
    void Clear();

    CIssueCategory GetCategory(std::int32_t index) const;
    CIssueCategory GetCategoryByXmlElement(const std::wstring& name) const;
    CIssueCategory GetCategoryForMessage(std::int32_t messageNumber) const;
    std::int32_t GetCategories(std::vector<CIssueCategory>& categories) const;
    std::int32_t GetCategoryPointers(std::vector<CIssueCategory*>& categories) const;

    bool UpdateCategory(const CIssueCategory& category);
    CIssueCategory* InsertCategory(std::int32_t position, CIssueCategory category);
    bool DeleteCategory(CIssueCategory* category);
    bool MoveCategory(CIssueCategory* category, int step);
    void SortCategories();

    bool AssignMessage(std::int32_t messageNumber, CIssueCategory* category);
    bool UnassignMessage(std::int32_t messageNumber, CIssueCategory* category);
    std::int32_t GetAssignedMessages(std::int32_t index, std::vector<std::int32_t>& numbers) const;
    CIssueCategory* At(std::int32_t position) const;

    std::int32_t Count() const { return static_cast<std::int32_t>(m_categories.size()); }

    std::vector<std::unique_ptr<CIssueCategory>> m_categories;
    std::map<std::int32_t, CIssueCategory*> m_assignments;
    std::map<std::int32_t, CIssueCategory*> m_levels;
    CIconIdNameMap m_icons;
    bool m_userFlag = false;
    CMessageDatabase* m_database = nullptr;
    std::wstring m_registryPath;
    bool m_loadUserCategories = false;
    std::wstring m_settingsError;

private:
    /// The position of a category this manager holds, or -1 for any other pointer.
    std::int32_t PositionOf(const CIssueCategory* category) const;
    void Renumber(std::size_t from);
    /// Reads category n from the snapshot; false when there is none. An "Icon" value to write
    /// back is added to `iconWrites`.
    bool ReadCategory(const CSettingsStore& settings, std::int32_t n,
                      std::vector<CIconWrite>& iconWrites);
    void WriteCategories(CSettingsStore& settings) const;
    void AddMissingBuiltInCategories();
};

void CIssueCategoryManagerImpl::Load(CMessageDatabase* database, const std::wstring& registryPath,
                                     bool loadUserCategories) {
    Clear();
    m_settingsError.clear();
    m_database = database;
    m_registryPath = registryPath;
    m_loadUserCategories = loadUserCategories;
    RegisterIcons();
    if (!m_registryPath.empty()) {
        LoadFromRegistry();
    }
    AddMissingBuiltInCategories();
    SortCategories();
}

void CIssueCategoryManagerImpl::LoadFromRegistry() {
    if (m_registryPath.empty()) {
        return;
    }
    // One read and parse of the settings file serves every value of every category. A file that
    // cannot be read or parsed gives an empty snapshot, so the built-in categories apply.
    const CSettingsFile file(Platform::SettingsFilePath());
    CSettingsStore settings;
    std::wstring error;
    const bool readable = file.Read(settings, error);
    // A parse error names its line; a file that cannot be read names the call and the reason.
    m_settingsError = readable                       ? std::wstring()
                      : settings.ErrorText().empty() ? error
                                                     : settings.ErrorText();

    std::vector<CIconWrite> iconWrites;
    for (std::int32_t n = 0; ReadCategory(settings, n, iconWrites); ++n) {
    }
    if (readable && !iconWrites.empty()) {
        // All write-backs in one locked change; it fails, writing nothing, if the file no longer
        // parses.
        file.Update(
            [&iconWrites](CSettingsStore& current) {
                for (const CIconWrite& write : iconWrites) {
                    // Another process may have set the icon since the snapshot: its value stays.
                    if (StoredValue(current, write.key, L"Icon") == write.before) {
                        WriteRegistryString(current, write.key, L"Icon", write.name);
                    }
                }
                return true;
            },
            error);
    }
    if (m_loadUserCategories) {
        return;
    }
    std::vector<CIssueCategory*> userCategories;
    for (const auto& category : m_categories) {
        if (category->GetBuiltInLevel() < 0) {
            userCategories.push_back(category.get());
        }
    }
    for (CIssueCategory* category : userCategories) {
        DeleteCategory(category);
    }
    SaveToRegistry();
}

bool CIssueCategoryManagerImpl::ReadCategory(const CSettingsStore& settings, std::int32_t n,
                                             std::vector<CIconWrite>& iconWrites) {
    const std::wstring key = CategoryKey(m_registryPath, n);
    const std::wstring displayName = ReadRegistryString(settings, key, L"DisplayName", L"");
    if (displayName.empty()) {
        return false;
    }
    CIssueCategory defaults;
    const auto level =
        static_cast<std::int32_t>(ReadRegistryDword(settings, key, L"BuiltInLevel", 0));
    if (const CBuiltInCategory* row = FindBuiltInCategory(level)) {
        defaults.SetForegroundColour(row->foregroundColour);
        defaults.SetBackgroundColour(row->backgroundColour);
        defaults.SetChartColour(row->chartColour);
    }
    const std::wstring plural = ReadRegistryString(settings, key, L"DisplayNamePlural", L"");
    const auto severity =
        static_cast<std::int32_t>(ReadRegistryDword(settings, key, L"Severity", 1));
    std::wstring iconName = ReadRegistryString(settings, key, L"Icon", L"");
    std::int32_t iconId = m_icons.GetIconId(iconName);
    if (iconId == 0) {
        iconId = static_cast<std::int32_t>(ReadRegistryDword(settings, key, L"IconID", 0));
        iconName = m_icons.GetIconName(iconId);
        if (!StoredTextEquals(settings, key, L"Icon", iconName)) {
            iconWrites.push_back({key, iconName, StoredValue(settings, key, L"Icon")});
        }
    }
    const std::wstring xmlElement = ReadRegistryString(settings, key, L"XmlElement", L"");
    const bool isFatal = ReadRegistryDword(settings, key, L"IsFatal", 0) != 0;
    const Colour foreground = ReadRegistryDword(settings, key, L"ForegroundColour",
                                                defaults.GetEffectiveForegroundColour());
    const Colour background = ReadRegistryDword(settings, key, L"BackgroundColour",
                                                defaults.GetEffectiveBackgroundColour());
    const Colour chart =
        ReadRegistryDword(settings, key, L"ChartColour", defaults.GetEffectiveChartColour());
    std::wstring issues = ReadRegistryString(settings, key, L"Issues", L"");

    auto category =
        std::make_unique<CIssueCategory>(n, displayName, plural, severity, iconId, foreground,
                                         background, chart, xmlElement, isFatal);
    category->SetBuiltInLevel(level);
    category->SetForegroundColour(foreground);
    category->SetBackgroundColour(background);
    category->SetChartColour(chart);

    CIssueCategory* held = category.get();
    if (n < Count()) {
        // Loading over a list that already has this position: the old category goes, and with
        // it everything that pointed to it.
        CIssueCategory* old = m_categories[static_cast<std::size_t>(n)].get();
        std::erase_if(m_assignments, [old](const auto& entry) { return entry.second == old; });
        std::erase_if(m_levels, [old](const auto& entry) { return entry.second == old; });
        m_categories[static_cast<std::size_t>(n)] = std::move(category);
    } else {
        m_categories.push_back(std::move(category));
    }
    if (level > 0) {
        m_levels[level] = held;
    }
    if (m_loadUserCategories) {
        while (!issues.empty()) {
            const std::int32_t number = Utils::ToInt32(Utils::NextToken(issues, L",", true));
            if (number > 0) {
                AssignMessage(number, held);
            }
        }
    }
    return true;
}

bool CIssueCategoryManagerImpl::SaveToRegistry(std::wstring& error) {
    // Without a path the categories would land at the top of the user's settings, and the old
    // tree's deletion would aim at the whole of them.
    if (m_registryPath.empty()) {
        error = L"no settings path was loaded";
        return false;
    }
    const CSettingsFile file(Platform::SettingsFilePath());
    return file.Update(
        [this](CSettingsStore& settings) {
            WriteCategories(settings);
            return true;
        },
        error);
}

void CIssueCategoryManagerImpl::WriteCategories(CSettingsStore& settings) const {
    // The old tree goes first, so that keys of categories no longer in the list do not stay.
    // When the parent key does not exist there is nothing to delete.
    settings.DeleteTree(m_registryPath);
    for (const auto& category : m_categories) {
        const std::wstring key = CategoryKey(m_registryPath, category->GetIndex());
        std::wstring issues;
        for (const auto& [number, assigned] : m_assignments) {
            if (number > 0 && assigned == category.get()) {
                issues += std::to_wstring(number) + L",";
            }
        }
        WriteRegistryString(settings, key, L"DisplayName", category->GetDisplayName());
        WriteRegistryString(settings, key, L"DisplayNamePlural", category->GetDisplayNamePlural());
        WriteRegistryDword(settings, key, L"Severity",
                           static_cast<std::uint32_t>(category->GetSeverity()));
        WriteRegistryString(settings, key, L"Icon", m_icons.GetIconName(category->GetIconID()));
        WriteRegistryString(settings, key, L"XmlElement", category->GetXmlElement());
        WriteRegistryDword(settings, key, L"IsFatal", category->GetIsFatal() ? 1 : 0);
        WriteRegistryDword(settings, key, L"BuiltInLevel",
                           static_cast<std::uint32_t>(category->GetBuiltInLevel()));
        WriteRegistryDword(settings, key, L"ForegroundColour", category->GetForegroundColour());
        WriteRegistryDword(settings, key, L"BackgroundColour", category->GetBackgroundColour());
        WriteRegistryDword(settings, key, L"ChartColour", category->GetChartColour());
        WriteRegistryString(settings, key, L"Issues", issues);
    }
}

void CIssueCategoryManagerImpl::RegisterIcons() {
    // A second registration would list every icon twice.
    for (const CIconDefinition& icon : kCategoryIcons) {
        if (m_icons.GetIconName(icon.id).empty()) {
            m_icons.AddIcon(icon.id, std::wstring(icon.name), icon.guid);
        }
    }
}

void CIssueCategoryManagerImpl::Clear() {
    m_assignments.clear();
    m_levels.clear();
    m_categories.clear();
}

void CIssueCategoryManagerImpl::AddMissingBuiltInCategories() {
    for (const CBuiltInCategory& row : kBuiltInCategories) {
        if (m_levels.count(row.level) != 0) {
            continue;
        }
        m_categories.push_back(std::make_unique<CIssueCategory>(MakeBuiltInCategory(row, Count())));
        m_levels[row.level] = m_categories.back().get();
    }
}

CIssueCategory* CIssueCategoryManagerImpl::At(std::int32_t position) const {
    return position >= 0 && position < Count()
               ? m_categories[static_cast<std::size_t>(position)].get()
               : nullptr;
}

CIssueCategory CIssueCategoryManagerImpl::GetCategory(std::int32_t index) const {
    const CIssueCategory* category = At(index);
    return category != nullptr ? *category : CIssueCategory();
}

CIssueCategory CIssueCategoryManagerImpl::GetCategoryByXmlElement(const std::wstring& name) const {
    for (const auto& category : m_categories) {
        if (EqualNoCase(category->GetXmlElement(), name)) {
            return *category;
        }
    }
    return {};
}

CIssueCategory CIssueCategoryManagerImpl::GetCategoryForMessage(std::int32_t messageNumber) const {
    if (const auto assigned = m_assignments.find(messageNumber); assigned != m_assignments.end()) {
        return *assigned->second;
    }
    if (const auto level = m_levels.find(ClassifyMessageNumber(messageNumber));
        level != m_levels.end()) {
        return *level->second;
    }
    return {};
}

std::int32_t
CIssueCategoryManagerImpl::GetCategories(std::vector<CIssueCategory>& categories) const {
    categories.clear();
    for (const auto& category : m_categories) {
        categories.push_back(*category);
    }
    return Count();
}

std::int32_t
CIssueCategoryManagerImpl::GetCategoryPointers(std::vector<CIssueCategory*>& categories) const {
    categories.clear();
    for (const auto& category : m_categories) {
        categories.push_back(category.get());
    }
    return Count();
}

std::int32_t CIssueCategoryManagerImpl::PositionOf(const CIssueCategory* category) const {
    if (category == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < m_categories.size(); ++i) {
        if (m_categories[i].get() == category) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

void CIssueCategoryManagerImpl::Renumber(std::size_t from) {
    for (std::size_t i = from; i < m_categories.size(); ++i) {
        m_categories[i]->SetIndex(static_cast<std::int32_t>(i));
        m_categories[i]->SetStoredIndex(static_cast<std::int32_t>(i));
    }
}

bool CIssueCategoryManagerImpl::UpdateCategory(const CIssueCategory& category) {
    for (const auto& held : m_categories) {
        if (held->GetIndex() == category.GetIndex()) {
            *held = category;
            return true;
        }
    }
    return false;
}

CIssueCategory* CIssueCategoryManagerImpl::InsertCategory(std::int32_t position,
                                                          CIssueCategory category) {
    if (position < 0 || position > Count()) {
        return nullptr;
    }
    const auto at = static_cast<std::size_t>(position);
    m_categories.insert(m_categories.begin() + position,
                        std::make_unique<CIssueCategory>(std::move(category)));
    Renumber(at + 1);
    return m_categories[at].get();
}

bool CIssueCategoryManagerImpl::DeleteCategory(CIssueCategory* category) {
    const std::int32_t position = PositionOf(category);
    if (position < 0 || category->GetBuiltInLevel() >= 0) {
        return false;
    }
    std::erase_if(m_assignments,
                  [category](const auto& entry) { return entry.second == category; });
    std::erase_if(m_levels, [category](const auto& entry) { return entry.second == category; });
    m_categories.erase(m_categories.begin() + position);
    Renumber(static_cast<std::size_t>(position));
    return true;
}

bool CIssueCategoryManagerImpl::MoveCategory(CIssueCategory* category, int step) {
    const std::int32_t position = PositionOf(category);
    const std::int32_t other = position + step;
    if (position < 0 || other < 0 || other >= Count()) {
        return false;
    }
    std::swap(m_categories[static_cast<std::size_t>(position)],
              m_categories[static_cast<std::size_t>(other)]);
    m_categories[static_cast<std::size_t>(position)]->SetIndex(position);
    m_categories[static_cast<std::size_t>(other)]->SetIndex(other);
    return true;
}

void CIssueCategoryManagerImpl::SortCategories() {
    std::stable_sort(m_categories.begin(), m_categories.end(), [](const auto& a, const auto& b) {
        return a->GetSeverity() < b->GetSeverity();
    });
    for (std::int32_t i = 0; i < Count(); ++i) {
        CIssueCategory& category = *m_categories[static_cast<std::size_t>(i)];
        if (category.GetIndex() != i) {
            category.SetIndex(i);
            category.SetModified(true);
        }
    }
}

bool CIssueCategoryManagerImpl::AssignMessage(std::int32_t messageNumber,
                                              CIssueCategory* category) {
    // A pointer the manager does not hold would be left dangling in the map.
    if (PositionOf(category) < 0) {
        return false;
    }
    m_assignments[messageNumber] = category;
    return true;
}

bool CIssueCategoryManagerImpl::UnassignMessage(std::int32_t messageNumber,
                                                CIssueCategory* category) {
    const auto it = m_assignments.find(messageNumber);
    if (category == nullptr || it == m_assignments.end() || it->second != category) {
        return false;
    }
    m_assignments.erase(it);
    return true;
}

std::int32_t
CIssueCategoryManagerImpl::GetAssignedMessages(std::int32_t index,
                                               std::vector<std::int32_t>& numbers) const {
    numbers.clear();
    const CIssueCategory* category = At(index);
    for (const auto& [number, assigned] : m_assignments) {
        if (category != nullptr && assigned == category) {
            numbers.push_back(number);
        }
    }
    return static_cast<std::int32_t>(numbers.size());
}

// ---------------------------------------------------------------------------------------------
// The manager forwards every operation.

CIssueCategoryManager::CIssueCategoryManager()
    : m_impl(std::make_unique<CIssueCategoryManagerImpl>()) {}

CIssueCategoryManager::~CIssueCategoryManager() {
    try {
        m_impl.reset();
    } catch (...) {
        // Nothing can be done about a failure while releasing the categories.
    }
}

void CIssueCategoryManager::Load(CMessageDatabase* database, const std::wstring& registryPath,
                                 bool loadUserCategories) {
    m_impl->Load(database, registryPath, loadUserCategories);
}

void CIssueCategoryManager::LoadFromRegistry() {
    m_impl->LoadFromRegistry();
}
bool CIssueCategoryManager::SaveToRegistry() {
    return m_impl->SaveToRegistry();
}

bool CIssueCategoryManager::SaveToRegistry(std::wstring& error) {
    return m_impl->SaveToRegistry(error);
}
const std::wstring& CIssueCategoryManager::GetRegistryPath() const {
    return m_impl->m_registryPath;
}
const std::wstring& CIssueCategoryManager::GetSettingsError() const {
    return m_impl->m_settingsError;
}
void CIssueCategoryManager::RegisterIcons() {
    m_impl->RegisterIcons();
}
void CIssueCategoryManager::Clear() {
    m_impl->Clear();
}

CIssueCategory CIssueCategoryManager::GetCategory(std::int32_t index) const {
    return m_impl->GetCategory(index);
}

CIssueCategory CIssueCategoryManager::GetCategoryByXmlElement(const std::wstring& name) const {
    return m_impl->GetCategoryByXmlElement(name);
}

CIssueCategory CIssueCategoryManager::GetCategoryForMessage(std::int32_t messageNumber) const {
    return m_impl->GetCategoryForMessage(messageNumber);
}

bool CIssueCategoryManager::HasCategories() const {
    return m_impl->Count() > 0;
}
std::int32_t CIssueCategoryManager::GetCategoryCount() const {
    return m_impl->Count();
}

std::int32_t CIssueCategoryManager::GetCategories(std::vector<CIssueCategory>& categories) const {
    return m_impl->GetCategories(categories);
}

std::int32_t
CIssueCategoryManager::GetCategoryPointers(std::vector<CIssueCategory*>& categories) const {
    return m_impl->GetCategoryPointers(categories);
}

bool CIssueCategoryManager::UpdateCategory(const CIssueCategory& category) {
    return m_impl->UpdateCategory(category);
}

CIssueCategory* CIssueCategoryManager::AddCategory(const std::wstring& displayName,
                                                   const std::wstring& displayNamePlural,
                                                   std::int32_t severity, std::int32_t iconId,
                                                   Colour foregroundColour, Colour backgroundColour,
                                                   Colour chartColour,
                                                   const std::wstring& xmlElement, bool isFatal) {
    const std::int32_t index = m_impl->Count();
    return m_impl->InsertCategory(index,
                                  CIssueCategory(index, displayName, displayNamePlural, severity,
                                                 iconId, foregroundColour, backgroundColour,
                                                 chartColour, xmlElement, isFatal));
}

CIssueCategory* CIssueCategoryManager::InsertCategory(
    std::int32_t position, const std::wstring& displayName, const std::wstring& displayNamePlural,
    std::int32_t severity, std::int32_t iconId, Colour foregroundColour, Colour backgroundColour,
    Colour chartColour, const std::wstring& xmlElement, bool isFatal) {
    return m_impl->InsertCategory(position,
                                  CIssueCategory(position, displayName, displayNamePlural, severity,
                                                 iconId, foregroundColour, backgroundColour,
                                                 chartColour, xmlElement, isFatal));
}

bool CIssueCategoryManager::DeleteCategory(CIssueCategory* category) {
    return m_impl->DeleteCategory(category);
}

bool CIssueCategoryManager::MoveCategoryUp(CIssueCategory* category) {
    return m_impl->MoveCategory(category, -1);
}

bool CIssueCategoryManager::MoveCategoryDown(CIssueCategory* category) {
    return m_impl->MoveCategory(category, 1);
}

void CIssueCategoryManager::SortCategories() {
    m_impl->SortCategories();
}

bool CIssueCategoryManager::AssignMessage(std::int32_t messageNumber, CIssueCategory* category) {
    return m_impl->AssignMessage(messageNumber, category);
}

bool CIssueCategoryManager::AssignMessage(std::int32_t messageNumber, std::int32_t position) {
    CIssueCategory* category = m_impl->At(position);
    return category != nullptr && m_impl->AssignMessage(messageNumber, category);
}

bool CIssueCategoryManager::UnassignMessage(std::int32_t messageNumber, CIssueCategory* category) {
    return m_impl->UnassignMessage(messageNumber, category);
}

bool CIssueCategoryManager::UnassignMessage(std::int32_t messageNumber, std::int32_t position) {
    CIssueCategory* category = m_impl->At(position);
    return category != nullptr && m_impl->UnassignMessage(messageNumber, category);
}

std::int32_t CIssueCategoryManager::GetMessageAssignmentCount() const {
    return static_cast<std::int32_t>(m_impl->m_assignments.size());
}

bool CIssueCategoryManager::IsMessageAssigned(std::int32_t messageNumber) const {
    return m_impl->m_assignments.count(messageNumber) != 0;
}

std::int32_t
CIssueCategoryManager::GetAssignedMessages(std::int32_t index,
                                           std::vector<std::int32_t>& messageNumbers) const {
    return m_impl->GetAssignedMessages(index, messageNumbers);
}

std::int32_t CIssueCategoryManager::GetIconIds(std::vector<std::int32_t>& ids) const {
    return m_impl->m_icons.GetIconIds(ids);
}

std::wstring CIssueCategoryManager::GetIconName(std::int32_t id) const {
    return m_impl->m_icons.GetIconName(id);
}

CGuid CIssueCategoryManager::GetIconGuid(std::int32_t id) const {
    return m_impl->m_icons.GetIconGuid(id);
}

bool CIssueCategoryManager::SetIconTag(std::int32_t id, std::int32_t tag) {
    return m_impl->m_icons.SetIconTag(id, tag);
}

std::int32_t CIssueCategoryManager::GetIconTag(std::int32_t id) const {
    return m_impl->m_icons.GetIconTag(id);
}

bool CIssueCategoryManager::GetUserFlag() const {
    return m_impl->m_userFlag;
}
void CIssueCategoryManager::SetUserFlag(bool flag) {
    m_impl->m_userFlag = flag;
}

void CIssueCategoryManager::EnterLevelCategory(CIssueCategory* category) {
    if (category != nullptr && category->GetBuiltInLevel() > 0 &&
        m_impl->At(category->GetIndex()) == category) {
        m_impl->m_levels[category->GetBuiltInLevel()] = category;
    }
}

CMessageDatabase* CIssueCategoryManager::GetMessageDatabase() const {
    return m_impl->m_database;
}

std::wstring LoadUserCategories(CIssueCategoryManager& manager, CMessageDatabase* database) {
    manager.Load(database, kCategoriesRegistryPath, true);
    if (manager.GetSettingsError().empty())
        return std::wstring();
    return L"settings file " + Platform::SettingsFilePath() + L" unusable (" +
           manager.GetSettingsError() + L"); using the built-in categories";
}

} // namespace Quillmoren::Libraries::CodeAnalysis
