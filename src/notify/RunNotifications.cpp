#include "notify/RunNotifications.h"

#include "check/PageFiles.h"
#include "diff/UnifiedDiff.h"
#include "model/PrefKeys.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "notify/AtomFeed.h"
#include "notify/Channel.h"
#include "notify/Notice.h"
#include "notify/Outbox.h"
#include "platform/Clock.h"

#include <map>
#include <sstream>

namespace {

constexpr size_t kDiffLineBytes = 200;

// A page is remembered under its id; a page without one (never saved) under its address.
std::string PageKey(const Curl& page)
{
    return page.m_strPageID.empty() ? page.m_strURL : page.m_strPageID;
}

bool IsFailing(const Curl& page)
{
    return page.m_nChecks != 0 && !page.m_bComplete;
}

NoticePage MakePage(const Curl& page, const std::string& reason, bool withDiff)
{
    NoticePage out;
    out.name = page.m_strName;
    out.address = page.m_strURL;
    out.id = page.m_strPageID;
    out.reason = reason;
    out.time = page.m_timeLastChecked;
    if (withDiff)
        out.diff = FirstDiffLines(page);
    return out;
}

OutboxRow MakeRow(const std::string& channel, const Notice& notice)
{
    OutboxRow row;
    row.channel = channel;
    row.event = notice.event;
    row.pages = CleanText(NoticePageNames(notice), 1000);
    row.payload = NoticeToJson(notice);
    return row;
}

std::string FeedSummary(const NoticePage& page)
{
    return page.reason + (page.diff.empty() ? "" : "\n" + page.diff);
}

} // namespace

std::string FirstDiffLines(const Curl& page, size_t maxLines)
{
    if (page.m_strPageID.empty())
        return {};
    // The paths come from the id alone; a copy with every stored field is enough to name them.
    const std::unique_ptr<Curl> copy = page.MakeWorkCopy();
    std::ostringstream text;
    if (!WriteUnifiedDiff(text, GetPreviousPagePath(*copy), GetSavedPagePath(*copy)))
        return {};
    std::istringstream lines(text.str());
    std::string line;
    std::string out;
    size_t taken = 0;
    while (taken < maxLines && std::getline(lines, line)) {
        if (line.rfind("---", 0) == 0 || line.rfind("+++", 0) == 0 || line.rfind("@@", 0) == 0)
            continue;
        if (line.empty() || (line[0] != '+' && line[0] != '-'))
            continue;
        out += CleanText(line, kDiffLineBytes) + "\n";
        ++taken;
    }
    return out;
}

RunNotificationInput CollectRunNotifications(const std::vector<std::unique_ptr<Curl>>& records, int newChanges)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    RunNotificationInput input;
    input.storageFolder = prefs.GetStorageFolder();
    input.newChanges = newChanges;
    input.sendEmail = newChanges > 0 && prefs.ReadInt(Pref::sendEmail) != 0;

    Result<std::vector<Channel>> loaded = LoadChannels(prefs);
    if (!loaded)
        input.problems.push_back(loaded.error().message);
    bool wantFailures = false;
    for (const Channel& channel : loaded ? *loaded : std::vector<Channel>{}) {
        if (channel.enabled) {
            input.channels.push_back(channel);
            wantFailures = wantFailures || channel.failures;
        }
    }
    // Without new changes and without a channel for failures there is nothing to remember or send.
    if (newChanges <= 0 && !wantFailures)
        return input;
    for (const auto& record : records) {
        if (wantFailures || record->m_bChanged)
            input.pages.push_back(record->MakeWorkCopy());
    }
    return input;
}

QueuedNotifications QueueRunNotifications(const std::vector<std::unique_ptr<Curl>>& records, int newChanges)
{
    return QueueRunNotifications(CollectRunNotifications(records, newChanges));
}

QueuedNotifications QueueRunNotifications(const RunNotificationInput& input)
{
    QueuedNotifications queued;
    queued.storageFolder = input.storageFolder;
    queued.problems = input.problems;
    const int newChanges = input.newChanges;
    const bool sendEmail = input.sendEmail;
    const std::vector<Channel>& channels = input.channels;
    if (input.pages.empty())
        return queued;

    COutbox outbox(queued.storageFolder);
    Result<std::map<std::string, PageNoticeState>> states = outbox.PageStates();
    if (!states) {
        queued.problems.push_back(states.error().message);
        return queued;
    }
    const int64_t now = Clock::Now();
    Notice changes{kEventChanges, now, {}};
    Notice failures{kEventFailures, now, {}};
    Notice email{kEventChanges, now, {}};
    std::vector<FeedEntry> feed;
    for (const auto& record : input.pages) {
        const Curl& page = *record;
        PageNoticeState& state = (*states)[PageKey(page)];
        // A change is announced once: the new-change mark stays until the page's next check.
        if (newChanges > 0 && page.GetNewChange() && page.m_bChanged && state.announcedChange != page.m_nChecks) {
            changes.pages.push_back(MakePage(page, page.m_strChangeReason, true));
            state.announcedChange = page.m_nChecks;
            const NoticePage& announced = changes.pages.back();
            feed.push_back(FeedEntry{FeedEntryId(PageKey(page), page.m_timeLastChecked, page.m_nChecks),
                                     page.m_timeLastChecked, announced.name, announced.address,
                                     FeedSummary(announced)});
        }
        if (sendEmail && page.m_bChanged)
            email.pages.push_back(MakePage(page, page.m_strChangeReason, false));
        const bool failing = IsFailing(page);
        if (failing != state.failing) {
            failures.pages.push_back(MakePage(page, failing ? "Failing: " + page.m_strError : "Recovered", false));
            state.failing = failing;
        }
    }

    std::vector<OutboxRow> rows;
    for (const Channel& channel : channels) {
        if (channel.changes && !changes.pages.empty())
            rows.push_back(MakeRow(channel.name, changes));
        if (channel.failures && !failures.pages.empty())
            rows.push_back(MakeRow(channel.name, failures));
    }
    if (sendEmail)
        rows.push_back(MakeRow(kEmailChannelName, email));
    if (!rows.empty()) {
        Result<std::vector<int64_t>> ids = outbox.Add(rows, now);
        if (ids)
            queued.rows = *ids;
        else
            queued.problems.push_back(ids.error().message);
    }
    if (Status saved = outbox.SavePageStates(*states); !saved)
        queued.problems.push_back(saved.error().message);

    if (!feed.empty()) {
        Result<std::vector<FeedEntry>> all = outbox.AddFeedEntries(feed, kFeedEntries);
        if (!all)
            queued.problems.push_back(all.error().message);
        else if (Status written = WriteAtomFeed(queued.storageFolder + kFeedFileName, *all, now); !written)
            queued.problems.push_back(written.error().message);
    }
    return queued;
}
