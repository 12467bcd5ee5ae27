// Files, folders, paths and the process's standard streams.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Quillmoren::Libraries::Platform {

class CManualResetEvent;

/// The text of an `errno` value, as `strerror` gives it ("No such file or directory").
std::wstring ErrorText(int errorNumber);
/// The `errno` value of the calling thread.
int LastError();

/// True when `path` names something that exists (a file, a folder, ...). A text with '*' or '?'
/// is a pattern: true when anything matches it. False for an empty text.
bool PathExists(const std::wstring& path);

/// The current directory, or an empty text when it cannot be determined.
std::wstring CurrentDirectory();

/// `$TMPDIR` when it is set and not empty, else "/tmp", with a trailing '/'.
std::wstring TempFolder();

/// Creates a new, empty file in `folder` named from the first three characters of `prefix`, four
/// hexadecimal digits and ".tmp". With `number` 0 a free number is chosen; otherwise that number
/// is used and the file is not created. Empty on failure, with `errorNumber` set.
std::wstring CreateTempFile(const std::wstring& folder, const std::wstring& prefix, unsigned number,
                            int& errorNumber);

/// Creates `path` and every missing parent; true when the folder exists afterwards.
bool CreateFolders(const std::wstring& path);

/// Flushes `from` to disk and renames it over `to` (replacing it). False with `errorNumber` set.
bool ReplaceFile(const std::wstring& from, const std::wstring& to, int& errorNumber);

bool DeleteFile(const std::wstring& path);

/// Windows path rules on text, with both separators accepted.
bool PathIsRelative(std::wstring_view path); ///< not "/x", "\x" or a drive "C:"
bool PathIsUnc(std::wstring_view path);      ///< begins with two separators
/// Joins with exactly one '/' between the two parts.
std::wstring PathAppend(std::wstring_view folder, std::wstring_view more);

/// Reads a whole file (or pipe, or device) into `bytes`, from one open: a source that can be
/// read only once loses nothing. False with `errorNumber` set when it cannot be opened or read,
/// and with `EFBIG` when it holds more than `limit` bytes (`bytes` then holds the first `limit`).
bool ReadWholeFile(const std::wstring& path, std::string& bytes, int& errorNumber,
                   std::size_t limit = SIZE_MAX);

/// A file open for writing; closed by its destructor.
class COutputFile {
public:
    COutputFile() = default;
    ~COutputFile() { Close(); }
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    /// Creates or truncates the file. False with `errorNumber` set.
    bool Open(const std::wstring& path, int& errorNumber);
    bool IsOpen() const { return m_fd >= 0; }
    bool Write(std::string_view bytes);
    /// Flushes the file to disk.
    bool Sync();
    bool Close();

private:
    int m_fd = -1;
};

/// Writes all of `bytes` to standard output or standard error at once (no buffering in between);
/// false when the stream is closed or fails.
bool WriteStandardOutput(std::string_view bytes);
bool WriteStandardError(std::string_view bytes);
/// As `WriteStandardOutput`, but gives up, with false, once `stop` (may be null) is set, also while
/// the output is full and its reader does not read: a stop must not wait for a stalled console.
bool WriteStandardOutput(std::string_view bytes, const CManualResetEvent* stop);

} // namespace Quillmoren::Libraries::Platform
