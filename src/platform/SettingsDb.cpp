#include "platform/SettingsDb.h"

#include "platform/DebugLog.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Long enough to ride out another process's write, short enough that a stuck peer does not hang us.
constexpr int kBusyTimeoutMs = 5000;

struct StatementReset
{
    sqlite3_stmt* stmt;
    ~StatementReset()
    {
        if (stmt) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
        }
    }
};

} // namespace

CSettingsDb::CSettingsDb(const std::string& path)
    : m_path(path)
{
    std::lock_guard lock(m_mutex);
    if (!Open())
        Close();
}

CSettingsDb::~CSettingsDb()
{
    std::lock_guard lock(m_mutex);
    Close();
}

Status CSettingsDb::OpenStatus() const
{
    std::lock_guard lock(m_mutex);
    if (m_db)
        return {};
    return LastFailure();
}

Error CSettingsDb::LastFailure() const
{
    return MakeError(ErrorKind::Io, m_lastError);
}

void CSettingsDb::NoteError(const char* step)
{
    m_lastError = std::string(step) + ": " + (m_db ? sqlite3_errmsg(m_db) : "database not open");
    DebugReport("settings database " + m_path, m_lastError);
}

bool CSettingsDb::Open()
{
    // The values include a proxy password in plain text: the file is the owner's alone. SQLite gives
    // its -wal and -shm files the same permissions as the database file.
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_lastError = "cannot open " + m_path + ": " + std::strerror(errno);
        DebugReport("settings database", m_lastError);
        return false;
    }
    ::close(fd);

    if (sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        NoteError("open");
        return false;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // A damaged or foreign file fails here, at the first statement that reads it.
    const char* setup = "PRAGMA journal_mode=WAL;"
                        "PRAGMA synchronous=NORMAL;"
                        "CREATE TABLE IF NOT EXISTS settings("
                        " name TEXT PRIMARY KEY COLLATE NOCASE," // value names ignore case, as in the registry
                        " type INTEGER NOT NULL,"
                        " data BLOB NOT NULL)";
    if (sqlite3_exec(m_db, setup, nullptr, nullptr, nullptr) != SQLITE_OK) {
        NoteError("set-up");
        return false;
    }
    return true;
}

void CSettingsDb::Close()
{
    m_cache.clear();
    for (sqlite3_stmt** stmt : {&m_read, &m_write, &m_delete, &m_dataVersion}) {
        sqlite3_finalize(*stmt);
        *stmt = nullptr;
    }
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

sqlite3_stmt* CSettingsDb::Prepare(sqlite3_stmt*& cache, const char* sql)
{
    if (!m_db)
        return nullptr;
    if (!cache && sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &cache, nullptr) != SQLITE_OK) {
        NoteError("prepare");
        cache = nullptr;
    }
    return cache;
}

std::string CSettingsDb::CacheKey(const std::string& name)
{
    // Names compare without ASCII case, as the table's collation does.
    std::string key = name;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

void CSettingsDb::RecheckCache()
{
    // Without a database the kept values are all there is: the program goes on with them in memory.
    if (!m_db)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (m_recheckHolds > 0 && m_lastDataVersion >= 0 && now - m_lastRecheck < kHeldRecheck)
        return;
    m_lastRecheck = now;
    // SQLite alone knows its files and their locks; its data version changes whenever another
    // connection, of this process or another, has committed. Our own commits keep the values right.
    sqlite3_stmt* stmt = Prepare(m_dataVersion, "PRAGMA data_version");
    if (!stmt) {
        m_cache.clear();
        return;
    }
    StatementReset reset{stmt};
    const int64_t version = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    if (version < 0 || version != m_lastDataVersion)
        m_cache.clear();
    m_lastDataVersion = version;
}

void CSettingsDb::HoldRechecks(bool hold)
{
    std::lock_guard lock(m_mutex);
    // A release without its hold (the settings were opened anew meanwhile) must not go below none.
    m_recheckHolds = hold ? m_recheckHolds + 1 : std::max(0, m_recheckHolds - 1);
}

bool CSettingsDb::Read(const std::string& name, int& type, std::string& data)
{
    std::lock_guard lock(m_mutex);
    RecheckCache();
    const std::string key = CacheKey(name);
    if (const auto it = m_cache.find(key); it != m_cache.end()) {
        if (!it->second.found)
            return false;
        type = it->second.type;
        data = it->second.data;
        return true;
    }
    sqlite3_stmt* stmt = Prepare(m_read, "SELECT type, data FROM settings WHERE name = ?1");
    if (!stmt)
        return false;
    StatementReset reset{stmt};
    sqlite3_bind_text(stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) {
        m_cache[key] = Cached{};
        return false;
    }
    if (rc != SQLITE_ROW) {
        NoteError("read");
        return false;
    }
    type = sqlite3_column_int(stmt, 0);
    const void* bytes = sqlite3_column_blob(stmt, 1);
    const int size = sqlite3_column_bytes(stmt, 1);
    data.assign(bytes ? static_cast<const char*>(bytes) : "", bytes ? static_cast<size_t>(size) : 0);
    m_cache[key] = Cached{true, type, data};
    return true;
}

Status CSettingsDb::Write(const std::string& name, int type, const std::string& data)
{
    std::lock_guard lock(m_mutex);
    sqlite3_stmt* stmt = Prepare(m_write,
                                 "INSERT INTO settings(name, type, data) VALUES(?1, ?2, ?3) "
                                 "ON CONFLICT(name) DO UPDATE SET type = excluded.type, data = excluded.data");
    if (!stmt) {
        // Not stored, and said so; this run still goes on with the value.
        if (!m_db)
            m_cache[CacheKey(name)] = Cached{true, type, data};
        return LastFailure();
    }
    StatementReset reset{stmt};
    sqlite3_bind_text(stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(stmt, 2, type);
    sqlite3_bind_blob(stmt, 3, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(stmt) != SQLITE_DONE) {
        m_cache.erase(CacheKey(name));
        NoteError("write");
        return LastFailure();
    }
    m_cache[CacheKey(name)] = Cached{true, type, data};
    return {};
}

Status CSettingsDb::Delete(const std::string& name)
{
    std::lock_guard lock(m_mutex);
    sqlite3_stmt* stmt = Prepare(m_delete, "DELETE FROM settings WHERE name = ?1");
    if (!stmt) {
        if (!m_db)
            m_cache[CacheKey(name)] = Cached{};
        return LastFailure();
    }
    StatementReset reset{stmt};
    sqlite3_bind_text(stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    m_cache.erase(CacheKey(name));
    if (sqlite3_step(stmt) != SQLITE_DONE) {
        NoteError("delete");
        return LastFailure();
    }
    m_cache[CacheKey(name)] = Cached{};
    return {};
}

std::vector<std::string> CSettingsDb::Names()
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> names;
    if (!m_db)
        return names;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT name FROM settings ORDER BY name", -1, &stmt, nullptr) != SQLITE_OK) {
        NoteError("list");
        return names;
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        if (const unsigned char* text = sqlite3_column_text(stmt, 0))
            names.emplace_back(reinterpret_cast<const char*>(text));
    }
    sqlite3_finalize(stmt);
    return names;
}
