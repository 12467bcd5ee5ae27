// "ombrascope results": reads a results file as lintwrap reads the tool's output and shows the
// issues, the statistics and the status counts.
#include "Command.h"

#include "codeanalysis/AnalysisResultsReader.h"
#include "codeanalysis/CategoryCounting.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "utils/TextHelpers.h"

#include <cerrno>
#include <new>

namespace Ombrascope {

namespace {

using namespace Quillmoren::Libraries::CodeAnalysis;
namespace Platform = Quillmoren::Libraries::Platform;
namespace Utils = Quillmoren::Libraries::Utils;

/// Reads one results file through the results front.
class CResultsCommand : public CCommand {
public:
    explicit CResultsCommand(CLI::App& app)
        : CCommand(app.add_subcommand(
              "results",
              "Read a PC-lint results file (text or XML; '-' for standard input) or an FxCop "
              "report with the categories lintwrap uses, and print each issue, the statistics "
              "and the warning and error counts lintwrap would derive, then the lines that look "
              "like messages but gave no issue (a layout the reader does not know). Exit status "
              "3 when the file cannot be read, or not to its end.")) {
        m_app->add_option("FILE", m_file, "The results file, or - for standard input")->required();
        m_app->add_flag("--keep-duplicates", m_keepDuplicates,
                        "Keep repeated messages (lintwrap drops them)");
        m_app->add_flag("--json", m_json, "Print one JSON object");
        m_app->add_flag("--fxcop", m_fxCop, "Read an FxCop report instead (a file, not -)");
        m_app->add_option("--xml", m_xmlOut,
                          "Also write the issues read as a PC-lint XML document to this file");
        m_app
            ->add_option("--max-size", m_maxSize,
                         "The most bytes read from FILE (default 1GiB; K, M and G suffixes count "
                         "in 1024s): a larger file, or an endless source such as /dev/zero, "
                         "gives exit status 3")
            ->transform(CLI::AsSizeValue(false));
    }

    int Run() override {
        if (m_fxCop && m_file == "-") {
            Platform::WriteStandardError("ombrascope: an FxCop report is read from a file, not "
                                         "from standard input\n");
            return kExitUsage;
        }
        CIssueCategoryManager manager;
        LoadCategories(manager);
        CAnalysisResultsReader reader(&manager, m_fxCop ? ToolKind::FxCop : ToolKind::PcLint);
        const bool fromInput = m_file == "-";
        const std::wstring path = fromInput ? L"/dev/stdin" : Platform::DecodeAnsi(m_file);
        const std::wstring shown = fromInput ? L"standard input" : path;
        std::size_t size = 0;
        try {
            // One read: a pipe, a FIFO or standard input gives its bytes once, so the choice
            // between text and XML is made from what this read took.
            std::string bytes;
            int error = 0;
            if (!Platform::ReadWholeFile(path, bytes, error, m_maxSize)) {
                std::wstring why = Platform::ErrorText(error);
                if (error == EFBIG)
                    why = L"more than " + std::to_wstring(m_maxSize) +
                          L" bytes, the most this reads (--max-size raises it)";
                Platform::WriteStandardError(Platform::EncodeAnsi(L"ombrascope: cannot read " +
                                                                  shown + L": " + why + L"\n"));
                return kExitInputFailed;
            }
            size = bytes.size();
            std::wstring text;
            if (const Utils::HRESULT decoded = Utils::DecodeText(bytes, text);
                Utils::Failed(decoded)) {
                if (decoded == Utils::E_OUTOFMEMORY)
                    throw std::bad_alloc();
                Platform::WriteStandardError(Platform::EncodeAnsi(
                    L"ombrascope: cannot read " + shown + L": " + DescribeResult(decoded) + L"\n"));
                return kExitInputFailed;
            }
            bytes = std::string();
            // An empty input simply holds no results. Anything else that a reader refused is a
            // document that broke off: its reader keeps what it read before the fault.
            const bool holdsText = !text.empty();
            const bool checkDuplicates = !m_keepDuplicates;
            const bool read = fromInput
                                  ? reader.Read(std::move(text), checkDuplicates)
                                  : reader.ReadFileText(path, std::move(text), checkDuplicates);
            if (!read && holdsText) {
                m_incomplete = true;
                Platform::WriteStandardError(Platform::EncodeAnsi(
                    L"ombrascope: warning: " + shown +
                    L" could not be read to its end; the issues before the fault are shown\n"));
            }
            return Report(manager, reader);
        } catch (const std::bad_alloc&) {
            Platform::WriteStandardError(
                Platform::EncodeAnsi(L"ombrascope: " + shown + L" too large to analyse (" +
                                     std::to_wstring(size) + L" bytes)\n"));
            return kExitInputFailed;
        }
    }

private:
    /// Writes the XML copy when asked, then the issues, statistics and counts.
    int Report(CIssueCategoryManager& manager, CAnalysisResultsReader& reader) {
        if (!m_xmlOut.empty()) {
            const std::wstring out = Platform::DecodeAnsi(m_xmlOut);
            if (const Utils::HRESULT saved = reader.SaveXml(out); Utils::Failed(saved)) {
                Platform::WriteStandardError(Platform::EncodeAnsi(
                    L"ombrascope: cannot write " + out + L": " + DescribeResult(saved) + L"\n"));
                return kExitOutputFailed;
            }
        }

        // The XML readers leave the summary to their caller; summarising again changes nothing.
        reader.Summarize();
        CIssueArray issues;
        issues.SetOwnsElements(true);
        reader.GetIssues(issues);
        const CIssueStatistics statistics = reader.GetStatistics();
        const CMessageTally most = reader.GetMostFrequentMessage();
        const auto [warnings, errors] = CountCategoriesWithIssues(manager, statistics);
        const int status =
            m_json ? PrintJson(manager, issues, statistics, most, reader, warnings, errors)
                   : PrintText(manager, issues, statistics, most, reader, warnings, errors);
        return status == 0 && m_incomplete ? kExitInputFailed : status;
    }

    static std::wstring CategoryName(const CIssueCategoryManager& manager, std::int32_t index) {
        const CIssueCategory category = manager.GetCategory(index);
        return category.GetIndex() < 0 ? L"(none)" : category.GetDisplayName();
    }

    int PrintText(const CIssueCategoryManager& manager, const CIssueArray& issues,
                  const CIssueStatistics& statistics, const CMessageTally& most,
                  const CAnalysisResultsReader& reader, int warnings, int errors) const {
        std::wstring text;
        for (std::size_t i = 0; i < issues.GetCount(); ++i) {
            const CIssue& issue = *issues[i];
            text += std::to_wstring(issue.GetId()) + L"  #" + std::to_wstring(issue.GetNumber()) +
                    L"  [" + std::to_wstring(issue.GetCategory()) + L" " +
                    CategoryName(manager, issue.GetCategory()) + L"]  " +
                    (issue.GetFile().empty() ? L"-" : issue.GetFile()) + L":" +
                    std::to_wstring(issue.GetLine()) + L"  " + issue.GetText() + L"\n";
        }
        text += L"\nissues: " + std::to_wstring(statistics.IssueCount) + L"\n";
        text += L"highest category: " + std::to_wstring(statistics.HighestCategory) + L"\n";
        text += L"fatal seen: " + std::wstring(statistics.FatalSeen ? L"yes" : L"no") + L"\n";
        for (const auto& [index, count] : statistics.CategoryCounts)
            text += L"  category " + std::to_wstring(index) + L" " + CategoryName(manager, index) +
                    L": " + std::to_wstring(count) + L"\n";
        text += L"most frequent message: " +
                (most.Count == 0 ? std::wstring(L"-")
                                 : L"#" + std::to_wstring(most.Number) + L" (" +
                                       std::to_wstring(most.Count) + L" issues)") +
                L"\n";
        text += L"severity total: " + std::to_wstring(reader.GetSeverityTotal()) + L"\n";
        text += L"warning categories: " + std::to_wstring(warnings) + L"\n";
        text += L"error categories: " + std::to_wstring(errors) + L"\n";
        // Lines that name a message's kind and number but gave nothing: most likely a layout
        // the reader does not know, which the user should see at once.
        const CUnreadLines unread = reader.GetUnreadLines();
        text += L"lines that look like messages but gave no issue: " +
                std::to_wstring(unread.Count) + L"\n";
        for (const auto& [line, content] : unread.First)
            text += L"  line " + std::to_wstring(line) + L": " + content + L"\n";
        if (unread.Count > unread.First.size())
            text += L"  ...\n";
        return WriteText(text) ? 0 : kExitOutputFailed;
    }

    int PrintJson(const CIssueCategoryManager& manager, const CIssueArray& issues,
                  const CIssueStatistics& statistics, const CMessageTally& most,
                  const CAnalysisResultsReader& reader, int warnings, int errors) const {
        nlohmann::json list = nlohmann::json::array();
        for (std::size_t i = 0; i < issues.GetCount(); ++i) {
            const CIssue& issue = *issues[i];
            list.push_back({{"id", issue.GetId()},
                            {"number", issue.GetNumber()},
                            {"category", issue.GetCategory()},
                            {"categoryName", Utf8(CategoryName(manager, issue.GetCategory()))},
                            {"file", Utf8(issue.GetFile())},
                            {"line", issue.GetLine()},
                            {"text", Utf8(issue.GetText())}});
        }
        const CUnreadLines unread = reader.GetUnreadLines();
        nlohmann::json unreadLines = nlohmann::json::array();
        for (const auto& [line, content] : unread.First)
            unreadLines.push_back({{"line", line}, {"text", Utf8(content)}});
        nlohmann::json counts = nlohmann::json::object();
        for (const auto& [index, count] : statistics.CategoryCounts)
            counts[std::to_string(index)] = count;
        const nlohmann::json result = {
            {"issues", list},
            {"statistics",
             {{"issueCount", statistics.IssueCount},
              {"highestCategory", statistics.HighestCategory},
              {"fatalSeen", statistics.FatalSeen},
              {"categoryCounts", counts},
              {"mostFrequentMessage",
               {{"number", most.Number}, {"count", most.Count}, {"category", most.Category}}},
              {"severityTotal", reader.GetSeverityTotal()}}},
            {"warningCategories", warnings},
            {"errorCategories", errors},
            {"unreadLines", {{"count", unread.Count}, {"first", unreadLines}}}};
        return WriteJson(result) ? 0 : kExitOutputFailed;
    }

    std::string m_file;
    bool m_keepDuplicates = false;
    bool m_json = false;
    bool m_fxCop = false;
    std::string m_xmlOut;
    bool m_incomplete = false;
    std::size_t m_maxSize = std::size_t{1} << 30;
};

} // namespace

std::unique_ptr<CCommand> MakeResultsCommand(CLI::App& app) {
    return std::make_unique<CResultsCommand>(app);
}

} // namespace Ombrascope
