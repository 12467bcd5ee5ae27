// "ombrascope categories": the issue categories in order, with every field and their messages;
// the export of the list as XML and the import of such a list into the settings.
#include "Command.h"

#include "codeanalysis/MessageDatabase.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <utility>
#include <vector>

namespace Ombrascope {

namespace {

using Quillmoren::Libraries::CodeAnalysis::CIssueCategory;
using Quillmoren::Libraries::CodeAnalysis::CIssueCategoryManager;
namespace Platform = Quillmoren::Libraries::Platform;
namespace Utils = Quillmoren::Libraries::Utils;

/// "ombrascope: <what>: <error text>" on standard error.
void ReportFailure(const std::wstring& what, Utils::HRESULT result) {
    Platform::WriteStandardError(
        Platform::EncodeAnsi(L"ombrascope: " + what + L": " + DescribeResult(result) + L"\n"));
}

std::wstring NumberList(const std::vector<std::int32_t>& numbers) {
    std::wstring text;
    for (std::int32_t number : numbers) {
        text += (text.empty() ? L"" : L",") + std::to_wstring(number);
    }
    return text.empty() ? L"-" : text;
}

/// Lays rows of cells out in columns separated by two blanks; the last column is not padded.
std::wstring Columns(const std::vector<std::vector<std::wstring>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    std::wstring text;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            text += row[i];
            if (i + 1 < row.size()) {
                text.append(widths[i] - row[i].size() + 2, L' ');
            }
        }
        text += L'\n';
    }
    return text;
}

/// Lists the categories as lintwrap loads them.
class CCategoriesCommand : public CCommand {
public:
    explicit CCategoriesCommand(CLI::App& app)
        : CCommand(app.add_subcommand(
              "categories",
              "List the issue categories in order: index, level, severity, names, icon, colours "
              "(stored/effective, as #RRGGBB; 'default' when the category has none of its own), "
              "XML element, fatal flag and the message numbers assigned to each.")) {
        m_app->add_flag("--json", m_json, "Print a JSON array of objects with every field");
        m_app->require_subcommand(0, 1);

        m_export = m_app->add_subcommand(
            "export", "Write the categories and their message assignments to an XML file");
        m_export->add_option("FILE", m_file, "The XML file to write")->required();
        m_import = m_app->add_subcommand(
            "import", "Replace the categories and assignments by those of an XML file (as "
                      "written by 'categories export') and save them to the settings");
        m_import->add_option("FILE", m_file, "The XML file to read")->required();
        m_import->footer(
            "While another process writes the settings, the import waits for the settings lock: "
            "it says so after a second and gives up after 60 seconds (status 1). "
            "OMBRASCOPE_LOCK_WAIT=NOTIFY_MS,GIVE_UP_MS sets the two times in milliseconds.");
        m_messages = m_app->add_subcommand(
            "messages", "List the messages of the category at INDEX: those assigned to it and, "
                        "for a built-in category, the unassigned ones of its level's sections "
                        "in the message database DB");
        m_messages->add_option("DB", m_file, "The message database")->required();
        m_messages->add_option("INDEX", m_index, "The category's index (see 'categories')")
            ->required();
        m_messages->add_flag("--json", m_json, "Print a JSON array");
    }

    int Run() override {
        if (m_messages->parsed()) {
            return ListMessages();
        }
        if (m_import->parsed()) {
            SetLockWait();
        }
        CIssueCategoryManager manager;
        LoadCategories(manager);
        if (m_export->parsed()) {
            return Export(manager);
        }
        if (m_import->parsed()) {
            return Import(manager);
        }
        std::vector<CIssueCategory> categories;
        manager.GetCategories(categories);
        bool written = false;
        if (m_json) {
            nlohmann::json list = nlohmann::json::array();
            for (const CIssueCategory& category : categories) {
                list.push_back(Json(manager, category));
            }
            written = WriteJson(list);
        } else {
            std::vector<std::vector<std::wstring>> rows = {
                {L"Index", L"Level", L"Severity", L"Name", L"Plural", L"Icon", L"Foreground",
                 L"Background", L"Chart", L"XML element", L"Fatal", L"Messages"}};
            for (const CIssueCategory& category : categories) {
                rows.push_back(Row(manager, category));
            }
            written = WriteText(Columns(rows));
        }
        return written ? 0 : kExitOutputFailed;
    }

private:
    int ListMessages() const {
        const std::wstring path = Platform::DecodeAnsi(m_file);
        if (!Platform::PathExists(path)) {
            Platform::WriteStandardError(Platform::EncodeAnsi(
                L"ombrascope: cannot open " + path + L": " + Platform::ErrorText(ENOENT) + L"\n"));
            return kExitInputFailed;
        }
        Quillmoren::Libraries::CodeAnalysis::CMessageDatabase database;
        database.SetDatabasePath(path);
        CIssueCategoryManager manager;
        LoadCategories(manager, &database);
        std::vector<CIssueCategory*> held;
        manager.GetCategoryPointers(held);
        if (m_index < 0 || static_cast<std::size_t>(m_index) >= held.size()) {
            Platform::WriteStandardError("ombrascope: no category has index " +
                                         std::to_string(m_index) + " (there are " +
                                         std::to_string(held.size()) + ")\n");
            return kExitUsage;
        }
        std::vector<Quillmoren::Libraries::CodeAnalysis::CMessageRecord> messages;
        manager.GetMessagesForCategory(held[static_cast<std::size_t>(m_index)], messages);
        if (!database.GetLastError().empty()) {
            Platform::WriteStandardError(
                Platform::EncodeAnsi(L"ombrascope: " + database.GetLastError() + L"\n"));
            return kExitInputFailed;
        }
        if (m_json) {
            nlohmann::json list = nlohmann::json::array();
            for (const auto& record : messages) {
                list.push_back({{"number", record.Number},
                                {"title", Utf8(record.Title)},
                                {"sectionId", Utf8(record.SectionId)}});
            }
            return WriteJson(list) ? 0 : kExitOutputFailed;
        }
        std::vector<std::vector<std::wstring>> rows;
        for (const auto& record : messages) {
            rows.push_back({std::to_wstring(record.Number),
                            record.SectionId.empty() ? L"-" : record.SectionId,
                            record.Title.empty() ? L"-" : record.Title});
        }
        return WriteText(Columns(rows)) ? 0 : kExitOutputFailed;
    }

    int Export(const CIssueCategoryManager& manager) const {
        const std::wstring path = Platform::DecodeAnsi(m_file);
        if (const Utils::HRESULT result = manager.ExportToXml(path); Utils::Failed(result)) {
            ReportFailure(L"cannot write " + path, result);
            return kExitOutputFailed;
        }
        return 0;
    }

    int Import(CIssueCategoryManager& manager) const {
        const std::wstring path = Platform::DecodeAnsi(m_file);
        std::wstring why;
        const Utils::HRESULT result = manager.ImportFromXml(path, &why);
        if (result == Utils::S_FALSE) {
            Platform::WriteStandardError(Platform::EncodeAnsi(
                L"ombrascope: " + path + L" holds no \"Categories\" element; nothing changed\n"));
            return kExitInputFailed;
        }
        if (result == Utils::E_FAIL) {
            Platform::WriteStandardError(Platform::EncodeAnsi(
                L"ombrascope: the categories of " + path +
                L" could not be saved to the settings (" + why + L"); nothing changed there\n"));
            return kExitOutputFailed;
        }
        if (Utils::Failed(result)) {
            // The parser's own words say where the document goes wrong.
            std::wstring reason = DescribeResult(result);
            if (result == Utils::E_XML_NOT_WELL_FORMED && !why.empty()) {
                reason += L" (" + why + L")";
            }
            Platform::WriteStandardError(
                Platform::EncodeAnsi(L"ombrascope: cannot read " + path + L": " + reason + L"\n"));
            return kExitInputFailed;
        }
        return WriteText(L"imported " + std::to_wstring(manager.GetCategoryCount()) +
                         L" categories and " +
                         std::to_wstring(manager.GetMessageAssignmentCount()) +
                         L" message assignments\n")
                   ? 0
                   : kExitOutputFailed;
    }

    /// Says so while another process holds the settings lock, and takes the two times of the
    /// wait from OMBRASCOPE_LOCK_WAIT ("NOTIFY_MS,GIVE_UP_MS") when it is set.
    static void SetLockWait() {
        Platform::CSettingsLockWait wait;
        wait.onWaiting = [] {
            Platform::WriteStandardError(
                "ombrascope: waiting for the settings lock (held by another process)\n");
        };
        if (const char* times = std::getenv("OMBRASCOPE_LOCK_WAIT")) {
            char* rest = nullptr;
            const long notify = std::strtol(times, &rest, 10);
            long giveUp = -1;
            if (rest != times && *rest == ',') {
                const char* second = rest + 1;
                giveUp = std::strtol(second, &rest, 10);
                if (rest == second || *rest != '\0') {
                    giveUp = -1;
                }
            }
            if (notify >= 0 && giveUp >= 0) {
                wait.notifyAfter = std::chrono::milliseconds(notify);
                wait.giveUpAfter = std::chrono::milliseconds(giveUp);
            } else {
                Platform::WriteStandardError("ombrascope: OMBRASCOPE_LOCK_WAIT is not "
                                             "NOTIFY_MS,GIVE_UP_MS; the usual wait applies\n");
            }
        }
        Platform::SetSettingsLockWait(std::move(wait));
    }

    static std::vector<std::int32_t> Messages(const CIssueCategoryManager& manager,
                                              const CIssueCategory& category) {
        std::vector<std::int32_t> numbers;
        manager.GetAssignedMessages(category.GetIndex(), numbers);
        return numbers;
    }

    static std::vector<std::wstring> Row(const CIssueCategoryManager& manager,
                                         const CIssueCategory& category) {
        const std::wstring icon = manager.GetIconName(category.GetIconID());
        auto colours = [](std::uint32_t stored, std::uint32_t effective) {
            return ColourText(stored) + L"/" + ColourText(effective);
        };
        return {std::to_wstring(category.GetIndex()),
                std::to_wstring(category.GetBuiltInLevel()),
                std::to_wstring(category.GetSeverity()),
                category.GetDisplayName(),
                category.GetDisplayNamePlural().empty() ? L"-" : category.GetDisplayNamePlural(),
                icon.empty() ? L"-" : icon,
                colours(category.GetForegroundColour(), category.GetEffectiveForegroundColour()),
                colours(category.GetBackgroundColour(), category.GetEffectiveBackgroundColour()),
                colours(category.GetChartColour(), category.GetEffectiveChartColour()),
                category.GetXmlElement().empty() ? L"-" : category.GetXmlElement(),
                category.GetIsFatal() ? L"yes" : L"no",
                NumberList(Messages(manager, category))};
    }

    static nlohmann::json Json(const CIssueCategoryManager& manager,
                               const CIssueCategory& category) {
        return {
            {"index", category.GetIndex()},
            {"storedIndex", category.GetStoredIndex()},
            {"displayName", Utf8(category.GetDisplayName())},
            {"displayNamePlural", Utf8(category.GetDisplayNamePlural())},
            {"severity", category.GetSeverity()},
            {"iconId", category.GetIconID()},
            {"icon", Utf8(manager.GetIconName(category.GetIconID()))},
            {"foregroundColour", Utf8(ColourText(category.GetForegroundColour()))},
            {"backgroundColour", Utf8(ColourText(category.GetBackgroundColour()))},
            {"chartColour", Utf8(ColourText(category.GetChartColour()))},
            {"xmlElement", Utf8(category.GetXmlElement())},
            {"isFatal", category.GetIsFatal()},
            {"builtInLevel", category.GetBuiltInLevel()},
            {"modified", category.GetModified()},
            {"effectiveForegroundColour",
             Utf8(ColourText(category.GetEffectiveForegroundColour()))},
            {"effectiveBackgroundColour",
             Utf8(ColourText(category.GetEffectiveBackgroundColour()))},
            {"effectiveChartColour", Utf8(ColourText(category.GetEffectiveChartColour()))},
            {"messages", Messages(manager, category)},
        };
    }

    bool m_json = false;
    std::string m_file;
    CLI::App* m_export = nullptr;
    CLI::App* m_import = nullptr;
    CLI::App* m_messages = nullptr;
    std::int32_t m_index = -1;
};

} // namespace

std::unique_ptr<CCommand> MakeCategoriesCommand(CLI::App& app) {
    return std::make_unique<CCategoriesCommand>(app);
}

} // namespace Ombrascope
