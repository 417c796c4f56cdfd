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
    ASSERT_TRUE(first.Acquire(dir.Path()));

    // A second holder, even in the same process, is refused at once with a clear reason.
    CFolderLock second;
    const Status refused = second.Acquire(dir.Path());
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, ErrorKind::Busy);
    EXPECT_NE(refused.error().message.find("in use by another"), std::string::npos) << refused.error().message;

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        CFolderLock child;
        _exit(child.Acquire(dir.Path()) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process got the lock";

    first.Release();
    EXPECT_TRUE(second.Acquire(dir.Path()));
}

TEST(FolderLock, MissingFolderIsAnError)
{
    CTempDir dir;
    CFolderLock lock;
    const Status missing = lock.Acquire(dir.Path() + "absent/");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, ErrorKind::Io);
    EXPECT_NE(missing.error().message.find("absent"), std::string::npos);
    EXPECT_FALSE(lock.IsHeld());
}

} // namespace
