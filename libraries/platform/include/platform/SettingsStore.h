// The settings of the current user: keys and typed values kept in one text file in the registry's
// own export format, read as a whole and changed under a lock with an atomic replace.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Quillmoren::Libraries::Platform {

/// The value types of the registry; a value of any other type is kept as its bytes.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kRegQword = 11;

/// One typed value. A text value (REG_SZ) set from wide text keeps that text; every other value
/// is the bytes the registry would hold for it (UTF-16LE for REG_EXPAND_SZ, four little-endian
/// bytes for a REG_DWORD), so that values this program does not understand survive unchanged.
class CSettingsValue {
public:
    CSettingsValue() = default;

    static CSettingsValue FromString(std::wstring text);
    static CSettingsValue FromDword(std::uint32_t value);
    static CSettingsValue FromBytes(std::uint32_t type, std::string bytes);

    std::uint32_t Type() const { return m_type; }
    /// True for a REG_SZ set from text (written between quotes when the text allows it); false
    /// for a value held as bytes, which is written back as the same bytes.
    bool IsText() const { return m_isText; }
    /// The data as the registry holds it: a text value as UTF-16LE with its terminating NUL.
    std::string Data() const;
    /// True for a REG_DWORD of four bytes.
    bool GetDword(std::uint32_t& value) const;
    /// True for a REG_SZ or REG_EXPAND_SZ (taken without expansion); the text ends at its first
    /// NUL, as a reader of the registry sees it.
    bool GetString(std::wstring& text) const;

    bool operator==(const CSettingsValue& other) const;

private:
    friend class CSettingsStore;

    std::uint32_t m_type = kRegNone;
    bool m_isText = false; ///< m_text holds the value, m_bytes is unused
    std::wstring m_text;
    std::string m_bytes;
};

/// The keys and values of the current user, held in memory: a snapshot read from the settings
/// file, or the working copy that `CSettingsFile::Update` hands to a change. Key paths are
/// relative to HKEY_CURRENT_USER, with '\' between key names ("Software\Quillmoren"). Key and
/// value names compare without regard to case and keep the case they were first written with;
/// an empty value name is the key's default value. Keys and values keep the order in which they
/// were first written. Keys under other roots that a file holds are kept and written back as
/// they are, but this interface does not reach them.
class CSettingsStore {
public:
    CSettingsStore();
    ~CSettingsStore();
    CSettingsStore(CSettingsStore&&) noexcept;
    CSettingsStore& operator=(CSettingsStore&&) noexcept;
    CSettingsStore(const CSettingsStore&) = delete;
    CSettingsStore& operator=(const CSettingsStore&) = delete;

    /// Replaces the content with the file text `bytes` (UTF-8 with or without a byte-order mark,
    /// or UTF-16LE with one). Text that does not parse leaves the store empty and returns false,
    /// with `ErrorText` saying which line and why. An empty text is an empty store.
    bool Parse(std::string_view bytes);
    /// The whole content as file text (UTF-8, no byte-order mark), which `Parse` reads back to
    /// the same content.
    std::string Serialise() const;
    const std::wstring& ErrorText() const { return m_error; }

    void Clear();
    /// True when a change since the last `Parse`, `Clear` or `ClearModified` altered anything.
    bool IsModified() const { return m_modified; }
    void ClearModified() { m_modified = false; }

    /// True when the key exists (an empty path names HKEY_CURRENT_USER itself, which always does).
    bool KeyExists(std::wstring_view keyPath) const;
    /// False when the key or the value does not exist.
    bool GetValue(std::wstring_view keyPath, std::wstring_view valueName,
                  CSettingsValue& value) const;
    /// False when the value does not exist or is not of the type asked for.
    bool GetDword(std::wstring_view keyPath, std::wstring_view valueName,
                  std::uint32_t& value) const;
    bool GetString(std::wstring_view keyPath, std::wstring_view valueName,
                   std::wstring& text) const;
    /// Names of the key's subkeys or values, in their order; false when the key does not exist.
    bool ListSubkeys(std::wstring_view keyPath, std::vector<std::wstring>& names) const;
    bool ListValues(std::wstring_view keyPath, std::vector<std::wstring>& names) const;

    /// Creates the key and every missing key above it. False for a key name that is empty or
    /// holds a control character, or a path deeper than the registry allows.
    bool CreateKey(std::wstring_view keyPath);
    /// Creates the key when needed and sets the value, replacing one of the same name whatever
    /// its type. False for a value name with a control character, or when the key cannot be made.
    bool SetValue(std::wstring_view keyPath, std::wstring_view valueName,
                  const CSettingsValue& value);
    bool SetDword(std::wstring_view keyPath, std::wstring_view valueName, std::uint32_t value);
    bool SetString(std::wstring_view keyPath, std::wstring_view valueName, std::wstring text);
    /// False when the value does not exist.
    bool DeleteValue(std::wstring_view keyPath, std::wstring_view valueName);
    /// Deletes a key that has no subkeys; false when it does not exist or has subkeys.
    bool DeleteKey(std::wstring_view keyPath);
    /// Deletes a key with every key below it; false when it does not exist. HKEY_CURRENT_USER
    /// itself is never deleted.
    bool DeleteTree(std::wstring_view keyPath);

    struct Node;

private:
    std::unique_ptr<Node> m_root; ///< holds one node per root key (HKEY_CURRENT_USER, ...)
    std::wstring m_error;
    bool m_modified = false;
};

/// Where the settings live: `$QUILLMOREN_REGISTRY` when set, else
/// `$XDG_CONFIG_HOME/quillmoren/registry.reg`, else `$HOME/.config/quillmoren/registry.reg`.
/// Empty when none of these can be formed.
std::wstring SettingsFilePath();

/// How a writer waits for the settings lock while another process holds it.
struct CSettingsLockWait {
    /// When `onWaiting` is called, once, if the lock is still held.
    std::chrono::milliseconds notifyAfter{1000};
    /// When the write gives up and fails.
    std::chrono::milliseconds giveUpAfter{60000};
    /// Tells the user why nothing happens (may be empty); called on the writing thread.
    std::function<void()> onWaiting;
};

/// The lock wait of every later write of this process (by default: give up after a minute).
void SetSettingsLockWait(CSettingsLockWait wait);

/// The settings file at one path. Readers take no lock: every write replaces the file at once,
/// so a reader sees the whole old or the whole new file. Writers take an exclusive lock on the
/// file's ".lock" companion, so that writes from many processes never lose one another.
class CSettingsFile {
public:
    explicit CSettingsFile(std::wstring path);

    const std::wstring& Path() const { return m_path; }

    /// Reads and parses the whole file into `store`. A missing file is an empty store. A file
    /// that cannot be read or parsed leaves `store` empty and returns false with `error` set.
    bool Read(CSettingsStore& store, std::wstring& error) const;

    /// Changes the file: takes the lock, reads the file afresh, runs `change` on its content and,
    /// when that returns true and altered anything, writes a temporary file beside it, flushes
    /// it to disk and renames it over the file. A file that cannot be read or parsed is never
    /// written: the update fails and leaves it as it is, as does a file without write
    /// permission. The lock is waited for as `SetSettingsLockWait` says. A write removes the
    /// temporary files that killed writers left beside the file. False with `error` set on any
    /// failure, and when `change` returns false (then nothing is written). `change` may run more
    /// than once, each time on a fresh copy, so it must not depend on having run before.
    bool Update(const std::function<bool(CSettingsStore&)>& change, std::wstring& error) const;

private:
    std::wstring m_path;
};

} // namespace Quillmoren::Libraries::Platform
