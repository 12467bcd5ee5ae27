// Files, folders, paths and the process's standard streams.
#pragma once

#include <cstdint>
#include <initializer_list>
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

/// The new content of a file, written beside it and then put in its place in one rename, so
/// that a reader sees the old file or the new one and a failed write leaves the old one as it
/// was. The file is created exclusively and never through a link, named after the target, a
/// marker and this process's id ("db.new1234", then "db.new1234.1" and so on when a name is
/// taken: a name that exists is never reused), so that `RemoveStaleReplacements` can tell one
/// that a killed writer left behind. It is written through the descriptor it was created with,
/// never opened again by name, and deleted by the destructor unless committed.
class CReplacementFile {
public:
    CReplacementFile() = default;
    ~CReplacementFile() { Discard(); }
    CReplacementFile(const CReplacementFile&) = delete;
    CReplacementFile& operator=(const CReplacementFile&) = delete;

    /// Creates the empty file beside `target`. False with `errorNumber` set.
    bool Create(const std::wstring& target, std::wstring_view marker, int& errorNumber);
    /// The new file's path; empty before `Create`.
    const std::wstring& Path() const { return m_path; }
    bool Write(std::string_view bytes, int& errorNumber);
    /// Gives the new file these permission bits (those of the file it replaces, say).
    bool SetPermissions(unsigned mode, int& errorNumber);
    /// True while the new file's name still leads to the file this object created (another
    /// program that can write the folder may have renamed it or put something else there).
    bool StillInPlace() const;
    /// Flushes the new file to disk, checks that its name still leads to it and renames it over
    /// the target; then flushes the folder. False with `errorNumber` set (ESTALE when the name
    /// no longer leads to this file), and the target left as it was.
    bool Commit(int& errorNumber);
    /// Deletes the new file (unless its name now leads elsewhere) and forgets it.
    void Discard();

private:
    std::wstring m_path;
    std::wstring m_target;
    int m_fd = -1;
};

/// Why a `CReplacementFile` step failed, in words: `ErrorText`, except for a new file that its
/// name no longer leads to.
std::wstring ReplacementErrorText(int errorNumber);

/// Deletes what a `CReplacementFile` with this marker left beside `target` when its writer was
/// killed: files of this user whose name is the target's, the marker and the id of a process
/// that no longer runs (the ".N" of a further name and any of `companions` appended, such as a
/// database's "-journal"). A live writer's files are never touched.
void RemoveStaleReplacements(const std::wstring& target, std::wstring_view marker,
                             std::initializer_list<std::wstring_view> companions = {});

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
