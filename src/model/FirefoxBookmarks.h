#pragma once

#include "model/BookmarkTree.h"
#include "platform/Error.h"

#include <string>

// Reads the bookmarks of a Firefox profile. path is the profile folder or its places.sqlite. Firefox
// keeps that database locked while it runs, so a private copy of it (with its write-ahead log or its
// rollback journal, when there is one) is read and removed afterwards; the profile is never written.
// A file that is no Firefox bookmarks database, or a damaged one, is refused with the reason.
Result<BookmarkTree> ReadFirefoxBookmarks(const std::string& path);
