// Text files decoded by their byte-order mark, and the shared substring, token, number, line and
// path-name routines.
#include "utils/TextHelpers.h"

#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cwctype>
#include <limits>
#include <new>
#include <stdexcept>

namespace Quillmoren::Libraries::Utils {
namespace {

constexpr std::size_t kMaxPathName = 260;

std::size_t Find(std::wstring_view text, std::wstring_view pattern) {
    // An empty pattern would be found everywhere; taking it as absent keeps NextToken and
    // SplitLines from spinning on it.
    return pattern.empty() ? std::wstring_view::npos : text.find(pattern);
}

HRESULT FailureFromErrno(int errorNumber) {
    return errorNumber > 0 ? HResultFromErrno(errorNumber) : E_FAIL;
}

/// The text of a whole file's bytes, decoded by their byte-order mark; `info` learns the
/// encoding. A zero byte or character is data like any other: a stray one must not hide what
/// follows it.
std::wstring DecodeByMark(std::string_view bytes, CTextFileInfo& info) {
    if (bytes.size() < 2)
        return {};
    const auto at = [bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (at(0) == 0xEF && bytes.size() >= 3 && at(1) == 0xBB && at(2) == 0xBF) {
        info.byteOrderMark = true;
        info.encoding = CTextFileInfo::kEncodingUtf8;
        return Platform::DecodeUtf8(bytes.substr(3));
    }
    if (at(0) == 0xFE && at(1) == 0xFF) {
        info.byteOrderMark = true;
        info.encoding = CTextFileInfo::kEncodingUtf16Be;
        return Platform::DecodeUtf16Be(bytes.substr(2));
    }
    if (at(0) == 0xFF && at(1) == 0xFE) {
        info.byteOrderMark = true;
        info.encoding = CTextFileInfo::kEncodingUtf16Le;
        return Platform::DecodeUtf16Le(bytes.substr(2));
    }
    // A first byte EF, FE or FF without the rest of a mark is ordinary text (a Latin-1 "ï",
    // "þ" or "ÿ", or the lead byte of a UTF-8 character), so it is decoded like any other.
    if (bytes.size() >= 4 && at(0) != 0 && at(1) == 0 && at(3) == 0) {
        info.encoding = CTextFileInfo::kEncodingUtf16Le;
        return Platform::DecodeUtf16Le(bytes);
    }
    info.encoding = CTextFileInfo::kEncodingAnsi;
    return Platform::DecodeAnsi(bytes);
}

std::wstring ToLower(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    return lower;
}

std::wstring NormalizePath(std::wstring_view element) {
    const bool unc = element.size() >= 2 && element[0] == L'\\' && element[1] == L'\\';
    std::wstring path;
    path.reserve(element.size() + 1);
    for (std::size_t i = 0; i < element.size(); ++i) {
        const wchar_t c = element[i] == L'/' ? L'\\' : element[i];
        const wchar_t next =
            i + 1 < element.size() ? (element[i + 1] == L'/' ? L'\\' : element[i + 1]) : L'\0';
        path.push_back(c);
        if (c == L'\\' && next == L'\\')
            ++i; // one pass over non-overlapping pairs: three backslashes become two
    }
    if (unc && !path.empty() && path[0] == L'\\' && (path.size() < 2 || path[1] != L'\\'))
        path.insert(path.begin(), L'\\');
    return path;
}

} // namespace

HRESULT DecodeText(std::string_view bytes, std::wstring& text, CTextFileInfo* info) {
    text.clear();
    CTextFileInfo found;
    found.fileSizeLow = static_cast<std::uint32_t>(bytes.size() & 0xFFFFFFFFu);
    found.fileSizeHigh = static_cast<std::uint32_t>(static_cast<std::uint64_t>(bytes.size()) >> 32);
    // No encoding yields more characters than bytes, so this keeps the length within its 32-bit
    // field.
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        if (info != nullptr)
            *info = found;
        return HResultFromErrno(EFBIG);
    }
    try {
        text = DecodeByMark(bytes, found);
        found.length = static_cast<std::int32_t>(text.size());
        if (info != nullptr)
            *info = found;
        return S_OK;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    text.clear();
    text.shrink_to_fit();
    return E_OUTOFMEMORY;
}

HRESULT ReadTextFile(const std::wstring& path, std::wstring& text, CTextFileInfo* info) {
    text.clear();
    std::string bytes;
    int errorNumber = 0;
    HRESULT status = S_OK;
    try {
        if (!Platform::ReadWholeFile(path, bytes, errorNumber)) {
            status = FailureFromErrno(errorNumber);
            if (bytes.empty())
                return status;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::length_error&) {
        return E_OUTOFMEMORY;
    }
    // Whatever was read before a failure is still decoded.
    const HRESULT decoded = DecodeText(bytes, text, info);
    return Succeeded(status) ? decoded : status;
}

std::wstring LeftOf(std::wstring_view text, std::wstring_view pattern) {
    return std::wstring(text.substr(0, Find(text, pattern)));
}

std::size_t FindNoCase(std::wstring_view text, std::wstring_view pattern) {
    // Lower-casing maps one character to one, so a position in the copy is one in the text.
    return Find(ToLower(text), ToLower(pattern));
}

std::wstring LeftOfNoCase(std::wstring_view text, std::wstring_view pattern) {
    return std::wstring(text.substr(0, FindNoCase(text, pattern)));
}

std::wstring RightOf(std::wstring_view text, std::wstring_view pattern) {
    const std::size_t at = Find(text, pattern);
    return at == std::wstring_view::npos ? std::wstring()
                                         : std::wstring(text.substr(at + pattern.size()));
}

std::wstring Between(std::wstring_view text, std::wstring_view first, std::wstring_view second) {
    return LeftOf(RightOf(text, first), second);
}

std::wstring NextToken(std::wstring& text, std::wstring_view separator, bool skipEmpty) {
    // The separator may point into `text`, which changes below.
    const std::wstring sep(separator);
    std::wstring token;
    while (!text.empty()) {
        const std::size_t at = Find(text, sep);
        if (at == std::wstring::npos) {
            token = std::move(text);
            text.clear();
        } else {
            token.assign(text, 0, at);
            text.erase(0, at + sep.size());
        }
        if (!skipEmpty || !token.empty())
            break;
    }
    return token;
}

bool IsNumber(std::wstring_view text) {
    text = TrimView(text);
    if (text.empty())
        return false;
    // An optional sign and decimal digits, as wcstoul reads them in base 10; where nothing is
    // read, the stop is at the start.
    std::size_t stop = 0;
    std::size_t i = text[0] == L'+' || text[0] == L'-' ? 1 : 0;
    const std::size_t digits = i;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9')
        ++i;
    if (i > digits)
        stop = i;
    if (stop == text.size())
        return true;
    if (std::iswgraph(static_cast<std::wint_t>(text[stop])) != 0)
        return false;
    return TrimView(text.substr(stop)).empty();
}

std::size_t SplitLines(std::wstring_view text, std::vector<std::wstring>& lines,
                       std::wstring_view separator) {
    lines.clear();
    const bool lineFeed = separator == L"\n";
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t at = Find(text.substr(position), separator);
        std::wstring_view piece = text.substr(position, at);
        if (lineFeed) {
            while (!piece.empty() && piece.back() == L'\r')
                piece.remove_suffix(1);
        }
        lines.emplace_back(piece);
        if (at == std::wstring_view::npos)
            break;
        // Past the whole separator, so that a longer one does not leave its tail in the next
        // piece.
        position += at + separator.size();
    }
    return lines.size();
}

bool IsValidPathName(std::wstring_view path) {
    if (path.empty() || path.size() > kMaxPathName)
        return false;
    if (const std::size_t colon = path.find(L':'); colon != std::wstring_view::npos) {
        if (colon != 1 || path.find(L':', 2) != std::wstring_view::npos)
            return false;
    }
    if (path.find_first_of(L"*?\"<>|") != std::wstring_view::npos)
        return false;
    return path.find(L"\\\\", 1) == std::wstring_view::npos;
}

std::wstring NormalizePathList(std::wstring_view list) {
    std::wstring result;
    std::size_t kept = 0; // the length up to the last element that is not empty
    std::size_t start = 0;
    while (true) {
        const std::size_t end = list.find(L';', start);
        const std::wstring_view element = list.substr(
            start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
        result += NormalizePath(element);
        if (!element.empty())
            kept = result.size();
        if (end == std::wstring_view::npos)
            break;
        result.push_back(L';');
        start = end + 1;
    }
    result.resize(kept);
    return result;
}

std::wstring Trim(std::wstring_view text) {
    return std::wstring(TrimView(text));
}

std::wstring TrimStart(std::wstring_view text) {
    while (!text.empty() && IsWhiteSpace(text.front()))
        text.remove_prefix(1);
    return std::wstring(text);
}

std::int32_t ToInt32(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - L'0'), std::int64_t{1} << 32);
    value = negative ? -value : value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace Quillmoren::Libraries::Utils
