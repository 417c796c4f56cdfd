#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

// One notification for one channel.
struct OutboxRow
{
    int64_t id = 0;
    int64_t created = 0;
    std::string channel; // the channel's name, kEmailChannelName for the e-mail
    std::string event; // kEventChanges, kEventFailures
    std::string pages; // the pages' names, for lists
    std::string payload; // the notice as JSON (Notice.h)
    std::string state; // kStatePending, kStateDelivered, kStateFailed
    int attempts = 0;
    int64_t nextAttempt = 0;
    int64_t giveUpAt = 0;
    int64_t doneAt = 0; // delivered or given up
    std::string lastError;
    std::string answer; // the channel's answer to the delivery ("HTTP 200")
};

inline constexpr const char* kStatePending = "pending";
inline constexpr const char* kStateDelivered = "delivered";
inline constexpr const char* kStateFailed = "failed";

// Seconds after the n-th failed attempt (n from 1) before the next: about 30 s, 2 min, 10 min, 1 h,
// then every 6 h.
int64_t RetryDelay(int failedAttempts);
// How long a notification is tried before it is given up and marked failed.
inline constexpr int64_t kGiveUpSeconds = 3 * 24 * 3600;

// What the end of a run remembers about each page between runs: whether it was failing, and the
// check whose change was last announced (a change is announced once, however often it is seen).
struct PageNoticeState
{
    bool failing = false;
    int64_t announcedChange = 0;
};

// One entry of the changes feed.
struct FeedEntry
{
    std::string id;
    int64_t time = 0;
    std::string title;
    std::string link;
    std::string summary;
};

// The outbox: outbox.db in the storage folder, one row per notification and channel, written before
// anything is delivered, so that a notification survives a crash, a kill or a reboot. It also keeps
// the pages' notice state and the feed's entries. SQLite in WAL mode with a busy time-out: the program,
// its delivery threads and sitevigil-cli may all use it at once.
class COutbox
{
public:
    // The database in the storage folder (which ends with '/').
    explicit COutbox(const std::string& storageFolder);
    ~COutbox();
    COutbox(const COutbox&) = delete;
    COutbox& operator=(const COutbox&) = delete;

    static std::string PathIn(const std::string& storageFolder);
    // Opens (creating when missing) the database; every other call opens it when needed.
    Status Open();

    // Adds rows (created, channel, event, pages, payload are taken), all or none; returns their ids.
    Result<std::vector<int64_t>> Add(const std::vector<OutboxRow>& rows, int64_t now);
    // Pending rows whose next attempt is due, oldest first.
    Result<std::vector<OutboxRow>> Due(int64_t now);
    // Pending and failed rows, and the rows delivered in the last week, newest first.
    Result<std::vector<OutboxRow>> Listed(int64_t now);
    Result<OutboxRow> Get(int64_t id);
    Status MarkDelivered(int64_t id, int64_t now, const std::string& answer);
    // Counts a failed attempt: the next one after RetryDelay, or given up after kGiveUpSeconds.
    Status MarkAttemptFailed(int64_t id, int64_t now, const std::string& error);
    // Gives up at once: the channel is gone or the row cannot be read.
    Status MarkGivenUp(int64_t id, int64_t now, const std::string& error);
    // Makes pending and failed rows due now (one row when id is given); returns how many.
    Result<int> Retry(std::optional<int64_t> id, int64_t now);
    // The latest delivered or failed row of a channel, for its "last delivery" text.
    Result<std::optional<OutboxRow>> LastOutcome(const std::string& channel);

    Result<std::map<std::string, PageNoticeState>> PageStates();
    Status SavePageStates(const std::map<std::string, PageNoticeState>& states);

    // Adds entries whose id is new, keeps the newest keep entries; returns them newest first.
    Result<std::vector<FeedEntry>> AddFeedEntries(const std::vector<FeedEntry>& entries, size_t keep);

private:
    Status Exec(const char* sql);
    // Runs body between BEGIN IMMEDIATE and COMMIT and rolls everything back when the body or the commit
    // fails, so a batch lands whole or not at all. The caller holds m_mutex.
    Status InTransaction(const std::function<Status()>& body);
    Error Failure(const char* step) const;
    Result<std::vector<OutboxRow>> Query(const char* sql, int64_t a, int64_t b);
    Status Update(const char* sql, int64_t now, int64_t id, const std::string& text);

    std::mutex m_mutex;
    std::string m_path;
    sqlite3* m_db = nullptr;
};
