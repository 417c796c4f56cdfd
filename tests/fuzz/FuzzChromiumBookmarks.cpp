#include "FuzzTarget.h"

#include "model/BookmarkTree.h"
#include "model/ChromiumBookmarks.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Result<BookmarkTree> tree = ParseChromiumBookmarks(text, "Bookmarks");
    if (tree) {
        // Every path walks up to a top folder and ends.
        for (const BookmarkTree::Bookmark& bookmark : tree->bookmarks)
            (void)tree->FolderPath(bookmark.folder);
    }
    return 0;
}
