// PC-lint text output through the results reader: the worked layouts, messages over several
// lines, repeats, the completion line and unparsable lines.
#include "TestSupport.h"
#include "codeanalysis/AnalysisResultsReader.h"
#include "codeanalysis/AnalysisResultsReaderImpl.h"
#include "codeanalysis/IssueCategoryManager.h"
#include "codeanalysis/PcLintAnalysisResultsReaderImpl.h"
#include "wrapper/Wrapper.h"

#include <gtest/gtest.h>

using namespace Quillmoren::Libraries::CodeAnalysis;
using namespace Quillmoren::Lintwrap;

namespace {

struct Expected {
    std::wstring file;
    std::int32_t line;
    std::int32_t number;
    std::wstring text;
    bool operator==(const Expected&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Expected& e) {
    return out << Quillmoren::Libraries::Platform::EncodeUtf8(e.file) << ":" << e.line << " #"
               << e.number << " " << Quillmoren::Libraries::Platform::EncodeUtf8(e.text);
}

class PcLintText : public testing::Test {
protected:
    PcLintText() { m_manager.Load(nullptr, L"", true); }

    std::vector<Expected> Read(const std::wstring& text, bool checkDuplicates = true) {
        CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
        reader.Read(text, checkDuplicates);
        return IssuesOf(reader);
    }

    static std::vector<Expected> IssuesOf(const CAnalysisResultsReader& reader) {
        CIssueArray issues;
        issues.SetOwnsElements(true);
        reader.GetIssues(issues);
        std::vector<Expected> result;
        for (std::size_t i = 0; i < issues.GetCount(); ++i)
            result.push_back({issues[i]->GetFile(), issues[i]->GetLine(), issues[i]->GetNumber(),
                              issues[i]->GetText()});
        return result;
    }

    CIssueCategoryManager m_manager;
};

const std::wstring kNext = L"\nother.c(1): Warning 2: next\n";
const Expected kNextIssue = {L"other.c", 1, 2, L"next"};

} // namespace

TEST_F(PcLintText, WorkedLayouts) {
    struct Case {
        std::wstring before;
        std::wstring line;
        Expected issue;
    };
    const Case cases[] = {
        {L"",
         L"test.c(12) : Error 40: Undeclared identifier 'y'",
         {L"test.c", 12, 40, L"Undeclared identifier 'y'"}},
        {L"",
         L"c:\\src\\foo.c(7): warning 529: Symbol 'a' (line 3) not subsequently referenced",
         {L"c:\\src\\foo.c", 7, 529, L"Symbol 'a' (line 3) not subsequently referenced"}},
        {L"",
         L"foo.cpp(33): error 1055: (Error -- Symbol 'bar' undeclared, assumed to return int)",
         {L"foo.cpp", 33, 1055, L"Symbol 'bar' undeclared, assumed to return int"}},
        {L"",
         L"test.c  14  Warning 530: Symbol 'z' not initialized",
         {L"test.c", 14, 530, L"Symbol 'z' not initialized"}},
        {L"--- Wrap-up for Module: test.c\n",
         L"Info 766: Header file 'stdio.h' not used in module 'test.c'",
         {L"test.c", 0, 766, L"Header file 'stdio.h' not used in module 'test.c'"}},
        {L"",
         L"error 322: Unable to open include file 'x.h'",
         {L"", 0, 322, L"Unable to open include file 'x.h'"}},
        {L"", L"./dir//sub/x.c(4): Note 1960: text", {L".\\dir\\sub\\x.c", 4, 1960, L"text"}},
        {L"", L"src\\a b.c 17 Error 10: Expecting ';'", {L"src\\a b.c", 17, 10, L"Expecting ';'"}},
        // Line 0 is a line like any other, and an empty location is a location without a line.
        {L"",
         L"test.c(0): Info 766: Header file 'stdio.h' not used in module 'test.c'",
         {L"test.c", 0, 766, L"Header file 'stdio.h' not used in module 'test.c'"}},
        {L"",
         L"test.c(): Warning 530: Symbol 'x' not initialized",
         {L"test.c", 0, 530, L"Symbol 'x' not initialized"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read(c.before + c.line + kNext), (std::vector<Expected>{c.issue, kNextIssue}))
            << Quillmoren::Libraries::Platform::EncodeUtf8(c.line);
    }
}

TEST_F(PcLintText, LayoutsWithAColumnOrAQuotedFileName) {
    struct Case {
        std::wstring line;
        Expected issue;
    };
    const Case cases[] = {
        {L"\"C:\\src\\qf.h\" 61 1 Info 756: global typedef 'X' not referenced",
         {L"C:\\src\\qf.h", 61, 756, L"global typedef 'X' not referenced"}},
        {L"\"src/a b.c\" 12 7 Warning 530: Symbol 'z' not initialized",
         {L"src\\a b.c", 12, 530, L"Symbol 'z' not initialized"}},
        {L"\"src/a b.c\" 12 Error 10: Expecting ';'", {L"src\\a b.c", 12, 10, L"Expecting ';'"}},
        {L"\"C:\\Program Files (x86)\\a.c\" 3 1 Warning 4: t (12)",
         {L"C:\\Program Files (x86)\\a.c", 3, 4, L"t (12)"}},
        {L"src\\mod.c  2933 0  Warning 613: Possible use of null pointer",
         {L"src\\mod.c", 2933, 613, L"Possible use of null pointer"}},
        {L"src\\mod.c  2933 0  Error 40: Undeclared identifier 'y'",
         {L"src\\mod.c", 2933, 40, L"Undeclared identifier 'y'"}},
        {L"src/a b.c  17 3  Error 10: Expecting ';'", {L"src\\a b.c", 17, 10, L"Expecting ';'"}},
        {L"src/main.c:78:4: warning 534: Ignoring return value of function 'f'",
         {L"src\\main.c", 78, 534, L"Ignoring return value of function 'f'"}},
        {L"C:\\src\\main.c:78:4: warning 534: Ignoring return value of function 'f'",
         {L"C:\\src\\main.c", 78, 534, L"Ignoring return value of function 'f'"}},
        {L"src/main.c:78: error 40: Undeclared identifier 'y'",
         {L"src\\main.c", 78, 40, L"Undeclared identifier 'y'"}},
        {L"stdio.h:102:4: supplemental 891: declared here",
         {L"stdio.h", 102, 891, L"declared here"}},
        {L"a.c:5:2: Warning 613: see (12): here", {L"a.c", 5, 613, L"see (12): here"}},
        {L"a.c:5:2: error 1055: (Error -- Symbol 'bar' undeclared)",
         {L"a.c", 5, 1055, L"Symbol 'bar' undeclared"}},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(CPcLintAnalysisResultsReaderImpl::IsMessageLine(c.line))
            << Quillmoren::Libraries::Platform::EncodeUtf8(c.line);
        EXPECT_EQ(Read(c.line + kNext), (std::vector<Expected>{c.issue, kNextIssue}))
            << Quillmoren::Libraries::Platform::EncodeUtf8(c.line);
    }
    // The earlier layouts keep their reading where a later part of the line resembles one of
    // these.
    EXPECT_EQ(Read(L"test.c(3): Warning 5: value 1 2 Error 4: x\n"),
              (std::vector<Expected>{{L"test.c", 3, 5, L"value 1 2 Error 4: x"}}));
    EXPECT_EQ(Read(L"test.c(3): Warning 5: at b.c:4:1: note 6: y\n"),
              (std::vector<Expected>{{L"test.c", 3, 5, L"at b.c:4:1: note 6: y"}}));
    EXPECT_EQ(Read(L"Info 766: Header 'a.h' 1 2 Note 3: x\n"),
              (std::vector<Expected>{{L"", 0, 766, L"Header 'a.h' 1 2 Note 3: x"}}));
}

TEST_F(PcLintText, PseudoFilesParenthesesThatAreNoLocationAndTheLocationOfNoFile) {
    struct Case {
        std::wstring lines; ///< the message, set in a small log of one module
        Expected issue;
        std::int32_t level; ///< the built-in level of the issue's category
        int status;         ///< the wrapper's exit status for the log
    };
    const Case cases[] = {
        // Pseudo-files, in each location form that takes a file, kept as written.
        {L"<command line option>(1): Warning 686: Option '-e(534)' is suspicious",
         {L"<command line option>", 1, 686, L"Option '-e(534)' is suspicious"},
         kLevelWarning,
         255},
        {L"<stdin>(12): Error 40: Undeclared identifier 'y'",
         {L"<stdin>", 12, 40, L"Undeclared identifier 'y'"},
         kLevelError,
         1},
        {L"<command line option>  1  Warning 686: Option '-e(534)' is suspicious",
         {L"<command line option>", 1, 686, L"Option '-e(534)' is suspicious"},
         kLevelWarning,
         255},
        {L"<stdin>  3 7  Info 744: switch statement has no default",
         {L"<stdin>", 3, 744, L"switch statement has no default"},
         kLevelInformation,
         0},
        {L"\"<stdin>\" 3 7 Info 744: switch statement has no default",
         {L"<stdin>", 3, 744, L"switch statement has no default"},
         kLevelInformation,
         0},
        {L"<stdin>:3:7: warning 534: Ignoring return value of function 'f'",
         {L"<stdin>", 3, 534, L"Ignoring return value of function 'f'"},
         kLevelWarning,
         255},
        {L"<stdin>(4)\n    Warning 530: Symbol 'z' not initialized",
         {L"<stdin>", 4, 530, L"Symbol 'z' not initialized"},
         kLevelWarning,
         255},
        {L"--- Wrap-up for Module: <stdin>\nInfo 766: Header file 'x.h' not used in module "
         L"'<stdin>'",
         {L"<stdin>", 0, 766, L"Header file 'x.h' not used in module '<stdin>'"},
         kLevelInformation,
         0},
        {L"<lint/options;1>(2): Warning 686: Option '-e(534)' is suspicious",
         {L"<lint/options;1>", 2, 686, L"Option '-e(534)' is suspicious"},
         kLevelWarning,
         255},
        // Final parentheses that hold no line number are part of the text.
        {L"src\\bsp.c  53  Info 734: Loss of precision (initialization) (31 bits to 8 bits)",
         {L"src\\bsp.c", 53, 734, L"Loss of precision (initialization) (31 bits to 8 bits)"},
         kLevelInformation,
         0},
        {L"src\\bsp.c  60  Warning 569: Loss of information (initialization) (9 bits to 8 bits)",
         {L"src\\bsp.c", 60, 569, L"Loss of information (initialization) (9 bits to 8 bits)"},
         kLevelWarning,
         255},
        {L"--- Wrap-up for Module: src\\bsp.c\nInfo 734: Loss of precision (assignment) (31 bits "
         L"to 8 bits)",
         {L"src\\bsp.c", 0, 734, L"Loss of precision (assignment) (31 bits to 8 bits)"},
         kLevelInformation,
         0},
        {L"src\\bsp.c( 12 )\n    Warning 530: Symbol 'b' not initialized",
         {L"src\\bsp.c", 12, 530, L"Symbol 'b' not initialized"},
         kLevelWarning,
         255},
        // The location of no file.
        {L"(0): Info 766: Header file 'x.h' not used in module 'a.c'",
         {L"", 0, 766, L"Header file 'x.h' not used in module 'a.c'"},
         kLevelInformation,
         0},
        {L"(0) : Warning 528: Symbol 'f' not referenced",
         {L"", 0, 528, L"Symbol 'f' not referenced"},
         kLevelWarning,
         255},
        {L"(0): Error 322: Unable to open include file 'x.h'",
         {L"", 0, 322, L"Unable to open include file 'x.h'"},
         kLevelFatalError,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Quillmoren::Libraries::Platform::EncodeUtf8(c.lines));
        const std::wstring log = L"--- Module:   src\\bsp.c (C)\n" + c.lines +
                                 L"\n\n--- Global Wrap-up\n\n"
                                 L"Note 900: Successful completion, 1 messages produced\n";
        CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
        reader.Read(log, true);
        EXPECT_EQ(IssuesOf(reader), std::vector<Expected>{c.issue});
        EXPECT_EQ(reader.GetUnreadLines().Count, 0u);
        CIssueArray issues;
        issues.SetOwnsElements(true);
        reader.GetIssues(issues);
        if (issues.GetCount() == 1) {
            EXPECT_EQ(m_manager.GetCategory(issues[0]->GetCategory()).GetBuiltInLevel(), c.level);
        }
        const auto [warnings, errors] = CountIssues(log);
        EXPECT_EQ(
            ToProcessStatus(errors > 0 ? kExitErrors : (warnings > 0 ? kExitWarnings : kExitClean)),
            c.status);
    }
    // A pseudo-file is one pair of brackets around a name.
    EXPECT_EQ(Read(L"<a<b>(3): Warning 1: x\n"),
              (std::vector<Expected>{
                  {L"", 1, 0, L"Unable to parse analysis results: <a<b>(3): Warning 1: x"}}));
    EXPECT_FALSE(CAnalysisResultsReaderImpl::IsPseudoFileName(L"<>"));
    EXPECT_FALSE(CAnalysisResultsReaderImpl::IsPseudoFileName(L"<a\tb>"));
    EXPECT_FALSE(
        CAnalysisResultsReaderImpl::IsPseudoFileName(L"<" + std::wstring(260, L'a') + L">"));
}

TEST_F(PcLintText, SupplementalMessagesAreNeverRepeats) {
    const std::wstring supplemental = L"f.h:12:5: supplemental 891: declared here\n";
    const std::wstring warning = L"m.c:78:4: warning 534: Ignoring return value of function 'f'\n";
    const Expected warningIssue = {L"m.c", 78, 534, L"Ignoring return value of function 'f'"};
    const Expected supplementalIssue = {L"f.h", 12, 891, L"declared here"};
    EXPECT_EQ(Read(warning + supplemental + warning + supplemental),
              (std::vector<Expected>{warningIssue, supplementalIssue, supplementalIssue}));
}

TEST_F(PcLintText, LinesThatLookLikeMessagesButGiveNothingAreCounted) {
    CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
    std::wstring text = L"a.c(1): Warning 529: read\n"          // 1: an issue
                        L"  Warning 613: indented two blanks\n" // 2: never a message line
                        L"(12): Error 40: location first\n"     // 3: gives nothing
                        L"a.c(2): Warning 530: wrapped\n"       // 4
                        L"    Info 830: continued\n"            // 5: part of the text
                        L"  Note 9: consumed, not read\n"       // 6: passed over by it
                        L"a.c(3): Warning 530: nothing odd\n"   // 7
                        L"Error 7 without a colon\n";           // 8: not the shape
    for (int i = 0; i < 5; ++i)
        text += L"  error 10: more\n"; // 9 to 13
    text += L"Note 900: Successful completion, 4 messages produced\n  error 11: after the end\n";
    reader.Read(text, true);
    EXPECT_EQ(reader.GetIssueCount(), 3u);
    const CUnreadLines unread = reader.GetUnreadLines();
    EXPECT_EQ(unread.Count, 8u);
    const std::vector<std::pair<std::int32_t, std::wstring>> first = {
        {2, L"  Warning 613: indented two blanks"},
        {3, L"(12): Error 40: location first"},
        {6, L"  Note 9: consumed, not read"},
        {9, L"  error 10: more"},
        {10, L"  error 10: more"}};
    EXPECT_EQ(unread.First, first);
    reader.Reset();
    EXPECT_EQ(reader.GetUnreadLines().Count, 0u);
}

TEST_F(PcLintText, MessagesOverSeveralLines) {
    struct Case {
        std::wstring text;
        std::vector<Expected> issues;
    };
    const Case cases[] = {
        {L"test.c(12) : Error 40: Undeclared identifier 'y' which is a long message that\n"
         L"    continues here\n",
         {{L"test.c", 12, 40,
           L"Undeclared identifier 'y' which is a long message that continues here"}}},
        {L"test.c(14)\n    Warning 530: Symbol 'b' not initialized\n",
         {{L"test.c", 14, 530, L"Symbol 'b' not initialized"}}},
        {L"x.c(1): Warning 3: a\n    _\n    #include <x>\n", {{L"x.c", 1, 3, L"a"}}},
        {L"test.c  14  Warning 530: Symbol 'z' not initialized\n"
         L"    Info 830: Location cited in prior message\n",
         {{L"test.c", 14, 530,
           L"Symbol 'z' not initialized Info 830: Location cited in prior message"}}},
        // A line of five blanks ends the continuation and is skipped.
        {L"x.c(1): Warning 3: a\n     int x;\n    more\n", {{L"x.c", 1, 3, L"a"}}},
        // A message line without text gathers the following lines, which may name the number.
        {L"x.c(9)\n\n: Msg 529: Symbol 'a' not referenced\n",
         {{L"x.c", 9, 529, L"Symbol 'a' not referenced"}}},
        // At the very end of the text.
        {L"test.c(13)", {}},
        {L"test.c(13)\nother.c(1): Warning 2: next", {kNextIssue}},
        {L"test.c(12) : Error 40: text\r\nx.c(1): Warning 3: a\r\n",
         {{L"test.c", 12, 40, L"text"}, {L"x.c", 1, 3, L"a"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.text), c.issues) << Quillmoren::Libraries::Platform::EncodeUtf8(c.text);
}

TEST_F(PcLintText, CompletionLineEndsTheOutput) {
    struct Case {
        std::wstring line;
        bool ends;
    };
    const Case cases[] = {
        {L"Note 900: Successful completion, 3 messages produced", true},
        {L"  Info   900:: Successful completion, 2 messages", true},
        {L"error 900: completion, x", true},
        {L"Note 900: Successful completion,", false},
        {L"Note 900: Successful completion, messages", true}, // a blank is not empty
        {L"Note 900: Successful completion,messages", false},
        {L"Notes 900: Successful completion, 3 messages produced", false},
        {L"Note 9000: Successful completion, 3 messages produced", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CPcLintAnalysisResultsReaderImpl::IsCompletionLine(c.line), c.ends)
            << Quillmoren::Libraries::Platform::EncodeUtf8(c.line);
        const std::vector<Expected> issues = Read(c.line + kNext);
        EXPECT_EQ(issues.empty() || issues.back() != kNextIssue, c.ends);
    }
    EXPECT_EQ(Read(L"Note 900: Successful completion,\n"),
              (std::vector<Expected>{{L"", 0, 900, L"Successful completion,"}}));
}

TEST_F(PcLintText, RepeatsAreDroppedExceptFollowUps) {
    const std::wstring twice = L"test.c(12) : Error 40: text\ntest.c(12) : Error 40: text\n";
    EXPECT_EQ(Read(twice, true).size(), 1u);
    EXPECT_EQ(Read(twice, false).size(), 2u);
    // White space around the file name is not part of the key.
    EXPECT_EQ(Read(L"test.c  12  Error 40: text\n test.c  12  Error 40: text\n").size(), 1u);
    const std::wstring cited = L"test.c(20) : Info 830: Location cited in prior message\n";
    EXPECT_EQ(Read(cited + cited, true).size(), 2u);
    // Every follow-up is kept each time it comes: the 831 note as the 830 one, and a
    // supplemental message whatever the case of its word.
    const std::wstring followUps[] = {
        L"test.c(20) : Info 831: Reference cited in prior message",
        L"test.c  20  Info 831: Reference cited in prior message",
        L"f.h:12:5: Supplemental 891: declared here",
        L"f.h:12:5: SUPPLEMENTAL 891: declared here",
        L"\"f.h\" 12 5 sUPPLEMENTAL 891: declared here",
    };
    for (const std::wstring& line : followUps) {
        const std::vector<Expected> issues = Read(line + L"\n" + line + L"\n", true);
        ASSERT_EQ(issues.size(), 2u) << Quillmoren::Libraries::Platform::EncodeUtf8(line);
        EXPECT_EQ(issues[0], issues[1]);
    }
}

TEST_F(PcLintText, ATypeAndNumberWithoutTheirColonAreNoMessage) {
    // Without the colon after the number nothing says where the message text starts, in any
    // layout; a colon later in the text does not stand in for it.
    const std::wstring lines[] = {
        L"test.c  12 5  Warning 530 Symbol 'x' not initialized",
        L"test.c  12 5  Warning 530 Symbol 'x': not initialized",
        L"\"src/a b.c\" 12 7 Warning 530 Symbol 'z' not initialized",
        L"<stdin>  3 7  Info 744 switch statement has no default",
        L"src/main.c:78:4: warning 534 Ignoring return value of function 'f'",
    };
    for (const std::wstring& line : lines) {
        SCOPED_TRACE(Quillmoren::Libraries::Platform::EncodeUtf8(line));
        EXPECT_EQ(Read(line + kNext), std::vector<Expected>{kNextIssue});
    }
}

TEST_F(PcLintText, LocationAndLineReferences) {
    // A line reference from a line that is not a message line.
    EXPECT_EQ(Read(L"--- Wrap-up for Module: m.c\nDuring walk: line 5: x\nWarning 413: Likely use "
                   L"of null pointer\n"),
              (std::vector<Expected>{{L"m.c", 5, 413, L"Likely use of null pointer"}}));
    // The wrap-up module is the file until the next wrap-up.
    EXPECT_EQ(
        Read(L"Info 1: a\n\n--- Wrap-up for Module: a.c\nInfo 2: b\n\n"
             L"--- Wrap-up for Module: b.c\nInfo 3: c\n"),
        (std::vector<Expected>{{L"", 0, 1, L"a"}, {L"a.c", 0, 2, L"b"}, {L"b.c", 0, 3, L"c"}}));
    // A location token at the very start is not taken.
    EXPECT_TRUE(Read(L"(12): Error 40: text\n").empty());
    // A folder such as (x86) is passed over.
    EXPECT_EQ(Read(L"C:\\Program Files (x86)\\a.c(3): Warning 4: t\n"),
              (std::vector<Expected>{{L"C:\\Program Files (x86)\\a.c", 3, 4, L"t"}}));
    // Two-blank indentation is never a message.
    EXPECT_TRUE(Read(L"  test.c(12) : Error 40: text\n").empty());
}

TEST_F(PcLintText, RefusedFileNameBecomesAnIssueThatReportsTheLine) {
    const std::vector<Expected> issues = Read(L"header\nfoo<1>.c(3): Warning 1: x\n");
    EXPECT_EQ(issues,
              (std::vector<Expected>{
                  {L"", 2, 0, L"Unable to parse analysis results: foo<1>.c(3): Warning 1: x"}}));

    Testing::CTestFolder folder;
    const std::wstring path =
        folder.Write(L"results.txt", "ok.c(1): Info 700: a\nbad|.c(2): Info 701: b\n");
    CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
    ASSERT_TRUE(reader.ReadFile(path, true));
    EXPECT_EQ(IssuesOf(reader),
              (std::vector<Expected>{
                  {L"ok.c", 1, 700, L"a"},
                  {path, 2, 0, L"Unable to parse analysis results: bad|.c(2): Info 701: b"}}));
    EXPECT_FALSE(reader.ReadFile(folder.File(L"missing.txt"), true));
}

TEST_F(PcLintText, StatisticsAndSummaryOfARead) {
    CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
    EXPECT_FALSE(reader.Read(L"", true));
    ASSERT_TRUE(
        reader.Read(L"a.c(1): Warning 529: x\na.c(2): Warning 529: x\na.c(3): Warning 530: y\n"
                    L"a.c(4): Warning 530: y\na.c(5): Error 10: z\n",
                    true));
    const CIssueStatistics statistics = reader.GetStatistics();
    EXPECT_EQ(statistics.IssueCount, 5);
    EXPECT_EQ(statistics.HighestCategory, 3); // Error
    EXPECT_EQ(statistics.CategoryCounts, (std::map<std::int32_t, std::int32_t>{{2, 4}, {3, 1}}));
    const CMessageTally most = reader.GetMostFrequentMessage();
    EXPECT_EQ(most.Number, 529); // a tie goes to the lower number
    EXPECT_EQ(most.Count, 2);
    EXPECT_EQ(reader.GetSeverityTotal(), 4 * 3 + 4);
    reader.Reset();
    EXPECT_EQ(reader.GetMostFrequentMessage().Number, 0);
    EXPECT_EQ(reader.GetSeverityTotal(), 0);
    EXPECT_EQ(reader.GetIssueCount(), 0u);
}

TEST_F(PcLintText, SetIssuesAddsThemAgainOnTopOfTheCounts) {
    CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
    ASSERT_TRUE(reader.Read(L"a.c(1): Warning 529: x\nb.c(2): Error 10: y\n", false));
    CIssueArray issues;
    issues.SetOwnsElements(true);
    reader.GetIssues(issues);
    reader.SetIssues(issues);
    EXPECT_EQ(reader.GetIssueCount(), 2u);
    EXPECT_EQ(reader.GetStatistics().IssueCount, 4);
}

TEST_F(PcLintText, ShiftLinesFollowsEachIssue) {
    CAnalysisResultsReader reader(&m_manager, ToolKind::PcLint);
    ASSERT_TRUE(
        reader.Read(L"a.c(5): Info 701: x\na.c(10): Info 702: y\na.c(20): Info 703: z\n", true));
    reader.ShiftLines(10, 3);
    EXPECT_EQ(reader.GetShiftedLine(5), 5);
    EXPECT_EQ(reader.GetShiftedLine(10), 13);
    EXPECT_EQ(reader.GetShiftedLine(20), 23);
    reader.ShiftLines(13, -1);
    EXPECT_EQ(reader.GetShiftedLine(10), 12);
    EXPECT_EQ(reader.GetShiftedLine(20), 22);
    EXPECT_EQ(reader.GetShiftedLine(7), -1);
}

TEST_F(PcLintText, ReaderBaseRules) {
    struct Case {
        std::wstring file;
        bool accepted;
    };
    const Case cases[] = {
        {L"", true},
        {L"C:\\x.c", true},
        {L"a:b:c", false},
        {L"ab:c", false},
        {L"a*.c", false},
        {std::wstring(260, L'a'), true},
        {std::wstring(261, L'a'), false},
    };
    for (const Case& c : cases) {
        CPcLintAnalysisResultsReaderImpl reader(&m_manager);
        EXPECT_EQ(reader.AddIssue(c.file, L"1", 40, L"Error", L"t"), c.accepted)
            << Quillmoren::Libraries::Platform::EncodeUtf8(c.file);
    }
    CPcLintAnalysisResultsReaderImpl reader(&m_manager);
    reader.AddIssue(L"a.c", L" 12abc", 40, L"", L"t");
    reader.AddIssue(L"a.c", L"abc", 41, L"", L"t");
    CIssueArray issues;
    issues.SetOwnsElements(true);
    reader.GetIssues(issues);
    ASSERT_EQ(issues.GetCount(), 2u);
    EXPECT_EQ(issues[0]->GetLine(), 12);
    EXPECT_EQ(issues[1]->GetLine(), 0);
    CPcLintAnalysisResultsReaderImpl orphan(nullptr);
    EXPECT_FALSE(orphan.AddIssue(L"a.c", L"1", 40, L"", L"t"));
}

TEST(ResultsReaderFront, UnknownKindAnswersDefaults) {
    CAnalysisResultsReader reader(nullptr, static_cast<ToolKind>(2));
    EXPECT_FALSE(reader.Read(L"a.c(1): Warning 529: x", true));
    EXPECT_FALSE(reader.ReadFile(L"/etc/hostname", true));
    EXPECT_EQ(reader.GetShiftedLine(1), -1);
    EXPECT_EQ(reader.GetStatistics().HighestCategory, -1);
    EXPECT_EQ(reader.GetIssueCount(), 0u);
}
