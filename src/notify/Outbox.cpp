#include "notify/Outbox.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr int64_t kKeepDeliveredSeconds = 30 * 24 * 3600;
constexpr int64_t kListDeliveredSeconds = 7 * 24 * 3600;

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS outbox(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  created INTEGER NOT NULL,
  channel TEXT NOT NULL,
  event TEXT NOT NULL,
  pages TEXT NOT NULL,
  payload TEXT NOT NULL,
  state TEXT NOT NULL,
  attempts INTEGER NOT NULL DEFAULT 0,
  next_attempt INTEGER NOT NULL,
  give_up_at INTEGER NOT NULL,
  done_at INTEGER NOT NULL DEFAULT 0,
  last_error TEXT NOT NULL DEFAULT '',
  answer TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS outbox_due ON outbox(state, next_attempt);
CREATE TABLE IF NOT EXISTS page_state(
  page TEXT PRIMARY KEY,
  failing INTEGER NOT NULL,
  announced_change INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS feed(
  id TEXT PRIMARY KEY,
  time INTEGER NOT NULL,
  title TEXT NOT NULL,
  link TEXT NOT NULL,
  summary TEXT NOT NULL);
)";

const char* const kColumns = "id, created, channel, event, pages, payload, state, attempts, next_attempt, "
                             "give_up_at, done_at, last_error, answer";

struct Finalizer
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

// The statement for sql, empty when SQLite refuses it (sqlite3_errmsg tells why).
Statement Prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return nullptr;
    }
    return Statement(raw);
}

std::string Column(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

OutboxRow ReadRow(sqlite3_stmt* s)
{
    OutboxRow row;
    row.id = sqlite3_column_int64(s, 0);
    row.created = sqlite3_column_int64(s, 1);
    row.channel = Column(s, 2);
    row.event = Column(s, 3);
    row.pages = Column(s, 4);
    row.payload = Column(s, 5);
    row.state = Column(s, 6);
    row.attempts = sqlite3_column_int(s, 7);
    row.nextAttempt = sqlite3_column_int64(s, 8);
    row.giveUpAt = sqlite3_column_int64(s, 9);
    row.doneAt = sqlite3_column_int64(s, 10);
    row.lastError = Column(s, 11);
    row.answer = Column(s, 12);
    return row;
}

void BindText(sqlite3_stmt* s, int index, const std::string& text)
{
    sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

} // namespace

int64_t RetryDelay(int failedAttempts)
{
    static const int64_t kDelays[] = {30, 120, 600, 3600};
    if (failedAttempts < 1)
        return 0;
    if (failedAttempts <= 4)
        return kDelays[failedAttempts - 1];
    return 6 * 3600;
}

COutbox::COutbox(const std::string& storageFolder)
    : m_path(PathIn(storageFolder))
{ }

COutbox::~COutbox()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

std::string COutbox::PathIn(const std::string& storageFolder)
{
    return storageFolder + "outbox.db";
}

Error COutbox::Failure(const char* step) const
{
    const std::string why = m_db ? sqlite3_errmsg(m_db) : "it could not be opened";
    return MakeError(ErrorKind::Io, std::string("The outbox ") + m_path + " could not be " + step + ": " + why);
}

Status COutbox::Exec(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string why = message ? message : "unknown error";
        sqlite3_free(message);
        return MakeError(ErrorKind::Io, "The outbox " + m_path + " could not be written: " + why);
    }
    return {};
}

Status COutbox::InTransaction(const std::function<Status()>& body)
{
    if (Status begin = Exec("BEGIN IMMEDIATE"); !begin)
        return begin;
    Status done = body();
    if (done)
        done = Exec("COMMIT");
    // A failed COMMIT leaves the transaction open: it goes too.
    if (!done)
        Exec("ROLLBACK");
    return done;
}

Status COutbox::Open()
{
    std::lock_guard lock(m_mutex);
    if (m_db)
        return {};
    // Created owner-only: notifications name the pages a user watches.
    if (const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); fd >= 0)
        ::close(fd);
    if (sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        Error error = Failure("opened");
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return error;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    if (Status wal = Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"); !wal)
        return wal;
    return Exec(kSchema);
}

Result<std::vector<int64_t>> COutbox::Add(const std::vector<OutboxRow>& rows, int64_t now)
{
    if (Status open = Open(); !open)
        return open.error();
    std::lock_guard lock(m_mutex);
    std::vector<int64_t> ids;
    const Status added = InTransaction([&]() -> Status {
        Statement insert
            = Prepare(m_db,
                      "INSERT INTO outbox(created, channel, event, pages, payload, state, next_attempt, give_up_at) "
                      "VALUES(?, ?, ?, ?, ?, 'pending', ?, ?)");
        if (!insert)
            return Failure("written");
        for (const OutboxRow& row : rows) {
            sqlite3_reset(insert.get());
            sqlite3_bind_int64(insert.get(), 1, now);
            BindText(insert.get(), 2, row.channel);
            BindText(insert.get(), 3, row.event);
            BindText(insert.get(), 4, row.pages);
            BindText(insert.get(), 5, row.payload);
            sqlite3_bind_int64(insert.get(), 6, now);
            sqlite3_bind_int64(insert.get(), 7, now + kGiveUpSeconds);
            if (sqlite3_step(insert.get()) != SQLITE_DONE)
                return Failure("written");
            ids.push_back(sqlite3_last_insert_rowid(m_db));
        }
        insert.reset();
        // Delivered rows are kept a while for the lists, then dropped; a failed prune only keeps them longer.
        const std::string prune = "DELETE FROM outbox WHERE state != 'pending' AND done_at < "
            + std::to_string(now - kKeepDeliveredSeconds);
        Exec(prune.c_str());
        return {};
    });
    if (!added)
        return added.error();
    return ids;
}

Result<std::vector<OutboxRow>> COutbox::Query(const char* sql, int64_t a, int64_t b)
{
    if (Status open = Open(); !open)
        return open.error();
    std::lock_guard lock(m_mutex);
    const std::string text = std::string("SELECT ") + kColumns + " FROM outbox " + sql;
    Statement statement = Prepare(m_db, text.c_str());
    if (!statement)
        return Failure("read");
    sqlite3_stmt* const raw = statement.get();
    sqlite3_bind_int64(raw, 1, a);
    if (sqlite3_bind_parameter_count(raw) >= 2)
        sqlite3_bind_int64(raw, 2, b);
    std::vector<OutboxRow> rows;
    int step;
    while ((step = sqlite3_step(raw)) == SQLITE_ROW)
        rows.push_back(ReadRow(raw));
    if (step != SQLITE_DONE)
        return Failure("read");
    return rows;
}

Result<std::vector<OutboxRow>> COutbox::Due(int64_t now)
{
    return Query("WHERE state = 'pending' AND next_attempt <= ?1 ORDER BY id", now, 0);
}

Result<std::vector<OutboxRow>> COutbox::Listed(int64_t now)
{
    return Query("WHERE state != 'delivered' OR done_at >= ?1 ORDER BY id DESC", now - kListDeliveredSeconds, 0);
}

Result<OutboxRow> COutbox::Get(int64_t id)
{
    Result<std::vector<OutboxRow>> rows = Query("WHERE id = ?1", id, 0);
    if (!rows)
        return rows.error();
    if (rows->empty())
        return MakeError(ErrorKind::NotFound, "the outbox has no notification " + std::to_string(id));
    return rows->front();
}

Result<std::optional<OutboxRow>> COutbox::LastOutcome(const std::string& channel)
{
    if (Status open = Open(); !open)
        return open.error();
    std::lock_guard lock(m_mutex);
    const std::string text = std::string("SELECT ") + kColumns
        + " FROM outbox WHERE channel = ?1 AND (attempts > 0 OR state != 'pending') ORDER BY id DESC LIMIT 1";
    Statement statement = Prepare(m_db, text.c_str());
    if (!statement)
        return Failure("read");
    sqlite3_stmt* const raw = statement.get();
    BindText(raw, 1, channel);
    const int step = sqlite3_step(raw);
    if (step == SQLITE_ROW)
        return std::optional<OutboxRow>(ReadRow(raw));
    if (step != SQLITE_DONE)
        return Failure("read");
    return std::optional<OutboxRow>();
}

Status COutbox::Update(const char* sql, int64_t now, int64_t id, const std::string& text)
{
    if (Status open = Open(); !open)
        return open;
    std::lock_guard lock(m_mutex);
    Statement statement = Prepare(m_db, sql);
    if (!statement)
        return Failure("written");
    sqlite3_stmt* const raw = statement.get();
    sqlite3_bind_int64(raw, 1, now);
    sqlite3_bind_int64(raw, 2, id);
    BindText(raw, 3, text);
    if (sqlite3_step(raw) != SQLITE_DONE)
        return Failure("written");
    return {};
}

Status COutbox::MarkDelivered(int64_t id, int64_t now, const std::string& answer)
{
    return Update("UPDATE outbox SET state = 'delivered', attempts = attempts + 1, done_at = ?1, answer = ?3, "
                  "last_error = '' WHERE id = ?2",
                  now, id, answer);
}

Status COutbox::MarkAttemptFailed(int64_t id, int64_t now, const std::string& error)
{
    Result<OutboxRow> row = Get(id);
    if (!row)
        return row.error();
    const int attempts = row->attempts + 1;
    const int64_t next = now + RetryDelay(attempts);
    if (next > row->giveUpAt)
        return MarkGivenUp(id, now, error);
    const std::string sql = "UPDATE outbox SET attempts = attempts + 1, next_attempt = " + std::to_string(next)
        + ", last_error = ?3 WHERE id = ?2 AND ?1 = ?1";
    return Update(sql.c_str(), now, id, error);
}

Status COutbox::MarkGivenUp(int64_t id, int64_t now, const std::string& error)
{
    return Update("UPDATE outbox SET state = 'failed', attempts = attempts + 1, done_at = ?1, last_error = ?3 "
                  "WHERE id = ?2",
                  now, id, error);
}

Result<int> COutbox::Retry(std::optional<int64_t> id, int64_t now)
{
    if (Status open = Open(); !open)
        return open.error();
    std::lock_guard lock(m_mutex);
    std::string sql = "UPDATE outbox SET state = 'pending', next_attempt = ?1, done_at = 0, "
                      "give_up_at = MAX(give_up_at, ?1 + "
        + std::to_string(kGiveUpSeconds) + ") WHERE state != 'delivered'";
    if (id)
        sql += " AND id = ?2";
    Statement statement = Prepare(m_db, sql.c_str());
    if (!statement)
        return Failure("written");
    sqlite3_stmt* const raw = statement.get();
    sqlite3_bind_int64(raw, 1, now);
    if (id)
        sqlite3_bind_int64(raw, 2, *id);
    if (sqlite3_step(raw) != SQLITE_DONE)
        return Failure("written");
    return sqlite3_changes(m_db);
}

Result<std::map<std::string, PageNoticeState>> COutbox::PageStates()
{
    if (Status open = Open(); !open)
        return open.error();
    std::lock_guard lock(m_mutex);
    Statement statement = Prepare(m_db, "SELECT page, failing, announced_change FROM page_state");
    if (!statement)
        return Failure("read");
    sqlite3_stmt* const raw = statement.get();
    std::map<std::string, PageNoticeState> states;
    int step;
    while ((step = sqlite3_step(raw)) == SQLITE_ROW)
        states[Column(raw, 0)] = PageNoticeState{sqlite3_column_int(raw, 1) != 0, sqlite3_column_int64(raw, 2)};
    if (step != SQLITE_DONE)
        return Failure("read");
    return states;
}

Status COutbox::SavePageStates(const std::map<std::string, PageNoticeState>& states)
{
    if (Status open = Open(); !open)
        return open;
    std::lock_guard lock(m_mutex);
    return InTransaction([&]() -> Status {
        Statement insert
            = Prepare(m_db, "INSERT OR REPLACE INTO page_state(page, failing, announced_change) VALUES(?, ?, ?)");
        sqlite3_stmt* const raw = insert.get();
        if (!insert)
            return Failure("written");
        for (const auto& [page, state] : states) {
            sqlite3_reset(raw);
            BindText(raw, 1, page);
            sqlite3_bind_int(raw, 2, state.failing ? 1 : 0);
            sqlite3_bind_int64(raw, 3, state.announcedChange);
            if (sqlite3_step(raw) != SQLITE_DONE)
                return Failure("written");
        }
        return {};
    });
}

Result<std::vector<FeedEntry>> COutbox::AddFeedEntries(const std::vector<FeedEntry>& entries, size_t keep)
{
    if (Status open = Open(); !open)
        return open.error();
    std::lock_guard lock(m_mutex);
    const Status added = InTransaction([&]() -> Status {
        Statement insert
            = Prepare(m_db, "INSERT OR IGNORE INTO feed(id, time, title, link, summary) VALUES(?, ?, ?, ?, ?)");
        sqlite3_stmt* const raw = insert.get();
        // Without the statement the entries would be lost while the feed reported them kept.
        if (!insert)
            return Failure("written");
        for (const FeedEntry& entry : entries) {
            sqlite3_reset(raw);
            BindText(raw, 1, entry.id);
            sqlite3_bind_int64(raw, 2, entry.time);
            BindText(raw, 3, entry.title);
            BindText(raw, 4, entry.link);
            BindText(raw, 5, entry.summary);
            if (sqlite3_step(raw) != SQLITE_DONE)
                return Failure("written");
        }
        insert.reset();
        const std::string trim
            = "DELETE FROM feed WHERE id NOT IN (SELECT id FROM feed ORDER BY time DESC, rowid DESC LIMIT "
            + std::to_string(keep) + ")";
        return Exec(trim.c_str());
    });
    if (!added)
        return added.error();
    Statement select = Prepare(m_db, "SELECT id, time, title, link, summary FROM feed ORDER BY time DESC, rowid DESC");
    if (!select)
        return Failure("read");
    sqlite3_stmt* const raw = select.get();
    std::vector<FeedEntry> all;
    while (sqlite3_step(raw) == SQLITE_ROW)
        all.push_back(
            FeedEntry{Column(raw, 0), sqlite3_column_int64(raw, 1), Column(raw, 2), Column(raw, 3), Column(raw, 4)});
    return all;
}
