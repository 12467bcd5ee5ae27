// Fuzzes the message list import on any bytes: each input is written as a list file and imported
// into a fresh database; nothing may crash, the import must succeed, and what it stored must
// read back consistently.
#include "codeanalysis/MessageDatabase.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace Quillmoren::Libraries;
using namespace Quillmoren::Libraries::CodeAnalysis;

namespace {

std::wstring g_reserved;
std::wstring g_list;
std::wstring g_database;

void RemoveFiles() {
    for (const std::wstring& path : {g_list, g_database, g_database + L"-journal", g_reserved})
        Platform::DeleteFile(path);
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A multi-byte locale, as most machines have; a list's bytes reach the database as they are
    // in any locale.
    setenv("LC_ALL", "C.UTF-8", 1);
    Platform::InitialiseLocale();
    int errorNumber = 0;
    g_reserved = Platform::CreateTempFile(L"", L"fml", 0, errorNumber);
    if (g_reserved.empty())
        std::abort();
    g_list = g_reserved + L".txt";
    g_database = g_reserved + L".db";
    std::atexit(RemoveFiles);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        Platform::COutputFile file;
        int errorNumber = 0;
        Check(file.Open(g_list, errorNumber));
        Check(file.Write(std::string_view(reinterpret_cast<const char*>(data), size)));
    }

    CMessageDatabase database;
    database.SetDatabasePath(g_database);
    Check(database.CreateDatabase());
    Check(database.ImportMessageList(g_list));

    std::vector<CMessageRecord> all;
    Check(database.GetMessages(L"", all));
    std::int64_t previous = -1;
    std::size_t looked = 0;
    for (const CMessageRecord& message : all) {
        Check(message.Number > previous); // one row per number, in order
        previous = message.Number;
        // Each look-up opens the file anew: a sample keeps the runs fast.
        if (++looked > 32)
            continue;
        CMessageRecord found;
        // A message filed under no section is not found by number; every other one is, whole.
        if (database.GetMessage(message.Number, found)) {
            Check(found.Number == message.Number && found.Title == message.Title &&
                  found.InfoText == message.InfoText);
            std::vector<std::int32_t> numbers;
            database.GetMessageNumbers(found.SectionId, numbers);
            Check(!numbers.empty());
        }
    }
    std::vector<CMessageRecord> sections;
    database.GetSectionRecords(sections);
    for (const CMessageRecord& section : sections)
        Check(section.SectionId.find(L'.') != std::wstring::npos);
    return 0;
}
