// Conversion between the locale's narrow text and wide text, without losing a byte.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace Quillmoren::Libraries::Platform {

/// Sets the program's locale from the environment (`setlocale(LC_ALL, "")`) and picks the
/// converter that `DecodeAnsi` and `EncodeAnsi` use. Called once at start-up by programs; a
/// library that is used without it converts as in the C locale.
void InitialiseLocale();

/// Name of the character set that narrow text is read in ("UTF-8", "ISO-8859-1", ...).
std::string AnsiCharset();

/// A byte that does not decode becomes the wide character U+DC00 + byte (the "surrogateescape"
/// scheme), and every encoder turns U+DC00..U+DCFF back into that byte, so that bytes survive a
/// round trip through wide text unchanged whatever they are.
constexpr wchar_t kEscapeBase = 0xDC00;

/// Narrow text in the locale's character set (Windows' "thread ANSI code page").
std::wstring DecodeAnsi(std::string_view bytes);
std::string EncodeAnsi(std::wstring_view text);

std::wstring DecodeUtf8(std::string_view bytes);
std::string EncodeUtf8(std::wstring_view text);
/// Whether `DecodeUtf8` decodes every byte, escaping none.
bool IsUtf8(std::string_view bytes);

/// Windows-1252, the Windows code page of Western Europe: 0x80-0x9F are its own characters (the
/// euro sign, typographic quotes, ...), the other bytes the Latin-1 characters of the same value.
/// The five bytes it leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) are escaped.
std::wstring DecodeWindows1252(std::string_view bytes);
/// UTF-8 when the bytes are UTF-8 throughout, else Windows-1252: the Windows tools write their
/// text in one or the other.
std::wstring DecodeUtf8OrWindows1252(std::string_view bytes);

/// UTF-16 little-endian bytes; surrogate pairs join into one character. An odd last byte is
/// escaped like any byte that does not decode.
std::wstring DecodeUtf16Le(std::string_view bytes);
std::string EncodeUtf16Le(std::wstring_view text);
/// As `DecodeUtf16Le`, for UTF-16 big-endian bytes.
std::wstring DecodeUtf16Be(std::string_view bytes);

/// Decodes a byte stream in the locale's character set that arrives in pieces: a multi-byte
/// character split across two pieces is decoded once, whole, when its last byte arrives.
class CAnsiStreamDecoder {
public:
    CAnsiStreamDecoder();
    ~CAnsiStreamDecoder();
    CAnsiStreamDecoder(const CAnsiStreamDecoder&) = delete;
    CAnsiStreamDecoder& operator=(const CAnsiStreamDecoder&) = delete;

    /// Appends the characters that `bytes` completes to `text`.
    void Decode(std::string_view bytes, std::wstring& text);
    /// Ends the stream: bytes still held for an unfinished character are appended as escapes.
    void Finish(std::wstring& text);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace Quillmoren::Libraries::Platform
