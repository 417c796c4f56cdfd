#include "BrowserFiles.h"

#include <gtest/gtest.h>

void RunSql(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
}

sqlite3* WriteFirefoxPlaces(const std::string& path, const char* journalMode)
{
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    RunSql(db, std::string("PRAGMA journal_mode=") + journalMode + "; PRAGMA wal_autocheckpoint=0;");
    // The tables as Firefox creates them (schema version 7x).
    RunSql(db, R"sql(
CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL,
  frecency INTEGER NOT NULL, recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER,
  recalc_alt_frecency INTEGER NOT NULL DEFAULT 0, UNIQUE (prefix, host));
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR,
  visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL,
  frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER , guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL,
  url_hash INTEGER DEFAULT 0 NOT NULL , description TEXT, preview_image_url TEXT, site_name TEXT,
  origin_id INTEGER REFERENCES moz_origins(id), recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER,
  recalc_alt_frecency INTEGER NOT NULL DEFAULT 0);
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,
  position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER,
  lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT NULL DEFAULT 1);
CREATE INDEX moz_places_url_hashindex ON moz_places (url_hash);
CREATE UNIQUE INDEX moz_places_guid_uniqueindex ON moz_places (guid);
CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type);
CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position);
CREATE UNIQUE INDEX moz_bookmarks_guid_uniqueindex ON moz_bookmarks (guid);
INSERT INTO moz_places (id, url, title, guid) VALUES
  (1, 'https://bikes.test/', 'Bikes Inc. - the page title', 'p1'),
  (2, 'http://news.test/', 'News', 'p2'),
  (3, 'javascript:alert(1)', NULL, 'p3');
INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid) VALUES
  (1, 2, NULL, 0, 0, '', 'root________'),
  (2, 2, NULL, 1, 0, 'menu', 'menu________'),
  (3, 2, NULL, 1, 1, 'toolbar', 'toolbar_____'),
  (4, 2, NULL, 1, 2, 'tags', 'tags________'),
  (5, 2, NULL, 1, 3, 'unfiled', 'unfiled_____'),
  (6, 2, NULL, 1, 4, 'mobile', 'mobile______'),
  (7, 2, NULL, 2, 0, 'Shops', 'f7'),
  (8, 2, NULL, 7, 0, 'Bikes', 'f8'),
  (9, 1, 1, 8, 0, 'Bike shop', 'b9'),
  (10, 1, 3, 8, 1, 'Bookmarklet', 'b10'),
  (11, 3, NULL, 2, 1, NULL, 's11'),
  (12, 1, 2, 3, 0, 'News', 'b12'),
  (13, 2, NULL, 4, 0, 'cycling', 't13'),
  (14, 1, 1, 13, 0, NULL, 't14');
)sql");
    return db;
}

std::string ChromiumBookmarksJson()
{
    return R"json({
   "checksum": "0123456789abcdef0123456789abcdef",
   "roots": {
      "bookmark_bar": {
         "children": [ {
            "children": [ {
               "children": [ {
                  "date_added": "13300000000000000", "guid": "b1", "id": "5", "name": "Bike shop",
                  "type": "url", "url": "https://bikes.test/"
               }, {
                  "guid": "b2", "id": "6", "name": "Bookmarklet", "type": "url", "url": "javascript:alert(1)"
               } ],
               "date_added": "13300000000000000", "guid": "f2", "id": "4", "name": "Bikes", "type": "folder"
            } ],
            "guid": "f1", "id": "3", "name": "Shops", "type": "folder"
         } ],
         "guid": "0bc5d13f-2cba-5d74-951f-3f233fe6c908", "id": "1", "name": "Bookmarks bar", "type": "folder"
      },
      "other": {
         "children": [ { "guid": "b3", "id": "7", "name": "News", "type": "url", "url": "http://news.test/" } ],
         "guid": "82b081ec-3dd3-529c-8475-ab6c344590dd", "id": "2", "name": "Other bookmarks", "type": "folder"
      },
      "synced": {
         "children": [ ], "guid": "4cf2e351-0e85-532b-bb37-df045d8f8d0f", "id": "8",
         "name": "Mobile bookmarks", "type": "folder"
      }
   },
   "version": 1
}
)json";
}
