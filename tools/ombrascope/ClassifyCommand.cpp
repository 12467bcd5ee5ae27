// "ombrascope classify": the category that each message number gets, and why.
#include "Command.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace Ombrascope {

namespace {

using Quillmoren::Libraries::CodeAnalysis::CIssueCategory;
using Quillmoren::Libraries::CodeAnalysis::CIssueCategoryManager;
using Quillmoren::Libraries::CodeAnalysis::ClassifyMessageNumber;

/// A whole decimal number that fits a message number, and nothing else.
bool ParseMessageNumber(const std::string& text, std::int32_t& number) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    const auto [stop, failure] = std::from_chars(begin, end, number);
    return begin != end && failure == std::errc() && stop == end;
}

/// Classifies message numbers as lintwrap would.
class CClassifyCommand : public CCommand {
public:
    explicit CClassifyCommand(CLI::App& app)
        : CCommand(app.add_subcommand(
              "classify",
              "Show the category that each message number gets: its index, name and level, and "
              "whether by the user's assignment or by the block the number lies in.")) {
        // The numbers are taken as unparsed arguments, so that a negative one is not mistaken
        // for an option and the numbers keep their order.
        m_app->allow_extras();
        m_app->footer("Usage: ombrascope classify N [N ...] [--json]\n"
                      "Each N is a message number, negative ones included (-1).");
        m_app->add_flag("--json", m_json, "Print a JSON array with one object per number");
    }

    int Run() override {
        const std::vector<std::string> arguments = m_app->remaining();
        if (arguments.empty()) {
            std::fprintf(stderr, "ombrascope classify: give at least one message number\n"
                                 "Run with --help for more information.\n");
            return kExitUsage;
        }
        std::vector<std::int32_t> numbers;
        for (const std::string& text : arguments) {
            std::int32_t number = 0;
            if (!ParseMessageNumber(text, number)) {
                std::fprintf(stderr,
                             "ombrascope classify: '%s' is not a message number (a whole number "
                             "from -2147483648 to 2147483647)\n",
                             text.c_str());
                return kExitUsage;
            }
            numbers.push_back(number);
        }
        CIssueCategoryManager manager;
        LoadCategories(manager);
        bool written = false;
        if (m_json) {
            nlohmann::json list = nlohmann::json::array();
            for (std::int32_t number : numbers) {
                const CIssueCategory category = manager.GetCategoryForMessage(number);
                list.push_back({
                    {"number", number},
                    {"index", category.GetIndex()},
                    {"displayName", Utf8(category.GetDisplayName())},
                    {"level", category.GetBuiltInLevel()},
                    {"blockLevel", ClassifyMessageNumber(number)},
                    {"by", category.GetIndex() < 0             ? nlohmann::json(nullptr)
                           : manager.IsMessageAssigned(number) ? nlohmann::json("assignment")
                                                               : nlohmann::json("block")},
                });
            }
            written = WriteJson(list);
        } else {
            std::wstring text;
            for (std::int32_t number : numbers) {
                const CIssueCategory category = manager.GetCategoryForMessage(number);
                text += std::to_wstring(number) + L": ";
                if (category.GetIndex() < 0) {
                    text += L"no category\n";
                    continue;
                }
                text += category.GetDisplayName() + L" (index " +
                        std::to_wstring(category.GetIndex()) + L", level " +
                        std::to_wstring(category.GetBuiltInLevel()) + L"), by " +
                        (manager.IsMessageAssigned(number) ? L"assignment" : L"block") + L"\n";
            }
            written = WriteText(text);
        }
        return written ? 0 : kExitOutputFailed;
    }

private:
    bool m_json = false;
};

} // namespace

std::unique_ptr<CCommand> MakeClassifyCommand(CLI::App& app) {
    return std::make_unique<CClassifyCommand>(app);
}

} // namespace Ombrascope
