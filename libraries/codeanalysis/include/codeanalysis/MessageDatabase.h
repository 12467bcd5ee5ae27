// The message database: the analysis tool's message catalogue in a SQLite file, its queries, its
// creation and the import of the tool's plain-text message list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Quillmoren::Libraries::CodeAnalysis {

/// One message of the tool's catalogue as the database hands it out. The message list import
/// also builds its entry under construction in one: the fields from `IsSection` on serve only
/// there. A value type.
struct CMessageRecord {
    std::wstring Title;
    /// The catalogue section the message is filed under ("17.4"), or the section asked for.
    std::wstring SectionId;
    std::wstring SectionDescription;
    std::int32_t Number = 0;
    std::wstring NumberText;
    std::wstring InfoText;

    /// The entry is a section heading, not a message.
    bool IsSection = false;
    /// While not empty, the import skips lines until one whose leading number equals it.
    std::wstring AwaitNumber;
    /// "*" when the message number carries an asterisk in the list, else empty.
    std::wstring Note;
    /// The last number when the entry covers a range of numbers, else empty.
    std::wstring RangeEnd;
    /// The entry's text lines as they were read.
    std::vector<std::wstring> Lines;

    /// Starts a new entry: empties the text, number, title, note and range and clears
    /// `IsSection`. The section and `AwaitNumber` carry over to the next entry.
    void ResetEntry();
};

/// The title that `GetMessageTitle` gives a number the database does not hold.
inline constexpr wchar_t kUnrecognisedMessage[] = L"Unrecognised message";
/// The line written to standard error when an import could not store every row.
inline constexpr char kImportErrorsMessage[] = "Errors detected from database creation";

/// The tool's message catalogue in one SQLite file, with the tables [Category] (one row per
/// catalogue section) and [Message] (one row per message). Owns the file's path and answers
/// queries on it, each on a connection of its own, and creates and fills the file from the
/// tool's message list in one transaction. Failures are results: a query that cannot run gives
/// an empty answer, and `GetLastError` says why. Not for use from two threads at once (the
/// title cache is not guarded).
class CMessageDatabase {
public:
    CMessageDatabase();
    virtual ~CMessageDatabase();
    CMessageDatabase(const CMessageDatabase&) = delete;
    CMessageDatabase& operator=(const CMessageDatabase&) = delete;

    /// The file that every operation works on. The title cache is kept.
    void SetDatabasePath(const std::wstring& path);
    std::wstring GetDatabasePath() const;

    // Queries. The list queries empty the caller's list first; rows read before a failure stay.

    /// Fills `record` with the message and its section: `Number`, `NumberText`, `Title`,
    /// `InfoText`, `SectionId`, `SectionDescription`. True when the message was found (a
    /// message filed under no known section is not); otherwise `record` is left as it was.
    bool GetMessage(std::int32_t number, CMessageRecord& record) const;
    /// The messages of a section, or of the whole table for an empty identifier, in ascending
    /// number, each with `SectionId` (the identifier asked for), `Number`, `Title` and
    /// `InfoText`. Always true.
    bool GetMessages(const std::wstring& sectionId, std::vector<CMessageRecord>& records) const;
    /// The numbers of the messages of a section.
    void GetMessageNumbers(const std::wstring& sectionId, std::vector<std::int32_t>& numbers) const;
    /// One "number - title" line per message of a section.
    void GetMessageTitles(const std::wstring& sectionId, std::vector<std::wstring>& titles) const;
    /// One "identifier - description" line per section, in the order of the message list.
    void GetSections(std::vector<std::wstring>& sections) const;
    /// The sections as records (`SectionId` and `SectionDescription`), in the same order.
    void GetSectionRecords(std::vector<CMessageRecord>& sections) const;
    /// The message's title, or `kUnrecognisedMessage`. Every answer is cached for the life of
    /// the object, a miss included, so a number added to the file later stays unrecognised.
    std::wstring GetMessageTitle(std::int32_t number);

    // Creation and import.

    /// Creates a new database file with the two tables at the stored path, deleting any file
    /// there first. With an empty stored path, a new uniquely named file ending in ".mdb" is made
    /// in the temporary folder and its path stored.
    bool CreateDatabase();
    /// Runs the two CREATE TABLE statements on the database at the stored path; false when it
    /// cannot be opened or a table cannot be created (one that exists already, say).
    bool CreateTables();
    /// Reads the tool's message list (UTF-8 or Windows-1252, stored byte for byte; or text with a
    /// byte-order mark) into the database at the stored path, in one transaction. A row that
    /// cannot be stored (a number already taken, a range that names no numbers) is skipped and
    /// the rest kept; the import then writes `kImportErrorsMessage` to standard error and still
    /// answers true. False, with nothing stored, when the list cannot be read, the database
    /// cannot be opened or the transaction cannot be committed.
    bool ImportMessageList(const std::wstring& listPath);
    /// How `BuildFromMessageList` ended.
    enum class EBuildResult {
        Built,          ///< the new database replaced the file
        ListUnusable,   ///< the list could not be read or holds no message
        DatabaseFailed, ///< the new database could not be made or put in place
    };
    /// Builds a new database from the message list and puts it in place of the file at the
    /// stored path, which stays as it was unless the build stored at least one message. The new
    /// database is made in a file of its own beside that file ("DB.new<process id>", created
    /// exclusively and never through a link); what killed builds left there is removed first.
    /// Every error names the stored path, never the new file.
    EBuildResult BuildFromMessageList(const std::wstring& listPath);

    /// The steps of an import, for callers that add rows of their own. `BeginImport` opens the
    /// database at the stored path and starts the transaction; `EndImport` commits it (or rolls
    /// it all back when the commit fails) and reports skipped rows on standard error. Between
    /// them the `Add` operations store rows; each answers false for a row it did not store.
    bool BeginImport();
    bool EndImport();
    bool AddSection(const CMessageRecord& entry);
    /// Stores the entry as message `number` (0: the number of `NumberText`). An entry without
    /// title takes it from its text (before the first "--") or else from its section's
    /// description, and keeps it.
    bool AddMessage(CMessageRecord& entry, std::int32_t number);
    /// Stores the entry under every number from `NumberText` to `RangeEnd`, both included. A
    /// range that is empty or wider than `kMaxMessageRange` numbers is a row that cannot be
    /// stored.
    bool AddMessageRange(CMessageRecord& entry);

    /// The widest range of numbers that one entry of the message list may cover.
    static constexpr std::int64_t kMaxMessageRange = 10000;

    /// Rows that the latest import could not store.
    std::size_t GetSkippedRowCount() const { return m_skippedRows; }
    /// Messages that the latest import stored (a range counts each of its numbers).
    std::size_t GetStoredMessageCount() const { return m_storedMessages; }
    /// Why the latest operation that failed did so (the file, the call, the reason); empty when
    /// none has failed.
    const std::wstring& GetLastError() const { return m_lastError; }

private:
    struct CImportSession;
    /// Defined where the session is, so that this header needs no SQLite.
    struct CImportSessionDeleter {
        void operator()(CImportSession* session) const;
    };

    void SetLastError(std::wstring text) const { m_lastError = std::move(text); }
    /// Counts a row that was not stored and keeps the first reason for the report.
    void SkipRow(const std::wstring& reason);
    /// Rolls back and ends an import that cannot go on.
    void AbandonImport();

    /// The file that errors name: the stored path, or during a build the file it replaces.
    const std::wstring& ReportedPath() const {
        return m_reportedPath.empty() ? m_databasePath : m_reportedPath;
    }

    std::wstring m_databasePath;
    std::wstring m_reportedPath;
    /// The stored path is a new, empty file of a build: the import creates the tables itself.
    bool m_building = false;
    std::size_t m_storedMessages = 0;
    /// The latest import failed because its list could not be read.
    bool m_listUnreadable = false;
    std::unique_ptr<CImportSession, CImportSessionDeleter> m_import;
    std::unordered_map<std::int32_t, std::wstring> m_titleCache;
    std::size_t m_skippedRows = 0;
    mutable std::wstring m_lastError;
};

} // namespace Quillmoren::Libraries::CodeAnalysis
