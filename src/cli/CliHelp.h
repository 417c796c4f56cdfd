#pragma once

#include <iosfwd>
#include <span>
#include <string>

// What one command's help says: how it is called, what it does, its options and an example.
struct CommandHelp
{
    const char* name;
    const char* synopsis; // the arguments after the command name
    const char* summary; // one line for the command overview
    const char* options; // one "  --option  text" line each, or "" when the command has none
    const char* example; // a whole command line
};

// Every command's help, in the order of the overview.
std::span<const CommandHelp> AllCommandHelp();
// The command's help; null for an unknown name.
const CommandHelp* FindCommandHelp(const std::string& name);

// The overview of every command.
void WriteUsage(std::ostream& out);
// The help page of one command.
void WriteCommandHelp(std::ostream& out, const CommandHelp& help);
