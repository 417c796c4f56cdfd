#pragma once

#include "platform/Error.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The settings database: one row per named value (name, type, data bytes), in the manner of a
// registry key. Every read and write is its own short transaction on a WAL database with a busy
// time-out, so threads and a second process see each other's writes at once. A database that cannot
// be opened or is damaged never stops the program: reads find what this process wrote, else nothing,
// and writes fail but are kept in memory for the rest of the run.
//
// Reads are served from memory: every value read or written is kept, and the kept values are
// dropped as soon as any other connection, of this process or another, commits: every read asks
// SQLite for the database's data version first. SQLite's own files are never opened behind its back;
// closing any descriptor of a file would drop the locks SQLite holds on it.
class CSettingsDb
{
public:
    // Value types, numbered as the registry numbers them.
    static constexpr int kTypeText = 1; // REG_SZ: text with its terminating zero
    static constexpr int kTypeDword = 4; // REG_DWORD: 4 bytes, little-endian

    // Opens (creating with owner-only permissions when missing) the database file at path.
    explicit CSettingsDb(const std::string& path);
    ~CSettingsDb();
    CSettingsDb(const CSettingsDb&) = delete;
    CSettingsDb& operator=(const CSettingsDb&) = delete;

    bool IsOpen() const { return m_db != nullptr; }
    const std::string& Path() const { return m_path; }
    // Io, with the reason, when the database could not be opened.
    Status OpenStatus() const;

    // False when the value is absent or cannot be read; type and data are then untouched.
    bool Read(const std::string& name, int& type, std::string& data);
    // Io, with the reason, when the value could not be stored (it is then kept in memory only when
    // there is no database at all).
    Status Write(const std::string& name, int type, const std::string& data);
    // Done when the value is gone afterwards (also when it was never there).
    Status Delete(const std::string& name);
    // Names of every stored value, in name order.
    std::vector<std::string> Names();

    // While held (counted: each true wants its false), another connection's commit is seen within
    // kHeldRecheck instead of at the very next read. Asking SQLite takes file locks at every read,
    // which a check run's workers, reading a few values per page all at once, pay for dearly. This
    // connection's own writes are seen at once either way.
    void HoldRechecks(bool hold);
    static constexpr std::chrono::milliseconds kHeldRecheck{250};

private:
    bool Open();
    void Close();
    sqlite3_stmt* Prepare(sqlite3_stmt*& cache, const char* sql);
    void NoteError(const char* step);
    // The last failure noted, as the error an operation gives.
    Error LastFailure() const;
    // Drops the kept values when a connection has committed since the last check.
    void RecheckCache();
    static std::string CacheKey(const std::string& name);

    struct Cached
    {
        bool found = false;
        int type = 0;
        std::string data;
    };

    mutable std::mutex m_mutex;
    std::string m_path;
    std::string m_lastError;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_read = nullptr;
    sqlite3_stmt* m_write = nullptr;
    sqlite3_stmt* m_delete = nullptr;
    sqlite3_stmt* m_dataVersion = nullptr;
    std::unordered_map<std::string, Cached> m_cache;
    int64_t m_lastDataVersion = -1;
    int m_recheckHolds = 0;
    std::chrono::steady_clock::time_point m_lastRecheck{};
};
