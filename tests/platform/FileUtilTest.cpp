#include "platform/FileUtil.h"
#include "platform/Autostart.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace {

TEST(FileUtil, AtomicWriteReplacesWholeOrNotAtAll)
{
    CTempDir dir;
    const std::string path = dir.Path() + "data.bin";
    EXPECT_TRUE(WriteFileAtomically(path, "first"));
    EXPECT_TRUE(WriteFileAtomically(path, std::string(100000, 'z'), 0640));
    EXPECT_EQ(ReadFileBytes(path), std::string(100000, 'z'));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // The folder is a regular file: nothing can be created in it.
    const Status written = WriteFileAtomically(path + "/x", "second");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().kind, ErrorKind::Io);
    EXPECT_NE(written.error().message.find("cannot create a temporary file in "), std::string::npos);
    EXPECT_EQ(ReadFileBytes(path), std::string(100000, 'z'));
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1u); // no temporary file left behind
}

TEST(FileUtil, ReadWholeFileRefusesWhatIsTooLarge)
{
    CTempDir dir;
    WriteFileBytes(dir.Path() + "f", "0123456789");
    const Result<std::string> whole = ReadWholeFile(dir.Path() + "f", 10);
    ASSERT_TRUE(whole);
    EXPECT_EQ(*whole, "0123456789");
    const Result<std::string> large = ReadWholeFile(dir.Path() + "f", 9);
    ASSERT_FALSE(large);
    EXPECT_EQ(large.error(), MakeError(ErrorKind::BadInput, "cannot read " + dir.Path() + "f: the file is too large"));
    const Result<std::string> missing = ReadWholeFile(dir.Path() + "none", 9);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, ErrorKind::NotFound);
}

TEST(FileUtil, MakeFoldersCreatesParents)
{
    CTempDir dir;
    EXPECT_TRUE(MakeFolders(dir.Path() + "a/b/c/"));
    EXPECT_TRUE(MakeFolders(dir.Path() + "a/b/c"));
    WriteFileBytes(dir.Path() + "file", "x");
    // A file in the way is said in the system's words, for the messages that name the folder.
    const Status blocked = MakeFolders(dir.Path() + "file/sub");
    ASSERT_FALSE(blocked);
    EXPECT_EQ(blocked.error().message, SystemErrorText(ENOTDIR));
    EXPECT_FALSE(MakeFolders(dir.Path() + "file"));
}

TEST(Autostart, EntryQuotesAnAwkwardProgramPath)
{
    CIsolatedSettings settings;
    const std::string program = "/opt/my apps/vigil$1 100%\\\"x\"";
    ASSERT_TRUE(WriteAutostartEntry(program));
    const std::string text = ReadFileBytes(AutostartEntryPath());
    // Exec quoting (\$ \\ \" and %%), then the desktop-file string escaping doubles each backslash.
    EXPECT_NE(text.find("Exec=\"/opt/my apps/vigil\\\\$1 100%%\\\\\\\\\\\\\"x\\\\\"\"\n"), std::string::npos) << text;
    EXPECT_TRUE(RemoveAutostartEntry());
    EXPECT_FALSE(FileExists(AutostartEntryPath()));
    EXPECT_TRUE(RemoveAutostartEntry());
}

} // namespace
