// A 128-bit globally unique identifier as a plain value, with its usual text form.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace Quillmoren::Libraries::CodeAnalysis {

/// A GUID: compared, ordered and copied as a value; all zeros is the null GUID.
struct CGuid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    constexpr bool IsNull() const { return *this == CGuid{}; }

    friend constexpr bool operator==(const CGuid&, const CGuid&) = default;
    friend constexpr auto operator<=>(const CGuid&, const CGuid&) = default;

    /// Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (the braces may be left out, the digits
    /// are of either case). False, with `guid` unchanged, for any other text.
    static constexpr bool Parse(std::wstring_view text, CGuid& guid) {
        if (text.size() == 38 && text.front() == L'{' && text.back() == L'}') {
            text = text.substr(1, 36);
        }
        if (text.size() != 36) {
            return false;
        }
        CGuid parsed;
        std::size_t pos = 0;
        auto digits = [&](int count, std::uint32_t& value) {
            value = 0;
            for (int i = 0; i < count; ++i, ++pos) {
                const wchar_t c = text[pos];
                int digit = -1;
                if (c >= L'0' && c <= L'9') {
                    digit = static_cast<int>(c - L'0');
                } else if (c >= L'a' && c <= L'f') {
                    digit = static_cast<int>(c - L'a' + 10);
                } else if (c >= L'A' && c <= L'F') {
                    digit = static_cast<int>(c - L'A' + 10);
                }
                if (digit < 0) {
                    return false;
                }
                value = value * 16 + static_cast<std::uint32_t>(digit);
            }
            return true;
        };
        auto dash = [&] { return text[pos++] == L'-'; };
        std::uint32_t value = 0;
        if (!digits(8, value)) {
            return false;
        }
        parsed.data1 = value;
        if (!dash() || !digits(4, value)) {
            return false;
        }
        parsed.data2 = static_cast<std::uint16_t>(value);
        if (!dash() || !digits(4, value)) {
            return false;
        }
        parsed.data3 = static_cast<std::uint16_t>(value);
        if (!dash()) {
            return false;
        }
        for (std::size_t i = 0; i < 8; ++i) {
            if (i == 2 && !dash()) {
                return false;
            }
            if (!digits(2, value)) {
                return false;
            }
            parsed.data4[i] = static_cast<std::uint8_t>(value);
        }
        guid = parsed;
        return true;
    }

    /// The GUID that a literal names; the null GUID for a text that is not one.
    static constexpr CGuid FromText(std::wstring_view text) {
        CGuid guid;
        Parse(text, guid);
        return guid;
    }

    /// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
    std::wstring ToString() const {
        static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
        std::wstring text = L"{";
        auto put = [&text](std::uint32_t value, int count) {
            for (int shift = 4 * (count - 1); shift >= 0; shift -= 4) {
                text.push_back(kDigits[(value >> shift) & 0xF]);
            }
        };
        put(data1, 8);
        text.push_back(L'-');
        put(data2, 4);
        text.push_back(L'-');
        put(data3, 4);
        text.push_back(L'-');
        for (std::size_t i = 0; i < 8; ++i) {
            if (i == 2) {
                text.push_back(L'-');
            }
            put(data4[i], 2);
        }
        text.push_back(L'}');
        return text;
    }
};

} // namespace Quillmoren::Libraries::CodeAnalysis
