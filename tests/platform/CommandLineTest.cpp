// Building and splitting command lines with the Windows C runtime's quoting rules.
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <random>

using namespace Quillmoren::Libraries::Platform;

TEST(CommandLine, SplitsWithTheRuntimeRules) {
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> arguments;
    };
    const Case cases[] = {
        {L"", {}},
        {L"  \t ", {}},
        {L"a b\tc", {L"a", L"b", L"c"}},
        {L"\"a b\" c", {L"a b", L"c"}},
        {L"\"\" x", {L"", L"x"}},
        {L"a\\\\b", {L"a\\\\b"}},       // backslashes not before a quote are literal
        {L"a\\\"b", {L"a\"b"}},         // an odd number escapes the quote
        {L"a\\\\\"b c\"", {L"a\\b c"}}, // an even number: half of them, then a quote
        {L"\"a\"\"b\"", {L"a\"b"}},     // two quotes inside quotes give one
        {L"ab\"c d\"ef", {L"abc def"}}, // quotes may open in the middle of an argument
        {L"\"unterminated x", {L"unterminated x"}},
        {L"trailing\\", {L"trailing\\"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.arguments) << c.line;
}

TEST(CommandLine, BuiltLinesSplitBackIntoTheSameArguments) {
    const std::vector<std::wstring> table = {
        L"plain",        L"with blank", L"",     L"q\"uote",   L"\"",        L"back\\slash",
        L"end\\",        L"end\\\\",    L"\\\"", L"tab\there", L"new\nline", L"ünïcödé €",
        L"-os(out.txt)", L"a\\\\\"b",
    };
    EXPECT_EQ(SplitCommandLine(BuildCommandLine(table)), table);

    std::mt19937 random(7);
    const std::wstring alphabet = L"ab \t\"\\\\\"é\u20AC\n";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 8);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::wstring> arguments(1 + round % 5);
        for (std::wstring& argument : arguments)
            for (int i = length(random); i > 0; --i)
                argument.push_back(alphabet[pick(random)]);
        ASSERT_EQ(SplitCommandLine(BuildCommandLine(arguments)), arguments) << round;
    }
}

TEST(CommandLine, SplitFirstArgumentLeavesTheRestAsItStands) {
    std::wstring first;
    EXPECT_EQ(SplitFirstArgument(L"\"/opt/lint wrap\"  tool \"x y\"", first), L"  tool \"x y\"");
    EXPECT_EQ(first, L"/opt/lint wrap");
    EXPECT_EQ(SplitFirstArgument(L"   ", first), L"");
    EXPECT_EQ(first, L"");
}
