// Tests of ombrascope on the message database: building it from a message list, reading it back
// through every query, and the messages of a category.
#include "OmbrascopeRun.h"
#include "ScopedRegistry.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using Quillmoren::Libraries::CodeAnalysis::Testing::CRun;
using Quillmoren::Libraries::CodeAnalysis::Testing::CScopedRegistry;
using Quillmoren::Libraries::CodeAnalysis::Testing::Lines;
using Quillmoren::Libraries::CodeAnalysis::Testing::Ombrascope;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string kList = std::string(LINTWRAP_TEST_DATA) + "/codeanalysis/messages/msg.txt";

class OmbrascopeMessages : public testing::Test {
protected:
    void SetUp() override {
        const CRun created =
            Ombrascope(m_registry, "messages create " + m_database + " '" + kList + "' --json");
        ASSERT_EQ(created.status, 0) << created.err;
        const nlohmann::json answer = nlohmann::json::parse(created.out);
        EXPECT_EQ(answer["sections"], 10);
        EXPECT_EQ(answer["skippedRows"], 0);
        EXPECT_TRUE(created.err.empty()) << created.err;
    }

    CRun Run(const std::string& arguments) { return Ombrascope(m_registry, arguments); }

    CScopedRegistry m_registry;
    std::string m_database = "'" + m_registry.Folder() + "/msg.db'";
};

TEST_F(OmbrascopeMessages, TheQueriesReadBackWhatTheListHolds) {
    const CRun sections = Run("messages sections " + m_database);
    ASSERT_EQ(sections.status, 0) << sections.err;
    const std::vector<std::string> lines = Lines(sections.out);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines.front(), "17.1 - C Syntax Errors");
    EXPECT_EQ(lines.back(), "17.10 - C++ Elective Notes");

    EXPECT_EQ(Lines(Run("messages section " + m_database + " 17.4").out),
              (std::vector<std::string>{
                  "401 - symbol 'Symbol' not previously declared static at (Location)",
                  "537 - Repeated include file 'FileName'"}));
    const nlohmann::json range =
        nlohmann::json::parse(Run("messages section " + m_database + " 17.7 --json").out);
    ASSERT_EQ(range.size(), 5u);
    EXPECT_EQ(range[0]["number"], 1001);
    EXPECT_EQ(range[4]["number"], 1005);

    const nlohmann::json message =
        nlohmann::json::parse(Run("messages show " + m_database + " 1 --json").out);
    EXPECT_EQ(message["title"], "Unclosed Comment (Location)");
    EXPECT_EQ(message["sectionId"], "17.1");
    EXPECT_EQ(message["sectionDescription"], "C Syntax Errors");
    EXPECT_NE(message["text"].get<std::string>().find("A second paragraph"), std::string::npos);
    const CRun shown = Run("messages show " + m_database + " 537");
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(Lines(shown.out)[0], "537  Repeated include file 'FileName'");
    EXPECT_EQ(Lines(shown.out)[1], "section 17.4  Warning Messages");
}

TEST_F(OmbrascopeMessages, TheMessagesOfACategory) {
    // Index 3 is the built-in Warning, after the user's category of the same severity: its
    // sections' messages less those assigned elsewhere.
    m_registry.Write("[HKEY_CURRENT_USER\\Software\\Quillmoren\\Ombrascope\\Settings\\Analysis\\"
                     "Categories\\0]\n\"DisplayName\"=\"Mine\"\n\"Severity\"=dword:00000003\n"
                     "\"BuiltInLevel\"=dword:ffffffff\n\"Issues\"=\"537,\"\n");
    const nlohmann::json warning =
        nlohmann::json::parse(Run("categories messages " + m_database + " 3 --json").out);
    std::vector<int> numbers;
    for (const nlohmann::json& record : warning) {
        numbers.push_back(record["number"]);
    }
    EXPECT_EQ(numbers, (std::vector<int>{401, 1401}));

    const CRun mine = Run("categories messages " + m_database + " 2");
    ASSERT_EQ(mine.status, 0) << mine.err;
    EXPECT_EQ(Lines(mine.out),
              (std::vector<std::string>{"537  17.4  Repeated include file 'FileName'"}));
}

TEST_F(OmbrascopeMessages, FailuresAreReportedAndLeaveTheDatabaseAsItWas) {
    const std::string path = m_registry.Folder() + "/msg.db";
    const std::string before = ReadBytes(path);
    const std::string junk = m_registry.Folder() + "/junk.bin";
    std::ofstream(junk, std::ios::binary) << std::string("\x7F"
                                                         "ELF\x02\x01\x00\xFF\xFE\x00",
                                                         10);
    const std::string prose = m_registry.Folder() + "/prose.txt";
    std::ofstream(prose) << "Not a message list.\nIt names C Syntax Errors but numbers nothing.\n";
    const struct {
        std::string arguments;
        int status;
        std::string error;
    } cases[] = {
        {"messages create " + m_database + " '" + m_registry.Folder() + "/none.txt'", 3,
         "cannot read"},
        {"messages create '" + m_registry.Folder() + "/no/folder/x.db' '" + kList + "'", 1,
         "ombrascope: " + m_registry.Folder() + "/no/folder/x.db: cannot create"},
        // A list without message entries replaces nothing.
        {"messages create " + m_database + " '" + junk + "'", 3,
         "ombrascope: no messages found in " + junk + "\n"},
        {"messages create " + m_database + " '" + prose + "'", 3,
         "ombrascope: no messages found in " + prose + "\n"},
        {"messages show " + m_database + " 77", 3, "not in"},
        {"messages sections '" + m_registry.Folder() + "/none.db'", 3, "cannot open"},
        {"categories messages '" + m_registry.Folder() + "/none.db' 1", 3, "cannot open"},
        {"categories messages " + m_database + " 6", 2, "no category"},
        {"messages show " + m_database + " x", 2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CRun run = Run(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find(".new"), std::string::npos) << "names its new file: " << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_TRUE(ReadBytes(path) == before) << "the database changed";
    EXPECT_EQ(Run("messages sections " + m_database).status, 0);
    // Nothing of the failed builds is left beside the database.
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_registry.Folder())) {
        files += entry.path().filename().string().rfind("msg.db", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(files, 1u);
}

TEST_F(OmbrascopeMessages, ACreateRemovesWhatKilledCreatesLeftAndNothingElse) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    const std::string dead = m_registry.Folder() + "/msg.db.new" + std::to_string(child);
    // This test's process runs while ombrascope does: its build is a live one.
    const std::string live = m_registry.Folder() + "/msg.db.new" + std::to_string(getpid());
    for (const std::string& name : {dead, dead + "-journal", live}) {
        std::ofstream(name) << "half a build";
    }
    const CRun run = Run("messages create " + m_database + " '" + kList + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_FALSE(std::filesystem::exists(dead + "-journal"));
    EXPECT_EQ(ReadBytes(live), "half a build");
}

TEST_F(OmbrascopeMessages, ASectionIdentifierIsAValueNotSql) {
    const CRun run = Run("messages section " + m_database + " \"17.4' OR '1'='1\" --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out), nlohmann::json::array());
}

} // namespace
