#include "notify/ChannelStatus.h"

#include "notify/Outbox.h"

#include <unistd.h>

Notice TestNotice(int64_t now)
{
    return Notice{kEventTest, now, {}};
}

std::string TestTransactionId(int64_t now)
{
    return "sitevigil-test-" + std::to_string(now) + "-" + std::to_string(::getpid());
}

std::vector<std::string> LastDeliveryTexts(const std::string& storageFolder, const std::vector<Channel>& channels)
{
    std::vector<std::string> texts(channels.size());
    // Listing the channels never creates the outbox.
    if (::access(COutbox::PathIn(storageFolder).c_str(), F_OK) != 0) {
        for (std::string& text : texts)
            text = "never";
        return texts;
    }
    COutbox outbox(storageFolder);
    for (size_t i = 0; i < channels.size(); ++i) {
        Result<std::optional<OutboxRow>> last = outbox.LastOutcome(channels[i].name);
        if (!last)
            continue;
        if (!last->has_value()) {
            texts[i] = "never";
            continue;
        }
        const OutboxRow& row = **last;
        if (row.state == kStateDelivered)
            texts[i] = "delivered " + IsoUtcTime(row.doneAt) + " (" + row.answer + ")";
        else if (row.state == kStateFailed)
            texts[i] = "given up " + IsoUtcTime(row.doneAt) + ": " + row.lastError;
        else
            texts[i] = "failed, retry " + IsoUtcTime(row.nextAttempt) + ": " + row.lastError;
    }
    return texts;
}
