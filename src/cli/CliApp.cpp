#include "cli/CliApp.h"

#include <ostream>

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    (void)args;
    (void)out;
    err << "sitevigil-cli: no commands yet\n";
    return kExitUsage;
}
