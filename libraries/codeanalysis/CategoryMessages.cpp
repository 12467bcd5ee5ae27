// The messages of a category: the reverse of classification, answered from the category
// manager's assignments and the message database's catalogue sections.
#include "codeanalysis/IssueCategoryManager.h"
#include "codeanalysis/MessageDatabase.h"
#include "utils/TextHelpers.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Quillmoren::Libraries::CodeAnalysis {

namespace {

namespace Utils = Quillmoren::Libraries::Utils;

/// The catalogue sections whose messages belong to a built-in level, in the order they are
/// listed.
struct CLevelSections {
    std::int32_t level;
    std::array<std::wstring_view, 2> sections; // an empty identifier ends the list
};

constexpr std::array<CLevelSections, 6> kLevelSections = {{
    {kLevelElectiveNote, {L"17.6", L"17.10"}},
    {kLevelInformation, {L"17.5", L"17.9"}},
    {kLevelWarning, {L"17.4", L"17.8"}},
    {kLevelError, {L"17.1", L"17.7"}},
    {kLevelInternalError, {L"17.2", L""}},
    {kLevelFatalError, {L"17.3", L""}},
}};

/// The class each level's sections name in their descriptions, for lists whose sections are
/// numbered otherwise than the table above ("19.7 C++ Syntax Errors").
struct CLevelClass {
    std::int32_t level;
    std::wstring_view phrase;
};

constexpr std::array<CLevelClass, 6> kLevelClasses = {{
    {kLevelElectiveNote, L"Elective Notes"},
    {kLevelInformation, L"Informational Messages"},
    {kLevelWarning, L"Warning Messages"},
    {kLevelError, L"Syntax Errors"},
    {kLevelInternalError, L"Internal Errors"}, // "Additional Internal Errors" as well
    {kLevelFatalError, L"Fatal Errors"},
}};

/// The identifiers of the sections that hold a level's messages: those the table names when the
/// database holds any of them, else those whose description names the level's class, in the
/// order of the database.
std::vector<std::wstring> SectionsOfLevel(const CMessageDatabase& database, std::int32_t level) {
    std::vector<std::wstring> ids;
    const auto table =
        std::find_if(kLevelSections.begin(), kLevelSections.end(),
                     [level](const CLevelSections& entry) { return entry.level == level; });
    if (table == kLevelSections.end())
        return ids;
    for (const std::wstring_view id : table->sections) {
        if (id.empty())
            break;
        ids.emplace_back(id);
    }

    std::vector<CMessageRecord> sections;
    database.GetSectionRecords(sections);
    const bool holdsTableSection =
        std::any_of(sections.begin(), sections.end(), [&ids](const CMessageRecord& section) {
            return std::find(ids.begin(), ids.end(), section.SectionId) != ids.end();
        });
    if (holdsTableSection)
        return ids;

    ids.clear();
    const auto phrase =
        std::find_if(kLevelClasses.begin(), kLevelClasses.end(),
                     [level](const CLevelClass& entry) { return entry.level == level; });
    if (phrase == kLevelClasses.end())
        return ids;
    for (const CMessageRecord& section : sections) {
        if (Utils::FindNoCase(section.SectionDescription, phrase->phrase) != std::wstring::npos)
            ids.push_back(section.SectionId);
    }
    return ids;
}

} // namespace

std::int32_t
CIssueCategoryManager::GetMessagesForCategory(const CIssueCategory* category,
                                              std::vector<CMessageRecord>& messages) const {
    CMessageDatabase* const database = GetMessageDatabase();
    if (category == nullptr || database == nullptr)
        return static_cast<std::int32_t>(messages.size());

    // The messages assigned to it, in ascending number; only a category held here has any.
    std::vector<CIssueCategory*> held;
    GetCategoryPointers(held);
    const std::int32_t index = category->GetIndex();
    if (index >= 0 && static_cast<std::size_t>(index) < held.size() && held[index] == category) {
        std::vector<std::int32_t> assigned;
        GetAssignedMessages(index, assigned);
        for (const std::int32_t number : assigned) {
            if (number <= 0)
                continue;
            // A number the catalogue lacks is still listed, and still under its own number.
            CMessageRecord record;
            record.Number = number;
            record.NumberText = std::to_wstring(number);
            database->GetMessage(number, record);
            messages.push_back(std::move(record));
        }
    }

    // The sections of its level, less the messages that are assigned anywhere.
    std::vector<CMessageRecord> section;
    for (const std::wstring& id : SectionsOfLevel(*database, category->GetBuiltInLevel())) {
        database->GetMessages(id, section);
        for (CMessageRecord& record : section) {
            if (!IsMessageAssigned(record.Number))
                messages.push_back(std::move(record));
        }
    }
    return static_cast<std::int32_t>(messages.size());
}

} // namespace Quillmoren::Libraries::CodeAnalysis
