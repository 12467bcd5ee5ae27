// The messages of a category: the reverse of classification, answered from the category
// manager's assignments and the message database's catalogue sections.
#include "codeanalysis/IssueCategoryManager.h"
#include "codeanalysis/MessageDatabase.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Quillmoren::Libraries::CodeAnalysis {

namespace {

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
    for (const CLevelSections& level : kLevelSections) {
        if (level.level != category->GetBuiltInLevel())
            continue;
        std::vector<CMessageRecord> section;
        for (const std::wstring_view id : level.sections) {
            if (id.empty())
                break;
            database->GetMessages(std::wstring(id), section);
            for (CMessageRecord& record : section) {
                if (!IsMessageAssigned(record.Number))
                    messages.push_back(std::move(record));
            }
        }
    }
    return static_cast<std::int32_t>(messages.size());
}

} // namespace Quillmoren::Libraries::CodeAnalysis
