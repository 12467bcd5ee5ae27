// Tests of the replacement of a file by a new one written beside it: a link at the new file's
// name, a name swapped behind the writer's back, and what killed writers left behind.
#include "platform/FileSystem.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace Quillmoren::Libraries::Platform;
namespace fs = std::filesystem;

using CTempFolder = Testing::CTestFolder;

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ReplacementFile, ALinkAtTheNewFilesNameIsNeverFollowed) {
    CTempFolder folder;
    const fs::path target = folder / "out.txt";
    const fs::path victim = folder / "victim.txt";
    WriteBytes(target, "old");
    WriteBytes(victim, "victim");
    // The names this process would take first: one leads to a file, one to nowhere.
    const std::string stem = target.string() + ".tmp" + std::to_string(getpid());
    fs::create_symlink(victim, stem);
    fs::create_symlink(folder / "made-through-a-link", stem + ".1");

    CReplacementFile file;
    int error = 0;
    ASSERT_TRUE(file.Create(target.wstring(), L".tmp", error)) << error;
    EXPECT_EQ(fs::path(file.Path()).string(), stem + ".2");
    ASSERT_TRUE(file.Write("new", error));
    ASSERT_TRUE(file.Commit(error)) << error;

    EXPECT_EQ(Testing::CTestFolder::Read(target), "new");
    EXPECT_EQ(Testing::CTestFolder::Read(victim), "victim");
    EXPECT_FALSE(fs::exists(folder / "made-through-a-link"));
    EXPECT_TRUE(fs::is_symlink(stem));
    EXPECT_TRUE(fs::is_symlink(stem + ".1"));
    EXPECT_FALSE(fs::exists(stem + ".2"));
}

TEST(ReplacementFile, ANameSwappedBehindTheWriterIsNeitherCommittedNorDeleted) {
    CTempFolder folder;
    const fs::path target = folder / "out.txt";
    WriteBytes(target, "old");
    {
        CReplacementFile file;
        int error = 0;
        ASSERT_TRUE(file.Create(target.wstring(), L".tmp", error));
        ASSERT_TRUE(file.Write("new", error));
        const fs::path name = file.Path();
        // Another program that may write the folder moves the file away and puts its own.
        fs::rename(name, folder / "moved");
        WriteBytes(name, "theirs");
        EXPECT_FALSE(file.StillInPlace());
        EXPECT_FALSE(file.Commit(error));
        EXPECT_EQ(error, ESTALE);
        EXPECT_EQ(ReplacementErrorText(error),
                  L"the new file was moved or replaced by another program");
        EXPECT_EQ(Testing::CTestFolder::Read(target), "old");
        file.Discard();
        EXPECT_EQ(Testing::CTestFolder::Read(name), "theirs");
    }
    {
        // One that is dropped without a commit goes.
        CReplacementFile file;
        int error = 0;
        ASSERT_TRUE(file.Create(target.wstring(), L".tmp", error));
        const fs::path name = file.Path();
        ASSERT_TRUE(file.Write("new", error));
        file.Discard();
        EXPECT_FALSE(fs::exists(name));
    }
    EXPECT_EQ(Testing::CTestFolder::Read(target), "old");
}

TEST(ReplacementFile, FailsCleanlyWhereNoFileCanBeMade) {
    CTempFolder folder;
    CReplacementFile file;
    int error = 0;
    EXPECT_FALSE(file.Create((folder / "no/such/folder/out.txt").wstring(), L".tmp", error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_TRUE(file.Path().empty());
    EXPECT_FALSE(file.Commit(error));
}

TEST(ReplacementFile, OnlyTheFilesOfWritersThatAreGoneAreRemoved) {
    CTempFolder folder;
    const fs::path target = folder / "db";
    const std::string dead = std::to_string(Testing::DeadProcessId());
    const std::string live = std::to_string(getppid());
    const struct {
        std::string name;
        bool removed;
    } cases[] = {
        {"db.new" + dead, true},
        {"db.new" + dead + ".2", true},
        {"db.new" + dead + "-journal", true},
        {"db.new" + dead + ".2-wal", true},
        {"db.new" + live, false},               // a writer that still runs
        {"db.new" + live + "-journal", false},  //
        {"db.new" + dead + "-journalx", false}, // not a companion
        {"db.new" + dead + "x", false},         // not a process id
        {"db.new" + dead + ".", false},         //
        {"db.newabc", false},                   //
        {"db.new", false},                      //
        {"db.new0", false},                     // no process has id 0
        {"db.old" + dead, false},               // another marker
        {"other.new" + dead, false},            // another target
        {"db.new99999999999999999999", false},  // more digits than a process id
    };
    for (const auto& c : cases) {
        WriteBytes(folder / c.name, "x");
    }
    // A folder of that name is nothing a writer made.
    fs::create_directory(folder / ("db.new" + dead + ".7"));
    fs::create_symlink(folder / "db.new", folder / ("db.new" + dead + ".3"));

    RemoveStaleReplacements(target.wstring(), L".new", {L"-journal", L"-wal"});
    for (const auto& c : cases) {
        EXPECT_EQ(fs::exists(folder / c.name), !c.removed) << c.name;
    }
    EXPECT_TRUE(fs::is_directory(folder / ("db.new" + dead + ".7")));
    // A link is removed, never what it leads to.
    EXPECT_FALSE(fs::is_symlink(folder / ("db.new" + dead + ".3")));
    EXPECT_TRUE(fs::exists(folder / "db.new"));
}

} // namespace
