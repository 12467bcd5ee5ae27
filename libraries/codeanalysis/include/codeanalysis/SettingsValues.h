// Single values of the current user's settings: the operations that the category manager's
// persistence is made of.
#pragma once

#include "platform/SettingsStore.h"

#include <cstdint>
#include <string>

namespace Quillmoren::Libraries::CodeAnalysis {

// The single-value settings operations that the manager's persistence is made of, on a settings
// store (a snapshot to read, or the working copy of a `CSettingsFile::Update` to write). Key
// paths are relative to the current user's settings.

/// True when a text value is stored under that name and equals `text` exactly.
bool StoredTextEquals(const Platform::CSettingsStore& settings, const std::wstring& keyPath,
                      const std::wstring& valueName, const std::wstring& text);
/// The stored REG_DWORD, or `defaultValue` when the key or value is missing or of another type.
std::uint32_t ReadRegistryDword(const Platform::CSettingsStore& settings,
                                const std::wstring& keyPath, const std::wstring& valueName,
                                std::uint32_t defaultValue);
/// The stored REG_SZ or REG_EXPAND_SZ text up to its first NUL, or `defaultValue`.
std::wstring ReadRegistryString(const Platform::CSettingsStore& settings,
                                const std::wstring& keyPath, const std::wstring& valueName,
                                const std::wstring& defaultValue);
/// Sets a REG_DWORD, creating the key; an equal stored value is left alone. False on failure.
bool WriteRegistryDword(Platform::CSettingsStore& settings, const std::wstring& keyPath,
                        const std::wstring& valueName, std::uint32_t value);
/// Sets a REG_SZ, creating the key; a stored text that is exactly equal is left alone.
bool WriteRegistryString(Platform::CSettingsStore& settings, const std::wstring& keyPath,
                         const std::wstring& valueName, const std::wstring& text);

} // namespace Quillmoren::Libraries::CodeAnalysis
