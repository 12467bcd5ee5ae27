// Path splitting, the program path of a command line and unique temporary file names.
#include "utils/PathHelpers.h"

#include "platform/FileSystem.h"

#include <cwchar>
#include <cwctype>

namespace Quillmoren::Libraries::Utils {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

/// Copies `text` into a field that is known to be large enough.
template <std::size_t N> void Store(wchar_t (&field)[N], std::wstring_view text) {
    const std::size_t count = text.size() < N ? text.size() : N - 1;
    std::wmemcpy(field, text.data(), count);
    field[count] = L'\0';
}

} // namespace

CSplitPath::CSplitPath() {
    Clear();
}

CSplitPath::CSplitPath(const wchar_t* path) {
    Clear();
    if (path != nullptr)
        Split(path);
}

CSplitPath::CSplitPath(const std::wstring& path) {
    Clear();
    Split(path);
}

void CSplitPath::Clear() {
    m_path[0] = L'\0';
    m_drive[0] = L'\0';
    m_directory[0] = L'\0';
    m_fileName[0] = L'\0';
    m_extension[0] = L'\0';
    m_server[0] = L'\0';
}

bool CSplitPath::Split(const wchar_t* path) {
    Clear();
    if (path == nullptr)
        return false;
    return Split(std::wstring(path));
}

bool CSplitPath::Split(const std::wstring& path) {
    Clear();
    if (path.size() >= kPathCapacity || path.find(L'\0') != std::wstring::npos)
        return false;

    std::wstring_view rest(path);
    std::wstring_view drive;
    if (rest.size() >= 2 && rest[1] == L':') {
        drive = rest.substr(0, 2);
        rest.remove_prefix(2);
    }
    std::wstring_view directory;
    for (std::size_t i = rest.size(); i > 0; --i) {
        if (IsSeparator(rest[i - 1])) {
            directory = rest.substr(0, i);
            rest.remove_prefix(i);
            break;
        }
    }
    std::wstring_view fileName = rest;
    std::wstring_view extension;
    if (const std::size_t dot = rest.rfind(L'.'); dot != std::wstring_view::npos) {
        fileName = rest.substr(0, dot);
        extension = rest.substr(dot);
    }
    if (directory.size() >= kPartCapacity || fileName.size() >= kPartCapacity ||
        extension.size() >= kPartCapacity)
        return false;

    std::wstring_view server;
    if (Platform::PathIsUnc(path)) {
        // The server is what follows the first two adjacent separators, up to the next one.
        for (std::size_t i = 0; i + 1 < directory.size(); ++i) {
            if (IsSeparator(directory[i]) && IsSeparator(directory[i + 1])) {
                std::wstring_view after = directory.substr(i + 2);
                std::size_t end = 0;
                while (end < after.size() && !IsSeparator(after[end]))
                    ++end;
                if (end > 0 && end < after.size()) {
                    server = after.substr(0, end);
                    directory = after.substr(end);
                }
                break;
            }
        }
    }

    Store(m_path, path);
    Store(m_drive, drive);
    Store(m_directory, directory);
    Store(m_fileName, fileName);
    Store(m_extension, extension);
    Store(m_server, server);
    return true;
}

std::wstring CSplitPath::GetFolder() const {
    if (m_server[0] != L'\0') {
        // A UNC path begins with two separators; keep the ones it was written with, so that a
        // Linux path such as "//host/share/x" keeps its slashes.
        std::wstring folder(m_path, 2);
        folder += m_server;
        folder += m_directory;
        return folder;
    }
    return std::wstring(m_drive) + m_directory;
}

std::wstring GetProgramPath(std::wstring_view commandLine) {
    std::size_t start = 0;
    while (start < commandLine.size() && std::iswspace(commandLine[start]))
        ++start;
    commandLine.remove_prefix(start);
    if (!commandLine.empty() && commandLine.front() == L'"') {
        commandLine.remove_prefix(1);
        return std::wstring(commandLine.substr(0, commandLine.find(L'"')));
    }
    return std::wstring(commandLine.substr(0, commandLine.find_first_of(L" \t")));
}

std::wstring GetUniqueTempFileName(const std::wstring& folder, const std::wstring& prefix,
                                   unsigned number, int& errorNumber) {
    errorNumber = 0;
    const std::wstring where = folder.empty() ? Platform::TempFolder() : folder;
    return Platform::CreateTempFile(where, prefix, number, errorNumber);
}

std::wstring GetUniqueTempFileName(const std::wstring& folder, const std::wstring& prefix,
                                   unsigned number) {
    int errorNumber = 0;
    return GetUniqueTempFileName(folder, prefix, number, errorNumber);
}

} // namespace Quillmoren::Libraries::Utils
