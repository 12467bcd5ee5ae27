// Tests of the ombrascope binary: its two subcommands on a real settings file, their JSON, help
// and the exit status of a bad command line.
#include "OmbrascopeRun.h"
#include "ScopedRegistry.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using Quillmoren::Libraries::CodeAnalysis::Testing::CategoryKey;
using Quillmoren::Libraries::CodeAnalysis::Testing::CRun;
using Quillmoren::Libraries::CodeAnalysis::Testing::CScopedRegistry;
using Quillmoren::Libraries::CodeAnalysis::Testing::Lines;
using Quillmoren::Libraries::CodeAnalysis::Testing::Ombrascope;

const std::string kCategoriesKey =
    "HKEY_CURRENT_USER\\Software\\Quillmoren\\Ombrascope\\Settings\\Analysis\\Categories";

/// A user category of severity 3 stored before the built-in Warning, with two assignments.
void WriteUserCategory(const CScopedRegistry& registry) {
    registry.Write("[" + kCategoriesKey +
                   "\\0]\n"
                   "\"DisplayName\"=\"Portabilité\"\n"
                   "\"Severity\"=dword:00000003\n"
                   "\"BuiltInLevel\"=dword:ffffffff\n"
                   "\"Icon\"=\"WarningRed\"\n"
                   "\"ForegroundColour\"=dword:00332211\n"
                   "\"Issues\"=\"537,310,\"\n");
}

TEST(Ombrascope, CategoriesOfAnEmptyStoreAreTheBuiltInOnesInOrder) {
    CScopedRegistry registry;
    const CRun run = Ombrascope(registry, "categories");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 7u) << run.out;
    const char* names[] = {"Elective Note", "Information",    "Warning",
                           "Error",         "Internal Error", "Fatal Error"};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(lines[i + 1].rfind(std::to_string(i) + " ", 0), 0u) << lines[i + 1];
        EXPECT_NE(lines[i + 1].find(names[i]), std::string::npos) << lines[i + 1];
    }
    EXPECT_NE(lines[1].find("#0000A0/#0000A0"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("default/#FFFFFF"), std::string::npos) << lines[1];
    EXPECT_NE(lines[6].find("999"), std::string::npos);
    EXPECT_NE(lines[6].find("yes"), std::string::npos);
    EXPECT_FALSE(registry.Exists());
}

TEST(Ombrascope, CategoriesAsJsonCarryEveryField) {
    CScopedRegistry registry;
    const CRun run = Ombrascope(registry, "categories --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json list = nlohmann::json::parse(run.out);
    ASSERT_EQ(list.size(), 6u);
    const nlohmann::json& fatal = list[5];
    EXPECT_EQ(fatal["displayName"], "Fatal Error");
    EXPECT_EQ(fatal["displayNamePlural"], "Fatal Errors");
    EXPECT_EQ(fatal["builtInLevel"], 999);
    EXPECT_EQ(fatal["severity"], 999);
    EXPECT_EQ(fatal["isFatal"], true);
    EXPECT_EQ(fatal["icon"], "FatalError");
    EXPECT_EQ(fatal["iconId"], 7015);
    EXPECT_EQ(fatal["backgroundColour"], "#E00000");
    EXPECT_EQ(fatal["xmlElement"], "FatalError");
    EXPECT_EQ(list[0]["backgroundColour"], "default");
    EXPECT_EQ(list[0]["effectiveBackgroundColour"], "#FFFFFF");
    EXPECT_EQ(list[0]["messages"], nlohmann::json::array());
    for (const char* field : {"index", "storedIndex", "chartColour", "effectiveChartColour",
                              "foregroundColour", "effectiveForegroundColour", "modified"}) {
        EXPECT_TRUE(list[2].contains(field)) << field;
    }
}

TEST(Ombrascope, AUserCategoryAndItsAssignmentsShow) {
    CScopedRegistry registry;
    WriteUserCategory(registry);

    const CRun listed = Ombrascope(registry, "categories");
    ASSERT_EQ(listed.status, 0) << listed.err;
    const std::vector<std::string> lines = Lines(listed.out);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_NE(lines[3].find("Portabilité"), std::string::npos) << lines[3];
    EXPECT_NE(lines[3].find("310,537"), std::string::npos) << lines[3];
    EXPECT_NE(lines[3].find("#112233/#112233"), std::string::npos) << lines[3];
    EXPECT_NE(lines[4].find("Warning"), std::string::npos);

    const nlohmann::json json =
        nlohmann::json::parse(Ombrascope(registry, "categories --json").out);
    EXPECT_EQ(json[2]["displayName"], "Portabilité");
    EXPECT_EQ(json[2]["messages"], nlohmann::json::array({310, 537}));
    EXPECT_EQ(json[2]["builtInLevel"], -1);
    EXPECT_EQ(json[2]["icon"], "WarningRed");

    const CRun classified = Ombrascope(registry, "classify 537 530 310 -1");
    ASSERT_EQ(classified.status, 0) << classified.err;
    EXPECT_EQ(Lines(classified.out),
              (std::vector<std::string>{"537: Portabilité (index 2, level -1), by assignment",
                                        "530: Warning (index 3, level 3), by block",
                                        "310: Portabilité (index 2, level -1), by assignment",
                                        "-1: Error (index 4, level 4), by block"}));

    const nlohmann::json classes =
        nlohmann::json::parse(Ombrascope(registry, "classify 537 399 --json").out);
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0]["number"], 537);
    EXPECT_EQ(classes[0]["index"], 2);
    EXPECT_EQ(classes[0]["by"], "assignment");
    EXPECT_EQ(classes[0]["blockLevel"], 3);
    EXPECT_EQ(classes[1]["displayName"], "Fatal Error");
    EXPECT_EQ(classes[1]["level"], 999);
    EXPECT_EQ(classes[1]["by"], "block");
}

TEST(Ombrascope, ASettingsFileThatDoesNotParseIsReported) {
    CScopedRegistry registry;
    registry.Write("[" + kCategoriesKey + "\\0]\n\"DisplayName\"=\"Mine\n");
    const std::string before = registry.Read();
    const CRun run = Ombrascope(registry, "categories");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.out).size(), 7u);
    EXPECT_NE(run.err.find("line 4"), std::string::npos) << run.err;
    EXPECT_EQ(registry.Read(), before);
}

TEST(Ombrascope, BadCommandLinesExitWithTwo) {
    CScopedRegistry registry;
    for (const char* arguments : {"", "nosuch", "categories --bogus", "categories extra",
                                  "classify", "classify abc", "classify 12x", "classify 1.5",
                                  "classify 2147483648", "classify 7 ''", "classify 7 --bogus"}) {
        const CRun run = Ombrascope(registry, arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_FALSE(run.err.empty()) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments;
    }
}

TEST(Ombrascope, HelpOnEverySubcommand) {
    CScopedRegistry registry;
    for (const char* arguments :
         {"--help", "categories --help", "categories export --help", "categories import --help",
          "classify --help", "results --help"}) {
        const CRun run = Ombrascope(registry, arguments);
        EXPECT_EQ(run.status, 0) << arguments;
        EXPECT_NE(run.out.find("Usage"), std::string::npos) << arguments;
    }
}

} // namespace
