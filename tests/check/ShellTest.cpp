#include "platform/Shell.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

using Args = std::vector<std::string>;

Args SplitNul(const std::string& bytes)
{
    Args args;
    size_t from = 0;
    for (size_t at; (at = bytes.find('\0', from)) != std::string::npos; from = at + 1)
        args.push_back(bytes.substr(from, at - from));
    return args;
}

void WriteScript(const std::string& path, const std::string& text)
{
    WriteFileBytes(path, "#!/bin/sh\n" + text);
    chmod(path.c_str(), 0755);
}

// Sets an environment variable for one test and puts the old value back.
class CScopedEnv
{
public:
    CScopedEnv(const char* name, const std::string& value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old, m_had = true;
        setenv(name, value.c_str(), 1);
    }
    ~CScopedEnv()
    {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

} // namespace

struct ExecCase
{
    const char* name;
    const char* exec;
    Args args; // "P" stands for the path
};

class DesktopExec : public ::testing::TestWithParam<ExecCase>
{
};

TEST_P(DesktopExec, Expand)
{
    const std::string path = "/tmp/a b/50%u \"x\".html";
    Args expected = GetParam().args;
    for (std::string& arg : expected) {
        if (arg == "P")
            arg = path;
        else if (arg == "--file=P")
            arg = "--file=" + path;
    }
    EXPECT_EQ(ExpandDesktopExec(GetParam().exec, path), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Shell, DesktopExec,
    ::testing::Values(ExecCase{"UrlCode", "firefox %u", {"firefox", "P"}},
                      ExecCase{"ListCode", "\"/opt/My Browser/run\" --new %U", {"/opt/My Browser/run", "--new", "P"}},
                      ExecCase{"NoCode", "viewer", {"viewer", "P"}},
                      ExecCase{"DroppedCodes", "viewer %i %c %k --file=%f", {"viewer", "--file=P"}},
                      ExecCase{"EscapedQuotes", R"(sh -c "echo \\"hi\\"" %f)", {"sh", "-c", "echo \"hi\"", "P"}},
                      ExecCase{"Percent", "app 100%% %F", {"app", "100%", "P"}},
                      ExecCase{"SpaceEscape", R"(app\s--flag %u)", {"app", "--flag", "P"}},
                      ExecCase{"EmptyQuoted", "app \"\" %u", {"app", "", "P"}},
                      ExecCase{"Unterminated", "app \"open %u", {}}, ExecCase{"Nothing", "  ", {}}),
    [](const ::testing::TestParamInfo<ExecCase>& info) { return std::string(info.param.name); });

class ShellOpen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_bin = m_dir.Path() + "bin/";
        std::filesystem::create_directories(m_bin);
        std::filesystem::create_directories(m_data.Path() + "applications/fake");
        // xdg-open records its arguments and exits with the status the test asks for.
        WriteScript(m_bin + "xdg-open",
                    "printf '%s\\0' \"$@\" > \"" + m_dir.Path()
                        + "xdg-open.args\"\n"
                          "exit $(cat \""
                        + m_dir.Path() + "xdg-open.status\")\n");
        WriteFileBytes(m_dir.Path() + "xdg-open.status", "0");
        WriteScript(m_bin + "xdg-mime",
                    "[ \"$*\" = \"query default text/html\" ] && cat \"" + m_dir.Path() + "xdg-mime.out\"\n");
        WriteScript(m_bin + "viewer", "printf '%s\\0' \"$@\" > \"" + m_dir.Path() + "viewer.args\"\n");
        WriteFileBytes(m_data.Path() + "applications/fake/viewer.desktop",
                       "[Desktop Action window]\nExec=wrong %u\n"
                       "[Desktop Entry]\nName=Viewer\nExec[de]=falsch\nExec = "
                           + m_bin + "viewer --new-window %U\n");
    }

    std::string Recorded(const char* name) { return ReadFileBytes(m_dir.Path() + name); }

    CTempDir m_dir;
    CTempDir m_data;
    std::string m_bin;
    // Our own programs come first on the path and the desktop files come from our folder only.
    CScopedEnv m_path{"PATH", m_dir.Path() + "bin:" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin")};
    CScopedEnv m_dataHome{"XDG_DATA_HOME", m_data.Path()};
    CScopedEnv m_dataDirs{"XDG_DATA_DIRS", m_data.Path() + "none"};
};

TEST_F(ShellOpen, PathReachesXdgOpenAsOneArgument)
{
    const std::string path = m_dir.Path() + "my page's \"copy\" $(touch pwned); `touch pwned2` *.html";
    EXPECT_TRUE(OpenWithShellAndWait(path));
    EXPECT_EQ(SplitNul(Recorded("xdg-open.args")), Args{path});
    EXPECT_FALSE(FileExists("pwned"));
    EXPECT_FALSE(FileExists(m_dir.Path() + "pwned"));
    EXPECT_FALSE(FileExists("pwned2"));
}

TEST_F(ShellOpen, FallsBackToTheHtmlHandler)
{
    WriteFileBytes(m_dir.Path() + "xdg-open.status", "4");
    WriteFileBytes(m_dir.Path() + "xdg-mime.out", "fake-viewer.desktop\n");
    const std::string path = m_dir.Path() + "1a_diffs.html";
    EXPECT_TRUE(OpenWithShellAndWait(path));
    EXPECT_EQ(SplitNul(Recorded("viewer.args")), (Args{"--new-window", path}));
}

TEST_F(ShellOpen, NothingRegisteredGivesUp)
{
    WriteFileBytes(m_dir.Path() + "xdg-open.status", "4");
    WriteFileBytes(m_dir.Path() + "xdg-mime.out", "");
    EXPECT_FALSE(OpenWithShellAndWait(m_dir.Path() + "page.html"));
    EXPECT_FALSE(FileExists(m_dir.Path() + "viewer.args"));
    EXPECT_FALSE(OpenWithShellAndWait(""));
}

TEST_F(ShellOpen, DesktopEntriesAreLookedUpInsideTheApplicationsFolders)
{
    EXPECT_EQ(FindDesktopEntry("fake-viewer.desktop"), m_data.Path() + "applications/fake/viewer.desktop");
    WriteFileBytes(m_data.Path() + "applications/fake-viewer.desktop", "[Desktop Entry]\nExec=flat\n");
    EXPECT_EQ(FindDesktopEntry("fake-viewer.desktop"), m_data.Path() + "applications/fake-viewer.desktop");
    EXPECT_EQ(ReadDesktopExec(FindDesktopEntry("fake-viewer.desktop")), "flat");
    EXPECT_EQ(FindDesktopEntry("missing.desktop"), "");
    EXPECT_EQ(FindDesktopEntry("../applications/fake-viewer.desktop"), "");
    EXPECT_EQ(FindDesktopEntry(""), "");
}
