#pragma once

#include <string>

// Starts the command line through "/bin/sh -c" in a session of its own and returns at once: the
// command is not waited for and leaves no zombie behind (it is re-parented to init). Standard input
// is /dev/null; standard output and error are inherited; no other descriptor of ours is passed on.
// False when the command could not be handed to the shell (empty text, fork failed, no /bin/sh).
bool StartDetachedCommand(const std::string& command);
