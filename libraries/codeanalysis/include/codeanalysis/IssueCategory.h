// The issue category record, the fixed table of the six built-in categories, and the icon table
// that maps icon identifiers to names and GUIDs.
#pragma once

#include "codeanalysis/Guid.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace Quillmoren::Libraries::CodeAnalysis {

/// A colour as 0x00BBGGRR: red in the low byte, then green, then blue.
using Colour = std::uint32_t;

constexpr Colour Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<Colour>(red) | (static_cast<Colour>(green) << 8) |
           (static_cast<Colour>(blue) << 16);
}

/// In a stored colour: the category has no colour of its own of that kind. Never an effective
/// colour.
constexpr Colour kColourDefault = 0xFF000000;
/// The system colours that apply where a category has none of its own. Linux has no system
/// colour scheme to ask, so they are fixed: black text on a white window.
constexpr Colour kSystemWindowTextColour = 0x00000000;
constexpr Colour kSystemWindowColour = 0x00FFFFFF;
constexpr Colour kDefaultChartColour = Rgb(0, 0, 160);

/// The levels of the built-in categories. A user-defined category has level -1; one stored
/// without a level has 0.
constexpr std::int32_t kLevelUserDefined = -1;
constexpr std::int32_t kLevelNone = 0;
constexpr std::int32_t kLevelElectiveNote = 1;
constexpr std::int32_t kLevelInformation = 2;
constexpr std::int32_t kLevelWarning = 3;
constexpr std::int32_t kLevelError = 4;
constexpr std::int32_t kLevelInternalError = 5;
constexpr std::int32_t kLevelFatalError = 999;

/// One issue category: what it takes to count, sort, weigh, colour and name issues of one kind.
/// A value type; the category manager owns the held categories and hands out copies.
class CIssueCategory {
public:
    /// A default category (index -1, level -1), which lookups return when they find nothing.
    CIssueCategory() = default;
    /// `Index` and `StoredIndex` both take `index`. The effective colours start as the system
    /// defaults, not the colours given: the colour setters make those take effect.
    CIssueCategory(std::int32_t index, std::wstring displayName, std::wstring displayNamePlural,
                   std::int32_t severity, std::int32_t iconId, Colour foregroundColour,
                   Colour backgroundColour, Colour chartColour, std::wstring xmlElement,
                   bool isFatal);
    virtual ~CIssueCategory() = default;
    CIssueCategory(const CIssueCategory&) = default;
    CIssueCategory& operator=(const CIssueCategory&) = default;

    std::int32_t GetIndex() const { return m_index; }
    std::int32_t GetStoredIndex() const { return m_storedIndex; }
    const std::wstring& GetDisplayName() const { return m_displayName; }
    const std::wstring& GetDisplayNamePlural() const { return m_displayNamePlural; }
    std::int32_t GetSeverity() const { return m_severity; }
    std::int32_t GetIconID() const { return m_iconId; }
    Colour GetForegroundColour() const { return m_foregroundColour; }
    Colour GetBackgroundColour() const { return m_backgroundColour; }
    Colour GetChartColour() const { return m_chartColour; }
    const std::wstring& GetXmlElement() const { return m_xmlElement; }
    bool GetIsFatal() const { return m_isFatal; }
    std::int32_t GetBuiltInLevel() const { return m_builtInLevel; }
    bool GetModified() const { return m_modified; }
    Colour GetEffectiveForegroundColour() const { return m_effectiveForegroundColour; }
    Colour GetEffectiveBackgroundColour() const { return m_effectiveBackgroundColour; }
    Colour GetEffectiveChartColour() const { return m_effectiveChartColour; }

    bool SetBuiltInLevel(std::int32_t level);
    /// Set the effective colour of that kind; `kColourDefault` leaves it as it is. The stored
    /// colours do not change.
    bool SetForegroundColour(Colour colour);
    bool SetBackgroundColour(Colour colour);
    bool SetChartColour(Colour colour);

    // For the category manager, which keeps the positions.
    void SetIndex(std::int32_t index) { m_index = index; }
    void SetStoredIndex(std::int32_t index) { m_storedIndex = index; }
    void SetModified(bool modified) { m_modified = modified; }

private:
    std::int32_t m_index = -1;
    /// The position at creation or load, or after an insertion or deletion renumbered the list;
    /// reordering changes `m_index` only.
    std::int32_t m_storedIndex = -1;
    std::wstring m_displayName;
    std::wstring m_displayNamePlural;
    std::int32_t m_severity = -1;
    std::int32_t m_iconId = 0;
    Colour m_foregroundColour = kColourDefault;
    Colour m_backgroundColour = kColourDefault;
    Colour m_chartColour = kColourDefault;
    std::wstring m_xmlElement;
    bool m_isFatal = false;
    std::int32_t m_builtInLevel = kLevelUserDefined;
    bool m_modified = false;
    Colour m_effectiveForegroundColour = kSystemWindowTextColour;
    Colour m_effectiveBackgroundColour = kSystemWindowColour;
    Colour m_effectiveChartColour = kDefaultChartColour;
};

/// One row of the built-in category table. Severity equals the level.
struct CBuiltInCategory {
    std::int32_t level;
    std::wstring_view displayName;
    std::wstring_view displayNamePlural;
    std::wstring_view xmlElement;
    std::int32_t iconId;
    bool isFatal;
    Colour foregroundColour;
    Colour backgroundColour;
    Colour chartColour;
};

/// The built-in categories, one per message class of the tool, in the order the manager
/// creates them (which is also their severity order).
inline constexpr std::array<CBuiltInCategory, 6> kBuiltInCategories = {{
    {kLevelElectiveNote, L"Elective Note", L"Elective Notes", L"ElectiveNote", 7022, false,
     Rgb(0, 0, 160), kColourDefault, Rgb(0, 0, 160)},
    {kLevelInformation, L"Information", L"Informational", L"Information", 7018, false,
     Rgb(128, 0, 128), kColourDefault, Rgb(128, 0, 128)},
    {kLevelWarning, L"Warning", L"Warnings", L"Warning", 7023, false, Rgb(160, 128, 0),
     kColourDefault, Rgb(255, 128, 0)},
    {kLevelError, L"Error", L"Errors", L"Error", 7011, false, Rgb(160, 0, 0), kColourDefault,
     Rgb(255, 0, 0)},
    {kLevelInternalError, L"Internal Error", L"Internal Errors", L"InternalError", 7009, false,
     Rgb(255, 255, 255), Rgb(128, 128, 128), Rgb(96, 32, 32)},
    {kLevelFatalError, L"Fatal Error", L"Fatal Errors", L"FatalError", 7015, true,
     Rgb(255, 255, 255), Rgb(224, 0, 0), Rgb(255, 0, 128)},
}};

/// The row of that level, or null.
const CBuiltInCategory* FindBuiltInCategory(std::int32_t level);

/// The category a row stands for, at `index`: stored colours as in the row (the default marker
/// included), its level set and the row's colours in effect.
CIssueCategory MakeBuiltInCategory(const CBuiltInCategory& row, std::int32_t index);

/// One icon that the manager registers.
struct CIconDefinition {
    std::wstring_view name;
    std::int32_t id;
    CGuid guid;
};

/// The icons of the categories, in the order the manager registers them. Several share a GUID.
inline constexpr std::array<CIconDefinition, 11> kCategoryIcons = {{
    {L"Note", 7022, CGuid::FromText(L"{5B1E9C20-3A7D-4F60-9E21-7C4D8A02B913}")},
    {L"Information", 7018, CGuid::FromText(L"{A84F0D6C-92B1-4E3A-8C57-0F6E2D19B4A7}")},
    {L"InformationYellow", 7020, CGuid::FromText(L"{E0C3725B-6D18-4B9F-A2E4-93D7518C0F6A}")},
    {L"InformationOrange", 7019, CGuid::FromText(L"{E0C3725B-6D18-4B9F-A2E4-93D7518C0F6A}")},
    {L"Warning", 7023, CGuid::FromText(L"{2D9A6F41-B57C-4A08-91F3-C6E0B8247D5E}")},
    {L"WarningOrange", 7024, CGuid::FromText(L"{E0C3725B-6D18-4B9F-A2E4-93D7518C0F6A}")},
    {L"WarningRed", 7025, CGuid::FromText(L"{E0C3725B-6D18-4B9F-A2E4-93D7518C0F6A}")},
    {L"ErrorOrange", 7013, CGuid::FromText(L"{E0C3725B-6D18-4B9F-A2E4-93D7518C0F6A}")},
    {L"Error", 7011, CGuid::FromText(L"{7F4B18E9-0C6A-4D2F-B3A1-5E92C7D04A86}")},
    {L"FatalError", 7015, CGuid::FromText(L"{E0C3725B-6D18-4B9F-A2E4-93D7518C0F6A}")},
    {L"Bug", 7009, CGuid::FromText(L"{E0C3725B-6D18-4B9F-A2E4-93D7518C0F6A}")},
}};

/// The icon table: identifiers, names and GUIDs of icons, used as keys only (no image is ever
/// loaded), and an integer tag per icon for the caller. Owned by the category manager.
class CIconIdNameMap {
public:
    CIconIdNameMap() = default;
    virtual ~CIconIdNameMap() = default;
    CIconIdNameMap(const CIconIdNameMap&) = delete;
    CIconIdNameMap& operator=(const CIconIdNameMap&) = delete;

    /// Enters the icon under its identifier and its name (replacing earlier entries of either)
    /// and lists its identifier; a null GUID is not entered. Several icons may share a GUID: it
    /// then leads to the one added last.
    bool AddIcon(std::int32_t id, const std::wstring& name, const CGuid& guid);
    /// Empty for an identifier that is not in the table.
    std::wstring GetIconName(std::int32_t id) const;
    /// 0 for a name that is not in the table; names compare exactly.
    std::int32_t GetIconId(const std::wstring& name) const;
    /// The null GUID for an identifier that is not in the table.
    CGuid GetIconGuid(std::int32_t id) const;
    /// Appends the identifiers in the order they were added; returns how many were appended.
    std::int32_t GetIconIds(std::vector<std::int32_t>& ids) const;
    /// The first tag given to an identifier stays.
    bool SetIconTag(std::int32_t id, std::int32_t tag);
    /// 0 when the identifier has no tag.
    std::int32_t GetIconTag(std::int32_t id) const;

private:
    std::map<std::int32_t, std::wstring> m_names;
    std::map<std::wstring, std::int32_t> m_ids;
    std::vector<std::int32_t> m_order;
    std::map<CGuid, std::int32_t> m_guidIds;
    std::map<std::int32_t, CGuid> m_guids;
    std::map<std::int32_t, std::int32_t> m_tags;
};

} // namespace Quillmoren::Libraries::CodeAnalysis
