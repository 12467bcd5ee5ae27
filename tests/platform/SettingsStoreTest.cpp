// Tests of the settings store: the export format read and written, names without regard to case,
// the file's location, a file that does not parse, and locked writes from many processes.
#include "platform/SettingsStore.h"
#include "TestSupport.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace Quillmoren::Libraries::Platform;
namespace fs = std::filesystem;

using CTempFolder = Testing::CTestFolder;

/// Sets or removes an environment variable for one test and restores it afterwards.
class CScopedVariable {
public:
    CScopedVariable(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~CScopedVariable() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    CScopedVariable(const CScopedVariable&) = delete;
    CScopedVariable& operator=(const CScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

std::wstring StringAt(const CSettingsStore& store, std::wstring_view key, std::wstring_view name) {
    std::wstring text = L"<missing>";
    store.GetString(key, name, text);
    return text;
}

TEST(SettingsStore, EveryValueTypeSurvivesWriteAndRead) {
    CSettingsStore store;
    const std::string multi("a\0\0\0b\0\0\0\0\0", 10);
    ASSERT_TRUE(store.SetString(L"Software\\Test", L"Text", L"plain"));
    ASSERT_TRUE(store.SetString(L"Software\\Test", L"Escapes", L"C:\\dir\\\"q\" = ; [x]"));
    ASSERT_TRUE(store.SetString(L"Software\\Test", L"Unicode", L"Ærø ≠ ✓ \U0001F600"));
    ASSERT_TRUE(store.SetString(L"Software\\Test", L"Lines", L"one\r\ntwo\tend"));
    ASSERT_TRUE(store.SetString(L"Software\\Test", L"Empty", L""));
    ASSERT_TRUE(store.SetString(L"Software\\Test", L"", L"default value"));
    // Bytes that did not decode are kept as escapes; they must come back as the same escapes.
    ASSERT_TRUE(store.SetString(L"Software\\Test", L"Undecoded", L"a\xDCC3\xDCA9z"));
    ASSERT_TRUE(store.SetDword(L"Software\\Test", L"Dword", 0xFFFFFFFFu));
    ASSERT_TRUE(store.SetDword(L"Software\\Test", L"Zero", 0));
    ASSERT_TRUE(
        store.SetValue(L"Software\\Test", L"Expand",
                       CSettingsValue::FromBytes(kRegExpandSz, std::string("%\0P\0%\0\0\0", 8))));
    ASSERT_TRUE(store.SetValue(L"Software\\Test", L"Binary",
                               CSettingsValue::FromBytes(kRegBinary, std::string(100, '\xAB'))));
    ASSERT_TRUE(
        store.SetValue(L"Software\\Test", L"Multi", CSettingsValue::FromBytes(kRegMultiSz, multi)));
    ASSERT_TRUE(store.SetValue(L"Software\\Test", L"Qword",
                               CSettingsValue::FromBytes(kRegQword, std::string(8, '\x01'))));
    ASSERT_TRUE(
        store.SetValue(L"Software\\Test", L"None", CSettingsValue::FromBytes(kRegNone, "")));
    ASSERT_TRUE(store.CreateKey(L"Software\\Test\\Empty key"));

    const std::string text = store.Serialise();
    CSettingsStore read;
    ASSERT_TRUE(read.Parse(text)) << read.ErrorText();
    EXPECT_EQ(read.Serialise(), text);

    std::vector<std::wstring> names;
    ASSERT_TRUE(store.ListValues(L"Software\\Test", names));
    for (const std::wstring& name : names) {
        CSettingsValue expected;
        CSettingsValue actual;
        ASSERT_TRUE(store.GetValue(L"Software\\Test", name, expected));
        ASSERT_TRUE(read.GetValue(L"Software\\Test", name, actual)) << name;
        EXPECT_EQ(actual.Type(), expected.Type()) << name;
        EXPECT_EQ(actual.Data(), expected.Data()) << name;
    }
    EXPECT_EQ(StringAt(read, L"Software\\Test", L"Escapes"), L"C:\\dir\\\"q\" = ; [x]");
    EXPECT_EQ(StringAt(read, L"Software\\Test", L"Lines"), L"one\r\ntwo\tend");
    EXPECT_EQ(StringAt(read, L"Software\\Test", L"Expand"), L"%P%");
    EXPECT_EQ(StringAt(read, L"Software\\Test", L"Undecoded"), L"a\xDCC3\xDCA9z");
    EXPECT_TRUE(read.KeyExists(L"Software\\Test\\Empty key"));
    std::uint32_t number = 0;
    EXPECT_TRUE(read.GetDword(L"Software\\Test", L"Dword", number));
    EXPECT_EQ(number, 0xFFFFFFFFu);
    // Typed reads refuse values of another type.
    EXPECT_FALSE(read.GetDword(L"Software\\Test", L"Text", number));
    std::wstring ignored;
    EXPECT_FALSE(read.GetString(L"Software\\Test", L"Dword", ignored));
    EXPECT_FALSE(read.GetString(L"Software\\Test", L"Binary", ignored));
}

TEST(SettingsStore, WritesTheExportFormat) {
    CSettingsStore store;
    store.SetString(L"Software\\A", L"Name", L"say \"hi\" \\");
    store.SetString(L"Software\\A", L"", L"d");
    store.SetDword(L"Software\\A", L"Count", 31);
    store.SetValue(L"Software\\A", L"Path",
                   CSettingsValue::FromBytes(kRegExpandSz, std::string("x\0\0\0", 4)));
    store.SetValue(L"Software\\A", L"Raw", CSettingsValue::FromBytes(kRegBinary, "\x01\xff"));
    EXPECT_EQ(store.Serialise(), "Windows Registry Editor Version 5.00\n"
                                 "\n[HKEY_CURRENT_USER\\Software\\A]\n"
                                 "\"Name\"=\"say \\\"hi\\\" \\\\\"\n"
                                 "@=\"d\"\n"
                                 "\"Count\"=dword:0000001f\n"
                                 "\"Path\"=hex(2):78,00,00,00\n"
                                 "\"Raw\"=hex:01,ff\n");
}

TEST(SettingsStore, LongHexValuesAreWrappedAndReadBack) {
    CSettingsStore store;
    store.SetValue(L"K", L"Big", CSettingsValue::FromBytes(kRegBinary, std::string(300, '\x5A')));
    const std::string text = store.Serialise();
    std::istringstream lines(text);
    std::string line;
    int continued = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 80u) << line;
        continued += !line.empty() && line.back() == '\\';
    }
    EXPECT_GT(continued, 2);
    CSettingsStore read;
    ASSERT_TRUE(read.Parse(text)) << read.ErrorText();
    CSettingsValue value;
    ASSERT_TRUE(read.GetValue(L"K", L"Big", value));
    EXPECT_EQ(value.Data(), std::string(300, '\x5A'));
}

struct CReadCase {
    const char* what;
    std::string body; ///< after the header line
    const wchar_t* key;
    const wchar_t* name;
    const wchar_t* text;     ///< expected text, or null
    std::uint32_t dword = 0; ///< expected when `text` is null
};

TEST(SettingsStore, ReadsWhatPeopleAndWindowsWrite) {
    const CReadCase cases[] = {
        {"default value", "[HKEY_CURRENT_USER\\K]\n@=\"d\"\n", L"K", L"", L"d"},
        {"dword in either case", "[HKEY_CURRENT_USER\\K]\n\"v\"=DWORD:0000001F\n", L"K", L"v",
         nullptr, 31},
        {"short dword", "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:7\n", L"K", L"v", nullptr, 7},
        {"expandable text", "[HKEY_CURRENT_USER\\K]\n\"v\"=hex(2):25,00,48,00,25,00,00,00\n", L"K",
         L"v", L"%H%"},
        {"continued hex", "[HKEY_CURRENT_USER\\K]\n\"v\"=hex(2):41,00,\\\n  42,00,\\\n 00,00\n",
         L"K", L"v", L"AB"},
        {"text up to its first NUL", "[HKEY_CURRENT_USER\\K]\n\"v\"=hex(1):41,00,00,00,42,00\n",
         L"K", L"v", L"A"},
        {"comments and blank lines",
         "; a comment\n\n[HKEY_CURRENT_USER\\K]\n  ; another\n\"v\"=\"x\"\n\n", L"K", L"v", L"x"},
        {"CRLF line ends", "[HKEY_CURRENT_USER\\K]\r\n\"v\"=\"x\"\r\n", L"K", L"v", L"x"},
        {"escapes", "[HKEY_CURRENT_USER\\K]\n\"v\"=\"a\\\\b\\\"c\"\n", L"K", L"v", L"a\\b\"c"},
        {"a hand-written path keeps its backslashes",
         "[HKEY_CURRENT_USER\\K]\n\"v\"=\"C:\\Temp\\x\"\n", L"K", L"v", L"C:\\Temp\\x"},
        {"blanks around '='", "[HKEY_CURRENT_USER\\K]\n\"v\" = \"x\"  \n", L"K", L"v", L"x"},
        {"names without regard to case", "[hkey_current_user\\SOFTWARE\\Key]\n\"VALUE\"=\"x\"\n",
         L"software\\KEY", L"value", L"x"},
        {"a later value replaces an earlier one",
         "[HKEY_CURRENT_USER\\K]\n\"v\"=\"1\"\n[HKEY_CURRENT_USER\\k]\n\"V\"=\"2\"\n", L"K", L"v",
         L"2"},
        {"key deletion", "[HKEY_CURRENT_USER\\K\\Sub]\n\"v\"=\"x\"\n[-HKEY_CURRENT_USER\\K]\n",
         L"K\\Sub", L"v", L"<missing>"},
        {"value deletion", "[HKEY_CURRENT_USER\\K]\n\"v\"=\"x\"\n\"v\"=-\n", L"K", L"v",
         L"<missing>"},
        {"another root is kept but out of reach", "[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\"\n", L"K",
         L"v", L"<missing>"},
    };
    for (const CReadCase& c : cases) {
        CSettingsStore store;
        ASSERT_TRUE(store.Parse(kHeader + c.body)) << c.what << ": " << store.ErrorText().size();
        if (c.text != nullptr) {
            EXPECT_EQ(StringAt(store, c.key, c.name), c.text) << c.what;
        } else {
            std::uint32_t value = 0;
            EXPECT_TRUE(store.GetDword(c.key, c.name, value)) << c.what;
            EXPECT_EQ(value, c.dword) << c.what;
        }
        // Whatever was read is written so that it reads back the same.
        CSettingsStore again;
        ASSERT_TRUE(again.Parse(store.Serialise())) << c.what;
        EXPECT_EQ(again.Serialise(), store.Serialise()) << c.what;
    }
}

TEST(SettingsStore, EmptyTextAndByteOrderMarks) {
    CSettingsStore store;
    EXPECT_TRUE(store.Parse(""));
    EXPECT_TRUE(store.Parse("  \n\n"));
    EXPECT_TRUE(store.Parse("\xEF\xBB\xBF" + kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=\"é\"\n"));
    EXPECT_EQ(StringAt(store, L"K", L"v"), L"é");
}

TEST(SettingsStore, MalformedUtf16) {
    auto utf16 = [](const std::string& ascii) {
        std::string bytes;
        for (char c : ascii) {
            bytes += c;
            bytes += '\0';
        }
        return bytes;
    };
    const std::string start = "\xFF\xFE" + utf16(kHeader + "[HKEY_CURRENT_USER\\K]\r\n\"");
    const std::string loneSurrogates("\xDB\xDC\x8C\xDC\x00\xD8", 6);

    // In a value's text lone surrogates are kept exactly, written as hex.
    CSettingsStore text;
    ASSERT_TRUE(text.Parse(start + utf16("v\"=\"") + loneSurrogates + utf16("\"\r\n")));
    EXPECT_EQ(StringAt(text, L"K", L"v"), L"\xDCDB\xDC8C\xD800");
    CSettingsStore again;
    ASSERT_TRUE(again.Parse(text.Serialise()));
    EXPECT_EQ(StringAt(again, L"K", L"v"), L"\xDCDB\xDC8C\xD800");

    // A name has no such way out: as UTF-8 it could come back as another value's name.
    CSettingsStore name;
    EXPECT_FALSE(name.Parse(start + loneSurrogates + utf16("\"=\"x\"\r\n")));
    EXPECT_NE(name.ErrorText().find(L"malformed"), std::wstring::npos);
    EXPECT_FALSE(name.SetString(L"K", L"\xD800", L"x"));
}

TEST(SettingsStore, TextThatDoesNotParseGivesAnEmptyStoreAndTheLine) {
    const std::pair<const char*, std::string> cases[] = {
        {"no header", "[HKEY_CURRENT_USER\\K]\n"},
        {"the old ANSI header", "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n"},
        {"value before a key", kHeader + "\"v\"=\"x\"\n"},
        {"value after a deletion", kHeader + "[-HKEY_CURRENT_USER\\K]\n\"v\"=\"x\"\n"},
        {"unknown root", kHeader + "[HKEY_NOWHERE\\K]\n"},
        {"empty key name", kHeader + "[HKEY_CURRENT_USER\\a\\\\b]\n"},
        {"trailing backslash", kHeader + "[HKEY_CURRENT_USER\\a\\]\n"},
        {"key line without ']'", kHeader + "[HKEY_CURRENT_USER\\a\n"},
        {"text after ']'", kHeader + "[HKEY_CURRENT_USER\\a] x\n"},
        {"unclosed name", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v=\"x\"\n"},
        {"no '='", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\" \"x\"\n"},
        {"unclosed text", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=\"x\n"},
        {"text after the text", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=\"x\" y\n"},
        {"dword too long", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:123456789\n"},
        {"dword not hex", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:12g\n"},
        {"empty dword", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:\n"},
        {"bad hex byte", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=hex:01,zz\n"},
        {"hex item too long", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=hex:123\n"},
        {"empty hex item", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=hex:01,,02\n"},
        {"bad hex type", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=hex(zz):01\n"},
        {"continued past the end", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=hex:01,\\"},
        {"unknown data", kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=qword:1\n"},
        {"stray text", kHeader + "[HKEY_CURRENT_USER\\K]\nv=1\n"},
        {"UTF-16 big-endian", "\xFE\xFF"},
    };
    for (const auto& [what, text] : cases) {
        CSettingsStore store;
        store.SetString(L"Left", L"over", L"x");
        EXPECT_FALSE(store.Parse(text)) << what;
        EXPECT_FALSE(store.KeyExists(L"Left")) << what;
        EXPECT_EQ(store.ErrorText().rfind(L"line ", 0), 0u) << what;
    }
}

TEST(SettingsStore, NamesIgnoreCaseAndKeepTheCaseFirstWritten) {
    CSettingsStore store;
    store.SetString(L"Software\\MyKey", L"Name", L"1");
    store.SetString(L"SOFTWARE\\mykey", L"NAME", L"2");
    store.SetString(L"software\\Ærø", L"x", L"3");
    std::vector<std::wstring> names;
    ASSERT_TRUE(store.ListSubkeys(L"software", names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"MyKey", L"Ærø"}));
    ASSERT_TRUE(store.ListValues(L"Software\\MYKEY", names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Name"}));
    EXPECT_EQ(StringAt(store, L"software\\mykey", L"name"), L"2");
    EXPECT_EQ(StringAt(store, L"SOFTWARE\\ÆRØ", L"X"), L"3");
    ASSERT_TRUE(store.ListSubkeys(L"", names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Software"}));

    // Every ASCII letter, the first and the last included, in key and value names alike; the
    // signs that lie 0x20 apart as the letters do ("[" and "{", "@" and "`") stay distinct.
    CSettingsStore letters;
    for (wchar_t lower = L'a'; lower <= L'z'; ++lower) {
        const wchar_t upper = static_cast<wchar_t>(lower - L'a' + L'A');
        ASSERT_TRUE(letters.SetString(std::wstring(L"K\\") + lower, std::wstring(1, lower),
                                      std::wstring(1, lower)));
        EXPECT_EQ(StringAt(letters, std::wstring(L"K\\") + upper, std::wstring(1, upper)),
                  std::wstring(1, lower))
            << static_cast<char>(upper);
    }
    ASSERT_TRUE(letters.ListSubkeys(L"K", names));
    EXPECT_EQ(names.size(), 26u);
    for (const auto& [one, other] : {std::pair{L"[", L"{"}, std::pair{L"@", L"`"},
                                     std::pair{L"^", L"~"}, std::pair{L"]", L"}"}}) {
        ASSERT_TRUE(letters.SetString(L"Signs", one, one));
        ASSERT_TRUE(letters.SetString(L"Signs", other, other));
        EXPECT_EQ(StringAt(letters, L"Signs", one), one);
        EXPECT_EQ(StringAt(letters, L"Signs", other), other);
    }
}

TEST(SettingsStore, KeysAreListedAndDeleted) {
    CSettingsStore store;
    for (const wchar_t* key : {L"S\\A\\0", L"S\\A\\1", L"S\\A\\1\\Deep", L"S\\B"}) {
        store.SetDword(key, L"v", 1);
    }
    std::vector<std::wstring> names;
    ASSERT_TRUE(store.ListSubkeys(L"S\\A", names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"0", L"1"}));
    EXPECT_FALSE(store.ListSubkeys(L"S\\Missing", names));

    EXPECT_FALSE(store.DeleteKey(L"S\\A\\1")) << "a key with subkeys";
    EXPECT_TRUE(store.DeleteKey(L"S\\A\\0"));
    EXPECT_FALSE(store.DeleteKey(L"S\\A\\0"));
    EXPECT_TRUE(store.DeleteTree(L"S\\A"));
    EXPECT_FALSE(store.KeyExists(L"S\\A\\1\\Deep"));
    EXPECT_TRUE(store.KeyExists(L"S\\B"));
    EXPECT_FALSE(store.DeleteTree(L"S\\A"));
    EXPECT_FALSE(store.DeleteTree(L"")) << "the whole of the user's settings";
    EXPECT_TRUE(store.DeleteValue(L"S\\B", L"V"));
    EXPECT_FALSE(store.DeleteValue(L"S\\B", L"v"));
}

TEST(SettingsStore, NamesTheFormatCannotCarryAreRefused) {
    CSettingsStore store;
    EXPECT_FALSE(store.SetString(L"K", L"line\nfeed", L"x"));
    EXPECT_FALSE(store.CreateKey(L"K\\bad\nkey"));
    std::wstring deep;
    for (int i = 0; i < 600; ++i) {
        deep += L"k\\";
    }
    EXPECT_FALSE(store.CreateKey(deep));
    EXPECT_FALSE(store.IsModified());
    CSettingsStore read;
    EXPECT_TRUE(read.Parse(store.Serialise()));
}

TEST(SettingsStore, ModifiedOnlyByARealChange) {
    CSettingsStore store;
    ASSERT_TRUE(
        store.Parse(kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n\"s\"=\"x\"\n"));
    EXPECT_FALSE(store.IsModified());
    store.SetDword(L"k", L"V", 1);
    store.SetString(L"K", L"s", L"x");
    store.CreateKey(L"K");
    EXPECT_FALSE(store.IsModified());
    store.SetString(L"K", L"s", L"y");
    EXPECT_TRUE(store.IsModified());
}

TEST(SettingsStore, AWindowsExportInUtf16ReadsLikeItsUtf8Twin) {
    const fs::path data = fs::path(LINTWRAP_TEST_DATA) / "codeanalysis";
    CSettingsStore utf16;
    CSettingsStore utf8;
    std::wstring error;
    ASSERT_TRUE(CSettingsFile((data / "categories-utf16.reg").wstring()).Read(utf16, error))
        << error.size();
    ASSERT_TRUE(CSettingsFile((data / "categories-utf8.reg").wstring()).Read(utf8, error));
    EXPECT_EQ(utf16.Serialise(), utf8.Serialise());
    const std::wstring key = L"Software\\Quillmoren\\Ombrascope\\Settings\\Analysis\\Categories\\1";
    EXPECT_EQ(StringAt(utf16, key, L"DisplayName"), L"Portabilité");
    EXPECT_EQ(StringAt(utf16, key, L"DisplayNamePlural"), L"Portabilités — ≠ ✓");
    EXPECT_EQ(StringAt(utf16, key, L"Path"), L"C:\\Lint\\\"quoted\"");
    CSettingsValue notes;
    ASSERT_TRUE(utf16.GetValue(key, L"Notes", notes));
    EXPECT_EQ(notes.Type(), kRegMultiSz);
    EXPECT_EQ(notes.Data().size(), 28u);
}

// ---------------------------------------------------------------------------------------------
// The file

TEST(SettingsFile, MissingFileReadsEmptyAndAChangeCreatesIt) {
    CTempFolder folder;
    const fs::path path = folder / "sub/dir/registry.reg";
    CSettingsFile file(path.wstring());
    CSettingsStore store;
    std::wstring error;
    ASSERT_TRUE(file.Read(store, error));
    EXPECT_FALSE(store.KeyExists(L"Software"));

    // A change that changes nothing leaves no trace.
    ASSERT_TRUE(file.Update([](CSettingsStore&) { return true; }, error));
    EXPECT_FALSE(fs::exists(path.parent_path()));

    ASSERT_TRUE(
        file.Update([](CSettingsStore& s) { return s.SetDword(L"Software\\K", L"v", 5); }, error))
        << error.size();
    ASSERT_TRUE(file.Read(store, error));
    std::uint32_t value = 0;
    EXPECT_TRUE(store.GetDword(L"Software\\K", L"v", value));
    EXPECT_EQ(value, 5u);
    EXPECT_TRUE(fs::exists(path.string() + ".lock"));
    // No temporary file stays behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()),
              2);
}

TEST(SettingsFile, AChangeThatFailsWritesNothing) {
    CTempFolder folder;
    const fs::path path = folder / "registry.reg";
    WriteBytes(path, kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=\"old\"\n");
    std::wstring error;
    EXPECT_FALSE(CSettingsFile(path.wstring())
                     .Update(
                         [](CSettingsStore& s) {
                             s.SetString(L"K", L"v", L"new");
                             return false;
                         },
                         error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Testing::CTestFolder::Read(path),
              kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=\"old\"\n");
}

TEST(SettingsFile, AFileThatDoesNotParseIsNeverWritten) {
    CTempFolder folder;
    const fs::path path = folder / "registry.reg";
    const std::string corrupt = kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=\"half a line\n";
    WriteBytes(path, corrupt);
    CSettingsFile file(path.wstring());
    CSettingsStore store;
    store.SetString(L"Stale", L"v", L"x");
    std::wstring error;
    EXPECT_FALSE(file.Read(store, error));
    EXPECT_FALSE(store.KeyExists(L"Stale"));
    EXPECT_NE(error.find(L"line 4"), std::wstring::npos);

    EXPECT_FALSE(file.Update([](CSettingsStore& s) { return s.SetDword(L"K", L"w", 1); }, error));
    EXPECT_NE(error.find(L"left as it is"), std::wstring::npos);
    EXPECT_EQ(Testing::CTestFolder::Read(path), corrupt);
}

TEST(SettingsFile, AFolderInPlaceOfTheFileIsAFailure) {
    CTempFolder folder;
    const fs::path path = folder / "registry.reg";
    fs::create_directory(path);
    CSettingsStore store;
    std::wstring error;
    EXPECT_FALSE(CSettingsFile(path.wstring()).Read(store, error));
    EXPECT_FALSE(CSettingsFile(path.wstring())
                     .Update([](CSettingsStore& s) { return s.SetDword(L"K", L"w", 1); }, error));
    EXPECT_TRUE(fs::is_directory(path));
}

TEST(SettingsFile, ALinkedFileStaysLinked) {
    CTempFolder folder;
    const fs::path target = folder / "shared.reg";
    const fs::path link = folder / "registry.reg";
    WriteBytes(target, kHeader);
    fs::create_symlink(target, link);
    std::wstring error;
    ASSERT_TRUE(CSettingsFile(link.wstring())
                    .Update([](CSettingsStore& s) { return s.SetDword(L"K", L"v", 1); }, error));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(Testing::CTestFolder::Read(target).find("dword:00000001"), std::string::npos);
}

bool SetDword(CSettingsStore& s) {
    return s.SetDword(L"K", L"v", 7);
}

TEST(SettingsFile, AWriteRemovesTheFilesOfKilledWritersOnly) {
    CTempFolder folder;
    const fs::path path = folder / "registry.reg";
    WriteBytes(path, kHeader);
    const std::string dead = path.string() + ".tmp" + std::to_string(Testing::DeadProcessId());
    const std::string live = path.string() + ".tmp" + std::to_string(getppid());
    for (const std::string& name : {dead, dead + ".1", live}) {
        WriteBytes(name, "half a write");
    }
    std::wstring error;
    ASSERT_TRUE(CSettingsFile(path.wstring()).Update(SetDword, error)) << error.size();
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_FALSE(fs::exists(dead + ".1"));
    EXPECT_EQ(Testing::CTestFolder::Read(live), "half a write");
    EXPECT_NE(Testing::CTestFolder::Read(path).find("dword:00000007"), std::string::npos);
}

TEST(SettingsFile, AFileWithoutWritePermissionIsRefusedNotReplaced) {
    CTempFolder folder;
    const fs::path path = folder / "registry.reg";
    const std::string content = kHeader + "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n";
    WriteBytes(path, content);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    CSettingsFile file(path.wstring());
    std::wstring error;
    // Even where permissions do not stop this user (root), the mode bits say read-only.
    EXPECT_FALSE(file.Update(SetDword, error));
    EXPECT_NE(error.find(L"settings file is read-only"), std::wstring::npos);
    EXPECT_NE(error.find(path.wstring()), std::wstring::npos);
    EXPECT_EQ(Testing::CTestFolder::Read(path), content);
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // A change that changes nothing needs no write.
    EXPECT_TRUE(file.Update([](CSettingsStore& s) { return s.SetDword(L"K", L"v", 1); }, error));
}

TEST(SettingsFile, AnUpdateKeepsThePermissionBits) {
    // A file the user keeps private stays private, and bits the process's umask would take from
    // a new file stay too.
    const fs::perms modes[] = {
        fs::perms::owner_read | fs::perms::owner_write,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
            fs::perms::group_write | fs::perms::others_read | fs::perms::others_write,
    };
    for (const fs::perms mode : modes) {
        SCOPED_TRACE(static_cast<unsigned>(mode));
        CTempFolder folder;
        const fs::path path = folder / "registry.reg";
        WriteBytes(path, kHeader);
        fs::permissions(path, mode);
        std::wstring error;
        ASSERT_TRUE(CSettingsFile(path.wstring()).Update(SetDword, error)) << error.size();
        EXPECT_NE(Testing::CTestFolder::Read(path).find("dword:00000007"), std::string::npos);
        EXPECT_EQ(fs::status(path).permissions(), mode);
    }
}

TEST(SettingsFile, ALockThatCannotBeOpenedSaysWhyAndWhich) {
    CTempFolder folder;
    const fs::path path = folder / "registry.reg";
    WriteBytes(path, kHeader);
    fs::create_directory(path.string() + ".lock");
    std::wstring error;
    EXPECT_FALSE(CSettingsFile(path.wstring()).Update(SetDword, error));
    EXPECT_NE(error.find(path.wstring() + L".lock"), std::wstring::npos);
    EXPECT_NE(error.find(ErrorText(EISDIR)), std::wstring::npos);
    EXPECT_EQ(Testing::CTestFolder::Read(path), kHeader);
}

TEST(SettingsFile, AWriterWaitsForAHeldLockSaysSoAndGivesUp) {
    CTempFolder folder;
    const fs::path path = folder / "registry.reg";
    WriteBytes(path, kHeader);
    // A lock of another open file description conflicts even within this process.
    const int held = ::open((path.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    std::atomic<int> told{0};
    struct CRestore {
        ~CRestore() { SetSettingsLockWait({}); }
    } restore;
    SetSettingsLockWait(
        {std::chrono::milliseconds(20), std::chrono::milliseconds(200), [&told] { ++told; }});

    std::wstring error;
    EXPECT_FALSE(CSettingsFile(path.wstring()).Update(SetDword, error));
    EXPECT_NE(error.find(L"held by another process"), std::wstring::npos);
    EXPECT_NE(error.find(path.wstring() + L".lock"), std::wstring::npos);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(Testing::CTestFolder::Read(path), kHeader);

    // Released while the writer waits: the write goes ahead.
    SetSettingsLockWait(
        {std::chrono::milliseconds(20), std::chrono::seconds(30), [&told] { ++told; }});
    std::thread release([held] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::close(held);
    });
    EXPECT_TRUE(CSettingsFile(path.wstring()).Update(SetDword, error));
    release.join();
    EXPECT_EQ(told, 2);
    EXPECT_NE(Testing::CTestFolder::Read(path).find("dword:00000007"), std::string::npos);
}

TEST(SettingsFile, LocationFollowsTheEnvironment) {
    struct CCase {
        const char* registry;
        const char* config;
        const char* home;
        const wchar_t* expected;
    };
    const CCase cases[] = {
        {"/r/own.reg", "/cfg", "/home/u", L"/r/own.reg"},
        {nullptr, "/cfg", "/home/u", L"/cfg/quillmoren/registry.reg"},
        {"", "/cfg", "/home/u", L"/cfg/quillmoren/registry.reg"},
        {nullptr, nullptr, "/home/u", L"/home/u/.config/quillmoren/registry.reg"},
        {nullptr, "", "/home/u", L"/home/u/.config/quillmoren/registry.reg"},
        {nullptr, "relative", "/home/u", L"/home/u/.config/quillmoren/registry.reg"},
    };
    for (const CCase& c : cases) {
        CScopedVariable registry("QUILLMOREN_REGISTRY", c.registry);
        CScopedVariable config("XDG_CONFIG_HOME", c.config);
        CScopedVariable home("HOME", c.home);
        EXPECT_EQ(SettingsFilePath(), c.expected);
    }
}

// ---------------------------------------------------------------------------------------------
// Many writers at once

/// Each writer adds its own values, one locked change at a time.
bool AddValues(const std::wstring& path, int writer, int count) {
    const CSettingsFile file(path);
    for (int i = 0; i < count; ++i) {
        std::wstring error;
        const std::wstring name = L"w" + std::to_wstring(writer) + L"-" + std::to_wstring(i);
        if (!file.Update(
                [&](CSettingsStore& s) {
                    std::uint32_t total = 0;
                    s.GetDword(L"Counter", L"Total", total);
                    return s.SetDword(L"Counter", L"Total", total + 1) &&
                           s.SetDword(L"Writers\\" + std::to_wstring(writer), name,
                                      static_cast<std::uint32_t>(i));
                },
                error)) {
            return false;
        }
    }
    return true;
}

void ExpectEveryWrite(const fs::path& path, int writers, int count) {
    CSettingsStore store;
    std::wstring error;
    ASSERT_TRUE(CSettingsFile(path.wstring()).Read(store, error));
    std::uint32_t total = 0;
    EXPECT_TRUE(store.GetDword(L"Counter", L"Total", total));
    EXPECT_EQ(total, static_cast<std::uint32_t>(writers * count));
    for (int w = 0; w < writers; ++w) {
        std::vector<std::wstring> names;
        ASSERT_TRUE(store.ListValues(L"Writers\\" + std::to_wstring(w), names));
        EXPECT_EQ(names.size(), static_cast<std::size_t>(count)) << "writer " << w;
    }
}

TEST(SettingsFile, SixteenProcessesLoseNoWriteAndReadersSeeWholeFiles) {
    CTempFolder folder;
    const fs::path path = folder / "registry.reg";
    constexpr int kWriters = 16;
    constexpr int kWrites = 8;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::_exit(AddValues(path.wstring(), w, kWrites) ? 0 : 1);
        }
        children.push_back(child);
    }
    // Meanwhile every read must find a whole file.
    std::vector<pid_t> running = children;
    std::vector<int> statuses;
    int failedReads = 0;
    while (!running.empty()) {
        CSettingsStore store;
        std::wstring error;
        failedReads += CSettingsFile(path.wstring()).Read(store, error) ? 0 : 1;
        for (auto it = running.begin(); it != running.end();) {
            int status = 0;
            if (::waitpid(*it, &status, WNOHANG) == *it) {
                statuses.push_back(status);
                it = running.erase(it);
            } else {
                ++it;
            }
        }
    }
    EXPECT_EQ(failedReads, 0);
    for (int status : statuses) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ExpectEveryWrite(path, kWriters, kWrites);
}

TEST(SettingsFile, SixteenThreadsWithTheirOwnHandlesLoseNoWrite) {
    CTempFolder folder;
    const fs::path path = folder / "registry.reg";
    constexpr int kWriters = 16;
    constexpr int kWrites = 8;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] { failures += AddValues(path.wstring(), w, kWrites) ? 0 : 1; });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    ExpectEveryWrite(path, kWriters, kWrites);
}

} // namespace
