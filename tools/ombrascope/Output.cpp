// Output and loading helpers shared by the subcommands of ombrascope.
#include "Command.h"

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "utils/XmlServices.h"

#include <cstdio>

namespace Ombrascope {

namespace Platform = Quillmoren::Libraries::Platform;
namespace CodeAnalysis = Quillmoren::Libraries::CodeAnalysis;
namespace Utils = Quillmoren::Libraries::Utils;

void LoadCategories(CodeAnalysis::CIssueCategoryManager& manager,
                    CodeAnalysis::CMessageDatabase* database) {
    const std::wstring problem = CodeAnalysis::LoadUserCategories(manager, database);
    if (!problem.empty())
        Platform::WriteStandardError(Platform::EncodeAnsi(L"ombrascope: " + problem + L"\n"));
}

bool WriteText(const std::wstring& text) {
    return Platform::WriteStandardOutput(Platform::EncodeAnsi(text));
}

bool WriteJson(const nlohmann::json& value) {
    // Text that is not valid UTF-8 (bytes that did not decode) is replaced rather than thrown on.
    return Platform::WriteStandardOutput(
        value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

std::string Utf8(const std::wstring& text) {
    return Platform::EncodeUtf8(text);
}

std::wstring DescribeResult(Utils::HRESULT result) {
    switch (result) {
    case Utils::E_XML_NOT_WELL_FORMED:
        return L"not a well-formed XML document";
    case Utils::E_OUTOFMEMORY:
        return L"out of memory";
    case Utils::E_INVALIDARG:
        return L"invalid argument";
    case Utils::E_FAIL:
        return L"failed";
    default:
        break;
    }
    const auto bits = static_cast<std::uint32_t>(result);
    if ((bits & 0xFFFF0000u) == 0x80070000u) {
        return Platform::ErrorText(static_cast<int>(bits & 0xFFFFu));
    }
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"error 0x%08X", bits);
    return text;
}

std::wstring ColourText(CodeAnalysis::Colour colour) {
    if (colour == CodeAnalysis::kColourDefault) {
        return L"default";
    }
    wchar_t text[16];
    if ((colour & 0xFF000000) != 0) {
        // Not a plain colour, but shown as stored.
        std::swprintf(text, std::size(text), L"0x%08X", colour);
    } else {
        std::swprintf(text, std::size(text), L"#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF,
                      (colour >> 16) & 0xFF);
    }
    return text;
}

} // namespace Ombrascope
