// The issue category record, the built-in category rows and the icon table.
#include "codeanalysis/IssueCategory.h"

#include <algorithm>

namespace Quillmoren::Libraries::CodeAnalysis {

CIssueCategory::CIssueCategory(std::int32_t index, std::wstring displayName,
                               std::wstring displayNamePlural, std::int32_t severity,
                               std::int32_t iconId, Colour foregroundColour,
                               Colour backgroundColour, Colour chartColour, std::wstring xmlElement,
                               bool isFatal)
    : m_index(index), m_storedIndex(index), m_displayName(std::move(displayName)),
      m_displayNamePlural(std::move(displayNamePlural)), m_severity(severity), m_iconId(iconId),
      m_foregroundColour(foregroundColour), m_backgroundColour(backgroundColour),
      m_chartColour(chartColour), m_xmlElement(std::move(xmlElement)), m_isFatal(isFatal) {}

bool CIssueCategory::SetBuiltInLevel(std::int32_t level) {
    m_builtInLevel = level;
    return true;
}

bool CIssueCategory::SetForegroundColour(Colour colour) {
    if (colour != kColourDefault) {
        m_effectiveForegroundColour = colour;
    }
    return true;
}

bool CIssueCategory::SetBackgroundColour(Colour colour) {
    if (colour != kColourDefault) {
        m_effectiveBackgroundColour = colour;
    }
    return true;
}

bool CIssueCategory::SetChartColour(Colour colour) {
    if (colour != kColourDefault) {
        m_effectiveChartColour = colour;
    }
    return true;
}

const CBuiltInCategory* FindBuiltInCategory(std::int32_t level) {
    const auto row = std::find_if(kBuiltInCategories.begin(), kBuiltInCategories.end(),
                                  [level](const CBuiltInCategory& r) { return r.level == level; });
    return row == kBuiltInCategories.end() ? nullptr : &*row;
}

CIssueCategory MakeBuiltInCategory(const CBuiltInCategory& row, std::int32_t index) {
    CIssueCategory category(index, std::wstring(row.displayName),
                            std::wstring(row.displayNamePlural), row.level, row.iconId,
                            row.foregroundColour, row.backgroundColour, row.chartColour,
                            std::wstring(row.xmlElement), row.isFatal);
    category.SetBuiltInLevel(row.level);
    category.SetForegroundColour(row.foregroundColour);
    category.SetBackgroundColour(row.backgroundColour);
    category.SetChartColour(row.chartColour);
    return category;
}

bool CIconIdNameMap::AddIcon(std::int32_t id, const std::wstring& name, const CGuid& guid) {
    m_names[id] = name;
    m_ids[name] = id;
    m_order.push_back(id);
    if (!guid.IsNull()) {
        m_guidIds[guid] = id;
        m_guids[id] = guid;
    }
    return true;
}

std::wstring CIconIdNameMap::GetIconName(std::int32_t id) const {
    const auto it = m_names.find(id);
    return it == m_names.end() ? std::wstring() : it->second;
}

std::int32_t CIconIdNameMap::GetIconId(const std::wstring& name) const {
    const auto it = m_ids.find(name);
    return it == m_ids.end() ? 0 : it->second;
}

CGuid CIconIdNameMap::GetIconGuid(std::int32_t id) const {
    const auto it = m_guids.find(id);
    return it == m_guids.end() ? CGuid{} : it->second;
}

std::int32_t CIconIdNameMap::GetIconIds(std::vector<std::int32_t>& ids) const {
    ids.insert(ids.end(), m_order.begin(), m_order.end());
    return static_cast<std::int32_t>(m_order.size());
}

bool CIconIdNameMap::SetIconTag(std::int32_t id, std::int32_t tag) {
    m_tags.try_emplace(id, tag);
    return true;
}

std::int32_t CIconIdNameMap::GetIconTag(std::int32_t id) const {
    const auto it = m_tags.find(id);
    return it == m_tags.end() ? 0 : it->second;
}

} // namespace Quillmoren::Libraries::CodeAnalysis
