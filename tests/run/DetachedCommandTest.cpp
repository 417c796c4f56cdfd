#include "run/DetachedCommand.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

bool WaitForContent(const std::string& path, const std::string& wanted)
{
    for (int i = 0; i < 200; ++i) {
        if (ReadFileBytes(path) == wanted)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

TEST(DetachedCommand, RunsThroughTheShellWithoutBeingWaitedFor)
{
    CTempDir dir;
    const std::string gate = dir.Path() + "gate";
    const std::string done = dir.Path() + "done";
    // A descriptor of ours that the command must not inherit.
    int ours = open((dir.Path() + "ours").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(ours, 0);

    // The command waits for a file that the test creates only after the call has returned.
    const std::string command = "while [ ! -e '" + gate + "' ]; do sleep 0.05; done; read line; echo \"stdin:$?\" > '"
        + done + ".tmp'; [ -e /proc/$$/fd/" + std::to_string(ours) + " ] && echo leaked >> '" + done + ".tmp'; mv '"
        + done + ".tmp' '" + done + "'";
    ASSERT_TRUE(StartDetachedCommand(command));
    // Nothing of ours is left to reap: the intermediate child is gone and the command is not our child.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    WriteFileBytes(gate, "");
    // Standard input is /dev/null (read fails at its end), and our descriptor was closed.
    EXPECT_TRUE(WaitForContent(done, "stdin:1\n"));
    close(ours);
}
