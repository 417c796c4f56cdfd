#pragma once

#include "notify/Channel.h"
#include "notify/HttpDelivery.h"
#include "notify/Notice.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How one outbox row fared in a delivery pass.
struct DeliveryOutcome
{
    enum class State
    {
        Delivered,
        Failed, // this attempt failed; the row is retried later unless it was given up
        Pending, // not attempted before the deadline (or already being delivered elsewhere)
    };
    int64_t id = 0;
    std::string channel;
    State state = State::Pending;
    bool givenUp = false;
    std::string text; // the channel's answer, or the failure in words
};

// Delivers a notice to one channel at once, outside the outbox (a channel test).
// transactionId names the message where the channel asks for one (Matrix).
Result<std::string> DeliverToChannel(const Channel& channel, const Notice& notice, const std::string& transactionId,
                                     const DeliveryLimits& limits);

// One pass over the outbox of the storage folder: every due row (or only the rows named), each
// channel on its own thread so that one that hangs never holds up another. Waits at most
// waitSeconds, then stops what is still running (those rows stay pending) and returns. A row is
// never delivered by two passes of this process at once. stop, when set by another thread, ends the
// pass early as the deadline does. Blocks the calling thread.
std::vector<DeliveryOutcome> DeliverOutbox(const std::string& storageFolder, const std::vector<int64_t>* only,
                                           int waitSeconds, const std::atomic<bool>* stop = nullptr);

// The message a front end shows for a failed attempt: the e-mail's own texts for the e-mail.
std::string DeliveryFailureText(const DeliveryOutcome& outcome);
