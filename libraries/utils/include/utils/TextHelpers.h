// Reading whole text files by their byte-order mark, and the small substring, token, number,
// line and path-name routines that the parsers and the category settings share.
#pragma once

#include "utils/Result.h"

#include <cstddef>
#include <cstdint>
#include <cwctype>
#include <string>
#include <string_view>
#include <vector>

namespace Quillmoren::Libraries::Utils {

/// What `ReadTextFile` found out about a file, for callers that want to know more than the
/// text.
struct CTextFileInfo {
    static constexpr std::int32_t kEncodingNone = -1; ///< no text was decoded
    static constexpr std::int32_t kEncodingAnsi = 0;  ///< the locale's character set
    static constexpr std::int32_t kEncodingUtf8 = 1;
    static constexpr std::int32_t kEncodingUtf16Le = 2;
    static constexpr std::int32_t kEncodingUtf16Be = 3;

    std::uint32_t fileSizeLow = 0;
    std::uint32_t fileSizeHigh = 0;
    std::int32_t length = 0; ///< characters in the text
    std::int32_t encoding = kEncodingNone;
    bool byteOrderMark = false;

    std::uint64_t FileSize() const {
        return (static_cast<std::uint64_t>(fileSizeHigh) << 32) | fileSizeLow;
    }
};

/// Reads a whole text file into `text`, decoded by its byte-order mark: UTF-8 (EF BB BF),
/// UTF-16 little-endian (FF FE, or no mark when the bytes look like UTF-16 text), UTF-16
/// big-endian (FE FF), otherwise the locale's character set. A zero byte or character is kept
/// as data. A file shorter than two bytes gives an empty text. Failures: the system error when
/// the file cannot be opened or read (whatever was read is still decoded), `EFBIG` for a file of
/// 2 GiB or more, `E_OUTOFMEMORY` when the text does not fit in memory. `info`, when given, is
/// filled unless nothing was read.
HRESULT ReadTextFile(const std::wstring& path, std::wstring& text, CTextFileInfo* info = nullptr);

/// The decoding step of `ReadTextFile`, for the bytes of a whole file already read (from a pipe,
/// say, which cannot be read twice).
HRESULT DecodeText(std::string_view bytes, std::wstring& text, CTextFileInfo* info = nullptr);

// The substring routines match case-sensitively (except `LeftOfNoCase`). An empty pattern is
// taken as absent: it does not occur anywhere.

/// The text before the first occurrence of `pattern`; the whole text when it does not occur.
std::wstring LeftOf(std::wstring_view text, std::wstring_view pattern);
/// As `LeftOf`, but the pattern is found without regard to case.
std::wstring LeftOfNoCase(std::wstring_view text, std::wstring_view pattern);
/// Position of the first occurrence of `pattern` without regard to case; npos when there is none.
std::size_t FindNoCase(std::wstring_view text, std::wstring_view pattern);
/// The text after the first occurrence of `pattern`; empty when it does not occur.
std::wstring RightOf(std::wstring_view text, std::wstring_view pattern);
/// `LeftOf(RightOf(text, first), second)`.
std::wstring Between(std::wstring_view text, std::wstring_view first, std::wstring_view second);

/// Takes the text before the first `separator` off the front of `text`, together with the
/// separator, and returns it; a text without separator is taken whole. With `skipEmpty`, empty
/// tokens are passed over while text remains. An empty `text` gives an empty token.
std::wstring NextToken(std::wstring& text, std::wstring_view separator, bool skipEmpty);

/// True for a text that is, apart from white space at both ends, an optional sign followed by
/// decimal digits.
bool IsNumber(std::wstring_view text);

/// Replaces `lines` by the pieces of `text` between separators and returns their number. With a
/// line feed as separator, carriage returns at the end of each piece are dropped. Empty pieces
/// between separators stay; a separator at the very end adds no empty piece.
std::size_t SplitLines(std::wstring_view text, std::vector<std::wstring>& lines,
                       std::wstring_view separator = L"\n");

/// True for a file name of 1 to 260 characters in which a colon stands, if at all, only as the
/// second character, none of * ? " < > | occurs, and no two backslashes follow each other after
/// the first character (a UNC name may begin with two).
bool IsValidPathName(std::wstring_view path);

/// Normalises a semicolon-separated list of paths: slashes become backslashes, doubled
/// backslashes are halved (keeping a leading UNC pair), empty elements inside the list stay and
/// empty elements at its end go.
std::wstring NormalizePathList(std::wstring_view list);

// The character classes and trimming that the parsers share. Two rules for space differ on
// purpose: white space is anything `iswspace` takes (line ends included), a blank only what
// separates the words of one line.

/// White space as the C library's `iswspace` sees it: blanks, tabs, line ends and the like.
inline bool IsWhiteSpace(wchar_t c) {
    return std::iswspace(static_cast<std::wint_t>(c)) != 0;
}
/// A blank or a tab: what separates the words of one line of a tool's output.
inline bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
/// An ASCII decimal digit; the digits of other scripts are not numbers to the tool.
inline bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

/// The text without white space at both ends, as a view into it.
inline std::wstring_view TrimView(std::wstring_view text) {
    while (!text.empty() && IsWhiteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsWhiteSpace(text.back()))
        text.remove_suffix(1);
    return text;
}
/// The text with white space removed at both ends.
std::wstring Trim(std::wstring_view text);
/// The text with white space removed at its start.
std::wstring TrimStart(std::wstring_view text);

/// A number read as the C library's `_wtoi` reads it: leading white space, an optional sign, the
/// decimal digits up to the first other character; 0 when there are none. A value beyond 32 bits
/// gives the nearest limit.
std::int32_t ToInt32(std::wstring_view text);

} // namespace Quillmoren::Libraries::Utils
