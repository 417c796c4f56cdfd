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
