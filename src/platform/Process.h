#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Where a standard output stream of a started program goes: one of these or a descriptor of ours.
constexpr int kSpawnToDevNull = -1;
constexpr int kSpawnInherit = -2;

struct SpawnOptions
{
    // Standard output and standard error of the program.
    int output = kSpawnToDevNull;
    int errorOutput = kSpawnToDevNull;
    // The program starts a session of its own, away from our terminal and process group.
    bool newSession = false;
    // The program is not left as a child of ours: an intermediate process starts it and ends at once,
    // so the program is re-parented to init and nobody here has to wait for it.
    bool orphan = false;
    // Signals whose handling starts at the default, since ignored signals stay ignored across exec.
    std::vector<int> defaultSignals;
};

// Starts the program args[0] (looked up on PATH when the name has no slash) with the arguments and
// no shell in between. Standard input is /dev/null, the signal mask starts empty and no descriptor of
// ours other than the standard ones is passed on. Returns the process id of the child, 0 for an
// orphan, -1 when the program could not be started (the reason goes to the debug log).
pid_t Spawn(const std::vector<std::string>& args, const SpawnOptions& options);

// Waits for a child: its exit status, -1 when it could not be waited for or did not exit normally.
int WaitForExit(pid_t pid);
