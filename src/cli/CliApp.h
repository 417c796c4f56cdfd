#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses of sitevigil-cli.
enum CliExit
{
    kExitOk = 0,
    kExitFailed = 1,
    kExitUsage = 2,
};

// Runs one sitevigil-cli command line (without the program name). Output goes to the given streams so
// that the tests can drive the commands in-process. outIsTerminal: out is a terminal, so that tables
// get a header row and aligned columns instead of tab-separated lines.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool outIsTerminal = false);

class CListSession;

// Runs a command handed over on the control channel (the request: "terminal" or "pipe", then the
// command line from the command's name on) on the list of the program that holds the storage folder.
// Called on that program's front-end thread, while no check run is in progress. check is not handed
// over here: the host starts its own run for it.
int RunHandedOver(const std::vector<std::string>& request, std::ostream& out, std::ostream& err, CListSession& session);
// Whether the caller of a handed-over request writes to a terminal (its first element).
bool RequestToTerminal(const std::vector<std::string>& request);
