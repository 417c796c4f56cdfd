#include "cli/CliApp.h"

#include "cli/CliCommands.h"
#include "cli/CliContext.h"
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
    {"add", CmdAdd},
    {"remove", CmdRemove},
    {"clear", CmdClear},
    {"config", CmdConfig},
    {"check", CmdCheck},
    {"diff", CmdDiff},
    {"daemon", CmdDaemon},
    {"log", CmdLog},
    {"import-list", CmdImportList},
    {"import-bookmarks", CmdImportBookmarks},
    {"import-favorites", CmdImportFavorites},
    {"test-email", CmdTestEmail},
};
// clang-format on

const char* const kUsage = "Usage: sitevigil-cli [--config-dir DIR] COMMAND [ARGUMENTS]\n"
                           "\n"
                           "Commands:\n"
                           "  list [--json]               the watched pages: position, name, address, status,\n"
                           "                              change, last checked, last modified\n"
                           "  add URL [--name N] [--watch W]... [--search T] [--start T] [--end T] [--no-save]\n"
                           "                              watch a new page; W is content, date, unreachable,\n"
                           "                              reachable, size, text or notext (default: size);\n"
                           "                              --no-save keeps no copy of the page on disk\n"
                           "  remove PAGE...              stop watching pages (their files stay)\n"
                           "  check [PAGE...]             check all or the named pages\n"
                           "  clear [PAGE...]             clear the change marks of all or the named pages\n"
                           "  diff PAGE                   write the differences report and print its path\n"
                           "  log [--clear]               print the update log's page path, or empty the log\n"
                           "  import-bookmarks FILE       add the links of a bookmarks file\n"
                           "  import-favorites [DIR]      add the shortcuts of a Favorites folder\n"
                           "                              (default: ~/Favorites)\n"
                           "  import-list FILE            add the pages of another list file\n"
                           "  config list                 every setting and its value\n"
                           "  config get NAME             one setting\n"
                           "  config set NAME VALUE       change a setting\n"
                           "  daemon                      check on the schedule, without a window\n"
                           "  test-email                  send the test e-mail with the stored settings\n"
                           "\n"
                           "PAGE is a page's position in the list (from 1) or its exact name.\n"
                           "Settings: --config-dir DIR, else $SITEVIGIL_CONFIG_DIR, else ~/.config/site-vigil/.\n"
                           "Exit status: 0 success, 1 the work failed, 2 bad usage or unreadable input.\n";

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h" || arg == "help") {
            out << kUsage;
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
        err << kUsage;
        return kExitUsage;
    }
    const std::string& name = args[i];
    for (const CliCommand& command : kCommands) {
        if (name == command.name) {
            CliContext ctx(name, std::vector<std::string>(args.begin() + static_cast<long>(i) + 1, args.end()), out,
                           err);
            return command.run(ctx);
        }
    }
    err << "sitevigil-cli: unknown command \"" << name << "\" (see sitevigil-cli --help)\n";
    return kExitUsage;
}
