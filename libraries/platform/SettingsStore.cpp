// The settings store over a registry export file: its parser and writer, the file's location, and
// the locked read-modify-write that replaces the file atomically.
#include "platform/SettingsStore.h"

#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Quillmoren::Libraries::Platform {

namespace {

constexpr std::wstring_view kHeader = L"Windows Registry Editor Version 5.00";
constexpr std::wstring_view kCurrentUser = L"HKEY_CURRENT_USER";
constexpr std::array<std::wstring_view, 5> kRootNames = {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER",
                                                         L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
                                                         L"HKEY_CURRENT_CONFIG"};
/// The registry refuses keys nested deeper than this, the root key counted.
constexpr std::size_t kMaxDepth = 512;
/// Hex data lines are wrapped before this column, as the registry editor does.
constexpr std::size_t kHexLineWidth = 80;

/// Case folding for name comparison. Fixed tables rather than the C library's, so that a name
/// finds its key whatever locale the program runs in: ASCII, Latin-1, Greek and Cyrillic letters.
wchar_t FoldChar(wchar_t c) {
    if (c >= L'a' && c <= L'z') {
        return c - 0x20;
    }
    if (c < 0x80) {
        return c;
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return c - 0x20;
    }
    if (c == 0x3C2) { // final sigma
        return 0x3A3;
    }
    if ((c >= 0x3B1 && c <= 0x3C9) || (c >= 0x430 && c <= 0x44F)) {
        return c - 0x20;
    }
    if (c >= 0x450 && c <= 0x45F) {
        return c - 0x50;
    }
    return c;
}

std::wstring Fold(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) {
        c = FoldChar(c);
    }
    return folded;
}

// The settings file's own rule for space: blanks and tabs between the parts of a line, and a
// carriage return at its end; no other white space counts.
bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring_view TrimBlanksStart(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::wstring_view TrimBlanksEnd(std::wstring_view text) {
    while (!text.empty() && (IsBlank(text.back()) || text.back() == L'\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::wstring_view TrimBlanks(std::wstring_view text) {
    return TrimBlanksEnd(TrimBlanksStart(text));
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldChar(text[i]) != FoldChar(prefix[i])) {
            return false;
        }
    }
    return true;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return static_cast<int>(c - L'0');
    }
    if (c >= L'a' && c <= L'f') {
        return static_cast<int>(c - L'a' + 10);
    }
    if (c >= L'A' && c <= L'F') {
        return static_cast<int>(c - L'A' + 10);
    }
    return -1;
}

/// A hexadecimal number of 1 to 8 digits and nothing else.
bool ParseHex32(std::wstring_view text, std::uint32_t& value) {
    if (text.empty() || text.size() > 8) {
        return false;
    }
    value = 0;
    for (wchar_t c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return false;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
}

/// Registry text data is UTF-16LE. Code units are carried one to one, lone surrogates included
/// (the registry allows them and wide text can hold them), so that any text survives the trip.
std::string EncodeUnits(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2 + 2);
    auto put = [&bytes](std::uint32_t unit) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    };
    for (wchar_t c : text) {
        auto code = static_cast<std::uint32_t>(c);
        if (code > 0x10FFFF) {
            code = 0xFFFD;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            put(0xD800 + (code >> 10));
            put(0xDC00 + (code & 0x3FF));
        } else {
            put(code);
        }
    }
    return bytes;
}

std::wstring DecodeUnits(std::string_view bytes) {
    std::wstring text;
    const std::size_t count = bytes.size() / 2;
    text.reserve(count);
    auto unit = [bytes](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count) {
            const std::uint32_t low = unit(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                text.push_back(
                    static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
                ++i;
                continue;
            }
        }
        text.push_back(static_cast<wchar_t>(u));
    }
    return text;
}

std::wstring UpToNul(std::wstring text) {
    const std::size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) {
        text.resize(nul);
    }
    return text;
}

bool IsSurrogate(wchar_t c) {
    return static_cast<std::uint32_t>(c) >= 0xD800 && static_cast<std::uint32_t>(c) <= 0xDFFF;
}

/// A name that the file format can carry on one line and give back exactly. Names are written
/// as UTF-8 text, so a lone surrogate (or the escape of a byte) could come back as another name,
/// or as the name of another value.
bool IsValidName(std::wstring_view name) {
    return std::none_of(name.begin(), name.end(), [](wchar_t c) {
        return static_cast<std::uint32_t>(c) < 0x20 || static_cast<std::uint32_t>(c) > 0x10FFFF ||
               IsSurrogate(c);
    });
}

/// Text that can be written between quotes and read back exactly. Control characters cannot
/// (a line feed would end the line) and neither can the escapes of undecodable bytes (written
/// as raw bytes, two of them could read back as one character): such text is written as hex.
bool IsQuotable(std::wstring_view text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) {
        const auto code = static_cast<std::uint32_t>(c);
        return (code >= 0x20 || c == L'\t') && !(code >= 0xD800 && code <= 0xDFFF) &&
               code <= 0x10FFFF;
    });
}

std::wstring Quote(std::wstring_view text) {
    std::wstring quoted;
    quoted.reserve(text.size() + 2);
    quoted.push_back(L'"');
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') {
            quoted.push_back(L'\\');
        }
        quoted.push_back(c);
    }
    quoted.push_back(L'"');
    return quoted;
}

/// Reads a quoted text that starts at `text[pos]` (a '"'): `\\` and `\"` are escapes, any other
/// backslash is taken literally, as people write paths by hand. `pos` ends after the closing
/// quote. False when the line ends first.
bool Unquote(std::wstring_view text, std::size_t& pos, std::wstring& out) {
    out.clear();
    ++pos;
    while (pos < text.size()) {
        const wchar_t c = text[pos++];
        if (c == L'"') {
            return true;
        }
        if (c == L'\\' && pos < text.size() && (text[pos] == L'\\' || text[pos] == L'"')) {
            out.push_back(text[pos++]);
        } else {
            out.push_back(c);
        }
    }
    return false;
}

std::wstring HexText(std::uint32_t value, int width) {
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(text.size()) < width) {
        text.insert(text.begin(), L'0');
    }
    return text;
}

/// Splits a key path into key names; empty names (doubled or trailing '\') are skipped.
std::vector<std::wstring_view> SplitPath(std::wstring_view path) {
    std::vector<std::wstring_view> names;
    while (!path.empty()) {
        const std::size_t slash = path.find(L'\\');
        const std::wstring_view name = path.substr(0, slash);
        if (!name.empty()) {
            names.push_back(name);
        }
        if (slash == std::wstring_view::npos) {
            break;
        }
        path.remove_prefix(slash + 1);
    }
    return names;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Values

CSettingsValue CSettingsValue::FromString(std::wstring text) {
    CSettingsValue value;
    value.m_type = kRegSz;
    value.m_isText = true;
    value.m_text = std::move(text);
    return value;
}

CSettingsValue CSettingsValue::FromDword(std::uint32_t number) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
    }
    return FromBytes(kRegDword, std::move(bytes));
}

CSettingsValue CSettingsValue::FromBytes(std::uint32_t type, std::string bytes) {
    CSettingsValue value;
    value.m_type = type;
    value.m_bytes = std::move(bytes);
    return value;
}

std::string CSettingsValue::Data() const {
    if (m_isText) {
        return EncodeUnits(m_text) + std::string(2, '\0');
    }
    return m_bytes;
}

bool CSettingsValue::GetDword(std::uint32_t& value) const {
    if (m_type != kRegDword || m_isText || m_bytes.size() != 4) {
        return false;
    }
    value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(m_bytes[static_cast<std::size_t>(i)]);
    }
    return true;
}

bool CSettingsValue::GetString(std::wstring& text) const {
    if (m_type != kRegSz && m_type != kRegExpandSz) {
        return false;
    }
    text = UpToNul(m_isText ? m_text : DecodeUnits(m_bytes));
    return true;
}

bool CSettingsValue::operator==(const CSettingsValue& other) const {
    if (m_type != other.m_type) {
        return false;
    }
    if (m_isText && other.m_isText) {
        return m_text == other.m_text;
    }
    return Data() == other.Data();
}

// ---------------------------------------------------------------------------------------------
// The key tree

/// One key: its subkeys, which it owns, and its values.
struct CSettingsStore::Node {
    struct Value {
        std::wstring name;
        std::uint64_t order = 0;
        CSettingsValue value;
    };

    std::wstring name;
    std::uint64_t order = 0;
    /// Both maps are keyed by the folded name; `order` keeps the order of first writing.
    std::map<std::wstring, std::unique_ptr<Node>> children;
    std::map<std::wstring, Value> values;
    std::uint64_t nextOrder = 0;

    Node* Find(std::wstring_view childName) const {
        const auto it = children.find(Fold(childName));
        return it == children.end() ? nullptr : it->second.get();
    }

    /// The child of that name, created when missing (`created` tells).
    Node* Obtain(std::wstring_view childName, bool& created) {
        auto& slot = children[Fold(childName)];
        created = !slot;
        if (created) {
            slot = std::make_unique<Node>();
            slot->name = std::wstring(childName);
            slot->order = nextOrder++;
        }
        return slot.get();
    }

    std::vector<const Node*> OrderedChildren() const {
        std::vector<const Node*> ordered;
        ordered.reserve(children.size());
        for (const auto& [folded, child] : children) {
            ordered.push_back(child.get());
        }
        std::sort(ordered.begin(), ordered.end(),
                  [](const Node* a, const Node* b) { return a->order < b->order; });
        return ordered;
    }

    std::vector<const Value*> OrderedValues() const {
        std::vector<const Value*> ordered;
        ordered.reserve(values.size());
        for (const auto& [folded, value] : values) {
            ordered.push_back(&value);
        }
        std::sort(ordered.begin(), ordered.end(),
                  [](const Value* a, const Value* b) { return a->order < b->order; });
        return ordered;
    }

    /// Sets a value; true when that changed anything. An existing value keeps its name's case.
    bool Set(std::wstring_view valueName, const CSettingsValue& value) {
        auto [it, inserted] = values.try_emplace(Fold(valueName));
        if (inserted) {
            it->second.name = std::wstring(valueName);
            it->second.order = nextOrder++;
        } else if (it->second.value == value) {
            return false;
        }
        it->second.value = value;
        return true;
    }
};

CSettingsStore::CSettingsStore() : m_root(std::make_unique<Node>()) {}
CSettingsStore::~CSettingsStore() = default;
CSettingsStore::CSettingsStore(CSettingsStore&&) noexcept = default;
CSettingsStore& CSettingsStore::operator=(CSettingsStore&&) noexcept = default;

void CSettingsStore::Clear() {
    if (!m_root->children.empty()) {
        m_modified = true;
    }
    m_root = std::make_unique<Node>();
}

namespace {

using Node = CSettingsStore::Node;

/// The node that a path relative to HKEY_CURRENT_USER names, or null.
const Node* FindKey(const Node& root, std::wstring_view keyPath) {
    const Node* node = root.Find(kCurrentUser);
    for (std::wstring_view name : SplitPath(keyPath)) {
        if (node == nullptr) {
            return nullptr;
        }
        node = node->Find(name);
    }
    return node;
}

} // namespace

bool CSettingsStore::KeyExists(std::wstring_view keyPath) const {
    return SplitPath(keyPath).empty() || FindKey(*m_root, keyPath) != nullptr;
}

bool CSettingsStore::GetValue(std::wstring_view keyPath, std::wstring_view valueName,
                              CSettingsValue& value) const {
    const Node* node = FindKey(*m_root, keyPath);
    if (node == nullptr) {
        return false;
    }
    const auto it = node->values.find(Fold(valueName));
    if (it == node->values.end()) {
        return false;
    }
    value = it->second.value;
    return true;
}

bool CSettingsStore::GetDword(std::wstring_view keyPath, std::wstring_view valueName,
                              std::uint32_t& value) const {
    CSettingsValue stored;
    return GetValue(keyPath, valueName, stored) && stored.GetDword(value);
}

bool CSettingsStore::GetString(std::wstring_view keyPath, std::wstring_view valueName,
                               std::wstring& text) const {
    CSettingsValue stored;
    return GetValue(keyPath, valueName, stored) && stored.GetString(text);
}

bool CSettingsStore::ListSubkeys(std::wstring_view keyPath,
                                 std::vector<std::wstring>& names) const {
    names.clear();
    const Node* node = FindKey(*m_root, keyPath);
    if (node == nullptr) {
        return KeyExists(keyPath);
    }
    for (const Node* child : node->OrderedChildren()) {
        names.push_back(child->name);
    }
    return true;
}

bool CSettingsStore::ListValues(std::wstring_view keyPath, std::vector<std::wstring>& names) const {
    names.clear();
    const Node* node = FindKey(*m_root, keyPath);
    if (node == nullptr) {
        return KeyExists(keyPath);
    }
    for (const Node::Value* value : node->OrderedValues()) {
        names.push_back(value->name);
    }
    return true;
}

bool CSettingsStore::CreateKey(std::wstring_view keyPath) {
    const std::vector<std::wstring_view> names = SplitPath(keyPath);
    if (names.size() + 1 > kMaxDepth || !std::all_of(names.begin(), names.end(), IsValidName)) {
        return false;
    }
    bool created = false;
    Node* node = m_root->Obtain(kCurrentUser, created);
    for (std::wstring_view name : names) {
        node = node->Obtain(name, created);
        m_modified = m_modified || created;
    }
    return true;
}

bool CSettingsStore::SetValue(std::wstring_view keyPath, std::wstring_view valueName,
                              const CSettingsValue& value) {
    if (!IsValidName(valueName) || !CreateKey(keyPath)) {
        return false;
    }
    bool created = false;
    Node* node = m_root->Obtain(kCurrentUser, created);
    for (std::wstring_view name : SplitPath(keyPath)) {
        node = node->Obtain(name, created);
    }
    if (node->Set(valueName, value)) {
        m_modified = true;
    }
    return true;
}

bool CSettingsStore::SetDword(std::wstring_view keyPath, std::wstring_view valueName,
                              std::uint32_t value) {
    return SetValue(keyPath, valueName, CSettingsValue::FromDword(value));
}

bool CSettingsStore::SetString(std::wstring_view keyPath, std::wstring_view valueName,
                               std::wstring text) {
    return SetValue(keyPath, valueName, CSettingsValue::FromString(std::move(text)));
}

bool CSettingsStore::DeleteValue(std::wstring_view keyPath, std::wstring_view valueName) {
    auto* node = const_cast<Node*>(FindKey(*m_root, keyPath));
    if (node == nullptr || node->values.erase(Fold(valueName)) == 0) {
        return false;
    }
    m_modified = true;
    return true;
}

namespace {

/// The parent of the key that `keyPath` names and the key's folded name; null parent when the
/// path names HKEY_CURRENT_USER itself or a key that does not exist.
Node* FindParent(Node& root, std::wstring_view keyPath, std::wstring& foldedName) {
    std::vector<std::wstring_view> names = SplitPath(keyPath);
    if (names.empty()) {
        return nullptr;
    }
    foldedName = Fold(names.back());
    names.pop_back();
    Node* node = root.Find(kCurrentUser);
    for (std::wstring_view name : names) {
        if (node == nullptr) {
            return nullptr;
        }
        node = node->Find(name);
    }
    if (node == nullptr || node->children.count(foldedName) == 0) {
        return nullptr;
    }
    return node;
}

} // namespace

bool CSettingsStore::DeleteKey(std::wstring_view keyPath) {
    std::wstring folded;
    Node* parent = FindParent(*m_root, keyPath, folded);
    if (parent == nullptr || !parent->children[folded]->children.empty()) {
        return false;
    }
    parent->children.erase(folded);
    m_modified = true;
    return true;
}

bool CSettingsStore::DeleteTree(std::wstring_view keyPath) {
    std::wstring folded;
    Node* parent = FindParent(*m_root, keyPath, folded);
    if (parent == nullptr) {
        return false;
    }
    parent->children.erase(folded);
    m_modified = true;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Reading and writing the file format

namespace {

/// Parses the file text line by line into the tree under `root`.
class CRegParser {
public:
    /// `utf16`: the text was decoded from UTF-16, where a name with a lone surrogate is
    /// malformed. (Decoded UTF-8 holds only escapes of bytes, which are written back as the
    /// same bytes.)
    CRegParser(Node& root, bool utf16) : m_root(root), m_utf16(utf16) {}

    bool Run(std::wstring_view text, std::wstring& error) {
        SplitLines(text);
        std::size_t i = 0;
        while (i < m_lines.size() && TrimBlanks(m_lines[i]).empty()) {
            ++i;
        }
        if (i == m_lines.size()) {
            return true; // an empty file is an empty registry
        }
        if (TrimBlanks(m_lines[i]) != kHeader) {
            return Fail(i, L"the first line is not \"" + std::wstring(kHeader) + L"\"", error);
        }
        for (++i; i < m_lines.size(); ++i) {
            const std::wstring_view line = TrimBlanksStart(m_lines[i]);
            std::wstring reason;
            bool ok = true;
            if (TrimBlanks(line).empty() || line.front() == L';') {
                continue;
            }
            if (line.front() == L'[') {
                ok = KeyLine(TrimBlanksEnd(line), reason);
            } else if (line.front() == L'"' || line.front() == L'@') {
                ok = ValueLine(line, i, reason);
            } else {
                ok = false;
                reason = L"neither a key, a value nor a comment";
            }
            if (!ok) {
                return Fail(i, reason, error);
            }
        }
        return true;
    }

private:
    void SplitLines(std::wstring_view text) {
        while (true) {
            const std::size_t end = text.find(L'\n');
            std::wstring_view line = text.substr(0, end);
            if (!line.empty() && line.back() == L'\r') {
                line.remove_suffix(1);
            }
            m_lines.push_back(line);
            if (end == std::wstring_view::npos) {
                break;
            }
            text.remove_prefix(end + 1);
        }
    }

    bool NameIsWellFormed(std::wstring_view name) const {
        return !m_utf16 || std::none_of(name.begin(), name.end(), IsSurrogate);
    }

    static bool Fail(std::size_t line, const std::wstring& reason, std::wstring& error) {
        error = L"line " + std::to_wstring(line + 1) + L": " + reason;
        return false;
    }

    /// "[ROOT\a\b]" opens (and creates) a key; "[-ROOT\a\b]" deletes it with its subkeys.
    bool KeyLine(std::wstring_view line, std::wstring& reason) {
        if (line.size() < 2 || line.back() != L']') {
            reason = L"a key line must end with ']'";
            return false;
        }
        std::wstring_view path = line.substr(1, line.size() - 2);
        const bool remove = !path.empty() && path.front() == L'-';
        if (remove) {
            path.remove_prefix(1);
        }
        std::vector<std::wstring_view> names;
        while (true) {
            const std::size_t slash = path.find(L'\\');
            names.push_back(path.substr(0, slash));
            if (names.back().empty()) {
                reason = L"a key path holds an empty key name";
                return false;
            }
            if (slash == std::wstring_view::npos) {
                break;
            }
            path.remove_prefix(slash + 1);
        }
        if (names.size() > kMaxDepth) {
            reason = L"the key path is nested too deeply";
            return false;
        }
        const auto root =
            std::find_if(kRootNames.begin(), kRootNames.end(),
                         [&](std::wstring_view r) { return Fold(r) == Fold(names[0]); });
        if (root == kRootNames.end()) {
            reason = L"unknown root key \"" + std::wstring(names[0]) + L"\"";
            return false;
        }
        names[0] = *root;
        if (!NameIsWellFormed(line)) {
            reason = L"a key name holds malformed UTF-16 text";
            return false;
        }
        if (remove) {
            Node* node = &m_root;
            for (std::size_t k = 0; k + 1 < names.size() && node != nullptr; ++k) {
                node = node->Find(names[k]);
            }
            if (node != nullptr) {
                node->children.erase(Fold(names.back()));
            }
            m_key = nullptr;
            m_afterDeletion = true;
            return true;
        }
        bool created = false;
        m_key = &m_root;
        for (std::wstring_view name : names) {
            m_key = m_key->Obtain(name, created);
        }
        return true;
    }

    bool ValueLine(std::wstring_view line, std::size_t& index, std::wstring& reason) {
        if (m_key == nullptr) {
            reason =
                m_afterDeletion ? L"a value after a key deletion" : L"a value before the first key";
            return false;
        }
        std::wstring name;
        std::size_t pos = 0;
        if (line.front() == L'@') {
            pos = 1;
        } else if (!Unquote(line, pos, name)) {
            reason = L"the value name has no closing quote";
            return false;
        }
        if (!NameIsWellFormed(name)) {
            reason = L"the value name holds malformed UTF-16 text";
            return false;
        }
        line = TrimBlanksStart(line.substr(pos));
        if (line.empty() || line.front() != L'=') {
            reason = L"'=' expected after the value name";
            return false;
        }
        std::wstring_view data = TrimBlanksStart(line.substr(1));
        if (!data.empty() && data.front() == L'"') {
            std::wstring text;
            pos = 0;
            if (!Unquote(data, pos, text)) {
                reason = L"the text has no closing quote";
                return false;
            }
            if (!TrimBlanks(data.substr(pos)).empty()) {
                reason = L"text after the closing quote";
                return false;
            }
            m_key->Set(name, CSettingsValue::FromString(std::move(text)));
            return true;
        }
        if (TrimBlanks(data) == L"-") {
            m_key->values.erase(Fold(name));
            return true;
        }
        if (StartsWithNoCase(data, L"dword:")) {
            std::uint32_t number = 0;
            if (!ParseHex32(TrimBlanks(data.substr(6)), number)) {
                reason = L"a dword needs one to eight hexadecimal digits";
                return false;
            }
            m_key->Set(name, CSettingsValue::FromDword(number));
            return true;
        }
        if (StartsWithNoCase(data, L"hex")) {
            return HexValue(name, data.substr(3), index, reason);
        }
        reason = L"unknown value data";
        return false;
    }

    /// "hex:" (REG_BINARY) or "hex(N):" bytes, comma-separated, continued on the next line after
    /// a trailing '\'.
    bool HexValue(const std::wstring& name, std::wstring_view rest, std::size_t& index,
                  std::wstring& reason) {
        std::uint32_t type = kRegBinary;
        if (!rest.empty() && rest.front() == L'(') {
            const std::size_t close = rest.find(L')');
            if (close == std::wstring_view::npos || !ParseHex32(rest.substr(1, close - 1), type)) {
                reason = L"hex(N) needs a hexadecimal type number";
                return false;
            }
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != L':') {
            reason = L"':' expected after hex";
            return false;
        }
        std::wstring list;
        std::wstring_view piece = TrimBlanksEnd(rest.substr(1));
        while (!piece.empty() && piece.back() == L'\\') {
            list.append(piece.substr(0, piece.size() - 1));
            if (++index == m_lines.size()) {
                reason = L"the file ends inside a continued value";
                return false;
            }
            piece = TrimBlanks(m_lines[index]);
        }
        list.append(piece);

        std::string bytes;
        std::wstring_view items = TrimBlanks(list);
        while (!items.empty()) {
            const std::size_t comma = items.find(L',');
            const std::wstring_view item = TrimBlanks(items.substr(0, comma));
            std::uint32_t byte = 0;
            if (item.size() > 2 || !ParseHex32(item, byte)) {
                reason = L"hex data must be bytes of two hexadecimal digits separated by commas";
                return false;
            }
            bytes.push_back(static_cast<char>(byte));
            if (comma == std::wstring_view::npos) {
                break;
            }
            items = TrimBlanksStart(items.substr(comma + 1)); // a comma at the very end is allowed
        }
        m_key->Set(name, CSettingsValue::FromBytes(type, std::move(bytes)));
        return true;
    }

    Node& m_root;
    std::vector<std::wstring_view> m_lines;
    Node* m_key = nullptr;
    bool m_afterDeletion = false;
    bool m_utf16;
};

void WriteHex(std::wstring& out, std::size_t column, const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::wstring piece = HexText(static_cast<unsigned char>(bytes[i]), 2);
        if (i + 1 < bytes.size()) {
            piece.push_back(L',');
        }
        // Room is kept for the continuation backslash.
        if (i > 0 && column + piece.size() + 1 > kHexLineWidth) {
            out.append(L"\\\n  ");
            column = 2;
        }
        out.append(piece);
        column += piece.size();
    }
}

void WriteValue(std::wstring& out, const Node::Value& entry) {
    const std::size_t lineStart = out.size();
    out.append(entry.name.empty() ? std::wstring(L"@") : Quote(entry.name));
    out.push_back(L'=');
    const CSettingsValue& value = entry.value;
    std::uint32_t number = 0;
    std::wstring text;
    if (value.IsText() && value.GetString(text) && IsQuotable(text)) {
        out.append(Quote(text));
    } else if (value.GetDword(number)) {
        out.append(L"dword:" + HexText(number, 8));
    } else {
        out.append(value.Type() == kRegBinary ? std::wstring(L"hex:")
                                              : L"hex(" + HexText(value.Type(), 1) + L"):");
        // The column counts the bytes the line will have, so that the wrapping depends only on
        // the file's bytes and a file written again comes out the same.
        WriteHex(out, EncodeUtf8(std::wstring_view(out).substr(lineStart)).size(), value.Data());
    }
    out.push_back(L'\n');
}

void WriteKey(std::wstring& out, const Node& node, const std::wstring& path, bool isRoot) {
    // A key without values is implied by its subkeys; a leaf is written so that it survives.
    if (!node.values.empty() || (node.children.empty() && !isRoot)) {
        out.append(L"\n[" + path + L"]\n");
        for (const Node::Value* value : node.OrderedValues()) {
            WriteValue(out, *value);
        }
    }
    for (const Node* child : node.OrderedChildren()) {
        WriteKey(out, *child, path + L"\\" + child->name, false);
    }
}

} // namespace

bool CSettingsStore::Parse(std::string_view bytes) {
    m_root = std::make_unique<Node>();
    m_error.clear();
    m_modified = false;
    std::wstring text;
    bool utf16 = false;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        text = DecodeUtf8(bytes.substr(3));
    } else if (bytes.substr(0, 2) == "\xFF\xFE") {
        text = DecodeUtf16Le(bytes.substr(2));
        utf16 = true;
    } else if (bytes.substr(0, 2) == "\xFE\xFF") {
        m_error = L"line 1: UTF-16 big-endian text is not read; save the file as UTF-8";
        return false;
    } else {
        text = DecodeUtf8(bytes);
    }
    CRegParser parser(*m_root, utf16);
    if (!parser.Run(text, m_error)) {
        m_root = std::make_unique<Node>();
        return false;
    }
    return true;
}

std::string CSettingsStore::Serialise() const {
    std::wstring out(kHeader);
    out.push_back(L'\n');
    for (const Node* root : m_root->OrderedChildren()) {
        WriteKey(out, *root, root->name, true);
    }
    return EncodeUtf8(out);
}

// ---------------------------------------------------------------------------------------------
// The file

std::wstring SettingsFilePath() {
    auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return value == nullptr ? std::string() : std::string(value);
    };
    if (std::string path = variable("QUILLMOREN_REGISTRY"); !path.empty()) {
        return DecodeAnsi(path);
    }
    // The base directory rules ignore a relative XDG_CONFIG_HOME.
    if (std::string config = variable("XDG_CONFIG_HOME"); !config.empty() && config[0] == '/') {
        return DecodeAnsi(config + "/quillmoren/registry.reg");
    }
    std::string home = variable("HOME");
    if (home.empty()) {
        std::vector<char> buffer(16384);
        passwd entry{};
        passwd* found = nullptr;
        if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && found->pw_dir != nullptr) {
            home = found->pw_dir;
        }
    }
    if (home.empty()) {
        return {};
    }
    return DecodeAnsi(home + "/.config/quillmoren/registry.reg");
}

namespace {

/// Closes a descriptor when it goes out of scope.
class CDescriptor {
public:
    explicit CDescriptor(int fd) : m_fd(fd) {}
    ~CDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

std::wstring Failure(const std::wstring& what, const std::string& path, int errorNumber) {
    return what + L" " + DecodeAnsi(path) + L": " + ErrorText(errorNumber);
}

/// Reads the whole file. `missing` is set (and true returned) when it does not exist; `mode`
/// receives its permission bits.
bool ReadBytes(const std::string& path, std::string& bytes, bool& missing, mode_t& mode,
               std::wstring& error) {
    bytes.clear();
    missing = false;
    CDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT) {
            missing = true;
            return true;
        }
        error = Failure(L"cannot open", path, errno);
        return false;
    }
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0) {
        error = Failure(L"cannot examine", path, errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = DecodeAnsi(path) + L": not a regular file";
        return false;
    }
    mode = status.st_mode & 07777;
    char buffer[65536];
    while (true) {
        const ssize_t count = ::read(fd.Get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            error = Failure(L"cannot read", path, errno);
            return false;
        }
        if (count == 0) {
            return true;
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

/// Marks the temporary files of a write beside the settings file: "registry.reg.tmp1234".
constexpr std::wstring_view kTemporaryMarker = L".tmp";

/// Writes `bytes` to a new file beside `path`, flushes it and renames it over `path`.
bool ReplaceContent(const std::string& path, std::string_view bytes, bool keepMode, mode_t mode,
                    std::wstring& error) {
    CReplacementFile file;
    int errorNumber = 0;
    if (!file.Create(DecodeAnsi(path), kTemporaryMarker, errorNumber)) {
        error = Failure(L"cannot create a new file beside", path, errorNumber);
        return false;
    }
    auto fail = [&](const wchar_t* what) {
        error = Failure(what, EncodeAnsi(file.Path()), errorNumber);
        return false;
    };
    if (keepMode && !file.SetPermissions(mode, errorNumber)) {
        return fail(L"cannot set the permissions of");
    }
    if (!file.Write(bytes, errorNumber)) {
        return fail(L"cannot write");
    }
    if (!file.Commit(errorNumber)) {
        error = L"cannot replace " + DecodeAnsi(path) + L": " + ReplacementErrorText(errorNumber);
        return false;
    }
    return true;
}

/// True when the file must not be replaced: its mode gives nobody the right to write it, or
/// this process may not. The mode bits decide even for a user whom no permission stops (root),
/// since the rename that replaces the file needs only the folder's permission.
bool IsReadOnly(const std::string& path, mode_t mode) {
    if ((mode & 0222) == 0) {
        return true;
    }
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

std::mutex& LockWaitGuard() {
    static std::mutex guard;
    return guard;
}

CSettingsLockWait& LockWait() {
    static CSettingsLockWait wait;
    return wait;
}

/// Takes the exclusive lock, waiting for another writer as long as the process's lock wait
/// allows and saying so once the wait is long.
bool TakeLock(int fd, const std::string& lockPath, std::wstring& error) {
    CSettingsLockWait wait;
    {
        std::lock_guard hold(LockWaitGuard());
        wait = LockWait();
    }
    const auto start = std::chrono::steady_clock::now();
    bool told = false;
    while (true) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            error = Failure(L"cannot lock", lockPath, errno);
            return false;
        }
        const auto waited = std::chrono::steady_clock::now() - start;
        if (waited >= wait.giveUpAfter) {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(wait.giveUpAfter).count();
            error = L"the settings lock " + DecodeAnsi(lockPath) +
                    L" is held by another process; gave up after " +
                    (ms % 1000 == 0 ? std::to_wstring(ms / 1000) + L" seconds"
                                    : std::to_wstring(ms) + L" ms");
            return false;
        }
        if (!told && waited >= wait.notifyAfter) {
            told = true;
            if (wait.onWaiting) {
                wait.onWaiting();
            }
        }
        // A short nap: flock offers no wait with a time limit.
        ::usleep(10000);
    }
}

/// A link to the settings file is followed, so that the rename replaces the file it points to
/// and the link stays.
std::string WriteTarget(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            std::string target(resolved);
            std::free(resolved);
            return target;
        }
    }
    return path;
}

} // namespace

void SetSettingsLockWait(CSettingsLockWait wait) {
    std::lock_guard hold(LockWaitGuard());
    LockWait() = std::move(wait);
}

CSettingsFile::CSettingsFile(std::wstring path) : m_path(std::move(path)) {}

bool CSettingsFile::Read(CSettingsStore& store, std::wstring& error) const {
    store.Clear();
    store.ClearModified();
    if (m_path.empty()) {
        return true; // no place for settings: nothing is stored
    }
    const std::string path = EncodeAnsi(m_path);
    std::string bytes;
    bool missing = false;
    mode_t mode = 0;
    if (!ReadBytes(path, bytes, missing, mode, error)) {
        return false;
    }
    if (!store.Parse(bytes)) {
        error = m_path + L": " + store.ErrorText();
        return false;
    }
    return true;
}

bool CSettingsFile::Update(const std::function<bool(CSettingsStore&)>& change,
                           std::wstring& error) const {
    if (m_path.empty()) {
        error = L"no settings file: neither QUILLMOREN_REGISTRY, XDG_CONFIG_HOME nor HOME is set";
        return false;
    }
    const std::string path = EncodeAnsi(m_path);
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 && errno == ENOENT) {
        // A change that leaves an empty registry empty needs no folder, lock or file.
        CSettingsStore empty;
        if (!change(empty)) {
            error = L"the change to " + m_path + L" was not made";
            return false;
        }
        if (!empty.IsModified()) {
            return true;
        }
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::error_code failure;
        std::filesystem::create_directories(folder, failure);
        if (failure) {
            error = Failure(L"cannot create the folder", folder.string(), failure.value());
            return false;
        }
    }
    const std::string lockPath = path + ".lock";
    CDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (lock.Get() < 0) {
        error = Failure(L"cannot open", lockPath, errno);
        return false;
    }
    if (!TakeLock(lock.Get(), lockPath, error)) {
        return false;
    }

    // Under the lock the file is read afresh, so that a write another process made since this
    // one last read it is kept.
    const std::string target = WriteTarget(path);
    std::string bytes;
    bool missing = false;
    mode_t mode = 0;
    if (!ReadBytes(target, bytes, missing, mode, error)) {
        return false;
    }
    CSettingsStore store;
    if (!store.Parse(bytes)) {
        error = m_path + L": " + store.ErrorText() + L"; the file is left as it is";
        return false;
    }
    if (!change(store)) {
        error = L"the change to " + m_path + L" was not made";
        return false;
    }
    if (!store.IsModified()) {
        return true;
    }
    if (!missing && IsReadOnly(target, mode)) {
        error = m_path + L": the settings file is read-only; it is left as it is";
        return false;
    }
    // Under the lock no other writer runs here: what a killed one left can go.
    RemoveStaleReplacements(DecodeAnsi(target), kTemporaryMarker);
    return ReplaceContent(target, store.Serialise(), !missing, mode, error);
}

} // namespace Quillmoren::Libraries::Platform
