#include "platform/InternetShortcut.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

namespace {

struct ShortcutCase
{
    const char* fileName;
    const char* text; // null: no such file
    bool isShortcut;
    const char* url;
    // The name the page gets; null: the file's name without its extension.
    const char* title = nullptr;
};

class ShortcutFileTest : public testing::TestWithParam<ShortcutCase>
{
};

TEST_P(ShortcutFileTest, ReadsTheAddress)
{
    const ShortcutCase& c = GetParam();
    CTempDir dir;
    if (c.text)
        WriteFileBytes(dir.Path() + c.fileName, c.text);
    const Result<ShortcutFile> file = ReadShortcutFile(dir.Path() + c.fileName);
    ASSERT_EQ(file.ok(), c.text != nullptr || !c.isShortcut) << (file ? std::string() : file.error().message);
    if (!file)
        return;
    EXPECT_EQ(file->isShortcut, c.isShortcut);
    EXPECT_EQ(file->url, c.url);
    if (c.isShortcut) {
        EXPECT_EQ(file->title, c.title ? c.title : ShortcutTitle(c.fileName));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shortcuts, ShortcutFileTest,
    testing::Values(
        // As Windows writes them: CR LF, another section first with an address of its own.
        ShortcutCase{"a.url", "[DEFAULT]\r\nBASEURL=http://base.test/\r\n[InternetShortcut]\r\nURL=http://a.test/\r\n",
                     true, "http://a.test/"},
        ShortcutCase{"b.URL", "\xEF\xBB\xBF[internetshortcut]\nurl = https://b.test/ \n", true, "https://b.test/"},
        ShortcutCase{"c.url", "URL=http://outside.test/\n[InternetShortcut]\nIconIndex=0\n", true, ""},
        ShortcutCase{"d.desktop", "[Desktop Entry]\nURL[de]=http://de.test/\nURL=http://d.test/a\\sb\nType=Link\n",
                     true, "http://d.test/a b"},
        ShortcutCase{"e.desktop", "[Desktop Entry]\nType=Link\n[Extra]\nURL=http://extra.test/\n", true, ""},
        ShortcutCase{"f.desktop", "[Desktop Entry]\nType=Application\nURL=http://f.test/\n", false, ""},
        ShortcutCase{"g.txt", "[InternetShortcut]\nURL=http://g.test/\n", false, ""},
        ShortcutCase{"gone.url", nullptr, true, ""},
        // A link is named by its Name entry, as file managers show it, not by its file name.
        ShortcutCase{
            "link.desktop",
            "[Desktop Entry]\nName[de]=Fahrradladen\nName=Bike shop\\sBerlin\nType=Link\nURL=http://bike.test/\n", true,
            "http://bike.test/", "Bike shop Berlin"}));

} // namespace
