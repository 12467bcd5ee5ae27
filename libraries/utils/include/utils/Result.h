// The 32-bit status codes (HRESULTs) that the libraries' file, XML and database operations return.
#pragma once

#include <cstdint>

namespace Quillmoren::Libraries::Utils {

/// A status: 0 or positive for success, negative for failure. The values are those of the
/// Windows HRESULTs of the same names, so that results read the same on every system.
using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

constexpr bool Succeeded(HRESULT status) {
    return status >= 0;
}
constexpr bool Failed(HRESULT status) {
    return status < 0;
}

/// The status for a system error number, built as HRESULT_FROM_WIN32 builds it from a Windows
/// error code: 0x80070000 with the number in the low 16 bits. 0 (and anything that is already
/// negative) passes through unchanged, so that "no error" stays a success.
constexpr HRESULT HResultFromErrno(int errorNumber) {
    if (errorNumber <= 0)
        return errorNumber;
    return static_cast<HRESULT>(0x80070000u | (static_cast<std::uint32_t>(errorNumber) & 0xFFFFu));
}

} // namespace Quillmoren::Libraries::Utils
