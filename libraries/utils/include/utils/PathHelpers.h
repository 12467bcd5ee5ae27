// Path splitting, the program path at the start of a command line, and unique temporary files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Quillmoren::Libraries::Utils {

/// Splits a path into drive, directory, file name and extension as the Windows C runtime's
/// `_wsplitpath_s` does, and a UNC path ("\\server\share\...") also into its server name. Both
/// '/' and '\' separate. Each part is kept in a fixed-size field; a path that does not fit is
/// refused rather than cut (see `Split`). The command task uses it to find the folder of its
/// output file.
class CSplitPath {
public:
    /// Capacities of the fields, terminator included.
    static constexpr std::size_t kPathCapacity = 260;
    static constexpr std::size_t kDriveCapacity = 3;
    static constexpr std::size_t kPartCapacity = 256;

    CSplitPath();
    /// Splits `path` at once when it is not null.
    explicit CSplitPath(const wchar_t* path);
    explicit CSplitPath(const std::wstring& path);
    virtual ~CSplitPath() = default;
    CSplitPath(const CSplitPath&) = default;
    CSplitPath& operator=(const CSplitPath&) = default;

    /// Splits `path`; false for a null path. A path of 260 characters or more, one with a part
    /// longer than its field, or one that holds a zero character is refused as well: the
    /// answer is false and every field is empty. Cutting such a path would give a folder that is
    /// not the path's own, and the command task would then create folders and files elsewhere.
    bool Split(const wchar_t* path);
    bool Split(const std::wstring& path);

    std::wstring GetPath() const { return m_path; }
    /// The drive letter and colon ("C:"), or empty.
    std::wstring GetDrive() const { return m_drive; }
    /// The directory with its leading and trailing separators; for a UNC path the part after
    /// the server name.
    std::wstring GetDirectory() const { return m_directory; }
    /// The file name without its extension.
    std::wstring GetFileName() const { return m_fileName; }
    /// The extension with its leading dot, or empty.
    std::wstring GetExtension() const { return m_extension; }
    /// The server name of a UNC path, or empty.
    std::wstring GetServer() const { return m_server; }
    /// The folder that holds the file: the drive and the directory, or for a UNC path the two
    /// leading separators, the server and the directory. Empty for a bare file name.
    std::wstring GetFolder() const;

private:
    void Clear();

    wchar_t m_path[kPathCapacity];
    wchar_t m_drive[kDriveCapacity];
    wchar_t m_directory[kPartCapacity];
    wchar_t m_fileName[kPartCapacity];
    wchar_t m_extension[kPartCapacity];
    wchar_t m_server[kPartCapacity];
};

/// The program path at the start of a command line: after leading white space, the text
/// between a double quote and the next one (everything after an unclosed quote), or else the
/// text before the first blank or tab.
std::wstring GetProgramPath(std::wstring_view commandLine);

/// Creates a new, empty file in `folder` (the temporary folder when empty) named from the first
/// three characters of `prefix`, four hexadecimal digits and ".tmp", and returns its path. With
/// a `number` other than 0 the name is formed from that number and no file is created. Empty
/// when the file cannot be created; `errorNumber` then holds the reason.
std::wstring GetUniqueTempFileName(const std::wstring& folder, const std::wstring& prefix,
                                   unsigned number, int& errorNumber);
std::wstring GetUniqueTempFileName(const std::wstring& folder, const std::wstring& prefix,
                                   unsigned number);

} // namespace Quillmoren::Libraries::Utils
