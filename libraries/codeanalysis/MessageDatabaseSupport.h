// What the message database's queries and its import share inside the library: how a path
// becomes a SQLite file name, how a connection is opened and how a failure is worded.
#pragma once

#include "platform/Encoding.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <exception>
#include <stdexcept>
#include <string>

namespace Quillmoren::Libraries::CodeAnalysis::MessageDb {

/// How long a connection waits for a lock that another connection holds (an import committing
/// while a query reads, or the other way round) before it gives up.
inline constexpr int kBusyTimeoutMs = 2000;

/// The file name to give SQLite for a path. SQLite reads some names as something other than a
/// file (":memory:", an empty name, "file:" URIs); such a name gets a leading "./" so that it
/// always names the file in the current folder. An empty path is refused.
inline std::string SqliteFileName(const std::wstring& path) {
    if (path.empty())
        throw std::invalid_argument("no database path is set");
    std::string name = Platform::EncodeAnsi(path);
    if (name.front() == ':' || name.rfind("file:", 0) == 0)
        name.insert(0, "./");
    return name;
}

/// A read-only connection of one query's own, closed when it goes out of scope. Throws when the
/// file cannot be opened; a path that names no file is never created.
class CQueryConnection {
public:
    explicit CQueryConnection(const std::wstring& path)
        : m_database(SqliteFileName(path), SQLite::OPEN_READONLY, kBusyTimeoutMs) {}
    SQLite::Database& Database() { return m_database; }

private:
    SQLite::Database m_database;
};

/// "path: reason" for a failure on the database at `path`.
inline std::wstring FailureText(const std::wstring& path, const std::string& reason) {
    return (path.empty() ? std::wstring(L"message database") : path) + L": " +
           Platform::DecodeUtf8(reason);
}
inline std::wstring FailureText(const std::wstring& path, const std::exception& error) {
    return FailureText(path, std::string(error.what()));
}

} // namespace Quillmoren::Libraries::CodeAnalysis::MessageDb
