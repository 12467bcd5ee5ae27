// The message database's record, path and queries: each query opens the SQLite file read-only
// on a connection of its own, binds its values as parameters and reads the rows it asks for.
#include "codeanalysis/MessageDatabase.h"

#include "MessageDatabaseSupport.h"

#include "platform/Encoding.h"
#include "utils/TextHelpers.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <algorithm>
#include <exception>
#include <limits>

namespace Quillmoren::Libraries::CodeAnalysis {

namespace Platform = Quillmoren::Libraries::Platform;

namespace {

constexpr char kSelectMessage[] =
    "SELECT [Number], [InfoText], [Title], [CategoryId], [Description] FROM [Message] "
    "INNER JOIN [Category] ON [Message].[_CategoryID] = [Category].[CategoryID] "
    "WHERE [Number] = ?;";
// Ordered by number (the table's row key), so that lists come out the same every time.
constexpr char kSelectSectionMessages[] = "SELECT [Number], [InfoText], [Title] FROM [Message] "
                                          "WHERE [_CategoryID] = ? ORDER BY [Number];";
constexpr char kSelectAllMessages[] =
    "SELECT [Number], [InfoText], [Title] FROM [Message] ORDER BY [Number];";
constexpr char kSelectSectionTitles[] =
    "SELECT [Number], [Title] FROM [Message] WHERE [_CategoryID] = ? ORDER BY [Number];";
// Sections in the order they were stored, which is the order of the message list ("17.2" before
// "17.10"); the identifiers themselves do not sort that way.
constexpr char kSelectSections[] =
    "SELECT [CategoryID], [Description] FROM [Category] ORDER BY rowid;";

std::int32_t ClampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

/// A column's bytes, or none for a null.
std::string_view ColumnBytes(const SQLite::Column& column) {
    // The bytes must be asked for after the value, which may be converted to text first.
    const auto* bytes = static_cast<const char*>(column.getBlob());
    const int size = column.getBytes();
    if (bytes == nullptr || size <= 0)
        return {};
    return std::string_view(bytes, static_cast<std::size_t>(size));
}

/// An identifier's column as text. The value may be of any storage class; a null gives empty
/// text. Every byte reads back as the byte it was, so that the text binds to the same value in a
/// later query.
std::wstring ColumnText(const SQLite::Column& column) {
    return Platform::DecodeUtf8(ColumnBytes(column));
}

/// A column of the message list's words (a title, a description, an explanation) as text. The
/// import stores the list's bytes as they are, and the tool writes its list in UTF-8 or in its
/// Windows code page.
std::wstring ColumnWords(const SQLite::Column& column) {
    return Platform::DecodeUtf8OrWindows1252(ColumnBytes(column));
}

} // namespace

void CMessageRecord::ResetEntry() {
    Lines.clear();
    Note.clear();
    InfoText.clear();
    NumberText.clear();
    Title.clear();
    RangeEnd.clear();
    IsSection = false;
}

CMessageDatabase::CMessageDatabase() = default;

CMessageDatabase::~CMessageDatabase() {
    try {
        // An import left open is rolled back, never half committed.
        m_import.reset();
    } catch (...) {
        // Nothing can be done about a failure while closing the file.
    }
}

void CMessageDatabase::SetDatabasePath(const std::wstring& path) {
    m_databasePath = path;
}

std::wstring CMessageDatabase::GetDatabasePath() const {
    return m_databasePath;
}

bool CMessageDatabase::GetMessage(std::int32_t number, CMessageRecord& record) const {
    try {
        MessageDb::CQueryConnection connection(m_databasePath);
        SQLite::Statement query(connection.Database(), kSelectMessage);
        query.bind(1, number);
        if (!query.executeStep())
            return false;
        // Fill a copy, so that a failure halfway leaves the caller's record as it was.
        CMessageRecord found = record;
        found.InfoText = ColumnWords(query.getColumn(1));
        found.Title = ColumnWords(query.getColumn(2));
        found.NumberText = ColumnText(query.getColumn(0));
        found.Number = Utils::ToInt32(found.NumberText);
        found.SectionId = ColumnText(query.getColumn(3));
        found.SectionDescription = ColumnWords(query.getColumn(4));
        record = std::move(found);
        return true;
    } catch (const std::exception& error) {
        SetLastError(MessageDb::FailureText(m_databasePath, error));
    }
    return false;
}

bool CMessageDatabase::GetMessages(const std::wstring& sectionId,
                                   std::vector<CMessageRecord>& records) const {
    records.clear();
    try {
        MessageDb::CQueryConnection connection(m_databasePath);
        SQLite::Statement query(connection.Database(),
                                sectionId.empty() ? kSelectAllMessages : kSelectSectionMessages);
        if (!sectionId.empty())
            query.bind(1, Platform::EncodeUtf8(sectionId));
        while (query.executeStep()) {
            CMessageRecord record;
            record.SectionId = sectionId;
            record.Number = ClampToInt32(query.getColumn(0).getInt64());
            record.Title = ColumnWords(query.getColumn(2));
            record.InfoText = ColumnWords(query.getColumn(1));
            records.push_back(std::move(record));
        }
    } catch (const std::exception& error) {
        SetLastError(MessageDb::FailureText(m_databasePath, error));
    }
    return true;
}

void CMessageDatabase::GetMessageNumbers(const std::wstring& sectionId,
                                         std::vector<std::int32_t>& numbers) const {
    numbers.clear();
    try {
        MessageDb::CQueryConnection connection(m_databasePath);
        SQLite::Statement query(connection.Database(), kSelectSectionMessages);
        query.bind(1, Platform::EncodeUtf8(sectionId));
        while (query.executeStep())
            numbers.push_back(ClampToInt32(query.getColumn(0).getInt64()));
    } catch (const std::exception& error) {
        SetLastError(MessageDb::FailureText(m_databasePath, error));
    }
}

void CMessageDatabase::GetMessageTitles(const std::wstring& sectionId,
                                        std::vector<std::wstring>& titles) const {
    titles.clear();
    try {
        MessageDb::CQueryConnection connection(m_databasePath);
        SQLite::Statement query(connection.Database(), kSelectSectionTitles);
        query.bind(1, Platform::EncodeUtf8(sectionId));
        while (query.executeStep()) {
            titles.push_back(std::to_wstring(ClampToInt32(query.getColumn(0).getInt64())) + L" - " +
                             ColumnWords(query.getColumn(1)));
        }
    } catch (const std::exception& error) {
        SetLastError(MessageDb::FailureText(m_databasePath, error));
    }
}

void CMessageDatabase::GetSections(std::vector<std::wstring>& sections) const {
    sections.clear();
    std::vector<CMessageRecord> records;
    GetSectionRecords(records);
    for (const CMessageRecord& record : records)
        sections.push_back(record.SectionId + L" - " + record.SectionDescription);
}

void CMessageDatabase::GetSectionRecords(std::vector<CMessageRecord>& sections) const {
    sections.clear();
    try {
        MessageDb::CQueryConnection connection(m_databasePath);
        SQLite::Statement query(connection.Database(), kSelectSections);
        while (query.executeStep()) {
            CMessageRecord record;
            record.SectionId = ColumnText(query.getColumn(0));
            record.SectionDescription = ColumnWords(query.getColumn(1));
            sections.push_back(std::move(record));
        }
    } catch (const std::exception& error) {
        SetLastError(MessageDb::FailureText(m_databasePath, error));
    }
}

std::wstring CMessageDatabase::GetMessageTitle(std::int32_t number) {
    if (const auto cached = m_titleCache.find(number); cached != m_titleCache.end())
        return cached->second;
    CMessageRecord record;
    std::wstring title = GetMessage(number, record) ? record.Title : kUnrecognisedMessage;
    try {
        m_titleCache.emplace(number, title);
    } catch (const std::bad_alloc&) {
        // Without room for the entry the title is simply looked up again next time.
    }
    return title;
}

} // namespace Quillmoren::Libraries::CodeAnalysis
