// Files, folders, paths and standard streams on Linux.
#include "platform/FileSystem.h"

#include "platform/Encoding.h"
#include "platform/Event.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <glob.h>
#include <poll.h>
#include <random>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Quillmoren::Libraries::Platform {
namespace {

std::string Narrow(const std::wstring& path) {
    return EncodeAnsi(path);
}

bool IsSlash(wchar_t c) {
    return c == L'/' || c == L'\\';
}

/// The folder that holds `path`: "." for a bare name, "/" for a name at the root.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                // A non-blocking descriptor that is full: wait until it drains.
                pollfd wait{fd, POLLOUT, 0};
                poll(&wait, 1, -1);
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

/// As `WriteAll`, but gives up as soon as `stop` is set. The wait for room includes the event,
/// and each write is of at most PIPE_BUF bytes, which a pipe that reports room takes without
/// blocking: a reader that has stopped reading cannot hold a stop.
bool WriteAllUnlessStopped(int fd, std::string_view bytes, const CManualResetEvent& stop) {
    while (!bytes.empty()) {
        pollfd wait[2] = {{fd, POLLOUT, 0}, {stop.PollHandle(), POLLIN, 0}};
        const int r = poll(wait, 2, -1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 || wait[1].revents != 0 || (wait[0].revents & POLLNVAL) != 0)
            return false;
        // A reader that has gone shows as an error here; the write then says which.
        const ssize_t n = write(fd, bytes.data(), std::min<std::size_t>(bytes.size(), PIPE_BUF));
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

std::wstring ErrorText(int errorNumber) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in the buffer.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return DecodeAnsi(text);
}

int LastError() {
    return errno;
}

bool PathExists(const std::wstring& path) {
    if (path.empty())
        return false;
    const std::string narrow = Narrow(path);
    if (path.find_first_of(L"*?") != std::wstring::npos) {
        glob_t found{};
        const int r = glob(narrow.c_str(), GLOB_NOSORT, nullptr, &found);
        const bool any = r == 0 && found.gl_pathc > 0;
        globfree(&found);
        if (any)
            return true;
    }
    struct stat info {};
    return stat(narrow.c_str(), &info) == 0;
}

std::wstring CurrentDirectory() {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    return error ? std::wstring() : DecodeAnsi(current.native());
}

std::wstring TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::wstring folder = tmp != nullptr && *tmp != '\0' ? DecodeAnsi(tmp) : L"/tmp";
    if (!IsSlash(folder.back()))
        folder.push_back(L'/');
    return folder;
}

std::wstring CreateTempFile(const std::wstring& folder, const std::wstring& prefix, unsigned number,
                            int& errorNumber) {
    const std::wstring start = folder.empty() ? TempFolder() : folder;
    const std::wstring stem = PathAppend(start, prefix.substr(0, 3));
    auto nameFor = [&stem](unsigned value) {
        wchar_t digits[8];
        std::swprintf(digits, 8, L"%04X", value & 0xFFFF);
        return stem + digits + L".tmp";
    };
    if (number != 0)
        return nameFor(number);
    // Start at a random number so that parallel runs rarely collide; try every number once.
    std::random_device seed;
    const unsigned first = seed() & 0xFFFF;
    for (unsigned step = 0; step < 0x10000; ++step) {
        const unsigned value = ((first + step) & 0xFFFF) == 0 ? 1 : (first + step) & 0xFFFF;
        const std::wstring name = nameFor(value);
        const int fd = open(Narrow(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            return name;
        }
        if (errno != EEXIST) {
            errorNumber = errno;
            return {};
        }
    }
    errorNumber = EEXIST;
    return {};
}

bool CreateFolders(const std::wstring& path) {
    if (path.empty())
        return true;
    std::error_code error;
    const std::filesystem::path folder(Narrow(path));
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

bool ReplaceFile(const std::wstring& from, const std::wstring& to, int& errorNumber) {
    const std::string source = Narrow(from);
    const int fd = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        errorNumber = errno;
        return false;
    }
    const bool synced = fsync(fd) == 0;
    const int syncError = errno;
    close(fd);
    if (!synced) {
        errorNumber = syncError;
        return false;
    }
    if (rename(source.c_str(), Narrow(to).c_str()) != 0) {
        errorNumber = errno;
        return false;
    }
    return true;
}

bool CReplacementFile::Create(const std::wstring& target, std::wstring_view marker,
                              int& errorNumber) {
    Discard();
    const std::wstring stem = target + std::wstring(marker) + std::to_wstring(getpid());
    // O_EXCL fails on anything at the name, a link (even one to nowhere) included: what another
    // program put there is never written through.
    for (unsigned n = 0; n < 1000; ++n) {
        const std::wstring name = n == 0 ? stem : stem + L"." + std::to_wstring(n);
        const int fd =
            open(Narrow(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_path = name;
            m_target = target;
            return true;
        }
        if (errno != EEXIST) {
            errorNumber = errno;
            return false;
        }
    }
    errorNumber = EEXIST;
    return false;
}

bool CReplacementFile::Write(std::string_view bytes, int& errorNumber) {
    if (m_fd < 0) {
        errorNumber = EBADF;
        return false;
    }
    if (!WriteAll(m_fd, bytes)) {
        errorNumber = errno;
        return false;
    }
    return true;
}

bool CReplacementFile::SetPermissions(unsigned mode, int& errorNumber) {
    if (m_fd < 0 || fchmod(m_fd, static_cast<mode_t>(mode & 07777)) != 0) {
        errorNumber = m_fd < 0 ? EBADF : errno;
        return false;
    }
    return true;
}

bool CReplacementFile::StillInPlace() const {
    struct stat held {};
    struct stat named {};
    return m_fd >= 0 && fstat(m_fd, &held) == 0 && lstat(Narrow(m_path).c_str(), &named) == 0 &&
           S_ISREG(named.st_mode) && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool CReplacementFile::Commit(int& errorNumber) {
    if (m_fd < 0) {
        errorNumber = EBADF;
        return false;
    }
    if (fsync(m_fd) != 0) {
        errorNumber = errno;
        return false;
    }
    // Between this check and the rename only a program that may write the folder could swap
    // the name, and it could as well replace the target itself.
    if (!StillInPlace()) {
        errorNumber = ESTALE;
        return false;
    }
    if (rename(Narrow(m_path).c_str(), Narrow(m_target).c_str()) != 0) {
        errorNumber = errno;
        return false;
    }
    close(m_fd);
    m_fd = -1;
    m_path.clear();
    // The rename itself reaches the disk with the folder's flush; a failure there loses nothing
    // that a reader could see, so it is not reported.
    const int directory =
        open(FolderOf(Narrow(m_target)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        fsync(directory);
        close(directory);
    }
    return true;
}

void CReplacementFile::Discard() {
    if (m_fd >= 0) {
        if (StillInPlace())
            unlink(Narrow(m_path).c_str());
        close(m_fd);
        m_fd = -1;
    }
    m_path.clear();
}

std::wstring ReplacementErrorText(int errorNumber) {
    return errorNumber == ESTALE ? L"the new file was moved or replaced by another program"
                                 : ErrorText(errorNumber);
}

namespace {

/// The writer's process id in a replacement's name, after the target and the marker: digits,
/// then perhaps "." and digits, then nothing or one of `companions`. 0 for any other name.
pid_t ReplacementOwner(std::string_view rest, const std::vector<std::string>& companions) {
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > 9)
        return 0;
    const pid_t owner =
        static_cast<pid_t>(std::strtol(std::string(rest.substr(0, digits)).c_str(), nullptr, 10));
    std::string_view tail = rest.substr(digits);
    if (tail.size() >= 2 && tail[0] == '.' && tail[1] >= '0' && tail[1] <= '9') {
        tail.remove_prefix(1);
        while (!tail.empty() && tail[0] >= '0' && tail[0] <= '9')
            tail.remove_prefix(1);
    }
    if (tail.empty())
        return owner;
    return std::find(companions.begin(), companions.end(), tail) != companions.end() ? owner : 0;
}

} // namespace

void RemoveStaleReplacements(const std::wstring& target, std::wstring_view marker,
                             std::initializer_list<std::wstring_view> companions) {
    const std::string path = Narrow(target);
    const std::size_t slash = path.rfind('/');
    const std::string folder = FolderOf(path);
    const std::string prefix =
        (slash == std::string::npos ? path : path.substr(slash + 1)) + Narrow(std::wstring(marker));
    std::vector<std::string> endings;
    for (std::wstring_view companion : companions)
        endings.push_back(Narrow(std::wstring(companion)));

    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr)
        return;
    const int folderFd = dirfd(directory);
    while (const dirent* entry = readdir(directory)) {
        const std::string_view name(entry->d_name);
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
            continue;
        const pid_t owner = ReplacementOwner(name.substr(prefix.size()), endings);
        // Only a writer that is gone: EPERM means a live process of another user.
        if (owner <= 0 || kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        struct stat status {};
        if (fstatat(folderFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            status.st_uid != geteuid() || !(S_ISREG(status.st_mode) || S_ISLNK(status.st_mode)))
            continue;
        unlinkat(folderFd, entry->d_name, 0);
    }
    closedir(directory);
}

bool DeleteFile(const std::wstring& path) {
    return unlink(Narrow(path).c_str()) == 0;
}

bool PathIsRelative(std::wstring_view path) {
    if (!path.empty() && IsSlash(path[0]))
        return false;
    return !(path.size() >= 2 && path[1] == L':' &&
             ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')));
}

bool PathIsUnc(std::wstring_view path) {
    return path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1]);
}

std::wstring PathAppend(std::wstring_view folder, std::wstring_view more) {
    while (!more.empty() && IsSlash(more.front()))
        more.remove_prefix(1);
    std::wstring joined(folder);
    if (joined.empty())
        return std::wstring(more);
    if (!IsSlash(joined.back()) && !more.empty())
        joined.push_back(L'/');
    joined += more;
    return joined;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes, int& errorNumber,
                   std::size_t limit) {
    bytes.clear();
    const int fd = open(Narrow(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        errorNumber = errno;
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd);
        errorNumber = EISDIR;
        return false;
    }
    if (info.st_size > 0)
        bytes.reserve(std::min(static_cast<std::size_t>(info.st_size), limit));
    // One byte past the limit tells a file of exactly the limit from a larger one (or from an
    // endless source such as /dev/zero).
    char buffer[65536];
    while (true) {
        const std::size_t room = limit - bytes.size();
        const ssize_t n = read(fd, buffer, room < sizeof buffer ? room + 1 : sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            errorNumber = errno;
            close(fd);
            return false;
        }
        if (n == 0)
            break;
        if (static_cast<std::size_t>(n) > room) {
            bytes.append(buffer, room);
            errorNumber = EFBIG;
            close(fd);
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return true;
}

bool COutputFile::Open(const std::wstring& path, int& errorNumber) {
    Close();
    m_fd = open(Narrow(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0)
        errorNumber = errno;
    return m_fd >= 0;
}

bool COutputFile::Write(std::string_view bytes) {
    return m_fd >= 0 && WriteAll(m_fd, bytes);
}

bool COutputFile::Sync() {
    return m_fd >= 0 && fsync(m_fd) == 0;
}

bool COutputFile::Close() {
    if (m_fd < 0)
        return true;
    const bool ok = close(m_fd) == 0;
    m_fd = -1;
    return ok;
}

bool WriteStandardOutput(std::string_view bytes) {
    return WriteAll(STDOUT_FILENO, bytes);
}

bool WriteStandardOutput(std::string_view bytes, const CManualResetEvent* stop) {
    if (stop == nullptr || !stop->IsValid())
        return WriteAll(STDOUT_FILENO, bytes);
    return WriteAllUnlessStopped(STDOUT_FILENO, bytes, *stop);
}

bool WriteStandardError(std::string_view bytes) {
    return WriteAll(STDERR_FILENO, bytes);
}

} // namespace Quillmoren::Libraries::Platform
