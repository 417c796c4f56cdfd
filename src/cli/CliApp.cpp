#include "cli/CliApp.h"

#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliHelp.h"
#include "model/VigilPrefs.h"

#include <cstdlib>
#include <ostream>

namespace {

struct CliCommand
{
    const char* name;
    int (*run)(CliContext& ctx);
};

// Every command, one line each.
// clang-format off
const CliCommand kCommands[] = {
    {"list", CmdList},
    {"show", CmdShow},
    {"add", CmdAdd},
    {"edit", CmdEdit},
    {"remove", CmdRemove},
    {"clear", CmdClear},
    {"config", CmdConfig},
    {"check", CmdCheck},
    {"diff", CmdDiff},
    {"history", CmdHistory},
    {"purge", CmdPurge},
    {"preview", CmdPreview},
    {"daemon", CmdDaemon},
    {"log", CmdLog},
    {"import-list", CmdImportList},
    {"import-bookmarks", CmdImportBookmarks},
    {"import-favorites", CmdImportFavorites},
    {"import-firefox", CmdImportFirefox},
    {"import-chromium", CmdImportChromium},
    {"test-email", CmdTestEmail},
    {"channels", CmdChannels},
    {"outbox", CmdOutbox},
};
// clang-format on

// Whether the command's own arguments ask for its help ("--" ends the options).
bool AsksForHelp(const std::vector<std::string>& args, size_t from)
{
    for (size_t i = from; i < args.size(); ++i) {
        if (args[i] == "--")
            return false;
        if (args[i] == "--help" || args[i] == "-h")
            return true;
    }
    return false;
}

int Help(const std::vector<std::string>& topics, std::ostream& out, std::ostream& err)
{
    if (topics.empty()) {
        WriteUsage(out);
        return kExitOk;
    }
    const CommandHelp* help = topics.size() == 1 ? FindCommandHelp(topics.front()) : nullptr;
    if (!help) {
        err << "sitevigil-cli: help: no command \"" << topics.front() << "\" (see sitevigil-cli help)\n";
        return kExitUsage;
    }
    WriteCommandHelp(out, *help);
    return kExitOk;
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool outIsTerminal)
{
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            WriteUsage(out);
            return kExitOk;
        }
        if (arg == "--version") {
            out << "sitevigil-cli " << SITEVIGIL_VERSION_MAJOR << "." << SITEVIGIL_VERSION_MINOR << "."
                << SITEVIGIL_VERSION_BUILD << "\n";
            return kExitOk;
        }
        std::string configDir;
        if (arg == "--config-dir") {
            if (i + 1 >= args.size()) {
                err << "sitevigil-cli: option --config-dir needs a folder\n";
                return kExitUsage;
            }
            configDir = args[++i];
        } else if (arg.rfind("--config-dir=", 0) == 0) {
            configDir = arg.substr(13);
        } else if (arg.rfind("--", 0) == 0) {
            err << "sitevigil-cli: unknown option " << arg << " (see sitevigil-cli --help)\n";
            return kExitUsage;
        } else {
            break;
        }
        if (configDir.empty()) {
            err << "sitevigil-cli: option --config-dir needs a folder\n";
            return kExitUsage;
        }
        // Before the settings are first opened: the store is made from the environment.
        setenv("SITEVIGIL_CONFIG_DIR", configDir.c_str(), 1);
        CVigilPrefs::ResetInstance();
    }

    if (i >= args.size()) {
        WriteUsage(err);
        return kExitUsage;
    }
    const std::string& name = args[i];
    if (name == "help" && AsksForHelp(args, i + 1))
        return Help({name}, out, err);
    if (name == "help")
        return Help(std::vector<std::string>(args.begin() + static_cast<long>(i) + 1, args.end()), out, err);
    for (const CliCommand& command : kCommands) {
        if (name == command.name) {
            if (AsksForHelp(args, i + 1))
                return Help({name}, out, err);
            // A damaged settings file is said once; `config` reports it as its own failure.
            if (name != "config") {
                if (const std::string problem = CVigilPrefs::GetInstance().StoreProblemText(); !problem.empty())
                    err << "sitevigil-cli: warning: " << problem << "\n";
            }
            CliContext ctx(name, std::vector<std::string>(args.begin() + static_cast<long>(i) + 1, args.end()), out,
                           err, outIsTerminal);
            return command.run(ctx);
        }
    }
    err << "sitevigil-cli: unknown command \"" << name << "\" (see sitevigil-cli --help)\n";
    return kExitUsage;
}
