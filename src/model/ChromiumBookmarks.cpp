#include "model/ChromiumBookmarks.h"

#include "platform/FileUtil.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

namespace {

using Json = nlohmann::json;

// Deeper than anyone files bookmarks, shallow enough for the walk below.
constexpr int kMaxDepth = 200;

// The top folders in the order the browser shows them, with the names it shows when the file has none.
struct TopFolder
{
    const char* key;
    const char* name;
};
constexpr TopFolder kTopFolders[]
    = {{"bookmark_bar", "Bookmarks bar"}, {"other", "Other bookmarks"}, {"synced", "Mobile bookmarks"}};

std::string TextOf(const Json& node, const char* key)
{
    const auto found = node.find(key);
    return found != node.end() && found->is_string() ? found->get<std::string>() : std::string();
}

Error Unknown(const std::string& where, const std::string& why)
{
    return MakeError(ErrorKind::BadInput, where + " is no Chromium bookmarks file: " + why);
}

// Adds the folder's children in the file's order, which is the order the browser lists them in.
Status AddChildren(BookmarkTree& tree, const Json& folder, int index, int depth, const std::string& where)
{
    const auto children = folder.find("children");
    if (children == folder.end())
        return {};
    if (!children->is_array())
        return Unknown(where, "a folder's \"children\" is no list");
    if (depth > kMaxDepth)
        return Unknown(where, "its folders are nested more than " + std::to_string(kMaxDepth) + " deep");
    for (const Json& child : *children) {
        if (!child.is_object())
            return Unknown(where, "a bookmark is no object");
        const std::string type = TextOf(child, "type");
        if (type == "folder") {
            const int sub = tree.AddFolder(BookmarkTree::PlainName(TextOf(child, "name")), index);
            if (Status status = AddChildren(tree, child, sub, depth + 1, where); !status)
                return status;
        } else if (type == "url") {
            const std::string url = TextOf(child, "url");
            std::string title = BookmarkTree::PlainName(TextOf(child, "name"));
            if (!url.empty())
                tree.bookmarks.push_back({url, title.empty() ? BookmarkTree::PlainName(url) : std::move(title), index});
        }
        // Other types (separators in some forks) hold nothing to watch.
    }
    return {};
}

} // namespace

Result<BookmarkTree> ParseChromiumBookmarks(const std::string& text, const std::string& where)
{
    Json document;
    try {
        document = Json::parse(text);
    } catch (const Json::parse_error& error) {
        return MakeError(ErrorKind::BadInput,
                         where + " is damaged: it is no JSON text (at byte " + std::to_string(error.byte) + ")");
    }
    if (!document.is_object())
        return Unknown(where, "it holds no object");
    const auto roots = document.find("roots");
    if (roots == document.end() || !roots->is_object())
        return Unknown(where, "it has no \"roots\"");

    BookmarkTree tree;
    bool any = false;
    for (const TopFolder& top : kTopFolders) {
        const auto root = roots->find(top.key);
        if (root == roots->end())
            continue;
        if (!root->is_object())
            return Unknown(where, std::string("\"") + top.key + "\" is no folder");
        any = true;
        std::string name = BookmarkTree::PlainName(TextOf(*root, "name"));
        const int index = tree.AddFolder(name.empty() ? top.name : std::move(name), -1);
        if (Status status = AddChildren(tree, *root, index, 1, where); !status)
            return status.error();
    }
    if (!any)
        return Unknown(where, "it has none of the browser's top folders");
    return tree;
}

Result<BookmarkTree> ReadChromiumBookmarks(const std::string& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return MakeError(ErrorKind::NotFound, "cannot open " + path + ": " + SystemErrorText(errno));
    const std::string file = S_ISDIR(st.st_mode) ? WithSlash(path) + "Bookmarks" : path;
    if (::stat(file.c_str(), &st) != 0)
        return MakeError(ErrorKind::NotFound, "no Bookmarks file in " + path + ": it is no browser profile folder");
    if (!S_ISREG(st.st_mode))
        return MakeError(ErrorKind::BadInput, file + " is no file");
    const Result<std::string> text = ReadWholeFile(file, kMaxChromiumBookmarksBytes);
    if (!text)
        return MakeError(ErrorKind::Io, text.error().message);
    return ParseChromiumBookmarks(*text, file);
}
