// Tests of the message database on real SQLite files: creation, the message list import, its
// line rules, the queries, the title cache and the messages of a category.
#include "codeanalysis/MessageDatabase.h"
#include "codeanalysis/IssueCategoryManager.h"
#include "codeanalysis/MessageListImport.h"

#include "TestSupport.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace Quillmoren::Libraries::CodeAnalysis;
namespace Platform = Quillmoren::Libraries::Platform;

const std::wstring kFixtureList =
    Platform::DecodeUtf8(LINTWRAP_TEST_DATA) + L"/codeanalysis/messages/msg.txt";
/// The later form of the list: sections "19.1" to "19.11", some of their headings set between
/// dashes.
const std::wstring kFixtureList19 =
    Platform::DecodeUtf8(LINTWRAP_TEST_DATA) + L"/codeanalysis/messages/msg19.txt";
/// A list in the tool's Windows code page, with the range descriptions "2XX" and "12XX" beside
/// the real messages 2, 12 and 200.
const std::wstring kFixtureListCodePage =
    Platform::DecodeUtf8(LINTWRAP_TEST_DATA) + L"/codeanalysis/messages/msg-cp1252.txt";

std::string Narrow(const std::wstring& text) {
    return Platform::EncodeUtf8(text);
}

std::vector<std::int32_t> NumbersOf(const std::vector<CMessageRecord>& records) {
    std::vector<std::int32_t> numbers;
    for (const CMessageRecord& record : records)
        numbers.push_back(record.Number);
    return numbers;
}

/// Sets an environment variable for the life of the object.
class CScopedEnvironment {
public:
    CScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~CScopedEnvironment() {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

/// A fresh database with the two tables in a folder of the test's own.
class MessageDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_database.SetDatabasePath(m_folder.File(L"messages.db"));
        ASSERT_TRUE(m_database.CreateDatabase()) << Narrow(m_database.GetLastError());
    }

    /// Imports a list written from `text`; the import's answer.
    bool ImportText(const std::string& text) {
        return m_database.ImportMessageList(m_folder.Write(L"list.txt", text));
    }

    /// A second connection on the file, to look at what was stored.
    SQLite::Database Inspect() const {
        return SQLite::Database(Narrow(m_database.GetDatabasePath()), SQLite::OPEN_READWRITE);
    }

    Testing::CTestFolder m_folder;
    CMessageDatabase m_database;
};

// ---------------------------------------------------------------------------------------------
// The line rules.

TEST(MessageListLines, SplitNumberRange) {
    struct CCase {
        const wchar_t* line;
        const wchar_t* number;
        const wchar_t* rangeEnd;
    };
    const CCase cases[] = {
        {L"401   symbol", L"401", L""},
        {L"1001-1005 Scope", L"1001", L"1005"},
        {L"1960* Violates", L"1960*", L""},
        {L"17.6  Elective Notes", L"17.6", L""},
        {L"900", L"900", L""}, // a number alone on its line is still its number
        {L" 12 indented", L"", L""},
        {L"", L"", L""},
    };
    for (const CCase& c : cases) {
        std::wstring number = L"stale";
        std::wstring rangeEnd = L"stale";
        SplitNumberRange(c.line, number, rangeEnd);
        EXPECT_EQ(number, c.number) << Narrow(c.line);
        EXPECT_EQ(rangeEnd, c.rangeEnd) << Narrow(c.line);
    }
}

TEST(MessageListLines, IsRangeDescription) {
    struct CCase {
        const wchar_t* number;
        bool range;
    };
    const CCase cases[] = {
        {L"2XX", true},  {L"12XX", true},  {L"2xx", true}, {L"2", false},    {L"XX", false},
        {L"2X3", false}, {L"2XX*", false}, {L"", false},   {L"1001", false},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(IsRangeDescription(c.number), c.range) << Narrow(c.number);
}

TEST(MessageListLines, FindTitleColumn) {
    struct CCase {
        const wchar_t* line;
        std::int32_t column;
        const wchar_t* rest;
    };
    const CCase cases[] = {
        {L"401   symbol 'Symbol'", 6, L"symbol 'Symbol'"},
        {L"1001-1005 Scope", 10, L"Scope"},
        {L"900", 3, L""},
        {L"  indented", -1, L""},
    };
    for (const CCase& c : cases) {
        std::wstring rest;
        EXPECT_EQ(FindTitleColumn(c.line, rest), c.column) << Narrow(c.line);
        EXPECT_EQ(rest, c.rest) << Narrow(c.line);
    }
}

TEST(MessageListLines, SplitTitle) {
    struct CCase {
        const wchar_t* text;
        bool split;
        const wchar_t* title;
        const wchar_t* rest;
    };
    const CCase cases[] = {
        {L"Unclosed Quote -- An end of line", true, L"Unclosed Quote", L"An end of line"},
        {L"Only a title --", true, L"Only a title", L""},
        {L"-- dashes at the start", false, L"", L"-- dashes at the start"},
        {L"no dashes at all", false, L"", L"no dashes at all"},
        {L"a -- b -- c", true, L"a", L"b -- c"},
    };
    for (const CCase& c : cases) {
        std::wstring title = L"stale";
        std::wstring rest;
        EXPECT_EQ(SplitTitle(c.text, title, rest), c.split) << Narrow(c.text);
        EXPECT_EQ(title, c.title) << Narrow(c.text);
        EXPECT_EQ(rest, c.rest) << Narrow(c.text);
    }
}

TEST(MessageListLines, CutIndentNeverDropsText) {
    struct CCase {
        const wchar_t* line;
        std::int32_t column;
        const wchar_t* cut;
    };
    const CCase cases[] = {
        {L"      at the title column", 6, L"at the title column"},
        {L"          indented further", 6, L"    indented further"},
        // Less indented than the title, with a blank just before the title column.
        {L"    A line", 6, L"A line"},
        {L"  short", 6, L"short"}, // ends before the title column
        {L"", 6, L""},
        {L"text", -1, L"text"},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(CutIndent(c.line, c.column), c.cut) << Narrow(c.line);
}

TEST(MessageListLines, ExpandTabsToStopsOfFour) {
    EXPECT_EQ(ExpandTabs(L"200\tInternal"), L"200 Internal");
    EXPECT_EQ(ExpandTabs(L"\tx\t"), L"    x   ");
    EXPECT_EQ(ExpandTabs(L"abcd\te"), L"abcd    e");
}

TEST(MessageListLines, JoinLinesMakesParagraphsAndKeepsIndentedLines) {
    CMessageRecord entry;
    entry.Lines = {L"First line", L"goes on.\n", L"\n", L"    code();\n", L"Last", L"words"};
    entry.InfoText = L"replaced";
    JoinLines(entry);
    EXPECT_EQ(entry.InfoText, L"First line goes on. \n\n    code();\nLast words");
}

// ---------------------------------------------------------------------------------------------
// The import of the fixture list and the queries over it.

/// The fixture list imported.
class ImportedListTest : public MessageDatabaseTest {
protected:
    /// The list to import.
    virtual std::wstring ListPath() { return kFixtureList; }

    void SetUp() override {
        MessageDatabaseTest::SetUp();
        ASSERT_TRUE(m_database.ImportMessageList(ListPath())) << Narrow(m_database.GetLastError());
        ASSERT_EQ(m_database.GetSkippedRowCount(), 0u) << Narrow(m_database.GetLastError());
    }
};

TEST_F(ImportedListTest, StoresEveryMessageOnceAndNothingElse) {
    std::vector<CMessageRecord> all;
    EXPECT_TRUE(m_database.GetMessages(L"", all));
    // Nothing from the front matter or the introduction of "17.6"; ranges expanded, the last
    // entry's included.
    const std::vector<std::int32_t> expected = {1,    2,    200,  301,  401,  537,
                                                900,  1001, 1002, 1003, 1004, 1005,
                                                1401, 1702, 1901, 1902, 1903, 1960};
    EXPECT_EQ(NumbersOf(all), expected);
    for (const CMessageRecord& record : all)
        EXPECT_TRUE(record.SectionId.empty()) << "the identifier asked for";
}

TEST_F(ImportedListTest, StoresTheEntriesAsTheListWritesThem) {
    struct CExpected {
        std::int32_t number;
        const wchar_t* section;
        const wchar_t* title;
        const wchar_t* text;
    };
    const CExpected expected[] = {
        {1, L"17.1", L"Unclosed Comment (Location)",
         L"End of file was reached with an open comment still unclosed.  The Location of the open "
         L"comment is shown. \n\nA second paragraph follows the blank line. \n\n"},
        // An indented code line, and a line indented less than the title that keeps its text.
        {2, L"17.1", L"Unclosed Quote",
         L"An end of line was reached and a matching quote character was not found. \n    if (a "
         L"== b)\nA line indented less than the title keeps its text. \n\n"},
        {200, L"17.2", L"Internal Error",
         L"Some inconsistency or contradiction was discovered. \n\n"},
        // "--" on the second line: the title comes from the joined text.
        {401, L"17.4", L"symbol 'Symbol' not previously declared static at (Location)",
         L"The indicated Symbol declared static was previously declared without the static "
         L"storage class. \n\n"},
        {900, L"17.6", L"Successful completion, 'Integer' messages produced",
         L"This message exists so that some output is always produced. \n\n"},
        {1003, L"17.7", L"Scope 'Name' must be a struct or class name", L"A range entry.\n\n"},
        // No "--" anywhere: the section's description is the title.
        {1702, L"17.9", L"C++ Informational Messages",
         L"operator 'Name' is both an ordinary function and a member function, and the entry has "
         L"no dashes. \n\n"},
        {1903, L"17.10", L"Creating a temporary of type 'Type'",
         L"The last entry is a range whose lines are joined. "},
        {1960, L"17.5", L"Violates Required Rule 'Name'",
         L"A rule of the coding standard was violated. \n\n"},
    };
    for (const CExpected& e : expected) {
        CMessageRecord record;
        ASSERT_TRUE(m_database.GetMessage(e.number, record)) << e.number;
        EXPECT_EQ(record.Number, e.number);
        EXPECT_EQ(record.NumberText, std::to_wstring(e.number));
        EXPECT_EQ(record.SectionId, e.section) << e.number;
        EXPECT_EQ(record.Title, e.title) << e.number;
        EXPECT_EQ(record.InfoText, e.text) << e.number;
    }
    CMessageRecord record;
    ASSERT_TRUE(m_database.GetMessage(200, record));
    EXPECT_EQ(record.SectionDescription, L"Internal Errors");
}

TEST_F(ImportedListTest, StoresTheNoteAndTheTextAsBytes) {
    SQLite::Database db = Inspect();
    SQLite::Statement query(db, "SELECT [Number], [Note], typeof([InfoText]) FROM [Message] "
                                "WHERE [Note] IS NOT NULL OR typeof([InfoText]) <> 'blob'");
    std::vector<std::int32_t> odd;
    while (query.executeStep()) {
        odd.push_back(query.getColumn(0).getInt());
        EXPECT_STREQ(query.getColumn(1).getText(), "*");
        EXPECT_STREQ(query.getColumn(2).getText(), "blob");
    }
    EXPECT_EQ(odd, std::vector<std::int32_t>{1960}) << "only 1960* carries a note";
}

TEST_F(ImportedListTest, ListsTheSectionsInTheOrderOfTheList) {
    std::vector<std::wstring> sections = {L"stale"};
    m_database.GetSections(sections);
    const std::vector<std::wstring> expected = {
        L"17.1 - C Syntax Errors",
        L"17.2 - Internal Errors",
        L"17.3 - Fatal Errors",
        L"17.4 - Warning Messages",
        L"17.5 - Informational Messages",
        L"17.6 - Elective Notes",
        L"17.7 - C++ Syntax Errors",
        L"17.8 - C++ Warning Messages",
        L"17.9 - C++ Informational Messages",
        L"17.10 - C++ Elective Notes",
    };
    EXPECT_EQ(sections, expected);
}

TEST_F(ImportedListTest, ListsTheMessagesOfOneSection) {
    std::vector<CMessageRecord> records(3); // GetMessages empties the list first
    EXPECT_TRUE(m_database.GetMessages(L"17.4", records));
    ASSERT_EQ(NumbersOf(records), (std::vector<std::int32_t>{401, 537}));
    EXPECT_EQ(records[1].SectionId, L"17.4");
    EXPECT_EQ(records[1].Title, L"Repeated include file 'FileName'");

    std::vector<std::int32_t> numbers = {7};
    m_database.GetMessageNumbers(L"17.7", numbers);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1001, 1002, 1003, 1004, 1005}));

    std::vector<std::wstring> titles = {L"stale"};
    m_database.GetMessageTitles(L"17.3", titles);
    EXPECT_EQ(titles, std::vector<std::wstring>{L"301 - Stack overflow"});

    m_database.GetMessages(L"99.9", records);
    EXPECT_TRUE(records.empty());
}

TEST_F(ImportedListTest, SectionIdentifiersAreValuesNotSql) {
    // An identifier that would widen the query if it were pasted into the statement.
    std::vector<CMessageRecord> records;
    m_database.GetMessages(L"17.4' OR '1'='1", records);
    EXPECT_TRUE(records.empty());
    std::vector<std::int32_t> numbers;
    m_database.GetMessageNumbers(L"x'); DROP TABLE [Message]; --", numbers);
    EXPECT_TRUE(numbers.empty());
    m_database.GetMessages(L"", records);
    EXPECT_EQ(records.size(), 18u) << "the table is still there";

    // And an identifier that really holds a quote is found.
    ASSERT_TRUE(m_database.BeginImport());
    CMessageRecord entry;
    entry.SectionId = L"o'clock";
    entry.SectionDescription = L"Quoted";
    EXPECT_TRUE(m_database.AddSection(entry));
    entry.InfoText = L"Text.";
    entry.Title = L"Title";
    EXPECT_TRUE(m_database.AddMessage(entry, 5000));
    ASSERT_TRUE(m_database.EndImport());
    m_database.GetMessages(L"o'clock", records);
    EXPECT_EQ(NumbersOf(records), std::vector<std::int32_t>{5000});
    std::vector<std::wstring> titles;
    m_database.GetMessageTitles(L"o'clock", titles);
    EXPECT_EQ(titles, std::vector<std::wstring>{L"5000 - Title"});
}

TEST_F(ImportedListTest, TitleCacheKeepsItsFirstAnswer) {
    EXPECT_EQ(m_database.GetMessageTitle(537), L"Repeated include file 'FileName'");
    EXPECT_EQ(m_database.GetMessageTitle(4242), kUnrecognisedMessage);

    {
        SQLite::Database db = Inspect();
        db.exec("INSERT INTO [Message] ([Number], [Title], [_CategoryID]) "
                "VALUES (4242, 'Added later', '17.1');");
        db.exec("UPDATE [Message] SET [Title] = 'Renamed' WHERE [Number] = 537;");
    }
    EXPECT_EQ(m_database.GetMessageTitle(4242), kUnrecognisedMessage) << "a miss is cached";
    EXPECT_EQ(m_database.GetMessageTitle(537), L"Repeated include file 'FileName'");
    m_database.SetDatabasePath(m_database.GetDatabasePath());
    EXPECT_EQ(m_database.GetMessageTitle(4242), kUnrecognisedMessage) << "the path kept the cache";

    CMessageDatabase fresh;
    fresh.SetDatabasePath(m_database.GetDatabasePath());
    EXPECT_EQ(fresh.GetMessageTitle(4242), L"Added later");
    EXPECT_EQ(fresh.GetMessageTitle(537), L"Renamed");
}

/// The later form of the fixture list imported.
class ImportedList19Test : public ImportedListTest {
protected:
    std::wstring ListPath() override { return kFixtureList19; }
};

/// The fixture list in the tool's code page imported: the range descriptions are no rows that
/// clash with messages 2 and 12, so nothing is skipped.
class ImportedCodePageListTest : public ImportedListTest {
protected:
    std::wstring ListPath() override { return kFixtureListCodePage; }
};

TEST_F(ImportedCodePageListTest, ReadsTheCodePageAndStoresTheBytesOfTheList) {
    std::vector<CMessageRecord> all;
    m_database.GetMessages(L"", all);
    EXPECT_EQ(NumbersOf(all), (std::vector<std::int32_t>{2, 12, 200, 301}));

    CMessageRecord record;
    ASSERT_TRUE(m_database.GetMessage(2, record));
    EXPECT_EQ(record.InfoText, L"An end of line was reached and a matching quote character was "
                               L"not found [22, \u00A720.4]. \n\n");
    ASSERT_TRUE(m_database.GetMessage(12, record));
    // The five bytes the code page leaves undefined come back as the bytes they were.
    EXPECT_EQ(record.InfoText, L"The \u201Cinclude\u201D line names no file; \u20AC and \xDC81 "
                               L"stay as they are. \n\n");
    ASSERT_TRUE(m_database.GetMessage(200, record));
    EXPECT_EQ(record.Title, L"Internal Error");
    EXPECT_EQ(record.SectionId, L"17.2");
    ASSERT_TRUE(m_database.GetMessage(301, record));
    EXPECT_EQ(record.Title, L"Stack overflow \u00A7 3");

    SQLite::Database db = Inspect();
    SQLite::Statement query(db, "SELECT [Title], [InfoText] FROM [Message] WHERE [Number] IN "
                                "(12, 301) ORDER BY [Number]");
    ASSERT_TRUE(query.executeStep());
    EXPECT_NE(query.getColumn(1).getString().find("\x93include\x94 line names no file; \x80 and "
                                                  "\x81 stay"),
              std::string::npos);
    ASSERT_TRUE(query.executeStep());
    EXPECT_EQ(query.getColumn(0).getString(), "Stack overflow \xA7 3");
}

TEST_F(ImportedList19Test, ReadsDashedAndPlainHeadingsAlike) {
    std::vector<std::wstring> sections;
    m_database.GetSections(sections);
    // Nothing from the front matter's heading; dashes, tabs and blanks stay out of the
    // descriptions.
    const std::vector<std::wstring> expected = {
        L"19.1 - C Syntax Errors",
        L"19.2 - Internal Errors",
        L"19.3 - Fatal Errors",
        L"19.4 - C Warning Messages",
        L"19.5 - C Informational Messages",
        L"19.6 - C Elective Notes",
        L"19.7 - C++ Syntax Errors",
        L"19.8 - Additional Internal Errors",
        L"19.9 - C++ Warning Messages",
        L"19.10 - C++ Informational Messages",
        L"19.11 - C++ Elective Notes",
    };
    EXPECT_EQ(sections, expected);

    struct CCase {
        const wchar_t* section;
        std::vector<std::int32_t> numbers;
    };
    const CCase cases[] = {
        {L"19.1", {1, 2}},
        {L"19.2", {200}},
        {L"19.3", {301}},
        {L"19.4", {401}},
        {L"19.5", {1960}},
        {L"19.6", {830, 900}}, // read whole: only "17.6" opens with text to skip
        {L"19.7", {1001, 1002, 1003}},
        {L"19.8", {1200}},
        {L"19.9", {1401}},
        {L"19.10", {1702}},
        {L"19.11", {1901}},
    };
    for (const CCase& c : cases) {
        std::vector<std::int32_t> numbers;
        m_database.GetMessageNumbers(c.section, numbers);
        EXPECT_EQ(numbers, c.numbers) << Narrow(c.section);
    }
    std::vector<CMessageRecord> all;
    m_database.GetMessages(L"", all);
    EXPECT_EQ(all.size(), 15u) << "no message outside the sections";
}

TEST_F(ImportedList19Test, ADashedHeadingEndsTheEntryBeforeIt) {
    struct CExpected {
        std::int32_t number;
        const wchar_t* section;
        const wchar_t* title;
        const wchar_t* text;
    };
    const CExpected expected[] = {
        // A row of dashes around words without a section identifier is text.
        {2, L"19.1", L"Unclosed Quote",
         L"An end of line was reached and a matching quote character was not found. ---- a row "
         L"of dashes in the text stays text ---- \n\n"},
        // The dashed heading follows on the very next line.
        {301, L"19.3", L"Stack overflow",
         L"There was a stack overflow while processing declarations. "},
        {1200, L"19.8", L"Internal Error", L"An inconsistency in the C++ front end.\n\n"},
        {1901, L"19.11", L"Creating a temporary", L"The last entry of the list."},
    };
    for (const CExpected& e : expected) {
        CMessageRecord record;
        ASSERT_TRUE(m_database.GetMessage(e.number, record)) << e.number;
        EXPECT_EQ(record.SectionId, e.section) << e.number;
        EXPECT_EQ(record.Title, e.title) << e.number;
        EXPECT_EQ(record.InfoText, e.text) << e.number;
    }
}

TEST_F(MessageDatabaseTest, OnlyADottedIdentifierBetweenDashesMakesAHeading) {
    struct CCase {
        const char* line;
        const wchar_t* section; // the heading read, or null for a line of text
    };
    const CCase cases[] = {
        {"------ 19.2 Internal Errors ------", L"19.2 - Internal Errors"},
        {"   -- 19.3 Fatal Errors --", L"19.3 - Fatal Errors"},
        {"\t---19.4 C Warning Messages---- -- \t", L"19.4 - C Warning Messages"},
        {"---- 19.6 Elective Notes -- first half ----", L"19.6 - Elective Notes -- first half"},
        {"- 19.2 Internal Errors -", nullptr},
        {"------ 19.2 Internal Errors", nullptr},
        {"------ 19.2 Internal Errors -", nullptr},
        {"------ 192 Internal Errors ------", nullptr},
        {"------ Internal Errors 19.2 ------", nullptr},
        {"------ 19.2 ------", nullptr},
        {"------------------", nullptr},
    };
    for (const CCase& c : cases) {
        ASSERT_TRUE(m_database.CreateDatabase()) << Narrow(m_database.GetLastError());
        ASSERT_TRUE(ImportText(std::string("19.1  C Syntax Errors\n"
                                           "\n"
                                           "1     One -- Text.\n") +
                               c.line + "\n2     Two -- Text.\n"));
        EXPECT_EQ(m_database.GetSkippedRowCount(), 0u) << c.line;
        std::vector<std::wstring> sections;
        m_database.GetSections(sections);
        CMessageRecord one;
        CMessageRecord two;
        ASSERT_TRUE(m_database.GetMessage(1, one)) << c.line;
        ASSERT_TRUE(m_database.GetMessage(2, two)) << c.line;
        if (c.section != nullptr) {
            EXPECT_EQ(sections, (std::vector<std::wstring>{L"19.1 - C Syntax Errors", c.section}))
                << c.line;
            EXPECT_EQ(one.InfoText, L"Text.") << c.line;
            EXPECT_EQ(two.SectionId + L" - " + two.SectionDescription, c.section) << c.line;
        } else {
            EXPECT_EQ(sections, std::vector<std::wstring>{L"19.1 - C Syntax Errors"}) << c.line;
            EXPECT_NE(one.InfoText.find(Platform::DecodeUtf8(c.line)), std::wstring::npos)
                << c.line;
            EXPECT_EQ(two.SectionId, L"19.1") << c.line;
        }
    }
}

TEST_F(MessageDatabaseTest, ADashedFirstHeadingStartsTheList) {
    // Before it, even a dashed heading is front matter; the "17.6" skip still applies to a
    // dashed "17.6".
    ASSERT_TRUE(ImportText("------ 0.1 Front matter ------\n"
                           "5     Front -- Not a message.\n"
                           "---- 17.1 C Syntax Errors ----\n"
                           "1     One -- Text.\n"
                           "---- 17.6 Elective Notes ----\n"
                           "2     Looks like a message -- but is the introduction.\n"
                           "900   Successful completion -- Text.\n"));
    std::vector<std::wstring> sections;
    m_database.GetSections(sections);
    EXPECT_EQ(sections,
              (std::vector<std::wstring>{L"17.1 - C Syntax Errors", L"17.6 - Elective Notes"}));
    std::vector<CMessageRecord> all;
    m_database.GetMessages(L"", all);
    EXPECT_EQ(NumbersOf(all), (std::vector<std::int32_t>{1, 900}));
}

TEST_F(MessageDatabaseTest, EmptyOrNullInfoTextReadsAsEmpty) {
    {
        SQLite::Database db = Inspect();
        db.exec("INSERT INTO [Category] ([CategoryID], [Description]) VALUES ('17.1', 'S');");
        db.exec("INSERT INTO [Message] ([Number], [Title], [InfoText], [_CategoryID]) VALUES "
                "(1, 'Null', NULL, '17.1'), (2, 'Empty', x'', '17.1');");
    }
    for (const std::int32_t number : {1, 2}) {
        CMessageRecord record;
        record.InfoText = L"stale";
        ASSERT_TRUE(m_database.GetMessage(number, record));
        EXPECT_TRUE(record.InfoText.empty()) << number;
    }
}

TEST_F(MessageDatabaseTest, TextThatLooksLikeANumberStaysText) {
    ASSERT_TRUE(m_database.BeginImport());
    CMessageRecord entry;
    entry.SectionId = L"17.1";
    entry.SectionDescription = L"S";
    ASSERT_TRUE(m_database.AddSection(entry));
    entry.Title = L"007";
    entry.InfoText = L"0123";
    ASSERT_TRUE(m_database.AddMessage(entry, 7));
    ASSERT_TRUE(m_database.EndImport());

    CMessageRecord record;
    ASSERT_TRUE(m_database.GetMessage(7, record));
    EXPECT_EQ(record.Title, L"007");
    EXPECT_EQ(record.InfoText, L"0123");
}

TEST(MessageDatabase, APathThatNamesNoFileAnswersNothing) {
    Testing::CTestFolder folder;
    for (const std::wstring& path : {folder.File(L"missing.db"), std::wstring()}) {
        CMessageDatabase database;
        database.SetDatabasePath(path);
        CMessageRecord record;
        record.Title = L"kept";
        EXPECT_FALSE(database.GetMessage(1, record));
        EXPECT_EQ(record.Title, L"kept") << "a record that was not found is left as it was";
        EXPECT_FALSE(database.GetLastError().empty());

        std::vector<CMessageRecord> records(2);
        EXPECT_TRUE(database.GetMessages(L"", records));
        EXPECT_TRUE(records.empty());
        std::vector<std::int32_t> numbers = {1};
        database.GetMessageNumbers(L"17.1", numbers);
        EXPECT_TRUE(numbers.empty());
        std::vector<std::wstring> lines = {L"x"};
        database.GetMessageTitles(L"17.1", lines);
        EXPECT_TRUE(lines.empty());
        lines = {L"x"};
        database.GetSections(lines);
        EXPECT_TRUE(lines.empty());
        EXPECT_EQ(database.GetMessageTitle(1), kUnrecognisedMessage);
    }
    EXPECT_FALSE(Platform::PathExists(folder.File(L"missing.db"))) << "queries create nothing";
}

// ---------------------------------------------------------------------------------------------
// Creation.

TEST(MessageDatabaseCreation, WithoutAPathMakesANewFileInTheTemporaryFolder) {
    Testing::CTestFolder folder;
    const CScopedEnvironment tmpdir("TMPDIR", folder.Native().string());
    CMessageDatabase database;
    database.SetDatabasePath(L"");
    ASSERT_TRUE(database.CreateDatabase()) << Narrow(database.GetLastError());

    const std::wstring path = database.GetDatabasePath();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(path.substr(0, folder.Path().size() + 3), folder.Path() + L"_z1");
    EXPECT_EQ(path.substr(path.size() - 4), L".mdb");
    EXPECT_TRUE(Platform::PathExists(path.substr(0, path.size() - 4) + L".tmp"))
        << "the temporary file keeps the name reserved";

    SQLite::Database db(Narrow(path));
    EXPECT_TRUE(db.tableExists("Category"));
    EXPECT_TRUE(db.tableExists("Message"));

    CMessageDatabase second;
    ASSERT_TRUE(second.CreateDatabase());
    EXPECT_NE(second.GetDatabasePath(), path);
}

TEST(MessageDatabaseCreation, ReplacesAnExistingFile) {
    Testing::CTestFolder folder;
    const std::wstring path = folder.Write(L"old.db", "not a database at all");
    CMessageDatabase database;
    database.SetDatabasePath(path);
    ASSERT_TRUE(database.CreateDatabase()) << Narrow(database.GetLastError());
    SQLite::Database db(Narrow(path));
    EXPECT_TRUE(db.tableExists("Message"));
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM [Message]").getInt(), 0);
}

TEST(MessageDatabaseCreation, FailuresAreReported) {
    Testing::CTestFolder folder;
    CMessageDatabase database;
    database.SetDatabasePath(folder.File(L"no-such-folder/messages.db"));
    EXPECT_FALSE(database.CreateDatabase());
    EXPECT_NE(database.GetLastError().find(L"no-such-folder"), std::wstring::npos);

    database.SetDatabasePath(folder.File(L"messages.db"));
    ASSERT_TRUE(database.CreateDatabase());
    EXPECT_FALSE(database.CreateTables()) << "the tables exist already";
}

// ---------------------------------------------------------------------------------------------
// A new database in place of an old one.

/// The database and its folder, a good list, and the bytes of the database before a build.
class MessageDatabaseBuild : public ::testing::Test {
protected:
    void SetUp() override {
        m_database.SetDatabasePath(m_path);
        ASSERT_EQ(m_database.BuildFromMessageList(kFixtureList),
                  CMessageDatabase::EBuildResult::Built)
            << Narrow(m_database.GetLastError());
        m_before = Testing::CTestFolder::Read(m_path);
    }

    /// The names in the folder other than the database.
    std::vector<std::string> Others() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.Native()))
            if (entry.path().filename() != "messages.db")
                names.push_back(entry.path().filename().string());
        return names;
    }

    Testing::CTestFolder m_folder;
    const std::wstring m_path = m_folder.File(L"messages.db");
    CMessageDatabase m_database;
    std::string m_before;
};

TEST_F(MessageDatabaseBuild, AListWithoutMessagesLeavesTheDatabaseAsItWas) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"junk", std::string("\x7F"
                             "ELF\x02\x01\x00\x00\xFF\xFE binary junk\n",
                             22)},
        {"empty", ""},
        {"prose", "A letter that mentions C Syntax Errors once\nand nothing else.\n"},
        {"sections only", "17.1  C Syntax Errors\n17.2  Internal Errors\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring list = m_folder.Write(L"list.txt", c.bytes);
        EXPECT_EQ(m_database.BuildFromMessageList(list),
                  CMessageDatabase::EBuildResult::ListUnusable);
        EXPECT_EQ(Narrow(m_database.GetLastError()), "no messages found in " + Narrow(list));
        EXPECT_TRUE(Testing::CTestFolder::Read(m_path) == m_before) << "the database changed";
        EXPECT_EQ(Others(), std::vector<std::string>{"list.txt"}) << "no new file stays";
    }
    EXPECT_EQ(m_database.BuildFromMessageList(m_folder.File(L"missing.txt")),
              CMessageDatabase::EBuildResult::ListUnusable);
    EXPECT_TRUE(Testing::CTestFolder::Read(m_path) == m_before) << "the database changed";
}

TEST_F(MessageDatabaseBuild, ErrorsNameTheDatabaseNeverItsNewFile) {
    CMessageDatabase elsewhere;
    const std::wstring missing = m_folder.File(L"no-such-folder/messages.db");
    elsewhere.SetDatabasePath(missing);
    EXPECT_EQ(elsewhere.BuildFromMessageList(kFixtureList),
              CMessageDatabase::EBuildResult::DatabaseFailed);
    EXPECT_EQ(elsewhere.GetLastError().rfind(missing + L": ", 0), 0u)
        << Narrow(elsewhere.GetLastError());
    EXPECT_EQ(elsewhere.GetLastError().find(L".new"), std::wstring::npos);

    // A row that cannot be stored is reported against the database too.
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(m_database.BuildFromMessageList(m_folder.Write(
                  L"list.txt", "17.1  C Syntax Errors\n\n2  Two -- Two.\n2  Again -- Two.\n")),
              CMessageDatabase::EBuildResult::Built);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find(Narrow(m_path) + ": 1 row was not stored"), std::string::npos) << errors;
    EXPECT_EQ(errors.find(".new"), std::string::npos) << errors;
    EXPECT_EQ(m_database.GetStoredMessageCount(), 1u);
}

TEST_F(MessageDatabaseBuild, ALinkAtTheNewFilesNameIsNeverFollowed) {
    const std::wstring victim = m_folder.Write(L"victim", "not to be overwritten");
    const std::string stem = Narrow(m_path) + ".new" + std::to_string(getpid());
    std::filesystem::create_symlink(Narrow(victim), stem);
    ASSERT_EQ(m_database.BuildFromMessageList(kFixtureList19),
              CMessageDatabase::EBuildResult::Built)
        << Narrow(m_database.GetLastError());
    EXPECT_EQ(Testing::CTestFolder::Read(victim), "not to be overwritten");
    EXPECT_TRUE(std::filesystem::is_symlink(stem));
    EXPECT_TRUE(Testing::CTestFolder::Read(m_path) != m_before) << "the database stayed";
    std::vector<std::wstring> sections;
    m_database.GetSections(sections);
    EXPECT_EQ(sections.front().substr(0, 4), L"19.1");
}

TEST_F(MessageDatabaseBuild, WhatKilledBuildsLeftIsRemovedAndALiveBuildsKept) {
    const pid_t child = Testing::DeadProcessId();
    const std::string dead = Narrow(m_path) + ".new" + std::to_string(child);
    const std::string live = Narrow(m_path) + ".new" + std::to_string(getppid());
    for (const std::string& name : {dead, dead + "-journal", dead + ".1", live})
        std::ofstream(name) << "half a build";
    ASSERT_EQ(m_database.BuildFromMessageList(kFixtureList), CMessageDatabase::EBuildResult::Built);
    EXPECT_EQ(Others(), std::vector<std::string>{std::filesystem::path(live).filename().string()});
}

// ---------------------------------------------------------------------------------------------
// Failures of the import.

TEST_F(MessageDatabaseTest, AListThatCannotBeReadIsAFailure) {
    EXPECT_FALSE(m_database.ImportMessageList(m_folder.File(L"missing.txt")));
    EXPECT_NE(m_database.GetLastError().find(L"missing.txt"), std::wstring::npos);
}

TEST(MessageDatabaseImport, ADatabaseThatCannotBeOpenedIsAFailure) {
    Testing::CTestFolder folder;
    CMessageDatabase database;
    database.SetDatabasePath(folder.File(L"never-created.db"));
    EXPECT_FALSE(database.ImportMessageList(kFixtureList));
    EXPECT_FALSE(Platform::PathExists(folder.File(L"never-created.db")));
}

TEST_F(MessageDatabaseTest, ABadRowIsSkippedAndTheRestKept) {
    ::testing::internal::CaptureStderr();
    const bool imported = ImportText("17.1  C Syntax Errors\n"
                                     "\n"
                                     "2     Two -- The real message two.\n"
                                     "2XX   Pseudo entry -- A range described, no row.\n"
                                     "2     Two again -- A real second message two.\n"
                                     "9-7   Backwards -- A range that holds no number.\n"
                                     "7-7   Seven -- A range of one number.\n"
                                     "10-20000 Wide -- More numbers than any list has.\n"
                                     "3     Three -- Still stored.\n");
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(imported);
    EXPECT_EQ(m_database.GetSkippedRowCount(), 3u);
    EXPECT_NE(errors.find(kImportErrorsMessage), std::string::npos) << errors;
    EXPECT_NE(errors.find("message 2 (\"2\")"), std::string::npos)
        << "names the first row: " << errors;
    EXPECT_EQ(errors.find("2XX"), std::string::npos) << errors;

    std::vector<CMessageRecord> all;
    m_database.GetMessages(L"", all);
    EXPECT_EQ(NumbersOf(all), (std::vector<std::int32_t>{2, 3, 7}));
    EXPECT_EQ(m_database.GetMessageTitle(2), L"Two");
    EXPECT_EQ(m_database.GetMessageTitle(7), L"Seven");
}

TEST_F(MessageDatabaseTest, ACleanImportWritesNothingToStandardError) {
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(ImportText("17.1  C Syntax Errors\n\n5     Five -- Text.\n"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(MessageDatabaseImport, AFailedCommitStoresNothing) {
    // The file's foreign key is checked only at the commit, so the commit itself fails.
    Testing::CTestFolder folder;
    const std::wstring path = folder.File(L"deferred.db");
    {
        SQLite::Database db(Narrow(path), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE [Category] ([CategoryID] VARCHAR(10) NOT NULL PRIMARY KEY, "
                "[Description] VARCHAR(255) NULL, [ExtraNotes] IMAGE NULL);");
        db.exec("CREATE TABLE [Message] ([Number] INTEGER NOT NULL PRIMARY KEY, [Title] "
                "VARCHAR(255) NOT NULL, [InfoText] IMAGE NULL, [_CategoryID] VARCHAR(10) NULL "
                "REFERENCES [Category] ([CategoryID]) DEFERRABLE INITIALLY DEFERRED, [Note] "
                "CHAR(1) NULL);");
    }
    CMessageDatabase database;
    database.SetDatabasePath(path);
    ASSERT_TRUE(database.BeginImport()) << Narrow(database.GetLastError());
    CMessageRecord entry;
    entry.SectionId = L"17.1";
    entry.SectionDescription = L"S";
    EXPECT_TRUE(database.AddSection(entry));
    entry.Title = L"Filed";
    entry.InfoText = L"Text.";
    EXPECT_TRUE(database.AddMessage(entry, 1));
    entry.SectionId = L"99.9";
    EXPECT_TRUE(database.AddMessage(entry, 2)) << "accepted until the commit";

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(database.EndImport());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find(kImportErrorsMessage), std::string::npos) << errors;
    EXPECT_NE(errors.find("rolled back"), std::string::npos) << errors;

    SQLite::Database db(Narrow(path));
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM [Message]").getInt(), 0);
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM [Category]").getInt(), 0);
}

TEST_F(MessageDatabaseTest, AnImportLeftOpenIsRolledBack) {
    {
        CMessageDatabase database;
        database.SetDatabasePath(m_database.GetDatabasePath());
        ASSERT_TRUE(database.BeginImport());
        CMessageRecord entry;
        entry.SectionId = L"17.1";
        EXPECT_TRUE(database.AddSection(entry));
        EXPECT_FALSE(database.BeginImport()) << "one import at a time";
    }
    std::vector<std::wstring> sections;
    m_database.GetSections(sections);
    EXPECT_TRUE(sections.empty());
    CMessageRecord entry;
    EXPECT_FALSE(m_database.AddMessage(entry, 1)) << "no import in progress";
}

TEST_F(MessageDatabaseTest, BytesThatDoNotDecodeSurviveTheImport) {
    // A section sign in the tool's code page and in UTF-8, imported in a UTF-8 locale and in the
    // C locale: stored as the very bytes the list holds, read back as the sign.
    struct CCase {
        const char* locale;
        std::string sign;
    };
    const CCase cases[] = {
        {"C.UTF-8", "\xA7"},
        {"C", "\xA7"},
        {"C.UTF-8", "\xC2\xA7"},
        {"C", "\xC2\xA7"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + std::to_string(c.sign.size()));
        ASSERT_TRUE(m_database.CreateDatabase()) << Narrow(m_database.GetLastError());
        const CScopedEnvironment locale("LC_ALL", c.locale);
        Platform::InitialiseLocale();
        const bool imported = ImportText("17.1  C Syntax Errors\n\n7     Rule " + c.sign +
                                         " 5 -- Text with " + c.sign + " in it.\n");
        setenv("LC_ALL", "C", 1);
        Platform::InitialiseLocale();
        ASSERT_TRUE(imported) << Narrow(m_database.GetLastError());

        CMessageRecord record;
        ASSERT_TRUE(m_database.GetMessage(7, record));
        EXPECT_EQ(record.Title, L"Rule \u00A7 5");
        EXPECT_EQ(record.InfoText, L"Text with \u00A7 in it.");

        SQLite::Database db = Inspect();
        SQLite::Statement query(db, "SELECT [Title], [InfoText] FROM [Message] WHERE [Number] = 7");
        ASSERT_TRUE(query.executeStep());
        EXPECT_EQ(query.getColumn(0).getString(), "Rule " + c.sign + " 5");
        EXPECT_EQ(query.getColumn(1).getString(), "Text with " + c.sign + " in it.");
    }
}

TEST_F(MessageDatabaseTest, AnIdentifierReadBackFindsItsRowsAgain) {
    // A section identifier whose bytes are not UTF-8: the identifier a query hands out finds its
    // section's messages when it is asked for in turn.
    ASSERT_TRUE(ImportText("17.1  C Syntax Errors\n\n17.\xA7  Odd \xA7 section\n\n"
                           "7     Seven -- Text.\n"))
        << Narrow(m_database.GetLastError());
    std::vector<CMessageRecord> sections;
    m_database.GetSectionRecords(sections);
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[1].SectionDescription, L"Odd \u00A7 section");
    std::vector<std::int32_t> numbers;
    m_database.GetMessageNumbers(sections[1].SectionId, numbers);
    EXPECT_EQ(numbers, std::vector<std::int32_t>{7});
    CMessageRecord record;
    ASSERT_TRUE(m_database.GetMessage(7, record));
    m_database.GetMessageNumbers(record.SectionId, numbers);
    EXPECT_EQ(numbers, std::vector<std::int32_t>{7});
}

// ---------------------------------------------------------------------------------------------
// The messages of a category.

/// A manager with the six built-in categories and a user-defined one, over the imported fixture
/// list; the settings file is one of the test's own and is never written.
class CategoryMessagesTest : public ImportedListTest {
protected:
    void SetUp() override {
        ImportedListTest::SetUp();
        m_manager.Load(&m_database, L"", true);
        m_user = m_manager.AddCategory(L"Mine", L"Mine", 1000, 0, kColourDefault, kColourDefault,
                                       kColourDefault, L"Mine", false);
        ASSERT_NE(m_user, nullptr);
    }

    CIssueCategory* BuiltIn(std::int32_t level) const {
        std::vector<CIssueCategory*> categories;
        m_manager.GetCategoryPointers(categories);
        for (CIssueCategory* category : categories) {
            if (category->GetBuiltInLevel() == level)
                return category;
        }
        return nullptr;
    }

    std::vector<std::int32_t> MessagesOf(const CIssueCategory* category) const {
        std::vector<CMessageRecord> records;
        const std::int32_t count = m_manager.GetMessagesForCategory(category, records);
        EXPECT_EQ(count, static_cast<std::int32_t>(records.size()));
        return NumbersOf(records);
    }

    const CScopedEnvironment m_registry{"QUILLMOREN_REGISTRY",
                                        m_folder.Native().string() + "/registry.reg"};
    CIssueCategoryManager m_manager;
    CIssueCategory* m_user = nullptr;
};

TEST_F(CategoryMessagesTest, WithoutADatabaseOrACategoryTheListStaysAsItIs) {
    std::vector<CMessageRecord> records(2);
    EXPECT_EQ(m_manager.GetMessagesForCategory(nullptr, records), 2);
    EXPECT_EQ(records.size(), 2u);

    CIssueCategoryManager detached;
    detached.Load(nullptr, L"", true);
    std::vector<CIssueCategory*> categories;
    detached.GetCategoryPointers(categories);
    ASSERT_FALSE(categories.empty());
    EXPECT_EQ(detached.GetMessagesForCategory(categories.front(), records), 2);
    EXPECT_EQ(records.size(), 2u);
}

TEST_F(CategoryMessagesTest, AssignedMessagesMoveBetweenCategories) {
    ASSERT_TRUE(m_manager.AssignMessage(537, m_user));
    ASSERT_TRUE(m_manager.AssignMessage(2, BuiltIn(kLevelWarning)));

    // The assigned ones first, then the sections "17.4" and "17.8" without what is assigned.
    EXPECT_EQ(MessagesOf(BuiltIn(kLevelWarning)), (std::vector<std::int32_t>{2, 401, 1401}));
    EXPECT_EQ(MessagesOf(m_user), std::vector<std::int32_t>{537});
    EXPECT_EQ(MessagesOf(BuiltIn(kLevelError)),
              (std::vector<std::int32_t>{1, 1001, 1002, 1003, 1004, 1005}));

    std::vector<CMessageRecord> records(1);
    EXPECT_EQ(m_manager.GetMessagesForCategory(m_user, records), 2) << "appended";
    EXPECT_EQ(records[1].Title, L"Repeated include file 'FileName'");
    EXPECT_EQ(records[1].SectionId, L"17.4");
}

TEST_F(CategoryMessagesTest, EachLevelListsItsOwnSections) {
    struct CCase {
        std::int32_t level;
        std::vector<std::int32_t> numbers;
    };
    const CCase cases[] = {
        {kLevelFatalError, {301}}, // the one section "17.3"
        {kLevelInternalError, {200}},
        {kLevelInformation, {1960, 1702}}, // "17.5" before "17.9"
        {kLevelElectiveNote, {900, 1901, 1902, 1903}},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(MessagesOf(BuiltIn(c.level)), c.numbers) << c.level;
    EXPECT_TRUE(MessagesOf(m_user).empty()) << "a user category has no sections";
}

TEST_F(CategoryMessagesTest, AnAssignedNumberTheCatalogueLacksKeepsItsNumber) {
    ASSERT_TRUE(m_manager.AssignMessage(4711, m_user));
    std::vector<CMessageRecord> records;
    EXPECT_EQ(m_manager.GetMessagesForCategory(m_user, records), 1);
    EXPECT_EQ(records[0].Number, 4711);
    EXPECT_TRUE(records[0].Title.empty());
}

/// The categories over the later form of the list, whose section identifiers the levels' table
/// does not name.
class CategoryMessages19Test : public CategoryMessagesTest {
protected:
    std::wstring ListPath() override { return kFixtureList19; }
};

TEST_F(CategoryMessages19Test, EachLevelListsTheSectionsThatNameItsClass) {
    ASSERT_TRUE(m_manager.AssignMessage(1002, m_user));
    ASSERT_TRUE(m_manager.AssignMessage(401, BuiltIn(kLevelError)));

    struct CCase {
        std::int32_t level;
        std::vector<std::int32_t> numbers;
    };
    const CCase cases[] = {
        // The assigned one first, then "19.1" and "19.7" without what is assigned.
        {kLevelError, {401, 1, 2, 1001, 1003}},
        {kLevelInternalError, {200, 1200}}, // "19.2", then "19.8 Additional Internal Errors"
        {kLevelFatalError, {301}},
        {kLevelWarning, {1401}},
        {kLevelInformation, {1960, 1702}}, // in the order of the sections, not of the numbers
        {kLevelElectiveNote, {830, 900, 1901}},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(MessagesOf(BuiltIn(c.level)), c.numbers) << c.level;
    EXPECT_EQ(MessagesOf(m_user), std::vector<std::int32_t>{1002});
}

/// A list numbered as the levels' table expects, with sections of other identifiers beside it.
class CategoryMessagesMixedTest : public CategoryMessagesTest {
protected:
    std::wstring ListPath() override {
        return m_folder.Write(L"mixed.txt", "17.1  C Syntax Errors\n"
                                            "1     One -- Text.\n"
                                            "17.4  Warning Messages\n"
                                            "401   Four -- Text.\n"
                                            "20.4  More Warning Messages\n"
                                            "5004  Extra warning -- Text.\n"
                                            "---- 20.2 additional INTERNAL errors ----\n"
                                            "5002  Extra internal error -- Text.\n");
    }
};

TEST_F(CategoryMessagesMixedTest, ALevelThatHoldsATableSectionTakesNoOther) {
    struct CCase {
        std::int32_t level;
        std::vector<std::int32_t> numbers;
    };
    const CCase cases[] = {
        // "17.4" is held, so "20.4" stays out although it names warnings.
        {kLevelWarning, {401}},
        {kLevelError, {1}},
        // No "17.2": the section that names internal errors, in whatever case.
        {kLevelInternalError, {5002}},
        {kLevelFatalError, {}},
        {kLevelInformation, {}},
        {kLevelElectiveNote, {}},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(MessagesOf(BuiltIn(c.level)), c.numbers) << c.level;
}

} // namespace
