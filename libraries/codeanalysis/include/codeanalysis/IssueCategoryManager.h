// The category manager: the issue categories of one run, loaded from and saved to the current
// user's settings, the assignments of message numbers to categories and their classification.
#pragma once

#include "codeanalysis/IssueCategory.h"
#include "platform/SettingsStore.h"
#include "utils/Result.h"
#include "utils/XmlServices.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Quillmoren::Libraries::CodeAnalysis {

class CMessageDatabase;
struct CMessageRecord;
class CIssueCategoryManagerImpl;

/// The key, in the current user's settings, below which lintwrap and its tools keep the issue
/// categories.
inline constexpr wchar_t kCategoriesRegistryPath[] =
    L"Software\\Quillmoren\\Ombrascope\\Settings\\Analysis\\Categories";

/// The level of the tool's message block that a message number lies in: 4 Error, 5 Internal
/// Error, 999 Fatal Error, 3 Warning, 2 Information, 1 Elective Note. Every number has one.
std::int32_t ClassifyMessageNumber(std::int32_t messageNumber);

/// Owns the issue categories of one run: their list in severity order, the assignments of
/// message numbers to categories, the level of each built-in category and the icon table.
/// Loaded once from the current user's settings, queried (results readers ask for the
/// category of each message number), optionally edited and saved. Hands out copies; the held
/// categories leave it only through `GetCategoryPointers`. Used by one thread.
class CIssueCategoryManager {
public:
    CIssueCategoryManager();
    virtual ~CIssueCategoryManager();
    CIssueCategoryManager(const CIssueCategoryManager&) = delete;
    CIssueCategoryManager& operator=(const CIssueCategoryManager&) = delete;

    /// Loads the categories stored under `registryPath` (relative to the current user's
    /// settings; none when empty), adds the built-in categories that they lack and sorts the
    /// list by severity. Without `loadUserCategories` the message assignments are not loaded and
    /// the user-defined categories are deleted, from the settings too. Never fails: at worst the
    /// six built-in categories result. The settings are read once; a manager already loaded is
    /// cleared first. `database` is kept, not owned, and may be null.
    void Load(CMessageDatabase* database, const std::wstring& registryPath,
              bool loadUserCategories);
    /// The two halves of persistence, on the path and flag given to `Load`. `SaveToRegistry`
    /// replaces the stored categories with the list in one change of the settings file, so that
    /// nobody ever reads half a list; false when the settings could not be written (a file that
    /// does not parse is never written) or no path was given.
    void LoadFromRegistry();
    bool SaveToRegistry();
    /// As `SaveToRegistry`; on failure `error` says why (the settings file, the lock, the reason).
    bool SaveToRegistry(std::wstring& error);
    /// The settings path given to `Load`; empty before a load or when none was given.
    const std::wstring& GetRegistryPath() const;
    /// Why the settings file could not be used by the latest read of the categories (the line and
    /// the reason for text that does not parse, else the failed call with the system's reason);
    /// empty when it was read, or there is none. The built-in categories applied in its place.
    const std::wstring& GetSettingsError() const;
    /// Enters the category icons in the icon table; icons already there are left as they are.
    void RegisterIcons();
    /// Deletes every category and assignment; the icons, the database, the path and the flag stay.
    void Clear();

    /// A copy of the category at that position, or a default category (level -1).
    CIssueCategory GetCategory(std::int32_t index) const;
    /// The first category whose XML element name matches, ignoring case, or a default category.
    CIssueCategory GetCategoryByXmlElement(const std::wstring& name) const;
    /// The category assigned to the number, else the built-in category of its block; a default
    /// category when there is neither.
    CIssueCategory GetCategoryForMessage(std::int32_t messageNumber) const;

    bool HasCategories() const;
    std::int32_t GetCategoryCount() const;
    /// Replaces the array's content with copies of the categories in list order; their number.
    std::int32_t GetCategories(std::vector<CIssueCategory>& categories) const;
    /// Replaces the array's content with the held categories, which stay owned by the manager
    /// and valid until deleted, cleared or destroyed; the editing operations take these.
    std::int32_t GetCategoryPointers(std::vector<CIssueCategory*>& categories) const;

    /// Copies every field of `category` onto the held category of the same index; false when
    /// there is none. The level map is not changed.
    bool UpdateCategory(const CIssueCategory& category);
    /// Appends a category (not entered under a level, the list not re-sorted).
    CIssueCategory* AddCategory(const std::wstring& displayName,
                                const std::wstring& displayNamePlural, std::int32_t severity,
                                std::int32_t iconId, Colour foregroundColour,
                                Colour backgroundColour, Colour chartColour,
                                const std::wstring& xmlElement, bool isFatal);
    /// Inserts a category at `position` (0 to count) and renumbers those after it; null for a
    /// position outside that range.
    CIssueCategory* InsertCategory(std::int32_t position, const std::wstring& displayName,
                                   const std::wstring& displayNamePlural, std::int32_t severity,
                                   std::int32_t iconId, Colour foregroundColour,
                                   Colour backgroundColour, Colour chartColour,
                                   const std::wstring& xmlElement, bool isFatal);
    /// Deletes a user-defined category (level below 0) with its assignments and renumbers
    /// those after it. False for null, for a category this manager does not hold, and for a
    /// built-in category or one stored without a level.
    bool DeleteCategory(CIssueCategory* category);
    /// Exchange a held category with its neighbour; false at the end of the list or for a
    /// category this manager does not hold.
    bool MoveCategoryUp(CIssueCategory* category);
    bool MoveCategoryDown(CIssueCategory* category);
    /// Sorts by severity, equal severities keeping their order; a category that moved is marked
    /// modified.
    void SortCategories();

    /// Assigns the number to a held category (or the category at a position), replacing an
    /// earlier assignment of the number.
    bool AssignMessage(std::int32_t messageNumber, CIssueCategory* category);
    bool AssignMessage(std::int32_t messageNumber, std::int32_t position);
    /// Removes the assignment of the number to that category; false when it has none.
    bool UnassignMessage(std::int32_t messageNumber, CIssueCategory* category);
    bool UnassignMessage(std::int32_t messageNumber, std::int32_t position);
    std::int32_t GetMessageAssignmentCount() const;
    /// True when the number has an explicit assignment.
    bool IsMessageAssigned(std::int32_t messageNumber) const;
    /// Replaces the list's content with the numbers assigned to the category at `index`, in
    /// ascending order; their number.
    std::int32_t GetAssignedMessages(std::int32_t index,
                                     std::vector<std::int32_t>& messageNumbers) const;

    std::int32_t GetIconIds(std::vector<std::int32_t>& ids) const;
    std::wstring GetIconName(std::int32_t id) const;
    CGuid GetIconGuid(std::int32_t id) const;
    bool SetIconTag(std::int32_t id, std::int32_t tag);
    std::int32_t GetIconTag(std::int32_t id) const;

    /// A flag for the caller; the manager never looks at it.
    bool GetUserFlag() const;
    void SetUserFlag(bool flag);

    // The category list as an XML document ("Categories", one "Category" element each, with its
    // assignments in an "Issues" child), to move a set of categories between users or machines.

    /// Writes the list to a file; the save's result or the error of the step that failed.
    Utils::HRESULT ExportToXml(const std::wstring& path) const;
    /// Appends a "Categories" element to `parent`, or to the document when `parent` is null;
    /// E_INVALIDARG without a document, E_FAIL for an empty list.
    Utils::HRESULT AppendToXml(Utils::CXmlDocument* document, Utils::CXmlElement parent = {}) const;
    /// Replaces the categories and assignments by those of the file and saves them when a
    /// settings path was loaded. The load's error for a file that cannot be read or is not well
    /// formed, S_FALSE for a document without a "Categories" element; the manager is then
    /// unchanged. E_FAIL when the list was imported but a settings path was loaded and the
    /// settings could not be written. On failure `error` (when given) says why: the system's
    /// reason, the parser's first error with its line, or why the settings were not written.
    Utils::HRESULT ImportFromXml(const std::wstring& path, std::wstring* error = nullptr);

    /// Appends to `messages` the records of the messages that belong to a held category: those
    /// assigned to it and, for a built-in category, those of the message database's sections of
    /// its level that no category is assigned. The number of records in the list afterwards;
    /// the list is left as it is without a database or a category.
    std::int32_t GetMessagesForCategory(const CIssueCategory* category,
                                        std::vector<CMessageRecord>& messages) const;

private:
    /// The message database given to `Load` (not owned), or null.
    CMessageDatabase* GetMessageDatabase() const;
    /// Makes a held category the one of its built-in level (above 0).
    void EnterLevelCategory(CIssueCategory* category);

    std::unique_ptr<CIssueCategoryManagerImpl> m_impl;
};

/// Loads the categories as lintwrap judges a run with them: those of the current user's settings
/// under `kCategoriesRegistryPath`, with their message assignments (`database`, not owned, may be
/// null). Empty when the settings could be used (or there are none), else the sentence that tells
/// the user why they were not: "settings file PATH unusable (REASON); using the built-in
/// categories".
std::wstring LoadUserCategories(CIssueCategoryManager& manager,
                                CMessageDatabase* database = nullptr);

} // namespace Quillmoren::Libraries::CodeAnalysis
