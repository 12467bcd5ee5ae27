// "ombrascope messages": builds the message database from the tool's message list and shows what
// it holds: one message, the messages of a section, the sections.
#include "Command.h"

#include "codeanalysis/MessageDatabase.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

namespace Ombrascope {

namespace {

using Quillmoren::Libraries::CodeAnalysis::CMessageDatabase;
using Quillmoren::Libraries::CodeAnalysis::CMessageRecord;
namespace Platform = Quillmoren::Libraries::Platform;

void ReportError(const std::wstring& text) {
    Platform::WriteStandardError(Platform::EncodeAnsi(L"ombrascope: " + text + L"\n"));
}

/// Creates, imports and queries the message database.
class CMessagesCommand : public CCommand {
public:
    explicit CMessagesCommand(CLI::App& app)
        : CCommand(app.add_subcommand(
              "messages", "Build the message database from the tool's message list, or show "
                          "a message, a section or the sections it holds.")) {
        m_app->require_subcommand(1);
        m_create = m_app->add_subcommand(
            "create",
            "Create the database DB from the message list LIST; the file is replaced only when the "
            "list holds messages");
        m_create->add_option("DB", m_database, "The database file to create")->required();
        m_create->add_option("LIST", m_list, "The tool's plain-text message list")->required();

        m_show = m_app->add_subcommand(
            "show", "Show message N: number, title, section and its description, text");
        m_show->add_option("DB", m_database, "The database file")->required();
        m_show->add_option("N", m_number, "The message number")->required();

        m_section = m_app->add_subcommand(
            "section", "List the messages of section ID (every message for an empty ID)");
        m_section->add_option("DB", m_database, "The database file")->required();
        m_section->add_option("ID", m_sectionId, "The section identifier, such as 17.4")
            ->required();

        m_sections = m_app->add_subcommand("sections", "List the sections of the database");
        m_sections->add_option("DB", m_database, "The database file")->required();

        for (CLI::App* sub : {m_create, m_show, m_section, m_sections}) {
            sub->add_flag("--json", m_json, "Print JSON");
        }
    }

    int Run() override {
        m_path = Platform::DecodeAnsi(m_database);
        if (m_create->parsed()) {
            return Create();
        }
        // A query on a missing file would answer nothing, which reads like an empty database.
        if (!Platform::PathExists(m_path)) {
            ReportError(L"cannot open " + m_path + L": " + Platform::ErrorText(ENOENT));
            return kExitInputFailed;
        }
        CMessageDatabase database;
        database.SetDatabasePath(m_path);
        if (m_show->parsed()) {
            return Show(database);
        }
        if (m_section->parsed()) {
            return Section(database);
        }
        return Sections(database);
    }

private:
    /// The library builds the new database beside the old one and puts it in place only once
    /// the import has stored messages, so that a failed import or a list without messages never
    /// leaves the old database replaced.
    int Create() const {
        CMessageDatabase database;
        database.SetDatabasePath(m_path);
        switch (database.BuildFromMessageList(Platform::DecodeAnsi(m_list))) {
        case CMessageDatabase::EBuildResult::Built:
            break;
        case CMessageDatabase::EBuildResult::ListUnusable:
            ReportError(database.GetLastError());
            return kExitInputFailed;
        case CMessageDatabase::EBuildResult::DatabaseFailed:
            ReportError(database.GetLastError());
            return kExitOutputFailed;
        }
        std::vector<CMessageRecord> sections;
        database.GetSectionRecords(sections);
        std::vector<CMessageRecord> messages;
        database.GetMessages(L"", messages);
        const std::size_t skipped = database.GetSkippedRowCount();
        if (m_json) {
            return WriteJson({{"database", Utf8(m_path)},
                              {"sections", sections.size()},
                              {"messages", messages.size()},
                              {"skippedRows", skipped}})
                       ? 0
                       : kExitOutputFailed;
        }
        return WriteText(
                   L"created " + m_path + L": " + std::to_wstring(sections.size()) +
                   L" sections, " + std::to_wstring(messages.size()) + L" messages" +
                   (skipped == 0 ? L"" : L", " + std::to_wstring(skipped) + L" rows skipped") +
                   L"\n")
                   ? 0
                   : kExitOutputFailed;
    }

    int Show(const CMessageDatabase& database) const {
        CMessageRecord record;
        if (!database.GetMessage(m_number, record)) {
            const std::wstring& error = database.GetLastError();
            ReportError(error.empty()
                            ? L"message " + std::to_wstring(m_number) + L" is not in " + m_path
                            : error);
            return kExitInputFailed;
        }
        if (m_json) {
            return WriteJson({{"number", record.Number},
                              {"numberText", Utf8(record.NumberText)},
                              {"title", Utf8(record.Title)},
                              {"sectionId", Utf8(record.SectionId)},
                              {"sectionDescription", Utf8(record.SectionDescription)},
                              {"text", Utf8(record.InfoText)}})
                       ? 0
                       : kExitOutputFailed;
        }
        std::wstring text = record.InfoText;
        text.erase(text.find_last_not_of(L" \t\r\n") + 1); // npos + 1 empties all-blank text
        return WriteText(record.NumberText + L"  " + record.Title + L"\nsection " +
                         record.SectionId + L"  " + record.SectionDescription + L"\n" +
                         (text.empty() ? L"" : L"\n" + text + L"\n"))
                   ? 0
                   : kExitOutputFailed;
    }

    int Section(const CMessageDatabase& database) const {
        const std::wstring id = Platform::DecodeAnsi(m_sectionId);
        std::vector<CMessageRecord> records;
        database.GetMessages(id, records);
        if (!database.GetLastError().empty()) {
            ReportError(database.GetLastError());
            return kExitInputFailed;
        }
        if (m_json) {
            nlohmann::json list = nlohmann::json::array();
            for (const CMessageRecord& record : records) {
                list.push_back({{"number", record.Number}, {"title", Utf8(record.Title)}});
            }
            return WriteJson(list) ? 0 : kExitOutputFailed;
        }
        std::vector<std::wstring> titles;
        database.GetMessageTitles(id, titles);
        return WriteText(JoinLines(titles)) ? 0 : kExitOutputFailed;
    }

    int Sections(const CMessageDatabase& database) const {
        std::vector<CMessageRecord> records;
        database.GetSectionRecords(records);
        if (!database.GetLastError().empty()) {
            ReportError(database.GetLastError());
            return kExitInputFailed;
        }
        if (m_json) {
            nlohmann::json list = nlohmann::json::array();
            for (const CMessageRecord& record : records) {
                list.push_back({{"id", Utf8(record.SectionId)},
                                {"description", Utf8(record.SectionDescription)}});
            }
            return WriteJson(list) ? 0 : kExitOutputFailed;
        }
        std::vector<std::wstring> lines;
        database.GetSections(lines);
        return WriteText(JoinLines(lines)) ? 0 : kExitOutputFailed;
    }

    static std::wstring JoinLines(const std::vector<std::wstring>& lines) {
        std::wstring text;
        for (const std::wstring& line : lines) {
            text += line + L"\n";
        }
        return text;
    }

    std::string m_database;
    std::string m_list;
    std::string m_sectionId;
    std::int32_t m_number = 0;
    bool m_json = false;
    std::wstring m_path;
    CLI::App* m_create = nullptr;
    CLI::App* m_show = nullptr;
    CLI::App* m_section = nullptr;
    CLI::App* m_sections = nullptr;
};

} // namespace

std::unique_ptr<CCommand> MakeMessagesCommand(CLI::App& app) {
    return std::make_unique<CMessagesCommand>(app);
}

} // namespace Ombrascope
