#include "platform/SettingsDb.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

TEST(SettingsDb, StoresTypedValuesAndFindsNamesIgnoringCase)
{
    CTempDir dir;
    CSettingsDb db(dir.Path() + "settings.db");
    ASSERT_TRUE(db.IsOpen()) << db.OpenStatus().error().message;
    ASSERT_TRUE(db.Write("userAgent", CSettingsDb::kTypeText, std::string("ua\0", 3)));
    ASSERT_TRUE(db.Write("numThreads", CSettingsDb::kTypeDword, std::string("\x05\x00\x00\x00", 4)));
    ASSERT_TRUE(db.Write("NUMTHREADS", CSettingsDb::kTypeDword, std::string("\x07\x00\x00\x00", 4)));

    int type = 0;
    std::string data;
    ASSERT_TRUE(db.Read("numthreads", type, data));
    EXPECT_EQ(type, CSettingsDb::kTypeDword);
    EXPECT_EQ(data, std::string("\x07\x00\x00\x00", 4));
    ASSERT_TRUE(db.Read("userAgent", type, data));
    EXPECT_EQ(type, CSettingsDb::kTypeText);
    EXPECT_EQ(data, std::string("ua\0", 3));
    EXPECT_EQ(db.Names().size(), 2u);

    EXPECT_TRUE(db.Delete("userAgent"));
    EXPECT_TRUE(db.Delete("userAgent"));
    type = 99;
    EXPECT_FALSE(db.Read("userAgent", type, data));
    EXPECT_EQ(type, 99);

    struct stat st
    {
    };
    ASSERT_EQ(::stat((dir.Path() + "settings.db").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SettingsDb, AnotherProcessSeesEachWriteAtOnce)
{
    CTempDir dir;
    const std::string path = dir.Path() + "settings.db";
    CSettingsDb db(path);
    ASSERT_TRUE(db.Write("a", CSettingsDb::kTypeDword, std::string("\x01\x00\x00\x00", 4)));

    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Child: its own connection; reads the parent's value, writes one back, then checks the
        // parent's second write, each step handed over through the pipes.
        CSettingsDb own(path);
        int type = 0;
        std::string data;
        bool ok = own.Read("a", type, data) && data == std::string("\x01\x00\x00\x00", 4);
        ok = ok && own.Write("b", CSettingsDb::kTypeText, std::string("child\0", 6));
        char c = ok ? 'y' : 'n';
        (void)!::write(toParent[1], &c, 1);
        (void)!::read(toChild[0], &c, 1);
        ok = ok && own.Read("a", type, data) && data == std::string("\x02\x00\x00\x00", 4);
        _exit(ok ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    int type = 0;
    std::string data;
    ASSERT_TRUE(db.Read("b", type, data));
    EXPECT_EQ(data, std::string("child\0", 6));
    ASSERT_TRUE(db.Write("a", CSettingsDb::kTypeDword, std::string("\x02\x00\x00\x00", 4)));
    c = 'g';
    ASSERT_EQ(::write(toChild[1], &c, 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        ::close(fd);
}

TEST(SettingsDb, ThreadsAndTwoConnectionsWriteTogether)
{
    CTempDir dir;
    const std::string path = dir.Path() + "settings.db";
    CSettingsDb first(path);
    CSettingsDb second(path);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            CSettingsDb& db = t % 2 ? first : second;
            for (int i = 0; i < 50; ++i) {
                const std::string name = "v" + std::to_string(t) + "_" + std::to_string(i);
                if (!db.Write(name, CSettingsDb::kTypeText, name + '\0'))
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(first.Names().size(), 200u);
}

// A file that cannot be used fails every write, yet the run goes on with what it wrote, in memory;
// the file itself is never touched.
TEST(SettingsDb, DamagedOrUnopenableFileFailsButKeepsValuesInMemory)
{
    CTempDir dir;
    const std::string garbage = "this is not a database, just some text that is long enough";
    WriteFileBytes(dir.Path() + "damaged.db", garbage);
    CSettingsDb damaged(dir.Path() + "damaged.db");
    EXPECT_FALSE(damaged.IsOpen());
    ASSERT_FALSE(damaged.OpenStatus());
    EXPECT_NE(damaged.OpenStatus().error().message, "");
    int type = 0;
    std::string data;
    EXPECT_FALSE(damaged.Read("x", type, data));
    EXPECT_FALSE(damaged.Write("x", CSettingsDb::kTypeText, std::string("y\0", 2)));
    ASSERT_TRUE(damaged.Read("X", type, data));
    EXPECT_EQ(type, CSettingsDb::kTypeText);
    EXPECT_EQ(data, std::string("y\0", 2));
    EXPECT_FALSE(damaged.Delete("x"));
    EXPECT_FALSE(damaged.Read("x", type, data));
    EXPECT_TRUE(damaged.Names().empty());
    EXPECT_EQ(ReadFileBytes(dir.Path() + "damaged.db"), garbage);

    CSettingsDb missingFolder(dir.Path() + "damaged.db/sub/settings.db");
    EXPECT_FALSE(missingFolder.IsOpen());
    EXPECT_FALSE(missingFolder.Write("x", CSettingsDb::kTypeText, std::string("y\0", 2)));
}

} // namespace

TEST(SettingsDb, KeptValuesGiveWayToAnyConnectionsCommit)
{
    CTempDir dir;
    CSettingsDb reader(dir.Path() + "settings.db");
    CSettingsDb writer(dir.Path() + "settings.db");
    int type = 0;
    std::string data;
    EXPECT_FALSE(reader.Read("Agent", type, data));
    for (const std::string value : {"one", "two", ""}) {
        if (value.empty())
            ASSERT_TRUE(writer.Delete("agent"));
        else
            ASSERT_TRUE(writer.Write("AGENT", CSettingsDb::kTypeText, value));
        EXPECT_EQ(reader.Read("agent", type, data), !value.empty()) << value;
        if (!value.empty()) {
            EXPECT_EQ(data, value);
        }
    }
}

// While held, another connection's commit is seen within the hold's interval; once the hold is
// released (a release too many is no hold below none), at the next read again.
TEST(SettingsDb, HeldRechecksStillSeeAnotherConnectionsCommit)
{
    CTempDir dir;
    CSettingsDb reader(dir.Path() + "settings.db");
    CSettingsDb writer(dir.Path() + "settings.db");
    int type = 0;
    std::string data;
    reader.HoldRechecks(true);
    for (const char* value : {"one", "two"}) {
        ASSERT_TRUE(writer.Write("agent", CSettingsDb::kTypeText, value));
        std::this_thread::sleep_for(CSettingsDb::kHeldRecheck + std::chrono::milliseconds(50));
        ASSERT_TRUE(reader.Read("agent", type, data));
        EXPECT_EQ(data, value);
    }
    reader.HoldRechecks(false);
    reader.HoldRechecks(false);
    ASSERT_TRUE(writer.Write("agent", CSettingsDb::kTypeText, "three"));
    ASSERT_TRUE(reader.Read("agent", type, data));
    EXPECT_EQ(data, "three");
}

// SQLite marks a connection's presence with a lock on the -shm file; a second process that finds
// no such lock takes itself for the only user and rebuilds the index under the first one's feet.
TEST(SettingsDb, AnotherProcessStillSeesAnOpenConnection)
{
    CTempDir dir;
    const std::string path = dir.Path() + "settings.db";
    CSettingsDb db(path);
    ASSERT_TRUE(db.Write("a", CSettingsDb::kTypeDword, std::string("\x01\x00\x00\x00", 4)));
    int type = 0;
    std::string data;
    ASSERT_TRUE(db.Read("a", type, data));

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Locks are per process: only another process can see the parent's.
        const int fd = ::open((path + "-shm").c_str(), O_RDWR | O_CLOEXEC);
        struct flock probe
        {
        };
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        const bool locked = fd >= 0 && ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
        _exit(locked ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the connection's lock on the -shm file is gone";
}
