// Lossless conversion between narrow and wide text: UTF-8 and Latin-1 by hand, any other
// character set of the locale through iconv.
#include "platform/Encoding.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <mutex>

namespace Quillmoren::Libraries::Platform {
namespace {

enum class Charset { Latin1, Utf8, Iconv };

struct LocaleState {
    Charset charset = Charset::Latin1;
    std::string name = "ISO-8859-1";
};

LocaleState& Locale() {
    static LocaleState state;
    return state;
}

bool IsEscape(wchar_t c) {
    return c >= kEscapeBase && c <= kEscapeBase + 0xFF;
}

bool EqualsNoCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char x = *a >= 'a' && *a <= 'z' ? char(*a - 32) : *a;
        char y = *b >= 'a' && *b <= 'z' ? char(*b - 32) : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

/// Appends bytes as the characters of the same value. Through a small buffer: growing the text
/// with resize would first fill it with zeros, writing every character twice.
void AppendWidened(const unsigned char* bytes, std::size_t count, std::wstring& text) {
    wchar_t buffer[2048];
    while (count > 0) {
        const std::size_t n = count < 2048 ? count : 2048;
        for (std::size_t k = 0; k < n; ++k)
            buffer[k] = static_cast<wchar_t>(bytes[k]);
        text.append(buffer, n);
        bytes += n;
        count -= n;
    }
}

/// Length of the UTF-8 sequence that starts with `lead`, 0 for a byte that cannot start one.
int Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

/// Whether `second` may follow `lead` (this excludes overlong forms, surrogates and code points
/// above U+10FFFF).
bool Utf8SecondByteValid(unsigned char lead, unsigned char second) {
    if ((second & 0xC0) != 0x80)
        return false;
    switch (lead) {
    case 0xE0:
        return second >= 0xA0;
    case 0xED:
        return second <= 0x9F;
    case 0xF0:
        return second >= 0x90;
    case 0xF4:
        return second <= 0x8F;
    default:
        return true;
    }
}

/// Decodes whole UTF-8 characters from `bytes`; returns how many bytes were used. With `final`
/// false an unfinished character at the end is left for the next piece.
std::size_t DecodeUtf8Into(std::string_view bytes, std::wstring& text, bool final) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // ASCII runs are by far the most common input: widen them in one go.
        std::size_t run = i;
        while (run < n && p[run] < 0x80)
            ++run;
        if (run > i) {
            AppendWidened(p + i, run - i, text);
            i = run;
            if (i == n)
                break;
        }
        const unsigned char lead = p[i];
        const int length = Utf8SequenceLength(lead);
        if (length == 0) {
            text.push_back(static_cast<wchar_t>(kEscapeBase + lead));
            ++i;
            continue;
        }
        // Check the continuation bytes that are present.
        int valid = 1;
        while (valid < length && i + valid < n) {
            const unsigned char c = p[i + valid];
            const bool ok = valid == 1 ? Utf8SecondByteValid(lead, c) : (c & 0xC0) == 0x80;
            if (!ok)
                break;
            ++valid;
        }
        if (valid == length) {
            char32_t cp = lead & (0xFF >> (length + 1));
            for (int k = 1; k < length; ++k)
                cp = (cp << 6) | (p[i + k] & 0x3F);
            text.push_back(static_cast<wchar_t>(cp));
            i += length;
        } else if (i + valid == n && !final) {
            return i; // unfinished character: wait for the rest
        } else {
            text.push_back(static_cast<wchar_t>(kEscapeBase + lead));
            ++i;
        }
    }
    return n;
}

/// The characters of Windows-1252's bytes 0x80-0x9F; 0 for the five it leaves undefined.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void EncodeUtf8Into(std::wstring_view text, std::string& bytes) {
    bytes.reserve(bytes.size() + text.size());
    for (const wchar_t wc : text) {
        const auto c = static_cast<char32_t>(wc);
        if (c < 0x80) {
            bytes.push_back(static_cast<char>(c));
        } else if (IsEscape(wc)) {
            bytes.push_back(static_cast<char>(c - kEscapeBase));
        } else if (c < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | (c >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            bytes.push_back(static_cast<char>(0xE0 | (c >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x110000) {
            bytes.push_back(static_cast<char>(0xF0 | (c >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            bytes.append("\xEF\xBF\xBD"); // U+FFFD: no character has such a value
        }
    }
}

void DecodeLatin1Into(std::string_view bytes, std::wstring& text) {
    AppendWidened(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), text);
}

void EncodeLatin1Into(std::wstring_view text, std::string& bytes) {
    bytes.reserve(bytes.size() + text.size());
    for (const wchar_t wc : text) {
        const auto c = static_cast<char32_t>(wc);
        if (c < 0x100)
            bytes.push_back(static_cast<char>(c));
        else if (IsEscape(wc))
            bytes.push_back(static_cast<char>(c - kEscapeBase));
        else
            bytes.push_back('?');
    }
}

/// One iconv conversion descriptor; iconv keeps shift state, so a descriptor serves one stream.
class CIconv {
public:
    CIconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~CIconv() {
        if (Valid())
            iconv_close(m_cd);
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

/// Decodes through iconv; returns the bytes used (an unfinished character at the end is left
/// when `final` is false).
std::size_t DecodeIconvInto(CIconv& cd, std::string_view bytes, std::wstring& text, bool final) {
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    wchar_t buffer[1024];
    while (inLeft > 0) {
        char* out = reinterpret_cast<char*>(buffer);
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = iconv(cd.Get(), &in, &inLeft, &out, &outLeft);
        const int error = r == static_cast<std::size_t>(-1) ? errno : 0;
        text.append(buffer, (sizeof buffer - outLeft) / sizeof(wchar_t));
        if (error == E2BIG || error == 0)
            continue;
        if (error == EINVAL && !final)
            break;
        // An invalid or unfinished sequence: escape one byte and go on after it.
        text.push_back(static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(*in)));
        ++in;
        --inLeft;
    }
    return bytes.size() - inLeft;
}

std::string EncodeIconv(std::wstring_view text) {
    CIconv cd(Locale().name.c_str(), "WCHAR_T");
    std::string bytes;
    if (!cd.Valid()) {
        EncodeLatin1Into(text, bytes);
        return bytes;
    }
    char buffer[4096];
    std::size_t start = 0;
    while (start <= text.size()) {
        // Escapes are written as their bytes; the text between them goes through iconv.
        std::size_t end = start;
        while (end < text.size() && !IsEscape(text[end]))
            ++end;
        char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text.data() + start));
        std::size_t inLeft = (end - start) * sizeof(wchar_t);
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t r = iconv(cd.Get(), &in, &inLeft, &out, &outLeft);
            const int error = r == static_cast<std::size_t>(-1) ? errno : 0;
            bytes.append(buffer, sizeof buffer - outLeft);
            if (error != 0 && error != E2BIG) {
                bytes.push_back('?'); // a character the charset cannot hold
                in += sizeof(wchar_t);
                inLeft -= sizeof(wchar_t);
            }
        }
        if (end == text.size())
            break;
        bytes.push_back(static_cast<char>(text[end] - kEscapeBase));
        start = end + 1;
    }
    // Return to the initial shift state.
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd.Get(), nullptr, nullptr, &out, &outLeft);
    bytes.append(buffer, sizeof buffer - outLeft);
    return bytes;
}

} // namespace

void InitialiseLocale() {
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    LocaleState& state = Locale();
    if (codeset == nullptr || *codeset == '\0' || EqualsNoCase(codeset, "ANSI_X3.4-1968") ||
        EqualsNoCase(codeset, "ISO-8859-1") || EqualsNoCase(codeset, "ISO8859-1")) {
        // The C locale reads every byte as the character of the same value.
        state = {Charset::Latin1, "ISO-8859-1"};
    } else if (EqualsNoCase(codeset, "UTF-8") || EqualsNoCase(codeset, "UTF8")) {
        state = {Charset::Utf8, "UTF-8"};
    } else {
        CIconv probe("WCHAR_T", codeset);
        state = probe.Valid() ? LocaleState{Charset::Iconv, codeset}
                              : LocaleState{Charset::Latin1, "ISO-8859-1"};
    }
}

std::string AnsiCharset() {
    return Locale().name;
}

std::wstring DecodeUtf8(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    DecodeUtf8Into(bytes, text, true);
    return text;
}

std::string EncodeUtf8(std::wstring_view text) {
    std::string bytes;
    EncodeUtf8Into(text, bytes);
    return bytes;
}

bool IsUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const int length = Utf8SequenceLength(p[i]);
        if (length == 0 || i + static_cast<std::size_t>(length) > n)
            return false;
        for (int k = 1; k < length; ++k) {
            const unsigned char c = p[i + k];
            if (!(k == 1 ? Utf8SecondByteValid(p[i], c) : (c & 0xC0) == 0x80))
                return false;
        }
        i += static_cast<std::size_t>(length);
    }
    return true;
}

std::wstring DecodeWindows1252(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b < 0x80 || b >= 0xA0) {
            text.push_back(static_cast<wchar_t>(b));
        } else {
            const char16_t c = kWindows1252High[b - 0x80];
            text.push_back(c != 0 ? static_cast<wchar_t>(c)
                                  : static_cast<wchar_t>(kEscapeBase + b));
        }
    }
    return text;
}

std::wstring DecodeUtf8OrWindows1252(std::string_view bytes) {
    return IsUtf8(bytes) ? DecodeUtf8(bytes) : DecodeWindows1252(bytes);
}

namespace {

/// UTF-16 in either byte order: `high` is the offset (0 or 1) of each unit's high byte.
std::wstring DecodeUtf16(std::string_view bytes, std::size_t high) {
    std::wstring text;
    text.reserve(bytes.size() / 2 + 1);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t low = 1 - high;
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) -> char32_t {
        return p[2 * i + low] | (p[2 * i + high] << 8);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char32_t next = unitAt(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                text.push_back(
                    static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00)));
                ++i;
                continue;
            }
        }
        text.push_back(static_cast<wchar_t>(unit)); // a lone surrogate stays as it was
    }
    if (bytes.size() % 2 != 0)
        text.push_back(static_cast<wchar_t>(kEscapeBase + p[bytes.size() - 1]));
    return text;
}

} // namespace

std::wstring DecodeUtf16Le(std::string_view bytes) {
    return DecodeUtf16(bytes, 1);
}

std::wstring DecodeUtf16Be(std::string_view bytes) {
    return DecodeUtf16(bytes, 0);
}

std::string EncodeUtf16Le(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    auto unit = [&bytes](char32_t u) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    };
    for (const wchar_t wc : text) {
        const auto c = static_cast<char32_t>(wc);
        if (c >= 0x10000 && c < 0x110000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c < 0x110000 ? c : 0xFFFD);
        }
    }
    return bytes;
}

std::wstring DecodeAnsi(std::string_view bytes) {
    std::wstring text;
    switch (Locale().charset) {
    case Charset::Latin1:
        DecodeLatin1Into(bytes, text);
        break;
    case Charset::Utf8:
        text.reserve(bytes.size());
        DecodeUtf8Into(bytes, text, true);
        break;
    case Charset::Iconv: {
        CIconv cd("WCHAR_T", Locale().name.c_str());
        if (cd.Valid())
            DecodeIconvInto(cd, bytes, text, true);
        else
            DecodeLatin1Into(bytes, text);
        break;
    }
    }
    return text;
}

std::string EncodeAnsi(std::wstring_view text) {
    std::string bytes;
    switch (Locale().charset) {
    case Charset::Latin1:
        EncodeLatin1Into(text, bytes);
        break;
    case Charset::Utf8:
        EncodeUtf8Into(text, bytes);
        break;
    case Charset::Iconv:
        bytes = EncodeIconv(text);
        break;
    }
    return bytes;
}

struct CAnsiStreamDecoder::State {
    Charset charset = Locale().charset;
    std::string pending; ///< bytes of an unfinished character
    std::unique_ptr<CIconv> iconv;
};

CAnsiStreamDecoder::CAnsiStreamDecoder() : m_state(std::make_unique<State>()) {
    if (m_state->charset == Charset::Iconv) {
        m_state->iconv = std::make_unique<CIconv>("WCHAR_T", Locale().name.c_str());
        if (!m_state->iconv->Valid())
            m_state->charset = Charset::Latin1;
    }
}

CAnsiStreamDecoder::~CAnsiStreamDecoder() = default;

void CAnsiStreamDecoder::Decode(std::string_view bytes, std::wstring& text) {
    State& s = *m_state;
    if (s.charset == Charset::Latin1) {
        DecodeLatin1Into(bytes, text);
        return;
    }
    auto decode = [&s, &text](std::string_view input) {
        return s.charset == Charset::Utf8 ? DecodeUtf8Into(input, text, false)
                                          : DecodeIconvInto(*s.iconv, input, text, false);
    };
    if (s.pending.empty()) {
        s.pending.assign(bytes.substr(decode(bytes)));
    } else {
        // A character was split between two pieces: decode it together with this piece.
        s.pending.append(bytes);
        s.pending.erase(0, decode(s.pending));
    }
}

void CAnsiStreamDecoder::Finish(std::wstring& text) {
    State& s = *m_state;
    if (s.pending.empty())
        return;
    if (s.charset == Charset::Utf8)
        DecodeUtf8Into(s.pending, text, true);
    else if (s.charset == Charset::Iconv)
        DecodeIconvInto(*s.iconv, s.pending, text, true);
    s.pending.clear();
}

} // namespace Quillmoren::Libraries::Platform
