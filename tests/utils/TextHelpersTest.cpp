// Tests of text file reading and of the shared substring, token, number, line and path routines.
#include "utils/TextHelpers.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace Quillmoren::Libraries::Utils {
namespace {

using ::Testing::CTestFolder;

// ReadTextFile ------------------------------------------------------------------------------

struct ReadCase {
    const char* name;
    std::string bytes;
    HRESULT status;
    std::wstring text;
    std::int32_t encoding;
    bool byteOrderMark;
};

class ReadTextFileTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadTextFileTest, DecodesByByteOrderMark) {
    const ReadCase& c = GetParam();
    const CTestFolder folder;
    const std::wstring path = folder.Write(L"file.txt", c.bytes);

    std::wstring text = L"left over";
    CTextFileInfo info;
    info.length = 12345;
    EXPECT_EQ(ReadTextFile(path, text, &info), c.status);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(info.encoding, c.encoding);
    EXPECT_EQ(info.byteOrderMark, c.byteOrderMark);
    EXPECT_EQ(info.length, static_cast<std::int32_t>(c.text.size()));
    EXPECT_EQ(info.FileSize(), c.bytes.size());
    EXPECT_EQ(info.fileSizeHigh, 0u);

    // The record is optional.
    std::wstring again;
    EXPECT_EQ(ReadTextFile(path, again), c.status);
    EXPECT_EQ(again, c.text);
}

using namespace std::string_literals;
constexpr auto kNone = CTextFileInfo::kEncodingNone;
constexpr auto kAnsi = CTextFileInfo::kEncodingAnsi;
constexpr auto kUtf8 = CTextFileInfo::kEncodingUtf8;
constexpr auto kUtf16 = CTextFileInfo::kEncodingUtf16Le;
constexpr auto kUtf16Be = CTextFileInfo::kEncodingUtf16Be;

// Programs run in the C locale unless they ask for another, so "ANSI" text here is ISO-8859-1.
INSTANTIATE_TEST_SUITE_P(
    Files, ReadTextFileTest,
    testing::Values(ReadCase{"Empty", "", S_OK, L"", kNone, false},
                    ReadCase{"OneByte", "x", S_OK, L"", kNone, false},
                    ReadCase{"Ansi", "a.c(3): Warning 1\r\n", S_OK, L"a.c(3): Warning 1\r\n", kAnsi,
                             false},
                    ReadCase{"AnsiHighBytes", "caf\xE9", S_OK, L"caf\u00E9", kAnsi, false},
                    ReadCase{"AnsiKeepsZero", "ab\0cd"s, S_OK, L"ab\0cd"s, kAnsi, false},
                    ReadCase{"Utf8Mark",
                             "\xEF\xBB\xBF"
                             "caf\xC3\xA9 \xF0\x9F\x98\x80",
                             S_OK, L"caf\u00E9 \U0001F600", kUtf8, true},
                    ReadCase{"Utf8MarkOnly", "\xEF\xBB\xBF", S_OK, L"", kUtf8, true},
                    ReadCase{"Utf8KeepsZero",
                             "\xEF\xBB\xBF"
                             "a\0b"s,
                             S_OK, L"a\0b"s, kUtf8, true},
                    ReadCase{"Utf16Mark",
                             "\xFF\xFE"
                             "h\0i\0"
                             "\x3D\xD8\x00\xDE"s,
                             S_OK, L"hi\U0001F600", kUtf16, true},
                    ReadCase{"Utf16MarkOnly", "\xFF\xFE", S_OK, L"", kUtf16, true},
                    ReadCase{"Utf16KeepsZero",
                             "\xFF\xFE"
                             "a\0\0\0b\0"s,
                             S_OK, L"a\0b"s, kUtf16, true},
                    ReadCase{"Utf16OddByte",
                             "\xFF\xFE"
                             "a\0b"s,
                             S_OK, L"a\xDC62", kUtf16, true},
                    ReadCase{"Utf16NoMark", "<\0?\0x\0"s, S_OK, L"<?x", kUtf16, false},
                    ReadCase{"Utf16BigEndian",
                             "\xFE\xFF\0a"
                             "\xD8\x3D\xDE\x00\0\0\0b"s,
                             S_OK, L"a\U0001F600\0b"s, kUtf16Be, true},
                    // A first byte EF, FE or FF that does not begin a mark is text like any other.
                    ReadCase{"LeadEfWithoutMark", "\xEFle", S_OK, L"\u00EFle", kAnsi, false},
                    ReadCase{"LeadFeWithoutMark", "\xFEtre", S_OK, L"\u00FEtre", kAnsi, false},
                    ReadCase{"LeadFfWithoutMark", "\xFFx", S_OK, L"\u00FFx", kAnsi, false},
                    ReadCase{"LeadEfShort", "\xEF\xBB", S_OK, L"\u00EF\u00BB", kAnsi, false}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST(ReadTextFile, MissingFileGivesTheSystemError) {
    const CTestFolder folder;
    std::wstring text = L"left over";
    CTextFileInfo info;
    info.length = 7;
    EXPECT_EQ(ReadTextFile(folder.File(L"missing.txt"), text, &info), HResultFromErrno(ENOENT));
    EXPECT_EQ(text, L"");
    EXPECT_EQ(info.length, 7); // not filled
}

TEST(ReadTextFile, FolderIsAFailure) {
    const CTestFolder folder;
    std::wstring text;
    const HRESULT status = ReadTextFile(folder.Path(), text);
    EXPECT_TRUE(Failed(status));
    EXPECT_EQ(text, L"");
}

TEST(ReadTextFile, LargeFileIsReadWhole) {
    std::string bytes;
    std::wstring expected;
    for (int i = 0; i < 20000; ++i) {
        bytes += "line " + std::to_string(i) + "\n";
        expected += L"line " + std::to_wstring(i) + L"\n";
    }
    const CTestFolder folder;
    std::wstring text;
    CTextFileInfo info;
    EXPECT_EQ(ReadTextFile(folder.Write(L"big.txt", bytes), text, &info), S_OK);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(info.FileSize(), bytes.size());
}

TEST(Result, ErrnoBecomesAWin32StyleFailure) {
    EXPECT_EQ(HResultFromErrno(0), S_OK);
    EXPECT_EQ(static_cast<std::uint32_t>(HResultFromErrno(ENOENT)), 0x80070002u);
    EXPECT_TRUE(Failed(HResultFromErrno(EACCES)));
    EXPECT_EQ(HResultFromErrno(E_FAIL), E_FAIL);
}

// Substrings -------------------------------------------------------------------------------

TEST(Substrings, LeftRightAndBetween) {
    const struct {
        const wchar_t* text;
        const wchar_t* pattern;
        const wchar_t* left;
        const wchar_t* right;
    } cases[] = {
        {L"file.c(12): x", L"(", L"file.c", L"12): x"},
        {L"a::b::c", L"::", L"a", L"b::c"},
        {L"absent", L"?", L"absent", L""},
        {L"ends with:", L":", L"ends with", L""},
        {L"", L":", L"", L""},
        {L"pattern", L"pattern", L"", L""},
        {L"Error", L"error", L"Error", L""}, // case matters
        // An empty pattern occurs nowhere.
        {L"text", L"", L"text", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LeftOf(c.text, c.pattern), c.left) << c.text << " / " << c.pattern;
        EXPECT_EQ(RightOf(c.text, c.pattern), c.right) << c.text << " / " << c.pattern;
    }
    EXPECT_EQ(Between(L"Info 766: Header", L" ", L":"), L"766");
    EXPECT_EQ(Between(L"no opener:", L"(", L":"), L"");
    EXPECT_EQ(Between(L"(no closer", L"(", L")"), L"no closer");
}

TEST(Substrings, LeftOfNoCaseCutsTheUnchangedText) {
    EXPECT_EQ(LeftOfNoCase(L"Lint ERROR 1: x", L"error"), L"Lint ");
    EXPECT_EQ(LeftOfNoCase(L"Lint error 1: x", L"ERROR"), L"Lint ");
    EXPECT_EQ(LeftOfNoCase(L"Warning", L"error"), L"Warning");
    EXPECT_EQ(LeftOfNoCase(L"AbC", L""), L"AbC");
    EXPECT_EQ(FindNoCase(L"C++ Additional INTERNAL Errors", L"internal errors"), 15u);
    EXPECT_EQ(FindNoCase(L"Warning", L""), std::wstring_view::npos);
}

// NextToken --------------------------------------------------------------------------------

TEST(NextToken, WalksThroughTheText) {
    const struct {
        const wchar_t* text;
        const wchar_t* separator;
        bool skipEmpty;
        std::vector<std::wstring> tokens; // then the text is empty and tokens are empty
    } cases[] = {
        {L"12,,7,", L",", true, {L"12", L"7"}},
        {L"12,,7,", L",", false, {L"12", L"", L"7"}},
        {L",,,", L",", true, {}},
        {L"a: b: c", L": ", true, {L"a", L"b", L"c"}},
        {L"whole", L",", true, {L"whole"}},
        {L"whole", L"", false, {L"whole"}}, // an empty separator does not loop
        {L"", L",", false, {}},
    };
    for (const auto& c : cases) {
        std::wstring text = c.text;
        std::vector<std::wstring> tokens;
        while (!text.empty())
            tokens.push_back(NextToken(text, c.separator, c.skipEmpty));
        // With skipEmpty, the last call may consume only separators and return nothing.
        if (c.skipEmpty && !tokens.empty() && tokens.back().empty())
            tokens.pop_back();
        EXPECT_EQ(tokens, c.tokens) << c.text;
        EXPECT_EQ(NextToken(text, c.separator, c.skipEmpty), L"");
        EXPECT_EQ(text, L"");
    }
}

TEST(NextToken, LeavesTheRest) {
    std::wstring text = L"Warning 529: Symbol 'a': not referenced";
    EXPECT_EQ(NextToken(text, L": ", true), L"Warning 529");
    EXPECT_EQ(text, L"Symbol 'a': not referenced");

    // A separator that points into the text itself.
    text = L"a;b;c";
    const std::wstring_view separator(text.data() + 1, 1);
    EXPECT_EQ(NextToken(text, separator, false), L"a");
    EXPECT_EQ(text, L"b;c");
}

// IsNumber ---------------------------------------------------------------------------------

TEST(IsNumber, OptionalSignAndDigitsOnly) {
    const struct {
        std::wstring text;
        bool number;
    } cases[] = {
        {L"42", true},      {L"  42 \t", true}, {L"-5", true},
        {L"+7", true},      {L"007", true},     {L"99999999999999999999", true},
        {L"4 2", false},    {L"42a", false},    {L"a42", false},
        {L"", false},       {L"   ", false},    {L"-", false},
        {L"+-1", false},    {L"0x1A", false},   {L"1.5", false},
        {L"12\x01", false}, {L"12\0"s, false},  {L"(12)", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsNumber(c.text), c.number) << '"' << c.text << '"';
}

// SplitLines -------------------------------------------------------------------------------

TEST(SplitLines, Pieces) {
    const struct {
        const wchar_t* text;
        const wchar_t* separator;
        std::vector<std::wstring> lines;
    } cases[] = {
        {L"one\r\ntwo\r\n", L"\n", {L"one", L"two"}},
        {L"one\n\n\nfour", L"\n", {L"one", L"", L"", L"four"}},
        {L"cr only\r\r\nnext", L"\n", {L"cr only", L"next"}},
        {L"\n", L"\n", {L""}},
        {L"\nx", L"\n", {L"", L"x"}},
        {L"", L"\n", {}},
        {L"no end", L"\n", {L"no end"}},
        // Carriage returns stay with any other separator.
        {L"a\r;b\r", L";", {L"a\r", L"b\r"}},
        // A longer separator is passed over whole.
        {L"a<br>b<br>", L"<br>", {L"a", L"b"}},
        {L"abc", L"", {L"abc"}},
    };
    for (const auto& c : cases) {
        std::vector<std::wstring> lines = {L"stale"};
        EXPECT_EQ(SplitLines(c.text, lines, c.separator), c.lines.size()) << c.text;
        EXPECT_EQ(lines, c.lines) << c.text;
    }
}

// IsValidPathName --------------------------------------------------------------------------

TEST(IsValidPathName, Rules) {
    const struct {
        std::wstring path;
        bool valid;
    } cases[] = {
        {L"C:\\x.c", true},
        {L"src/main.cpp", true},
        {L"\\\\server\\share\\a.c", true},
        {std::wstring(260, L'a'), true},
        {std::wstring(261, L'a'), false},
        {L"", false},
        {L"C:\\x:y.c", false},
        {L":x.c", false},
        {L"ab:c", false},
        {L"C::", false},
        {L"C:\\a\\\\b.c", false},
        {L"a\\\\", false},
        {L"a?.c", false},
        {L"a*.c", false},
        {L"\"a.c\"", false},
        {L"foo<1>.c", false},
        {L"a|b", false},
        {L"/usr//include/a.h", true}, // only doubled backslashes count
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidPathName(c.path), c.valid) << c.path;
}

// NormalizePathList ------------------------------------------------------------------------

TEST(NormalizePathList, Elements) {
    const struct {
        const wchar_t* list;
        const wchar_t* normal;
    } cases[] = {
        {L"C:/a//b;;\\\\srv\\x;", L"C:\\a\\b;;\\\\srv\\x"},
        {L"", L""},
        {L";;;", L""},
        {L";a", L";a"},
        {L"a;;b;;", L"a;;b"},
        {L"a\\\\\\b", L"a\\\\b"}, // one pass over pairs: three become two
        {L"\\\\", L"\\\\"},
        {L"\\\\\\\\srv", L"\\\\srv"},
        {L"//srv/x", L"\\srv\\x"}, // only a leading pair of backslashes counts as UNC
        {L"/usr/include/a.h", L"\\usr\\include\\a.h"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizePathList(c.list), c.normal) << c.list;
}

TEST(NormalizePathList, ManyElements) {
    std::wstring list;
    std::wstring expected;
    for (int i = 0; i < 100000; ++i) {
        list += L"d//f;";
        expected += i == 0 ? L"d\\f" : L";d\\f";
    }
    EXPECT_EQ(NormalizePathList(list), expected);
}

} // namespace
} // namespace Quillmoren::Libraries::Utils
