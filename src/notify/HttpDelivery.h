#pragma once

#include "notify/ChannelRequest.h"
#include "platform/Error.h"

#include <atomic>
#include <cstddef>
#include <string>

// The bounds of one delivery: however the peer behaves, it ends within these.
struct DeliveryLimits
{
    long connectSeconds = 10;
    long totalSeconds = 30;
    size_t answerBytes = 64 * 1024;
    // Set by another thread to end the delivery at once (a deadline passed, the program quits).
    const std::atomic<bool>* cancel = nullptr;
};

// Sends the request over libcurl (HTTP or HTTPS only, no redirects followed, certificates checked).
// A 2xx answer is success, returned as "HTTP 200"; anything else is an error with the status and the
// first line of the answer's body.
Result<std::string> SendHttp(const HttpRequest& request, const DeliveryLimits& limits);
