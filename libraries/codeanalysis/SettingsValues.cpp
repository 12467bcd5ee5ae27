// Single values of the current user's settings, read with a default and written only when they
// change.
#include "codeanalysis/SettingsValues.h"

namespace Quillmoren::Libraries::CodeAnalysis {

using Platform::CSettingsStore;
using Platform::CSettingsValue;

bool StoredTextEquals(const CSettingsStore& settings, const std::wstring& keyPath,
                      const std::wstring& valueName, const std::wstring& text) {
    CSettingsValue value;
    std::wstring stored;
    return settings.GetValue(keyPath, valueName, value) && value.GetString(stored) &&
           stored == text;
}

std::uint32_t ReadRegistryDword(const CSettingsStore& settings, const std::wstring& keyPath,
                                const std::wstring& valueName, std::uint32_t defaultValue) {
    std::uint32_t value = 0;
    return settings.GetDword(keyPath, valueName, value) ? value : defaultValue;
}

std::wstring ReadRegistryString(const CSettingsStore& settings, const std::wstring& keyPath,
                                const std::wstring& valueName, const std::wstring& defaultValue) {
    std::wstring text;
    return settings.GetString(keyPath, valueName, text) ? text : defaultValue;
}

bool WriteRegistryDword(CSettingsStore& settings, const std::wstring& keyPath,
                        const std::wstring& valueName, std::uint32_t value) {
    // Read with the complement as default, so that a missing value always counts as different.
    if (ReadRegistryDword(settings, keyPath, valueName, ~value) == value) {
        return true;
    }
    return settings.SetDword(keyPath, valueName, value);
}

bool WriteRegistryString(CSettingsStore& settings, const std::wstring& keyPath,
                         const std::wstring& valueName, const std::wstring& text) {
    if (StoredTextEquals(settings, keyPath, valueName, text)) {
        return true;
    }
    return settings.SetString(keyPath, valueName, text);
}

} // namespace Quillmoren::Libraries::CodeAnalysis
