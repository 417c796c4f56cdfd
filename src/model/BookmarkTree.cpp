#include "model/BookmarkTree.h"

#include "platform/Utf8.h"

int BookmarkTree::AddFolder(std::string name, int parent)
{
    folders.push_back({std::move(name), parent});
    return static_cast<int>(folders.size()) - 1;
}

namespace {

// Folder names from the top down; the readers keep parents before children, so the walk ends.
std::vector<const std::string*> NamesDown(const BookmarkTree& tree, int folder, bool withTop)
{
    std::vector<const std::string*> names;
    for (int at = folder; at >= 0 && at < static_cast<int>(tree.folders.size()); at = tree.folders[at].parent) {
        if (tree.folders[at].parent < 0 && !withTop)
            break;
        names.push_back(&tree.folders[at].name);
        if (tree.folders[at].parent >= at)
            break;
    }
    return {names.rbegin(), names.rend()};
}

std::string Joined(const std::vector<const std::string*>& names)
{
    std::string path;
    for (const std::string* name : names) {
        if (!path.empty())
            path += " / ";
        path += *name;
    }
    return path;
}

} // namespace

std::string BookmarkTree::FolderPath(int folder) const
{
    return Joined(NamesDown(*this, folder, false));
}

std::string BookmarkTree::FullFolderPath(int folder) const
{
    return Joined(NamesDown(*this, folder, true));
}

bool BookmarkTree::IsWithin(int folder, int ancestor) const
{
    for (int at = folder; at >= 0 && at < static_cast<int>(folders.size()); at = folders[at].parent) {
        if (at == ancestor)
            return true;
        if (folders[at].parent >= at)
            break;
    }
    return false;
}

std::string BookmarkTree::PlainName(std::string_view text)
{
    constexpr size_t kMaxNameBytes = 1000;
    std::string name;
    bool space = false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f) {
            space = !name.empty();
            continue;
        }
        if (space)
            name += ' ';
        space = false;
        name += c;
        if (name.size() > kMaxNameBytes)
            break;
    }
    name.resize(Utf8CutLength(name, kMaxNameBytes));
    return name;
}
