#include "model/FirefoxBookmarks.h"

#include "platform/FileUtil.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Far beyond a real profile's database (tens of megabytes), small enough to copy without a second thought.
constexpr off_t kMaxPlacesBytes = off_t{2} << 30;
// The companions that hold committed (-wal) or half-written (-journal) state of the database.
constexpr const char* kCompanions[] = {"-wal", "-journal"};

// Bookmark types of moz_bookmarks.type.
constexpr int kTypeBookmark = 1;
constexpr int kTypeFolder = 2;

// A folder of our own under the system's temporary folder, removed with the copies in it.
class PrivateCopyFolder
{
public:
    PrivateCopyFolder()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = WithSlash(tmp && *tmp == '/' ? tmp : "/tmp") + "sitevigil-places-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_path = WithSlash(pattern);
    }
    ~PrivateCopyFolder()
    {
        if (m_path.empty())
            return;
        for (const char* suffix : {"", "-wal", "-journal", "-shm"})
            ::unlink((m_path + "places.sqlite" + suffix).c_str());
        ::rmdir(m_path.c_str());
    }
    PrivateCopyFolder(const PrivateCopyFolder&) = delete;
    PrivateCopyFolder& operator=(const PrivateCopyFolder&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Copies a regular file byte for byte; a missing source is no error when optional.
Status CopyFile(const std::string& from, const std::string& to, bool optional, bool& copied)
{
    copied = false;
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (in < 0) {
        if (optional && errno == ENOENT)
            return {};
        return MakeError(errno == ENOENT ? ErrorKind::NotFound : ErrorKind::Io,
                         "cannot open " + from + ": " + SystemErrorText(errno));
    }
    struct stat st
    {
    };
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxPlacesBytes) {
        ::close(in);
        return MakeError(ErrorKind::BadInput, from + " is no database file of a size Firefox writes");
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return MakeError(ErrorKind::Io, "cannot copy " + from + ": " + SystemErrorText(error));
    }
    char buffer[64 * 1024];
    off_t total = 0;
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        // The file may grow while Firefox writes it; the bound holds for the copy all the same.
        total += got;
        if (total > kMaxPlacesBytes) {
            error = EFBIG;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0) {
                error = errno;
                break;
            }
            done += put;
        }
        if (error)
            break;
    }
    ::close(in);
    if (::close(out) != 0 && !error)
        error = errno;
    if (error)
        return MakeError(ErrorKind::Io, "cannot copy " + from + ": " + SystemErrorText(error));
    copied = true;
    return {};
}

class Database
{
public:
    ~Database() { sqlite3_close(m_db); }
    sqlite3* m_db = nullptr;
};

class Statement
{
public:
    Statement(sqlite3* db, const char* sql) { m_status = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Prepared() const { return m_status == SQLITE_OK; }
    int Step() { return sqlite3_step(m_stmt); }
    long long Int(int column) const { return sqlite3_column_int64(m_stmt, column); }
    std::string Text(int column) const
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(m_stmt, column))) : std::string();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_status = SQLITE_ERROR;
};

struct Row
{
    long long id;
    int type;
    std::string title;
    std::string guid;
    std::string url;
    std::string pageTitle;
};

// The names Firefox shows for its own top folders, which it stores under short internal titles.
std::string TopFolderName(const Row& row)
{
    static const std::map<std::string, std::string> names = {{"menu________", "Bookmarks Menu"},
                                                             {"toolbar_____", "Bookmarks Toolbar"},
                                                             {"unfiled_____", "Other Bookmarks"},
                                                             {"mobile______", "Mobile Bookmarks"}};
    const auto found = names.find(row.guid);
    return found != names.end() ? found->second : BookmarkTree::PlainName(row.title);
}

Error Damaged(const std::string& path, sqlite3* db)
{
    return MakeError(ErrorKind::BadInput,
                     path + " cannot be read as a Firefox bookmarks database: " + sqlite3_errmsg(db));
}

// Builds the tree from the root down, children in their positions. The tags folder holds a second
// entry for every tagged bookmark and is left out.
Result<BookmarkTree> BuildTree(const std::string& path, sqlite3* db)
{
    Statement query(db,
                    "SELECT b.id, b.type, b.parent, b.title, b.guid, p.url, p.title FROM moz_bookmarks b"
                    " LEFT JOIN moz_places p ON p.id = b.fk ORDER BY b.parent, b.position, b.id");
    if (!query.Prepared())
        return MakeError(ErrorKind::BadInput, path + " is no Firefox bookmarks database: " + sqlite3_errmsg(db));
    std::map<long long, std::vector<Row>> children;
    long long root = -1;
    int status;
    while ((status = query.Step()) == SQLITE_ROW) {
        Row row{query.Int(0), static_cast<int>(query.Int(1)), query.Text(3), query.Text(4), query.Text(5),
                query.Text(6)};
        const long long parent = query.Int(2);
        if (parent == 0 || row.guid == "root________")
            root = row.id;
        children[parent].push_back(std::move(row));
    }
    if (status != SQLITE_DONE)
        return Damaged(path, db);
    if (root < 0)
        return MakeError(ErrorKind::BadInput, path + " is no Firefox bookmarks database: it has no root folder");

    BookmarkTree tree;
    struct Open
    {
        long long id;
        int folder;
        size_t next;
    };
    std::vector<Open> stack = {{root, -1, 0}};
    while (!stack.empty()) {
        Open& open = stack.back();
        const auto kids = children.find(open.id);
        if (kids == children.end() || open.next >= kids->second.size()) {
            stack.pop_back();
            continue;
        }
        const Row& row = kids->second[open.next++];
        const bool top = open.folder < 0;
        if (row.type == kTypeFolder && !(top && row.guid == "tags________")) {
            const int folder
                = tree.AddFolder(top ? TopFolderName(row) : BookmarkTree::PlainName(row.title), open.folder);
            // Each row has one parent, so a folder is entered once; the guard holds against a
            // database whose rows point in a circle through the root.
            if (row.id != root)
                stack.push_back({row.id, folder, 0});
        } else if (row.type == kTypeBookmark && !row.url.empty()) {
            std::string title = BookmarkTree::PlainName(row.title.empty() ? row.pageTitle : row.title);
            tree.bookmarks.push_back({row.url, title.empty() ? BookmarkTree::PlainName(row.url) : title, open.folder});
        }
    }
    return tree;
}

} // namespace

Result<BookmarkTree> ReadFirefoxBookmarks(const std::string& path)
{
    struct stat st
    {
    };
    std::string places = path;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        places = WithSlash(path) + "places.sqlite";
    else if (::stat(path.c_str(), &st) != 0)
        return MakeError(ErrorKind::NotFound, "cannot open " + path + ": " + SystemErrorText(errno));
    if (::stat(places.c_str(), &st) != 0)
        return MakeError(ErrorKind::NotFound, "no places.sqlite in " + path + ": it is no Firefox profile folder");

    const PrivateCopyFolder copies;
    if (copies.Path().empty())
        return MakeError(ErrorKind::Io, "cannot make a folder for a copy of " + places + ": " + SystemErrorText(errno));
    const std::string copy = copies.Path() + "places.sqlite";
    bool copied = false;
    if (Status status = CopyFile(places, copy, false, copied); !status)
        return status.error();
    bool hasJournal = false;
    for (const char* suffix : kCompanions) {
        if (Status status = CopyFile(places + suffix, copy + suffix, true, copied); !status)
            return status.error();
        hasJournal = hasJournal || (copied && std::string(suffix) == "-journal");
    }

    // A rollback journal left by a writer must be played back before the database reads whole; that
    // writes, but only our copy.
    Database db;
    const int flags = (hasJournal ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(copy.c_str(), &db.m_db, flags, nullptr) != SQLITE_OK)
        return Damaged(places, db.m_db);
    // The file comes from elsewhere: its schema gets no say in what runs.
    sqlite3_db_config(db.m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db.m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);

    // All or nothing: a database damaged anywhere is refused before a single page is taken from it.
    {
        Statement check(db.m_db, "PRAGMA quick_check(1)");
        if (!check.Prepared() || check.Step() != SQLITE_ROW)
            return Damaged(places, db.m_db);
        if (const std::string verdict = check.Text(0); verdict != "ok")
            return MakeError(ErrorKind::BadInput, places + " is damaged: " + verdict);
    }
    return BuildTree(places, db.m_db);
}
