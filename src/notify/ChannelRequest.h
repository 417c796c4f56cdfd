#pragma once

#include "notify/Channel.h"
#include "notify/Notice.h"

#include <string>
#include <vector>

// One HTTP request to a webhook channel.
struct HttpRequest
{
    std::string method = "POST";
    std::string url;
    std::vector<std::string> headers; // "Name: value"
    std::string body;
};

// The request that delivers the notice to a webhook channel (JSON, ntfy, Gotify, Matrix, Slack,
// Discord) in that service's own format. transactionId names the message to Matrix, so that a retry
// of the same outbox row never posts twice.
HttpRequest BuildChannelRequest(const ChannelAddress& address, const Notice& notice, const std::string& transactionId);
