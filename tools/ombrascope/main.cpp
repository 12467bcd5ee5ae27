// ombrascope: the companion CLI that shows what lintwrap's libraries make of the user's settings.
#include "Command.h"

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "utils/Version.h"

#include <new>
#include <vector>

int main(int argc, char** argv) {
    Quillmoren::Libraries::Platform::InitialiseLocale();

    CLI::App app{"Shows what lintwrap's libraries make of the user's settings and of results: "
                 "the issue categories, the classification of message numbers, the issues "
                 "of a results file and the message database. Settings ($QUILLMOREN_REGISTRY, else "
                 "$XDG_CONFIG_HOME/quillmoren/registry.reg, else "
                 "~/.config/quillmoren/registry.reg).",
                 "ombrascope"};
    app.set_version_flag("--version", Quillmoren::Libraries::Utils::ProgramVersion());
    app.require_subcommand(1);

    std::vector<std::unique_ptr<Ombrascope::CCommand>> commands;
    commands.push_back(Ombrascope::MakeCategoriesCommand(app));
    commands.push_back(Ombrascope::MakeClassifyCommand(app));
    commands.push_back(Ombrascope::MakeResultsCommand(app));
    commands.push_back(Ombrascope::MakeMessagesCommand(app));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version are "errors" of status 0; everything else is a usage error.
        const int status = app.exit(e);
        return status == 0 ? 0 : Ombrascope::kExitUsage;
    }
    try {
        for (const auto& command : commands) {
            if (command->WasChosen()) {
                return command->Run();
            }
        }
    } catch (const std::bad_alloc&) {
        // An input too large for memory could not be judged: said so, never an abort.
        Quillmoren::Libraries::Platform::WriteStandardError(
            "ombrascope: out of memory; the input is too large to analyse\n");
        return Ombrascope::kExitInputFailed;
    }
    return Ombrascope::kExitUsage;
}
