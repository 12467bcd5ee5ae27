// Benchmarks of the message database: importing a message list of 2,500 messages into a new
// SQLite file, and 100,000 title look-ups through the cache and past it.
#include "codeanalysis/MessageDatabase.h"
#include "platform/Encoding.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

using namespace Quillmoren::Libraries::CodeAnalysis;
namespace Platform = Quillmoren::Libraries::Platform;

constexpr int kMessages = 2500;
constexpr int kSections = 10;
constexpr int kLookups = 100000;

/// The number of the i-th message of the generated list.
std::int32_t MessageNumber(int i) {
    return 1 + i;
}

/// A folder in the temporary folder with a generated message list of `kMessages` messages in
/// `kSections` sections, each with a title, a three-line explanation and a code line, and a
/// database imported from it. Removed when the program ends.
class CBenchFiles {
public:
    CBenchFiles() {
        std::random_device seed;
        m_folder =
            std::filesystem::temp_directory_path() / ("message-bench-" + std::to_string(seed()));
        std::filesystem::create_directories(m_folder);
        std::ofstream list(m_folder / "msg.txt", std::ios::binary);
        list << "Messages\n\n";
        for (int i = 0; i < kMessages; ++i) {
            if (i % (kMessages / kSections) == 0) {
                const int section = 1 + i / (kMessages / kSections);
                list << "17." << section << "  " << (section == 1 ? "C Syntax Errors" : "Section")
                     << " " << section << "\n\n";
            }
            const std::string number = std::to_string(MessageNumber(i));
            list << number << std::string(6 - std::min<std::size_t>(5, number.size()), ' ')
                 << "Message title " << i << " for 'Symbol' -- The explanation of message\n"
                 << "      " << i << " runs over a few lines, as the tool's own\n"
                 << "      explanations do, with words enough to join.\n"
                 << "          int example = " << i << ";\n"
                 << "      A last paragraph.\n\n";
        }
        m_database = std::make_unique<CMessageDatabase>();
        m_database->SetDatabasePath(DatabasePath(L"messages.db"));
        if (!m_database->CreateDatabase() || !m_database->ImportMessageList(ListPath()))
            std::abort();
    }
    ~CBenchFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    std::wstring ListPath() const { return (m_folder / "msg.txt").wstring(); }
    std::wstring DatabasePath(const wchar_t* name) const { return (m_folder / name).wstring(); }
    std::wstring ImportedDatabase() const { return m_database->GetDatabasePath(); }

private:
    std::filesystem::path m_folder;
    std::unique_ptr<CMessageDatabase> m_database;
};

CBenchFiles& Files() {
    static CBenchFiles files;
    return files;
}

void BM_ImportMessageList(benchmark::State& state) {
    CMessageDatabase database;
    database.SetDatabasePath(Files().DatabasePath(L"import.db"));
    for (auto _ : state) {
        state.PauseTiming();
        if (!database.CreateDatabase())
            state.SkipWithError("cannot create the database");
        state.ResumeTiming();
        if (!database.ImportMessageList(Files().ListPath()))
            state.SkipWithError("the import failed");
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
}
BENCHMARK(BM_ImportMessageList)->Unit(benchmark::kMillisecond);

// The baseline of the import: the same number of rows, each with a title and a few lines of
// text, inserted into a new SQLite file in one transaction by plain prepared statements, with
// no list to read and take apart.
void BM_SqliteInsertBaseline(benchmark::State& state) {
    const std::string path = Platform::EncodeUtf8(Files().DatabasePath(L"baseline.db"));
    const std::string text(180, 'x');
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
        SQLite::Database db(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE [Message] ([MessageNo] INTEGER PRIMARY KEY, [Title] TEXT, "
                "[CategoryID] TEXT, [InfoText] TEXT)");
        SQLite::Transaction transaction(db);
        SQLite::Statement insert(db, "INSERT INTO [Message] VALUES (?, ?, ?, ?)");
        for (int i = 0; i < kMessages; ++i) {
            insert.bind(1, MessageNumber(i));
            insert.bind(2, "Message title " + std::to_string(i));
            insert.bind(3, "17.1");
            insert.bind(4, text);
            insert.exec();
            insert.reset();
        }
        transaction.commit();
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
}
BENCHMARK(BM_SqliteInsertBaseline)->Unit(benchmark::kMillisecond);

void BM_GetMessageTitleCached(benchmark::State& state) {
    CMessageDatabase database;
    database.SetDatabasePath(Files().ImportedDatabase());
    for (int i = 0; i < kMessages; ++i)
        database.GetMessageTitle(MessageNumber(i));
    for (auto _ : state) {
        for (int i = 0; i < kLookups; ++i)
            benchmark::DoNotOptimize(database.GetMessageTitle(MessageNumber(i % kMessages)));
    }
    state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(BM_GetMessageTitleCached)->Unit(benchmark::kMillisecond);

void BM_GetMessageTitleUncached(benchmark::State& state) {
    for (auto _ : state) {
        // A new object for every pass over the numbers, so that every call misses the cache and
        // reads the file.
        std::unique_ptr<CMessageDatabase> database;
        for (int i = 0; i < kLookups; ++i) {
            if (i % kMessages == 0) {
                database = std::make_unique<CMessageDatabase>();
                database->SetDatabasePath(Files().ImportedDatabase());
            }
            benchmark::DoNotOptimize(database->GetMessageTitle(MessageNumber(i % kMessages)));
        }
    }
    state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(BM_GetMessageTitleUncached)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
