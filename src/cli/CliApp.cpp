#include "cli/CliApp.h"

#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliHelp.h"
#include "model/VigilPrefs.h"
#include "run/ControlChannel.h"

#include <cstdlib>
#include <functional>
#include <ostream>
#include <unistd.h>

namespace {

struct CliCommand
{
    const char* name;
    int (*run)(CliContext& ctx);
    // Handed to the program that holds the storage folder when one is running.
    bool handedOver;
};

// Every command, one line each.
// clang-format off
const CliCommand kCommands[] = {
    {"list", CmdList, true},
    {"show", CmdShow, true},
    {"add", CmdAdd, true},
    {"edit", CmdEdit, true},
    {"remove", CmdRemove, true},
    {"clear", CmdClear, true},
    {"config", CmdConfig, false},
    {"check", CmdCheck, true},
    {"diff", CmdDiff, false},
    {"preview", CmdPreview, false},
    {"daemon", CmdDaemon, false},
    {"log", CmdLog, false},
    {"import-list", CmdImportList, true},
    {"import-bookmarks", CmdImportBookmarks, true},
    {"import-favorites", CmdImportFavorites, true},
    {"test-email", CmdTestEmail, false},
};
// clang-format on

// The first argument of a request on the control channel: how the caller's standard output is used.
constexpr const char* kToTerminal = "terminal";
constexpr const char* kToPipe = "pipe";

// Hands the command to the program that holds the storage folder, if one listens. Files named on the
// command line are made absolute, as that program's working folder is another one.
bool HandOver(const std::vector<std::string>& command, std::ostream& out, std::ostream& err, bool outIsTerminal,
              int& status)
{
    std::vector<std::string> request = {outIsTerminal ? kToTerminal : kToPipe};
    const bool namesFiles = command.front().rfind("import-", 0) == 0;
    char cwd[4096];
    for (const std::string& arg : command) {
        if (namesFiles && &arg != &command.front() && !arg.empty() && arg[0] != '/' && arg[0] != '-'
            && ::getcwd(cwd, sizeof cwd))
            request.push_back(std::string(cwd) + "/" + arg);
        else
            request.push_back(arg);
    }
    ControlReply reply;
    // A check handed over is answered when its run ends: its wait is no news.
    std::function<void()> stillWaiting;
    if (command.front() != "check")
        stillWaiting = [&err] {
            err << "sitevigil-cli: the running program is busy (a check run, or a dialog open in the desktop "
                   "program); waiting for it\n"
                << std::flush;
        };
    if (!SendControlRequest(CVigilPrefs::GetInstance().GetStorageFolder(), request, reply, stillWaiting))
        return false;
    out << reply.out;
    err << reply.err;
    status = reply.status;
    return true;
}

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
            int status = kExitOk;
            if (command.handedOver
                && HandOver(std::vector<std::string>(args.begin() + static_cast<long>(i), args.end()), out, err,
                            outIsTerminal, status))
                return status;
            CliContext ctx(name, std::vector<std::string>(args.begin() + static_cast<long>(i) + 1, args.end()), out,
                           err, outIsTerminal);
            return command.run(ctx);
        }
    }
    err << "sitevigil-cli: unknown command \"" << name << "\" (see sitevigil-cli --help)\n";
    return kExitUsage;
}

bool RequestToTerminal(const std::vector<std::string>& request)
{
    return !request.empty() && request[0] == kToTerminal;
}

int RunHandedOver(const std::vector<std::string>& request, std::ostream& out, std::ostream& err, CListSession& session)
{
    if (request.size() < 2 || (request[0] != kToTerminal && request[0] != kToPipe)) {
        err << "sitevigil-cli: the request cannot be read\n";
        return kExitUsage;
    }
    const std::string& name = request[1];
    for (const CliCommand& command : kCommands) {
        if (name == command.name && command.handedOver && name != "check") {
            CliContext ctx(name, std::vector<std::string>(request.begin() + 2, request.end()), out, err,
                           RequestToTerminal(request));
            ctx.Host(session);
            return command.run(ctx);
        }
    }
    err << "sitevigil-cli: " << name << " is not handed to a running program\n";
    return kExitUsage;
}
