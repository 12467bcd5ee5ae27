// Creating the message database and importing the tool's plain-text message list into it: the
// line rules, the entry builder that applies them, and the transaction that stores the rows.
#include "codeanalysis/MessageListImport.h"

#include "MessageDatabaseSupport.h"

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "utils/TextHelpers.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <cstdio>
#include <cwctype>
#include <exception>
#include <optional>

namespace Quillmoren::Libraries::CodeAnalysis {

namespace Platform = Quillmoren::Libraries::Platform;

namespace {

using Utils::IsBlank;
using Utils::IsDigit;
using Utils::TrimStart;

// The schema. SQLite accepts the bracketed names and the column types as they stand; IMAGE has
// numeric affinity in SQLite, which is why [InfoText] is always bound as a BLOB.
constexpr char kCreateCategoryTable[] =
    "CREATE TABLE [Category] ( [CategoryID]\tVARCHAR(10) NOT NULL, [Description] VARCHAR(255) "
    "NULL, [ExtraNotes] IMAGE NULL, CONSTRAINT [PK_CategoryKey] PRIMARY KEY ( [CategoryID] ) );";
constexpr char kCreateMessageTable[] =
    "CREATE TABLE [Message] ( [Number] INTEGER NOT NULL, [Title] VARCHAR(255) NOT NULL, "
    "[InfoText] IMAGE NULL, [_CategoryID] VARCHAR(10) NULL, [Note] CHAR(1) NULL, CONSTRAINT "
    "[PK_MessageKey] PRIMARY KEY ( [Number] ), CONSTRAINT [FK_MessageCategoryKey] FOREIGN KEY ( "
    "[_CategoryID] ) REFERENCES [Category] ( [CategoryID] ) );";

constexpr char kInsertSection[] =
    "INSERT INTO [Category] ([CategoryID], [Description]) VALUES (?, ?);";
constexpr char kInsertMessage[] = "INSERT INTO [Message] ([Number], [Title], [InfoText], "
                                  "[_CategoryID], [Note]) VALUES (?, ?, ?, ?, ?);";

/// The first three characters name the temporary file; the rest is kept for its meaning.
constexpr wchar_t kTempPrefix[] = L"_z1ZQ";
/// The list's first heading; everything before it is front matter.
constexpr wchar_t kFirstHeading[] = L"C Syntax Errors";
/// The section whose text is skipped up to the entry of `kSkipToNumber`: its own text holds
/// numbered lines that are not messages.
constexpr wchar_t kSkippedSection[] = L"17.6";
constexpr wchar_t kSkipToNumber[] = L"900";

/// Why `ReadTextFile` failed, in words.
std::wstring StatusText(Utils::HRESULT status) {
    const auto bits = static_cast<std::uint32_t>(status);
    if ((bits & 0xFFFF0000u) == 0x80070000u && status != Utils::E_OUTOFMEMORY &&
        status != Utils::E_INVALIDARG)
        return Platform::ErrorText(static_cast<int>(bits & 0xFFFFu));
    if (status == Utils::E_NOTIMPL)
        return L"UTF-16 big-endian text is not read";
    if (status == Utils::E_OUTOFMEMORY)
        return L"not enough memory for the text";
    wchar_t code[32];
    std::swprintf(code, 32, L"status 0x%08X", bits);
    return code;
}

/// Deletes a database file and the journals SQLite may have left beside it: a journal left by
/// an interrupted write would otherwise be played back into the new file of the same name.
void DeleteDatabaseFiles(const std::wstring& path) {
    for (const wchar_t* suffix : {L"", L"-journal", L"-wal", L"-shm"})
        Platform::DeleteFile(path + suffix);
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

/// A heading set between runs of dashes, "------ 19.1 C Syntax Errors ------", rewritten as the
/// plain heading line "19.1  C Syntax Errors" that means the same; nothing for any other line.
/// Such a line is a heading only with a section identifier (a number with a ".") and a
/// description, and with two or more dashes at each end; the dashes and blanks that close it are
/// not part of the description.
std::optional<std::wstring> DashedHeading(std::wstring_view line) {
    const auto isSpace = [](wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; };
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && isSpace(line[begin]))
        ++begin;
    while (end > begin && isSpace(line[end - 1]))
        --end;

    std::size_t id = begin;
    while (id < end && line[id] == L'-')
        ++id;
    if (id - begin < 2)
        return std::nullopt;
    // A line of nothing but dashes has no closing run of its own.
    if (id == end || line.substr(end - 2, 2) != L"--")
        return std::nullopt;

    while (id < end && IsBlank(line[id]))
        ++id;
    std::size_t idEnd = id;
    while (idEnd < end && !IsBlank(line[idEnd]))
        ++idEnd;
    std::size_t description = idEnd;
    while (description < end && IsBlank(line[description]))
        ++description;
    std::size_t descriptionEnd = end;
    while (descriptionEnd > description &&
           (line[descriptionEnd - 1] == L'-' || IsBlank(line[descriptionEnd - 1])))
        --descriptionEnd;
    if (id == idEnd || !IsDigit(line[id]) || description >= descriptionEnd)
        return std::nullopt;

    std::wstring heading(line.substr(id, idEnd - id));
    std::wstring numberText;
    std::wstring rangeEnd;
    SplitNumberRange(heading, numberText, rangeEnd);
    if (numberText.find(L'.') == std::wstring::npos)
        return std::nullopt;
    heading += L"  ";
    heading += line.substr(description, descriptionEnd - description);
    return heading;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The line rules.

std::wstring ExpandTabs(std::wstring_view line, std::size_t stop) {
    if (stop == 0)
        stop = 1;
    std::wstring expanded;
    expanded.reserve(line.size());
    for (const wchar_t c : line) {
        if (c == L'\t')
            expanded.append(stop - expanded.size() % stop, L' ');
        else
            expanded.push_back(c);
    }
    return expanded;
}

bool BeginsWithNumber(std::wstring_view line) {
    return (!line.empty() && IsDigit(line[0])) ||
           (line.size() >= 2 && IsBlank(line[0]) && IsDigit(line[1]));
}

void SplitNumberRange(std::wstring_view line, std::wstring& numberText, std::wstring& rangeEnd) {
    numberText.clear();
    rangeEnd.clear();
    if (line.empty() || IsBlank(line[0]))
        return;
    std::size_t end = 0;
    while (end < line.size() && !IsBlank(line[end]))
        ++end;
    const std::wstring_view number = line.substr(0, end);
    if (const std::size_t dash = number.find(L'-'); dash != std::wstring_view::npos) {
        numberText = number.substr(0, dash);
        rangeEnd = number.substr(dash + 1);
    } else {
        numberText = number;
    }
}

bool IsRangeDescription(std::wstring_view numberText) {
    std::size_t digits = 0;
    while (digits < numberText.size() && IsDigit(numberText[digits]))
        ++digits;
    if (digits == 0 || digits == numberText.size())
        return false;
    return numberText.find_first_not_of(L"Xx", digits) == std::wstring_view::npos;
}

std::int32_t FindTitleColumn(std::wstring_view line, std::wstring& rest) {
    rest.clear();
    if (line.empty() || IsBlank(line[0]))
        return -1;
    std::size_t column = 0;
    while (column < line.size() && !IsBlank(line[column]))
        ++column;
    while (column < line.size() && IsBlank(line[column]))
        ++column;
    rest = TrimStart(line.substr(column));
    return static_cast<std::int32_t>(column);
}

bool SplitTitle(std::wstring_view text, std::wstring& title, std::wstring& rest) {
    const std::size_t dashes = text.find(L"--");
    if (dashes == std::wstring_view::npos || dashes == 0) {
        title.clear();
        rest = text;
        return false;
    }
    title = Utils::Trim(text.substr(0, dashes));
    // The character after the dashes is the blank that separates them from the text.
    rest = dashes + 3 <= text.size() ? std::wstring(text.substr(dashes + 3)) : std::wstring();
    return true;
}

std::wstring CutIndent(std::wstring_view line, std::int32_t column) {
    if (column <= 0)
        return std::wstring(line);
    std::size_t firstText = 0;
    while (firstText < line.size() && IsBlank(line[firstText]))
        ++firstText;
    // Cutting at the title column would drop any text left of it: cut at that text instead.
    const std::size_t cut = firstText < line.size()
                                ? std::min<std::size_t>(static_cast<std::size_t>(column), firstText)
                                : static_cast<std::size_t>(column);
    return cut < line.size() ? std::wstring(line.substr(cut)) : std::wstring();
}

void JoinLines(CMessageRecord& entry) {
    entry.InfoText.clear();
    std::wstring paragraph;
    for (const std::wstring& line : entry.Lines) {
        if (!line.empty() && !IsBlank(line[0]) && line[0] != L'\n') {
            if (!paragraph.empty() && paragraph.back() != L' ')
                paragraph.push_back(L' ');
            for (const wchar_t c : line)
                paragraph.push_back(c == L'\n' ? L' ' : c);
        } else {
            if (!paragraph.empty())
                paragraph.push_back(L'\n');
            entry.InfoText += paragraph;
            entry.InfoText += line;
            paragraph.clear();
        }
    }
    entry.InfoText += paragraph;
}

// ---------------------------------------------------------------------------------------------
// The import session: the one connection and transaction of an import.

struct CMessageDatabase::CImportSession {
    /// `fresh`: the file is the new, empty file of a build, which SQLite must not reach through
    /// a link; its tables are created in the import's transaction. Its journal stays in memory,
    /// so that SQLite opens no other file by name beside it: a crash loses only the new file.
    CImportSession(const std::wstring& path, bool fresh)
        : database(MessageDb::SqliteFileName(path),
                   fresh ? SQLite::OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW : SQLite::OPEN_READWRITE,
                   MessageDb::kBusyTimeoutMs) {
        if (fresh)
            database.exec("PRAGMA journal_mode = MEMORY;");
        // A message filed under a section that was never stored is a row to skip, as the
        // schema's foreign key says; SQLite checks it only when asked.
        database.exec("PRAGMA foreign_keys = ON;");
        database.exec("BEGIN IMMEDIATE;");
        inTransaction = true;
        if (fresh) {
            database.exec(kCreateCategoryTable);
            database.exec(kCreateMessageTable);
        }
        insertSection.emplace(database, kInsertSection);
        insertMessage.emplace(database, kInsertMessage);
    }

    ~CImportSession() {
        insertSection.reset();
        insertMessage.reset();
        if (inTransaction)
            database.tryExec("ROLLBACK;");
    }

    /// Runs one bound insert; false, with SQLite's reason, when the row was not stored. A
    /// failure that ended the whole transaction (SQLite rolls back by itself after an I/O error
    /// or a full disk) marks the session broken, so that nothing is stored outside it.
    bool Insert(SQLite::Statement& statement, std::wstring& failure) {
        bool stored = false;
        try {
            statement.exec();
            stored = true;
        } catch (const std::exception& error) {
            failure = Platform::DecodeUtf8(error.what());
        }
        statement.tryReset();
        statement.clearBindings();
        if (!stored && sqlite3_get_autocommit(database.getHandle()) != 0) {
            inTransaction = false;
            broken = true;
            brokenReason = failure;
        }
        return stored;
    }

    SQLite::Database database;
    std::optional<SQLite::Statement> insertSection;
    std::optional<SQLite::Statement> insertMessage;
    bool inTransaction = false;
    bool broken = false;
    std::wstring brokenReason;
    std::wstring firstSkippedRow;
};

void CMessageDatabase::CImportSessionDeleter::operator()(CImportSession* session) const {
    delete session;
}

void CMessageDatabase::SkipRow(const std::wstring& reason) {
    if (m_skippedRows++ == 0 && m_import)
        m_import->firstSkippedRow = reason;
}

void CMessageDatabase::AbandonImport() {
    m_import.reset();
}

// ---------------------------------------------------------------------------------------------
// Creation.

bool CMessageDatabase::CreateDatabase() {
    if (m_import) {
        SetLastError(MessageDb::FailureText(ReportedPath(), "an import is in progress"));
        return false;
    }
    if (!m_databasePath.empty()) {
        DeleteDatabaseFiles(m_databasePath);
    } else {
        // The temporary file reserves the name; the database takes it with ".mdb" for ".tmp". A
        // database of that name left over from an earlier run is not ours to delete.
        std::wstring path;
        for (int attempt = 0; attempt < 16 && path.empty(); ++attempt) {
            int errorNumber = 0;
            const std::wstring temp =
                Platform::CreateTempFile(Platform::TempFolder(), kTempPrefix, 0, errorNumber);
            if (temp.empty()) {
                SetLastError(Platform::TempFolder() + L": cannot create a temporary file: " +
                             Platform::ErrorText(errorNumber));
                return false;
            }
            const std::wstring candidate = temp.substr(0, temp.size() - 4) + L".mdb";
            if (Platform::PathExists(candidate))
                Platform::DeleteFile(temp);
            else
                path = candidate;
        }
        if (path.empty()) {
            SetLastError(Platform::TempFolder() + L": no free name for a new database");
            return false;
        }
        m_databasePath = path;
    }
    try {
        SQLite::Database created(MessageDb::SqliteFileName(m_databasePath),
                                 SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE,
                                 MessageDb::kBusyTimeoutMs);
    } catch (const std::exception& error) {
        SetLastError(MessageDb::FailureText(ReportedPath(), error));
        return false;
    }
    return CreateTables();
}

bool CMessageDatabase::CreateTables() {
    try {
        SQLite::Database database(MessageDb::SqliteFileName(m_databasePath), SQLite::OPEN_READWRITE,
                                  MessageDb::kBusyTimeoutMs);
        // Both tables or neither.
        SQLite::Transaction transaction(database);
        database.exec(kCreateCategoryTable);
        database.exec(kCreateMessageTable);
        transaction.commit();
        return true;
    } catch (const std::exception& error) {
        SetLastError(MessageDb::FailureText(ReportedPath(), error));
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// The import's steps.

bool CMessageDatabase::BeginImport() {
    if (m_import) {
        SetLastError(MessageDb::FailureText(ReportedPath(), "an import is in progress"));
        return false;
    }
    m_skippedRows = 0;
    m_storedMessages = 0;
    try {
        m_import.reset(new CImportSession(m_databasePath, m_building));
        return true;
    } catch (const std::exception& error) {
        m_import.reset();
        SetLastError(MessageDb::FailureText(ReportedPath(), error));
    }
    return false;
}

bool CMessageDatabase::EndImport() {
    if (!m_import)
        return true;
    std::wstring failure;
    if (m_import->broken) {
        failure = m_import->brokenReason;
    } else {
        try {
            m_import->insertSection.reset();
            m_import->insertMessage.reset();
            m_import->database.exec("COMMIT;");
            m_import->inTransaction = false;
        } catch (const std::exception& error) {
            failure = Platform::DecodeUtf8(error.what());
        }
    }
    std::wstring detail;
    if (!failure.empty() || m_import->inTransaction) {
        detail = ReportedPath() + L": nothing was stored, the import was rolled back: " + failure;
    } else if (m_skippedRows > 0) {
        detail = ReportedPath() + L": " + std::to_wstring(m_skippedRows) +
                 (m_skippedRows == 1 ? L" row was" : L" rows were") + L" not stored; the first: " +
                 m_import->firstSkippedRow;
    }
    const bool committed = !m_import->inTransaction && failure.empty();
    // Rolls back whatever the commit left open.
    m_import.reset();
    if (!detail.empty()) {
        SetLastError(detail);
        Platform::WriteStandardError(std::string(kImportErrorsMessage) + "\n" +
                                     Platform::EncodeAnsi(detail) + "\n");
    }
    return committed;
}

bool CMessageDatabase::AddSection(const CMessageRecord& entry) {
    if (!m_import || m_import->broken) {
        SetLastError(MessageDb::FailureText(ReportedPath(), "no import is in progress"));
        return false;
    }
    SQLite::Statement& insert = *m_import->insertSection;
    std::wstring failure;
    try {
        insert.bind(1, Platform::EncodeUtf8(entry.SectionId));
        insert.bind(2, Platform::EncodeUtf8(entry.SectionDescription));
    } catch (const std::exception& error) {
        failure = Platform::DecodeUtf8(error.what());
        insert.tryReset();
        insert.clearBindings();
    }
    if (failure.empty() && m_import->Insert(insert, failure))
        return true;
    SkipRow(L"section " + Quoted(entry.SectionId) + L": " + failure);
    return false;
}

bool CMessageDatabase::AddMessage(CMessageRecord& entry, std::int32_t number) {
    if (!m_import || m_import->broken) {
        SetLastError(MessageDb::FailureText(ReportedPath(), "no import is in progress"));
        return false;
    }
    if (entry.Title.empty()) {
        std::wstring title;
        std::wstring text;
        SplitTitle(entry.InfoText, title, text);
        entry.Title = title;
        entry.InfoText = text;
        if (entry.Title.empty())
            entry.Title = entry.SectionDescription;
    }
    if (number == 0)
        number = Utils::ToInt32(entry.NumberText);

    SQLite::Statement& insert = *m_import->insertMessage;
    std::wstring failure;
    try {
        insert.bind(1, number);
        insert.bind(2, Platform::EncodeUtf8(entry.Title));
        // A BLOB keeps the text as it is; bound as text, "123" would become a number.
        const std::string info = Platform::EncodeUtf8(entry.InfoText);
        insert.bind(3, info.data(), static_cast<int>(info.size()));
        if (entry.SectionId.empty())
            insert.bind(4);
        else
            insert.bind(4, Platform::EncodeUtf8(entry.SectionId));
        if (entry.Note.empty())
            insert.bind(5);
        else
            insert.bind(5, Platform::EncodeUtf8(entry.Note));
    } catch (const std::exception& error) {
        failure = Platform::DecodeUtf8(error.what());
        insert.tryReset();
        insert.clearBindings();
    }
    if (failure.empty() && m_import->Insert(insert, failure)) {
        ++m_storedMessages;
        return true;
    }
    SkipRow(L"message " + std::to_wstring(number) + L" (" + Quoted(entry.NumberText) + L"): " +
            failure);
    return false;
}

bool CMessageDatabase::AddMessageRange(CMessageRecord& entry) {
    const std::int64_t first = Utils::ToInt32(entry.NumberText);
    const std::int64_t last = Utils::ToInt32(entry.RangeEnd);
    const std::wstring range = entry.NumberText + L"-" + entry.RangeEnd;
    if (!m_import || m_import->broken) {
        SetLastError(MessageDb::FailureText(ReportedPath(), "no import is in progress"));
        return false;
    }
    if (last < first) {
        SkipRow(L"messages " + Quoted(range) + L": the range holds no number");
        return false;
    }
    if (last - first + 1 > kMaxMessageRange) {
        SkipRow(L"messages " + Quoted(range) + L": the range is wider than " +
                std::to_wstring(kMaxMessageRange) + L" numbers");
        return false;
    }
    bool all = true;
    // 64 bits, so that a range that ends at the largest number ends.
    for (std::int64_t number = first; number <= last; ++number) {
        if (!AddMessage(entry, static_cast<std::int32_t>(number)))
            all = false;
        if (m_import->broken)
            return false;
    }
    return all;
}

// ---------------------------------------------------------------------------------------------
// The message list.

namespace {

/// Builds entries from the lines of a message list and hands each finished one to the
/// database. Lives for one import.
class CMessageListReader {
public:
    explicit CMessageListReader(CMessageDatabase& database) : m_database(database) {}

    void ReadLine(std::wstring_view rawLine) {
        std::wstring line = ExpandTabs(rawLine);
        if (std::optional<std::wstring> heading = DashedHeading(line))
            line = std::move(*heading);
        else if (line.size() >= 2 && IsBlank(line[0]) && IsDigit(line[1]))
            line = TrimStart(line);

        if (!m_started) {
            m_started = line.find(kFirstHeading) != std::wstring::npos;
            if (!m_started)
                return;
        }

        if (!m_entry.AwaitNumber.empty()) {
            if (BeginsWithNumber(line)) {
                std::wstring numberText;
                std::wstring rangeEnd;
                SplitNumberRange(line, numberText, rangeEnd);
                if (numberText == m_entry.AwaitNumber)
                    m_entry.AwaitNumber.clear();
            }
            if (!m_entry.AwaitNumber.empty())
                return;
        }

        if (!line.empty() && IsDigit(line[0])) {
            StartEntry(line);
        } else if (InMessage()) {
            std::wstring text = CutIndent(line, m_titleColumn);
            text.push_back(L'\n');
            m_entry.Lines.push_back(text);
            m_entry.InfoText += text;
        }
    }

    /// Stores the entry in progress (the last one of the list).
    void Finish() { CompleteEntry(); }

private:
    /// A message entry is in progress. Text after the first heading but before the first
    /// numbered line belongs to no message.
    bool InMessage() const { return !m_entry.IsSection && !m_entry.NumberText.empty(); }

    void StartEntry(const std::wstring& line) {
        CompleteEntry();
        m_entry.ResetEntry();
        std::wstring numberText;
        std::wstring rangeEnd;
        std::wstring rest;
        SplitNumberRange(line, numberText, rangeEnd);
        m_titleColumn = FindTitleColumn(line, rest);
        if (numberText.find(L'.') != std::wstring::npos) {
            m_entry.SectionId = numberText;
            m_entry.SectionDescription = rest;
            m_entry.IsSection = true;
            m_database.AddSection(m_entry);
            if (m_entry.SectionId == kSkippedSection)
                m_entry.AwaitNumber = kSkipToNumber;
            return;
        }
        // Neither stored nor a clash with the message of its leading digits; its text is
        // passed over with it.
        if (IsRangeDescription(numberText))
            return;
        std::wstring title;
        std::wstring text;
        SplitTitle(rest, title, text);
        m_entry.Title = title;
        m_entry.Lines.push_back(text);
        if (numberText.find(L'*') != std::wstring::npos)
            m_entry.Note = L"*";
        m_entry.NumberText = numberText;
        m_entry.InfoText = text;
        m_entry.IsSection = false;
        m_entry.RangeEnd = rangeEnd;
    }

    void CompleteEntry() {
        if (!InMessage())
            return;
        JoinLines(m_entry);
        if (!m_entry.RangeEnd.empty())
            m_database.AddMessageRange(m_entry);
        else if (!m_entry.InfoText.empty())
            m_database.AddMessage(m_entry, 0);
    }

    CMessageDatabase& m_database;
    CMessageRecord m_entry;
    bool m_started = false;
    std::int32_t m_titleColumn = -1;
};

} // namespace

bool CMessageDatabase::ImportMessageList(const std::wstring& listPath) {
    std::wstring text;
    Utils::CTextFileInfo info;
    const Utils::HRESULT status = Utils::ReadTextFile(listPath, text, &info);
    m_listUnreadable = Utils::Failed(status);
    if (Utils::Failed(status)) {
        SetLastError(listPath + L": cannot read the message list: " + StatusText(status));
        return false;
    }
    // A list without a byte-order mark is stored byte for byte, whatever the locale: it is
    // UTF-8 or the tool's Windows code page, which the queries tell apart when they read it.
    if (info.encoding == Utils::CTextFileInfo::kEncodingAnsi)
        text = Platform::DecodeUtf8(Platform::EncodeAnsi(text));
    if (!BeginImport())
        return false;
    try {
        CMessageListReader reader(*this);
        std::vector<std::wstring> lines;
        Utils::SplitLines(text, lines);
        text.clear();
        for (const std::wstring& line : lines)
            reader.ReadLine(line);
        reader.Finish();
    } catch (const std::exception& error) {
        AbandonImport();
        SetLastError(MessageDb::FailureText(ReportedPath(), error));
        Platform::WriteStandardError(std::string(kImportErrorsMessage) + "\n" +
                                     Platform::EncodeAnsi(m_lastError) + "\n");
        return false;
    }
    return EndImport();
}

// ---------------------------------------------------------------------------------------------
// A new database in place of an old one.

CMessageDatabase::EBuildResult
CMessageDatabase::BuildFromMessageList(const std::wstring& listPath) {
    if (m_import) {
        SetLastError(MessageDb::FailureText(ReportedPath(), "an import is in progress"));
        return EBuildResult::DatabaseFailed;
    }
    if (m_databasePath.empty()) {
        SetLastError(MessageDb::FailureText(m_databasePath, "no database path is set"));
        return EBuildResult::DatabaseFailed;
    }
    const std::wstring target = m_databasePath;
    // SQLite's journals are named after the file; a build leaves none, an older one might have.
    constexpr wchar_t kMarker[] = L".new";
    Platform::RemoveStaleReplacements(target, kMarker, {L"-journal", L"-wal", L"-shm"});
    Platform::CReplacementFile building;
    int errorNumber = 0;
    if (!building.Create(target, kMarker, errorNumber)) {
        SetLastError(target + L": cannot create the new database beside it: " +
                     Platform::ErrorText(errorNumber));
        return EBuildResult::DatabaseFailed;
    }

    // SQLite opens the file by name: it is the empty file created above, which SQLite takes as
    // an empty database, and a link put at its name is refused. Before the rename the name is
    // checked to lead to that same file still.
    m_databasePath = building.Path();
    m_reportedPath = target;
    m_building = true;
    const bool imported = ImportMessageList(listPath);
    m_building = false;
    m_databasePath = target;
    m_reportedPath.clear();
    if (!imported)
        return m_listUnreadable ? EBuildResult::ListUnusable : EBuildResult::DatabaseFailed;
    if (m_storedMessages == 0) {
        SetLastError(L"no messages found in " + listPath);
        return EBuildResult::ListUnusable;
    }
    // A journal that a crashed writer of the old file left would be played back into the new
    // one.
    for (const wchar_t* suffix : {L"-journal", L"-wal", L"-shm"})
        Platform::DeleteFile(target + suffix);
    if (!building.Commit(errorNumber)) {
        SetLastError(target + L": cannot put the new database in place: " +
                     Platform::ReplacementErrorText(errorNumber));
        return EBuildResult::DatabaseFailed;
    }
    m_titleCache.clear();
    return EBuildResult::Built;
}

} // namespace Quillmoren::Libraries::CodeAnalysis
