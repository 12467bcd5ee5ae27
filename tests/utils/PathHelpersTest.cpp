// Tests of the path splitter, the program path of a command line and unique temporary files.
#include "utils/PathHelpers.h"

#include "TestSupport.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace Quillmoren::Libraries::Utils {
namespace {

struct SplitCase {
    const wchar_t* path;
    const wchar_t* drive;
    const wchar_t* directory;
    const wchar_t* fileName;
    const wchar_t* extension;
    const wchar_t* server;
    const wchar_t* folder;
};

class SplitPathTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitPathTest, SplitsIntoParts) {
    const SplitCase& c = GetParam();
    CSplitPath split;
    ASSERT_TRUE(split.Split(c.path));
    EXPECT_EQ(split.GetPath(), c.path);
    EXPECT_EQ(split.GetDrive(), c.drive);
    EXPECT_EQ(split.GetDirectory(), c.directory);
    EXPECT_EQ(split.GetFileName(), c.fileName);
    EXPECT_EQ(split.GetExtension(), c.extension);
    EXPECT_EQ(split.GetServer(), c.server);
    EXPECT_EQ(split.GetFolder(), c.folder);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SplitPathTest,
    testing::Values(
        SplitCase{L"C:\\a\\b.txt", L"C:", L"\\a\\", L"b", L".txt", L"", L"C:\\a\\"},
        SplitCase{L"\\\\srv\\share\\dir\\a.txt", L"", L"\\share\\dir\\", L"a", L".txt", L"srv",
                  L"\\\\srv\\share\\dir\\"},
        SplitCase{L"/home/user/out.log", L"", L"/home/user/", L"out", L".log", L"", L"/home/user/"},
        // A Linux path that begins with two slashes keeps its slashes in the folder.
        SplitCase{L"//host/share/x.y.z", L"", L"/share/", L"x.y", L".z", L"host", L"//host/share/"},
        SplitCase{L"C:/a\\b/c.txt", L"C:", L"/a\\b/", L"c", L".txt", L"", L"C:/a\\b/"},
        SplitCase{L"out.txt", L"", L"", L"out", L".txt", L"", L""},
        SplitCase{L"C:x.c", L"C:", L"", L"x", L".c", L"", L"C:"},
        SplitCase{L"dir/.profile", L"", L"dir/", L"", L".profile", L"", L"dir/"},
        SplitCase{L"a.b/c", L"", L"a.b/", L"c", L"", L"", L"a.b/"},
        SplitCase{L"/tmp/", L"", L"/tmp/", L"", L"", L"", L"/tmp/"},
        // Two separators with no server name after them: nothing is taken as a server.
        SplitCase{L"\\\\srv", L"", L"\\\\", L"srv", L"", L"", L"\\\\"},
        SplitCase{L"", L"", L"", L"", L"", L"", L""}));

TEST(SplitPath, NullPathIsRefused) {
    CSplitPath split(static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(split.GetPath(), L"");
    EXPECT_FALSE(split.Split(static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(split.GetFolder(), L"");
}

TEST(SplitPath, ConstructorSplits) {
    const CSplitPath split(std::wstring(L"/var/log/lint.xml"));
    EXPECT_EQ(split.GetFolder(), L"/var/log/");
    EXPECT_EQ(split.GetFileName(), L"lint");
}

TEST(SplitPath, PathsThatDoNotFitAreRefusedNotCut) {
    const std::wstring longest = L"/" + std::wstring(250, L'd') + L"/b.txt";     // 257 characters
    const std::wstring tooLongPath = L"/" + std::wstring(253, L'd') + L"/b.txt"; // 260
    const std::wstring tooLongName = L"/x/" + std::wstring(256, L'n');           // name of 256
    const std::wstring withZero = std::wstring(L"/a/b\0c.txt", 10);

    CSplitPath split;
    ASSERT_TRUE(split.Split(longest));
    EXPECT_EQ(split.GetFolder(), longest.substr(0, longest.size() - 5));

    for (const std::wstring& path : {tooLongPath, tooLongName, withZero}) {
        ASSERT_TRUE(split.Split(L"C:\\old\\file.c")); // earlier parts must not survive
        EXPECT_FALSE(split.Split(path)) << path.size();
        EXPECT_EQ(split.GetPath(), L"");
        EXPECT_EQ(split.GetDrive(), L"");
        EXPECT_EQ(split.GetDirectory(), L"");
        EXPECT_EQ(split.GetFileName(), L"");
        EXPECT_EQ(split.GetFolder(), L"");
    }
}

TEST(GetProgramPath, TakesThePathAtTheStart) {
    const struct {
        const wchar_t* commandLine;
        const wchar_t* program;
    } cases[] = {
        {L"   \"/opt/lint tools/flint\" -u a.c", L"/opt/lint tools/flint"},
        {L"/usr/bin/flint -u a.c", L"/usr/bin/flint"},
        {L"flint\t-u", L"flint"},
        {L"flint", L"flint"},
        {L"\"/opt/unclosed path -u", L"/opt/unclosed path -u"},
        {L"  \"", L""},
        {L"\"\" rest", L""},
        {L"", L""},
        {L" \t ", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetProgramPath(c.commandLine), c.program) << c.commandLine;
}

TEST(GetUniqueTempFileName, CreatesDistinctEmptyFiles) {
    const ::Testing::CTestFolder folder;
    int errorNumber = -1;
    const std::wstring first = GetUniqueTempFileName(folder.Path(), L"QZ", 0, errorNumber);
    const std::wstring second = GetUniqueTempFileName(folder.Path(), L"QZ", 0);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(errorNumber, 0);
    EXPECT_NE(first, second);
    for (const std::wstring& name : {first, second}) {
        EXPECT_EQ(name.rfind(folder.Path() + L"QZ", 0), 0u) << name;
        EXPECT_EQ(name.size(), folder.Path().size() + 10) << name; // QZ, four digits, .tmp
        EXPECT_EQ(name.substr(name.size() - 4), L".tmp");
        EXPECT_TRUE(std::filesystem::is_regular_file(name));
        EXPECT_EQ(std::filesystem::file_size(name), 0u);
    }
}

TEST(GetUniqueTempFileName, FolderWithoutSeparatorAndLongPrefix) {
    const ::Testing::CTestFolder folder;
    std::wstring path = folder.Path();
    path.pop_back();
    const std::wstring name = GetUniqueTempFileName(path, L"lintwrap", 0);
    EXPECT_EQ(name.rfind(path + L"/lin", 0), 0u) << name;
    EXPECT_TRUE(std::filesystem::is_regular_file(name));
}

TEST(GetUniqueTempFileName, GivenNumberNamesWithoutCreating) {
    const ::Testing::CTestFolder folder;
    const std::wstring name = GetUniqueTempFileName(folder.Path(), L"QZ", 0x2a);
    EXPECT_EQ(name, folder.Path() + L"QZ002A.tmp");
    EXPECT_FALSE(std::filesystem::exists(name));
}

TEST(GetUniqueTempFileName, EmptyFolderMeansTheTemporaryFolder) {
    const std::wstring name = GetUniqueTempFileName(L"", L"QZ", 0);
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.rfind(Platform::TempFolder() + L"QZ", 0), 0u) << name;
    EXPECT_TRUE(std::filesystem::is_regular_file(name));
    std::filesystem::remove(name);
}

TEST(GetUniqueTempFileName, MissingFolderGivesEmptyWithReason) {
    const ::Testing::CTestFolder folder;
    int errorNumber = 0;
    EXPECT_EQ(GetUniqueTempFileName(folder.File(L"missing/"), L"QZ", 0, errorNumber), L"");
    EXPECT_EQ(errorNumber, ENOENT);
}

} // namespace
} // namespace Quillmoren::Libraries::Utils
