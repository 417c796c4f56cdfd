#include "run/DetachedCommand.h"

#include "platform/Process.h"

#include <csignal>

bool StartDetachedCommand(const std::string& command)
{
    if (command.empty())
        return false;
    SpawnOptions options;
    options.output = kSpawnInherit;
    options.errorOutput = kSpawnInherit;
    // A session of its own, and the command is re-parented to init: we never wait for it.
    options.newSession = true;
    options.orphan = true;
    options.defaultSignals = {SIGPIPE, SIGINT, SIGTERM};
    return Spawn({"/bin/sh", "-c", command}, options) == 0;
}
