#pragma once

#include <string>
#include <string_view>
#include <vector>

// The bookmarks of one browser profile as the browser shows them: folders in a tree and, in the
// browser's order, every bookmark with the folder it stands in. Nothing here is checked for being a
// web address: the import decides what it takes.
struct BookmarkTree
{
    struct Folder
    {
        std::string name;
        // Index of the folder it stands in; -1 for the browser's own top folders ("Bookmarks Menu",
        // "Bookmarks bar"), which the user does not name and which stay out of a page's description.
        int parent = -1;
    };
    struct Bookmark
    {
        std::string url;
        std::string title;
        int folder = -1;
    };

    // A folder's parent always comes before it.
    std::vector<Folder> folders;
    std::vector<Bookmark> bookmarks;

    // Appends a folder and returns its index.
    int AddFolder(std::string name, int parent);
    // "Shops / Bikes": the names from below the top folder down to this one; "" for a top folder.
    std::string FolderPath(int folder) const;
    // "Bookmarks Menu / Shops / Bikes": the path with the top folder, as a picker shows it.
    std::string FullFolderPath(int folder) const;
    // Whether the folder is the given one or stands somewhere below it.
    bool IsWithin(int folder, int ancestor) const;

    // A name or title from a browser's file as one line of plain text: control characters and runs of
    // white space become one space, the ends are trimmed, and it is cut (on a character) to a length a
    // list can show.
    static std::string PlainName(std::string_view text);
};
