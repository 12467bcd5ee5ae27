// The subcommands of ombrascope and the output helpers they share.
#pragma once

#include "codeanalysis/IssueCategoryManager.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>

namespace Ombrascope {

/// The process exit status for a command line that cannot be used.
constexpr int kExitUsage = 2;
/// The process exit status when the output cannot be written.
constexpr int kExitOutputFailed = 1;
/// The process exit status when an input file cannot be read or holds nothing usable.
constexpr int kExitInputFailed = 3;

/// One subcommand. Its maker registers it, with its options, on the application; `main` runs
/// the one that the command line chose, after parsing.
class CCommand {
public:
    explicit CCommand(CLI::App* app) : m_app(app) {}
    virtual ~CCommand() = default;
    CCommand(const CCommand&) = delete;
    CCommand& operator=(const CCommand&) = delete;

    bool WasChosen() const { return m_app->parsed(); }
    /// Does the work and returns the process exit status.
    virtual int Run() = 0;

protected:
    CLI::App* m_app;
};

std::unique_ptr<CCommand> MakeCategoriesCommand(CLI::App& app);
std::unique_ptr<CCommand> MakeClassifyCommand(CLI::App& app);
std::unique_ptr<CCommand> MakeResultsCommand(CLI::App& app);
std::unique_ptr<CCommand> MakeMessagesCommand(CLI::App& app);

/// Loads the categories exactly as lintwrap does. A settings file that cannot be read or parsed
/// is reported on standard error, as lintwrap reports it, and the built-in categories apply.
/// `database` (not owned, may be null) is the message database the manager answers from.
void LoadCategories(Quillmoren::Libraries::CodeAnalysis::CIssueCategoryManager& manager,
                    Quillmoren::Libraries::CodeAnalysis::CMessageDatabase* database = nullptr);

/// Writes text to standard output in the locale's character set; false when that fails.
bool WriteText(const std::wstring& text);
/// Writes JSON (always UTF-8) to standard output, indented, with a final line feed.
bool WriteJson(const nlohmann::json& value);
std::string Utf8(const std::wstring& text);

/// A sentence for a library status: the system's error text for a system error, else its name.
std::wstring DescribeResult(Quillmoren::Libraries::Utils::HRESULT result);

/// "#RRGGBB" for a colour, "default" for the marker that stands for none of its own.
std::wstring ColourText(Quillmoren::Libraries::CodeAnalysis::Colour colour);

} // namespace Ombrascope
