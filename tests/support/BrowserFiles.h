#pragma once

#include <sqlite3.h>

#include <string>

// Browser profile files in the browsers' own formats, for the import tests.

// A places.sqlite with Firefox's schema and its top folders (menu, toolbar, tags, unfiled, mobile),
// holding: Bookmarks Menu / Shops / Bikes with "Bike shop" (https://bikes.test/) and a javascript:
// bookmarklet, Bookmarks Toolbar with "News" (http://news.test/), a tag folder holding a second entry
// for the bike shop, and a separator. Returns the open connection (the caller plays Firefox and
// closes it) so that a test can leave work in its write-ahead log or journal.
sqlite3* WriteFirefoxPlaces(const std::string& path, const char* journalMode = "wal");

// Runs SQL on the connection, failing the test on an error.
void RunSql(sqlite3* db, const std::string& sql);

// A Chromium Bookmarks file with the same bookmarks: Bookmarks bar / Shops / Bikes with the bike shop and
// a javascript: one, News in Other bookmarks.
std::string ChromiumBookmarksJson();
