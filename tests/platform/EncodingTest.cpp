// Lossless text conversion: UTF-8, UTF-16LE, Latin-1, Windows-1252 and the stream decoder.
#include "platform/Encoding.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <random>

using namespace Quillmoren::Libraries::Platform;

namespace {

/// Switches the locale for one test and back to the C locale afterwards.
class LocaleScope {
public:
    explicit LocaleScope(const char* locale) {
        Testing::SetEnvironment("LC_ALL", locale);
        InitialiseLocale();
    }
    ~LocaleScope() {
        Testing::SetEnvironment("LC_ALL", "C");
        InitialiseLocale();
    }
};

std::string RandomBytes(std::mt19937& random, std::size_t size) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(random));
    return bytes;
}

} // namespace

TEST(Utf8, DecodesValidAndEscapesInvalidBytes) {
    struct Case {
        const char* name;
        std::string bytes;
        std::wstring text;
    };
    const Case cases[] = {
        {"ascii", "abc", L"abc"},
        {"two bytes", "\xC3\xA9", L"\u00E9"},
        {"three bytes", "\xE2\x82\xAC", L"\u20AC"},
        {"four bytes", "\xF0\x9F\x98\x80", L"\U0001F600"},
        {"lone continuation", "a\x80z", L"a\xDC80z"},
        {"overlong slash", "\xC0\xAF", L"\xDCC0\xDCAF"},
        {"overlong three bytes", "\xE0\x80\xAF", L"\xDCE0\xDC80\xDCAF"},
        {"encoded surrogate", "\xED\xA0\x80", L"\xDCED\xDCA0\xDC80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", L"\xDCF4\xDC90\xDC80\xDC80"},
        {"truncated at end", "ok\xE2\x82", L"ok\xDCE2\xDC82"},
        {"broken in the middle", "\xE2\x82z", L"\xDCE2\xDC82z"},
        {"nul byte", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeUtf8(c.bytes), c.text) << c.name;
        EXPECT_EQ(EncodeUtf8(c.text), c.bytes) << c.name;
    }
}

TEST(Windows1252, DecodesItsOwnCharactersAndEscapesTheUndefinedBytes) {
    struct Case {
        const char* name;
        std::string bytes;
        std::wstring text;
    };
    const Case cases[] = {
        {"ascii", "abc", L"abc"},
        {"section sign",
         "[22, \xA7"
         "20.4]",
         L"[22, \u00A720.4]"},
        {"euro and quotes", "\x80\x93\x94\x9F", L"\u20AC\u201C\u201D\u0178"},
        {"latin-1 range", "\xA0\xE9\xFF", L"\u00A0\u00E9\u00FF"},
        {"undefined bytes", "\x81\x8D\x8F\x90\x9D", L"\xDC81\xDC8D\xDC8F\xDC90\xDC9D"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeWindows1252(c.bytes), c.text) << c.name;
    // The undefined bytes come back as they were, whichever encoder writes them.
    const std::string undefined = "\x81\x8D\x8F\x90\x9D";
    EXPECT_EQ(EncodeUtf8(DecodeWindows1252(undefined)), undefined);
    EXPECT_EQ(EncodeAnsi(DecodeWindows1252(undefined)), undefined);
}

TEST(Windows1252, OnlyTextThatIsNotUtf8IsReadAsTheCodePage) {
    struct Case {
        const char* name;
        std::string bytes;
        bool utf8;
        std::wstring text;
    };
    const Case cases[] = {
        {"empty", "", true, L""},
        {"ascii", "plain", true, L"plain"},
        {"utf-8 section sign", "\xC2\xA7", true, L"\u00A7"},
        {"utf-8 four bytes", "\xF0\x9F\x98\x80", true, L"\U0001F600"},
        {"code page section sign", "\xA7 5", false, L"\u00A7 5"},
        {"valid then invalid", "\xC2\xA7\xA7", false, L"\u00C2\u00A7\u00A7"},
        {"unfinished at the end", "ok\xE2\x82", false, L"ok\u00E2\u201A"},
        {"overlong", "\xC0\xAF", false, L"\u00C0\u00AF"},
        {"encoded surrogate", "\xED\xA0\x80", false, L"\u00ED\u00A0\u20AC"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsUtf8(c.bytes), c.utf8) << c.name;
        EXPECT_EQ(DecodeUtf8OrWindows1252(c.bytes), c.text) << c.name;
    }
}

TEST(Utf16Le, JoinsSurrogatePairsAndKeepsOddBytes) {
    EXPECT_EQ(DecodeUtf16Le(std::string("A\0\x3D\xD8\x00\xDE", 6)), L"A\U0001F600");
    EXPECT_EQ(EncodeUtf16Le(L"A\U0001F600"), std::string("A\0\x3D\xD8\x00\xDE", 6));
    // A lone high surrogate stays as it is; an odd last byte is escaped.
    EXPECT_EQ(DecodeUtf16Le(std::string("\x3D\xD8"
                                        "B\0\x7F",
                                        5)),
              L"\xD83D"
              L"B\xDC7F");
}

TEST(Utf16Be, ReadsTheSameTextAsLittleEndianWithTheBytesOfEachUnitSwapped) {
    EXPECT_EQ(DecodeUtf16Be(std::string("\0A\xD8\x3D\xDE\x00", 6)), L"A\U0001F600");
    EXPECT_EQ(DecodeUtf16Be(std::string("\xD8\x3D\0B\x7F", 5)), L"\xD83D"
                                                                L"B\xDC7F");
}

TEST(AnsiText, RandomBytesSurviveARoundTripInEveryLocale) {
    std::mt19937 random(1234);
    for (const char* locale : {"C", "C.UTF-8"}) {
        LocaleScope scope(locale);
        for (int round = 0; round < 200; ++round) {
            const std::string bytes = RandomBytes(random, 1 + round * 7);
            EXPECT_EQ(EncodeAnsi(DecodeAnsi(bytes)), bytes) << locale << " round " << round;
        }
    }
}

TEST(AnsiText, CLocaleReadsEveryByteAsItsOwnCharacter) {
    LocaleScope scope("C");
    EXPECT_EQ(AnsiCharset(), "ISO-8859-1");
    EXPECT_EQ(DecodeAnsi("\xE9\xFF"), L"\u00E9\u00FF");
}

TEST(AnsiStreamDecoder, SplitAnywhereDecodesLikeTheWhole) {
    LocaleScope scope("C.UTF-8");
    ASSERT_EQ(AnsiCharset(), "UTF-8");
    std::mt19937 random(99);
    // Valid multi-byte text mixed with invalid bytes, cut at every position.
    const std::string bytes =
        "x\xC3\xA9y\xE2\x82\xAC\xF0\x9F\x98\x80z\xE2\x82!\xFF" + RandomBytes(random, 64);
    const std::wstring whole = DecodeAnsi(bytes);
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        CAnsiStreamDecoder decoder;
        std::wstring text;
        decoder.Decode(std::string_view(bytes).substr(0, cut), text);
        decoder.Decode(std::string_view(bytes).substr(cut), text);
        decoder.Finish(text);
        EXPECT_EQ(text, whole) << "cut at " << cut;
    }
    // Byte by byte: a character is delivered once, when its last byte arrives.
    CAnsiStreamDecoder decoder;
    std::wstring text;
    decoder.Decode("\xE2", text);
    decoder.Decode("\x82", text);
    EXPECT_TRUE(text.empty());
    decoder.Decode("\xAC", text);
    EXPECT_EQ(text, L"\u20AC");
}
