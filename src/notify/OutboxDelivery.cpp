#include "notify/OutboxDelivery.h"

#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "notify/ChangeEmail.h"
#include "notify/DesktopBus.h"
#include "notify/Outbox.h"
#include "platform/Clock.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include <unistd.h>

namespace {

// The rows being delivered in this process, so that two passes never send one row twice.
std::mutex g_inFlightMutex;
std::set<std::string> g_inFlight;

class CInFlightClaim
{
public:
    explicit CInFlightClaim(std::string key)
        : m_key(std::move(key))
    {
        std::lock_guard lock(g_inFlightMutex);
        m_claimed = g_inFlight.insert(m_key).second;
    }
    ~CInFlightClaim()
    {
        if (m_claimed) {
            std::lock_guard lock(g_inFlightMutex);
            g_inFlight.erase(m_key);
        }
    }
    bool Claimed() const { return m_claimed; }

private:
    std::string m_key;
    bool m_claimed = false;
};

// The e-mail lists the pages its row names, with the texts they had when the run ended.
Result<std::string> DeliverEmail(const Notice& notice)
{
    std::vector<std::unique_ptr<Curl>> records;
    for (const NoticePage& page : notice.pages) {
        auto record = std::make_unique<Curl>();
        record->m_strName = page.name;
        record->m_strURL = page.address;
        record->m_bChanged = true;
        record->m_strChangeReason = page.reason;
        records.push_back(std::move(record));
    }
    const std::string problem = SendChangeEmail(records);
    if (!problem.empty())
        return MakeError(ErrorKind::Network, problem);
    return std::string("sent");
}

std::string TransactionId(const OutboxRow& row)
{
    return "sitevigil-" + std::to_string(row.created) + "-" + std::to_string(row.id);
}

struct Pass
{
    std::mutex mutex;
    std::condition_variable done;
    int running = 0;
    std::vector<DeliveryOutcome> outcomes;
    std::atomic<bool> cancel{false};
};

DeliveryOutcome DeliverRow(COutbox& outbox, const std::string& key, const OutboxRow& row,
                           const std::vector<Channel>& channels, const std::atomic<bool>& cancel)
{
    DeliveryOutcome outcome;
    outcome.id = row.id;
    outcome.channel = row.channel;
    CInFlightClaim claim(key + std::to_string(row.id));
    if (!claim.Claimed() || cancel)
        return outcome;
    // Another pass may have delivered it since the list was read.
    if (Result<OutboxRow> now = outbox.Get(row.id); !now || now->state != kStatePending)
        return outcome;

    auto giveUp = [&](const std::string& why) {
        outbox.MarkGivenUp(row.id, Clock::Now(), why);
        outcome.state = DeliveryOutcome::State::Failed;
        outcome.givenUp = true;
        outcome.text = why;
        return outcome;
    };
    Result<Notice> notice = NoticeFromJson(row.payload);
    if (!notice)
        return giveUp(notice.error().message);

    Result<std::string> answer = MakeError(ErrorKind::Internal, "");
    if (row.channel == kEmailChannelName) {
        answer = DeliverEmail(*notice);
    } else {
        const int index = FindChannel(channels, row.channel);
        if (index < 0)
            return giveUp("the channel \"" + row.channel + "\" no longer exists");
        if (!channels[index].enabled)
            return giveUp("the channel \"" + row.channel + "\" was turned off");
        DeliveryLimits limits;
        limits.cancel = &cancel;
        answer = DeliverToChannel(channels[index], *notice, TransactionId(row), limits);
    }
    if (answer) {
        outbox.MarkDelivered(row.id, Clock::Now(), *answer);
        outcome.state = DeliveryOutcome::State::Delivered;
        outcome.text = *answer;
        return outcome;
    }
    if (answer.error().kind == ErrorKind::Cancelled)
        return outcome;
    outbox.MarkAttemptFailed(row.id, Clock::Now(), answer.error().message);
    outcome.state = DeliveryOutcome::State::Failed;
    outcome.text = answer.error().message;
    if (Result<OutboxRow> after = outbox.Get(row.id); after && after->state == kStateFailed)
        outcome.givenUp = true;
    return outcome;
}

} // namespace

Result<std::string> DeliverToChannel(const Channel& channel, const Notice& notice, const std::string& transactionId,
                                     const DeliveryLimits& limits)
{
    Result<ChannelAddress> address = ParseChannelAddress(channel.address);
    if (!address)
        return address.error();
    if (address->kind == ChannelKind::Desktop)
        return SendDesktopNotification(notice);
    return SendHttp(BuildChannelRequest(*address, notice, transactionId), limits);
}

std::vector<DeliveryOutcome> DeliverOutbox(const std::string& storageFolder, const std::vector<int64_t>* only,
                                           int waitSeconds, const std::atomic<bool>* stop)
{
    // No outbox yet: nothing was ever queued, and a look must not create one.
    if (::access(COutbox::PathIn(storageFolder).c_str(), F_OK) != 0)
        return {};
    auto outbox = std::make_shared<COutbox>(storageFolder);
    Result<std::vector<OutboxRow>> due = outbox->Due(Clock::Now());
    if (!due)
        return {};
    std::map<std::string, std::vector<OutboxRow>> byChannel;
    for (OutboxRow& row : *due) {
        if (!only || std::find(only->begin(), only->end(), row.id) != only->end())
            byChannel[row.channel].push_back(std::move(row));
    }
    if (byChannel.empty())
        return {};
    Result<std::vector<Channel>> loaded = LoadChannels(CVigilPrefs::GetInstance());
    auto channels = std::make_shared<std::vector<Channel>>(loaded ? *loaded : std::vector<Channel>{});

    auto pass = std::make_shared<Pass>();
    std::vector<std::thread> threads;
    for (auto& [name, rows] : byChannel) {
        auto work = [pass, outbox, channels, storageFolder, rows = rows] {
            for (const OutboxRow& row : rows) {
                DeliveryOutcome outcome = DeliverRow(*outbox, storageFolder, row, *channels, pass->cancel);
                std::lock_guard lock(pass->mutex);
                pass->outcomes.push_back(std::move(outcome));
            }
            std::lock_guard lock(pass->mutex);
            --pass->running;
            pass->done.notify_all();
        };
        try {
            {
                std::lock_guard lock(pass->mutex);
                ++pass->running;
            }
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            std::lock_guard lock(pass->mutex);
            --pass->running;
            for (const OutboxRow& row : rows)
                pass->outcomes.push_back(
                    DeliveryOutcome{row.id, row.channel, DeliveryOutcome::State::Pending, false, {}});
        }
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::max(0, waitSeconds));
    {
        std::unique_lock lock(pass->mutex);
        while (pass->running > 0 && std::chrono::steady_clock::now() < deadline && !(stop && *stop))
            pass->done.wait_for(lock, std::chrono::milliseconds(200));
    }
    // What still runs is stopped; its rows stay pending for the next pass.
    pass->cancel = true;
    for (std::thread& thread : threads)
        thread.join();
    std::lock_guard lock(pass->mutex);
    return pass->outcomes;
}

std::string DeliveryFailureText(const DeliveryOutcome& outcome)
{
    if (outcome.channel == kEmailChannelName)
        return outcome.text + (outcome.givenUp ? "" : "\n(it is tried again later)");
    return "The notification to the channel \"" + outcome.channel + "\" failed: " + outcome.text
        + (outcome.givenUp ? " (given up)" : " (it is tried again later)");
}
