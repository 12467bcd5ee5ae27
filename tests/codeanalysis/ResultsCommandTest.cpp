// Tests of "ombrascope results" on its input: pipes, FIFOs and standard input read once, zero
// bytes, UTF-16 in either byte order, endless sources and inputs too large for memory.
#include "OmbrascopeRun.h"
#include "ScopedRegistry.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <string>
#include <vector>

namespace {

using Quillmoren::Libraries::CodeAnalysis::Testing::CRun;
using Quillmoren::Libraries::CodeAnalysis::Testing::CScopedRegistry;
using Quillmoren::Libraries::CodeAnalysis::Testing::Ombrascope;
using namespace std::string_literals;

constexpr char kText[] = "a.c(1): Info 734: before\n\\000junk\nb.c(2): Warning 534: after\n";
constexpr char kXml[] = "<?xml version=\"1.0\"?><doc><message><file>a.c</file><line>3</line>"
                        "<type>Error</type><code>10</code><desc>x</desc></message></doc>";

/// The message numbers of a "results --json" answer, in order.
std::vector<int> Numbers(const std::string& out) {
    std::vector<int> numbers;
    const nlohmann::json answer = nlohmann::json::parse(out, nullptr, false);
    if (answer.is_discarded())
        return {-1};
    for (const nlohmann::json& issue : answer["issues"])
        numbers.push_back(issue["number"].get<int>());
    return numbers;
}

/// `text` as UTF-16 with a byte-order mark, in either byte order (ASCII text only).
std::string Utf16(const std::string& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text)
        bytes += bigEndian ? "\0"s + c : c + "\0"s;
    return bytes;
}

struct InputCase {
    const char* name;
    std::string before;    ///< shell text that prepares or feeds the input
    std::string arguments; ///< after "results"; FOLDER stands for the test's folder
    std::vector<int> numbers;
};

std::string InFolder(std::string text, const std::string& folder) {
    for (std::size_t at; (at = text.find("FOLDER")) != std::string::npos;)
        text.replace(at, 6, folder);
    return text;
}

// Every source gives its bytes once, and the choice between text and XML is made from them: a
// pipe, a FIFO whose writer has finished and standard input lose nothing and never hang.
TEST(ResultsCommand, EverySourceIsReadOnceWhole) {
    const std::string text = "printf '"s + kText + "'";
    const std::string xml = "printf '"s + kXml + "'";
    const std::vector<InputCase> cases = {
        {"PipeText", text + " |", "/dev/stdin", {734, 534}},
        {"PipeXml", xml + " |", "/dev/stdin", {10}},
        {"StandardInputText", text + " |", "-", {734, 534}},
        {"StandardInputXml", xml + " |", "-", {10}},
        {"FifoText", "mkfifo FOLDER/f && (" + text + " > FOLDER/f &) &&", "FOLDER/f", {734, 534}},
        {"FifoXml", "mkfifo FOLDER/f && (" + xml + " > FOLDER/f &) &&", "FOLDER/f", {10}},
    };
    for (const InputCase& c : cases) {
        const CScopedRegistry registry;
        const CRun run =
            Ombrascope(registry, InFolder("results " + c.arguments, registry.Folder()) + " --json",
                       InFolder(c.before, registry.Folder()));
        EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
        EXPECT_EQ(Numbers(run.out), c.numbers) << c.name;
    }
}

// A zero byte is data: the messages after it are read, in files of every encoding.
TEST(ResultsCommand, FilesOfEveryEncodingAreReadPastAZeroByte) {
    const std::string text = "a.c(1): Info 734: before\n\0junk\nb.c(2): Warning 534: after\n"s;
    struct FileCase {
        const char* name;
        std::string bytes;
        std::vector<int> numbers;
    };
    const std::vector<FileCase> cases = {
        {"Ansi", text, {734, 534}},
        {"Utf8Mark", "\xEF\xBB\xBF" + text, {734, 534}},
        {"Utf16Le", Utf16(text, false), {734, 534}},
        {"Utf16Be", Utf16(text, true), {734, 534}},
        {"Utf16LeXml", Utf16(kXml, false), {10}},
        {"Utf16BeXml", Utf16(kXml, true), {10}},
    };
    for (const FileCase& c : cases) {
        const CScopedRegistry registry;
        const std::string path = registry.Folder() + "/results.txt";
        std::ofstream(path, std::ios::binary) << c.bytes;
        const CRun run = Ombrascope(registry, "results '" + path + "' --json");
        EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
        EXPECT_EQ(Numbers(run.out), c.numbers) << c.name;
    }
}

// An endless source stops at the size limit with a message; a file of exactly the limit is read.
TEST(ResultsCommand, InputsBeyondTheSizeLimitAreRefused) {
    const CScopedRegistry registry;
    const std::string path = registry.Folder() + "/results.txt";
    const std::string line = "a.c(1): Warning 534: x\n";
    std::ofstream(path, std::ios::binary) << line;

    const CRun endless = Ombrascope(registry, "results /dev/zero --max-size 1M");
    EXPECT_EQ(endless.status, 3);
    EXPECT_NE(endless.err.find("cannot read /dev/zero: more than 1048576 bytes"), std::string::npos)
        << endless.err;
    EXPECT_NE(endless.err.find("--max-size"), std::string::npos);

    const CRun over = Ombrascope(registry, "results '" + path + "' --max-size " +
                                               std::to_string(line.size() - 1));
    EXPECT_EQ(over.status, 3) << over.err;
    const CRun exact = Ombrascope(registry, "results '" + path + "' --json --max-size " +
                                                std::to_string(line.size()));
    EXPECT_EQ(exact.status, 0) << exact.err;
    EXPECT_EQ(Numbers(exact.out), std::vector<int>{534});

    EXPECT_EQ(Ombrascope(registry, "results '" + path + "' --max-size lots").status, 2);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Memory that runs out is an input that could not be judged, said so, never an abort.
TEST(ResultsCommand, AnInputTooLargeForMemoryIsReported) {
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers reserve more address space than any limit allows";
    const CScopedRegistry registry;
    const std::string path = registry.Folder() + "/big.txt";
    {
        std::ofstream out(path, std::ios::binary);
        const std::string line = "src/module.c(1234): Warning 534: Ignoring return value\n";
        for (std::size_t size = 0; size < (40u << 20); size += line.size())
            out << line;
    }
    // 40 MB of bytes become 160 MB of wide text: more than 120 MB of address space holds.
    const CRun run = Ombrascope(registry, "results '" + path + "'", "ulimit -v 120000;");
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_NE(run.err.find("too large to analyse ("), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

} // namespace
