#pragma once

#include "model/BookmarkTree.h"
#include "platform/Error.h"

#include <string>

// Largest Bookmarks file read: far beyond any real one (a few megabytes), small enough to parse whole.
constexpr size_t kMaxChromiumBookmarksBytes = 64u << 20;

// Reads the bookmarks of a Chromium-family browser's profile (Chromium, Google Chrome, Brave, Vivaldi,
// Edge: they share the format). path is the profile folder or its Bookmarks file (JSON). A file that
// is no such file, or a damaged one, is refused with the reason.
Result<BookmarkTree> ReadChromiumBookmarks(const std::string& path);

// The same for the text of a Bookmarks file; where names it in messages.
Result<BookmarkTree> ParseChromiumBookmarks(const std::string& text, const std::string& where);
