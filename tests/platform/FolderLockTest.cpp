#include "platform/FolderLock.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(FolderLock, OnlyOneHolderAtATime)
{
    CTempDir dir;
    CFolderLock first;
    std::string error;
    ASSERT_TRUE(first.Acquire(dir.Path(), error)) << error;

    // A second holder, even in the same process, is refused at once with a clear reason.
    CFolderLock second;
    EXPECT_FALSE(second.Acquire(dir.Path(), error));
    EXPECT_NE(error.find("in use by another"), std::string::npos) << error;

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        CFolderLock child;
        std::string childError;
        _exit(child.Acquire(dir.Path(), childError) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process got the lock";

    first.Release();
    EXPECT_TRUE(second.Acquire(dir.Path(), error)) << error;
}

TEST(FolderLock, MissingFolderIsAnError)
{
    CTempDir dir;
    CFolderLock lock;
    std::string error;
    EXPECT_FALSE(lock.Acquire(dir.Path() + "absent/", error));
    EXPECT_NE(error.find("absent"), std::string::npos);
    EXPECT_FALSE(lock.IsHeld());
}

} // namespace
