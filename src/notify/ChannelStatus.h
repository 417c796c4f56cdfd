#pragma once

#include "notify/Channel.h"
#include "notify/Notice.h"

#include <cstdint>
#include <string>
#include <vector>

// The message a channel test sends (from the preferences or `channels test`).
Notice TestNotice(int64_t now);
// A Matrix transaction id no outbox row can have.
std::string TestTransactionId(int64_t now);

// For each channel, its last delivery in words from the outbox: "delivered 2026-12-09T10:30:00Z (HTTP
// 200)", "failed 2026-12-09T10:30:00Z: HTTP 404: Not Found", "never"; "" for each when the outbox
// cannot be read.
std::vector<std::string> LastDeliveryTexts(const std::string& storageFolder, const std::vector<Channel>& channels);
