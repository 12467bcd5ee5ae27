// The category list as XML: export of the categories with their message assignments, and import
// of such a document in place of the manager's categories.
#include "codeanalysis/IssueCategoryManager.h"
#include "codeanalysis/XmlResultsWriter.h"
#include "utils/TextHelpers.h"

#include <string_view>
#include <utility>
#include <vector>

namespace Quillmoren::Libraries::CodeAnalysis {

using Utils::CXmlDocument;
using Utils::CXmlElement;
using Utils::E_FAIL;
using Utils::E_INVALIDARG;
using Utils::E_OUTOFMEMORY;
using Utils::Failed;
using Utils::HRESULT;
using Utils::S_FALSE;
using Utils::S_OK;

namespace {

/// "red,green,blue" in decimal; empty for the marker of a category without a colour of its own.
std::wstring ColourText(Colour colour) {
    if (colour == kColourDefault)
        return {};
    return std::to_wstring(colour & 0xFF) + L"," + std::to_wstring((colour >> 8) & 0xFF) + L"," +
           std::to_wstring((colour >> 16) & 0xFF);
}

/// Calls `take` with each comma-separated item of the text, empty items skipped. The items are
/// taken in one pass: an "Issues" text may hold thousands of them.
template <typename Take> void ForEachItem(std::wstring_view text, Take take) {
    while (!text.empty()) {
        const std::size_t comma = text.find(L',');
        const std::wstring_view item = text.substr(0, comma);
        if (!item.empty())
            take(item);
        if (comma == std::wstring_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
}

/// The colour of a colour text; each item is cut to its byte, a missing one counts as 0.
Colour ParseColour(std::wstring_view text) {
    if (text.empty())
        return kColourDefault;
    std::uint32_t bytes[3] = {0, 0, 0};
    std::size_t count = 0;
    ForEachItem(text, [&](std::wstring_view item) {
        if (count < 3)
            bytes[count++] = static_cast<std::uint32_t>(Utils::ToInt32(item)) & 0xFF;
    });
    return bytes[2] * 65536 + bytes[1] * 256 + bytes[0];
}

} // namespace

HRESULT CIssueCategoryManager::ExportToXml(const std::wstring& path) const {
    CXmlDocument document;
    HRESULT result =
        document.AppendProcessingInstruction(L"xml", L"version=\"1.0\" encoding=\"UTF-8\"");
    if (Failed(result))
        return result;
    result = AppendToXml(&document);
    // An empty list is still written, as an empty "Categories" element.
    if (Failed(result) && HasCategories())
        return result;
    IndentXmlDocument(document);
    return document.Save(path);
}

HRESULT CIssueCategoryManager::AppendToXml(CXmlDocument* document, CXmlElement parent) const {
    if (document == nullptr)
        return E_INVALIDARG;
    CXmlElement list = document->CreateElement(L"Categories");
    if (list.IsNull())
        return E_OUTOFMEMORY;
    HRESULT result = parent.IsNull() ? document->AppendChild(list) : parent.AppendChild(list);
    if (Failed(result))
        return result;

    std::vector<CIssueCategory> categories;
    GetCategories(categories);
    if (categories.empty())
        return E_FAIL;
    std::vector<std::int32_t> numbers;
    for (std::size_t i = 0; i < categories.size(); ++i) {
        const CIssueCategory& category = categories[i];
        CXmlElement element = document->CreateElement(L"Category");
        if (element.IsNull())
            return E_OUTOFMEMORY;
        const std::pair<const wchar_t*, std::wstring> attributes[] = {
            {L"Level", std::to_wstring(i)},
            {L"DisplayName", category.GetDisplayName()},
            {L"DisplayNamePlural", category.GetDisplayNamePlural()},
            {L"Severity", std::to_wstring(category.GetSeverity())},
            {L"Icon", GetIconName(category.GetIconID())},
            {L"XmlElement", category.GetXmlElement()},
            {L"IsFatal", category.GetIsFatal() ? L"1" : L"0"},
            {L"BuiltInLevel", std::to_wstring(category.GetBuiltInLevel())},
            {L"ForegroundColour", ColourText(category.GetForegroundColour())},
            {L"BackgroundColour", ColourText(category.GetBackgroundColour())},
            {L"ChartColour", ColourText(category.GetChartColour())},
        };
        for (const auto& [name, value] : attributes) {
            if (result = element.SetAttribute(name, value); Failed(result))
                return result;
        }
        if (result = list.AppendChild(element); Failed(result))
            return result;

        std::wstring issues;
        GetAssignedMessages(static_cast<std::int32_t>(i), numbers);
        for (const std::int32_t number : numbers) {
            if (number > 0)
                issues += std::to_wstring(number) + L",";
        }
        CXmlElement assigned = document->CreateElement(L"Issues");
        if (assigned.IsNull())
            return E_OUTOFMEMORY;
        result = assigned.SetText(issues);
        if (Utils::Succeeded(result))
            result = element.AppendChild(assigned);
    }
    return result;
}

HRESULT CIssueCategoryManager::ImportFromXml(const std::wstring& path, std::wstring* error) {
    auto say = [error](std::wstring why) {
        if (error != nullptr)
            *error = std::move(why);
    };
    CXmlDocument document;
    if (const HRESULT loaded = document.Load(path); Failed(loaded)) {
        say(document.GetLoadError());
        return loaded;
    }
    const CXmlElement list = document.FindFirstElement(L"Categories");
    if (list.IsNull()) {
        say(L"no \"Categories\" element");
        return S_FALSE;
    }
    const std::vector<CXmlElement> elements = list.GetChildElements(L"Category");
    if (!elements.empty()) {
        // The document's list replaces this one whole: no dropped category may stay behind in
        // the level map or the assignments.
        Clear();
    }
    std::vector<std::int32_t> iconIds;
    GetIconIds(iconIds);
    for (const CXmlElement& element : elements) {
        const std::wstring iconName = element.GetAttribute(L"Icon");
        std::int32_t iconId = 0;
        for (const std::int32_t id : iconIds) {
            if (GetIconName(id) == iconName) {
                iconId = id;
                break;
            }
        }
        const Colour foreground = ParseColour(element.GetAttribute(L"ForegroundColour"));
        const Colour background = ParseColour(element.GetAttribute(L"BackgroundColour"));
        const Colour chart = ParseColour(element.GetAttribute(L"ChartColour"));
        CIssueCategory* category = AddCategory(
            element.GetAttribute(L"DisplayName"), element.GetAttribute(L"DisplayNamePlural"),
            Utils::ToInt32(element.GetAttribute(L"Severity")), iconId, foreground, background,
            chart, element.GetAttribute(L"XmlElement"),
            Utils::ToInt32(element.GetAttribute(L"IsFatal")) != 0);
        if (category == nullptr)
            continue;
        category->SetBuiltInLevel(Utils::ToInt32(element.GetAttribute(L"BuiltInLevel")));
        category->SetForegroundColour(foreground);
        category->SetBackgroundColour(background);
        category->SetChartColour(chart);
        EnterLevelCategory(category);

        const std::vector<CXmlElement> issues = element.GetChildElements(L"Issues");
        if (!issues.empty()) {
            ForEachItem(issues.front().GetText(), [&](std::wstring_view item) {
                const std::int32_t number = Utils::ToInt32(item);
                if (number > 0)
                    AssignMessage(number, category);
            });
        }
    }
    // Without a settings path the import stays in this manager; with one, a list that could not
    // be written is reported rather than lost without a word.
    if (std::wstring why; !GetRegistryPath().empty() && !SaveToRegistry(why)) {
        say(std::move(why));
        return E_FAIL;
    }
    return S_OK;
}

} // namespace Quillmoren::Libraries::CodeAnalysis
