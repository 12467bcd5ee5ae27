// Whole recorded lint sessions through the results front: the sessions of every layout the text
// reader knows give exactly the issues kept beside them.
#include "TestSupport.h"
#include "codeanalysis/AnalysisResultsReader.h"
#include "codeanalysis/IssueCategoryManager.h"
#include "platform/Encoding.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace Quillmoren::Libraries::CodeAnalysis;
namespace Platform = Quillmoren::Libraries::Platform;

namespace {

const std::string kLintData = LINTWRAP_TEST_DATA "/codeanalysis/lint/";
const std::string kSessions = EXAMPLES_FOLDER "/sessions/";

/// The text a session gives the wrapper: fakelint sends lines marked "2>" to standard error,
/// which reaches the wrapper through the same pipe, without the marker.
std::wstring SessionText(const std::string& path) {
    std::string bytes = Testing::CTestFolder::Read(Platform::DecodeUtf8(path));
    std::string text;
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);)
        text += (line.rfind("2>", 0) == 0 ? line.substr(2) : line) + "\n";
    return Platform::DecodeUtf8(text);
}

/// The issues of a read, one line each: file, line, number, category index and text, separated
/// by tabs.
std::string IssueLines(const std::wstring& text) {
    CIssueCategoryManager manager;
    manager.Load(nullptr, L"", true);
    CAnalysisResultsReader reader(&manager, ToolKind::PcLint);
    reader.Read(text, true);
    CIssueArray issues;
    issues.SetOwnsElements(true);
    reader.GetIssues(issues);
    std::string result;
    for (std::size_t i = 0; i < issues.GetCount(); ++i) {
        const CIssue& issue = *issues[i];
        result += Platform::EncodeUtf8(issue.GetFile()) + "\t" + std::to_string(issue.GetLine()) +
                  "\t" + std::to_string(issue.GetNumber()) + "\t" +
                  std::to_string(issue.GetCategory()) + "\t" +
                  Platform::EncodeUtf8(issue.GetText()) + "\n";
    }
    return result;
}

} // namespace

TEST(PcLintSessions, GiveTheIssuesKeptBesideThem) {
    struct Case {
        std::string session;
        std::string expected;
    };
    const Case cases[] = {
        {kSessions + "clean.txt", kLintData + "clean.issues"},
        {kSessions + "warnings.txt", kLintData + "warnings.issues"},
        {kSessions + "errors.txt", kLintData + "errors.issues"},
        {kLintData + "earlier-layouts.txt", kLintData + "earlier-layouts.issues"},
        // Layouts with a column or a quoted file name, PC-lint Plus, and the 9000 block.
        {kSessions + "quoted-columns.txt", kLintData + "quoted-columns.issues"},
        {kSessions + "default-columns.txt", kLintData + "default-columns.issues"},
        {kSessions + "plus.txt", kLintData + "plus.issues"},
        {kSessions + "elective-notes.txt", kLintData + "elective-notes.issues"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IssueLines(SessionText(c.session)),
                  Testing::CTestFolder::Read(Platform::DecodeUtf8(c.expected)))
            << c.session;
    }
}
