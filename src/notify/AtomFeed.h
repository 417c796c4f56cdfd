#pragma once

#include "notify/Outbox.h"
#include "platform/Error.h"

#include <string>
#include <vector>

// The changes feed: siteVigilChanges.atom in the storage folder, which a feed reader can watch.
inline constexpr const char* kFeedFileName = "siteVigilChanges.atom";
inline constexpr size_t kFeedEntries = 100;

// The feed's entry for a change: the id names the page and the check (its time, and its number for two
// checks within one second), so it never repeats.
std::string FeedEntryId(const std::string& pageKey, int64_t checkTime, int checkNumber);
// The Atom document of the entries (newest first); every text is escaped, none can become markup.
std::string RenderAtomFeed(const std::vector<FeedEntry>& entries, int64_t updated);
// Replaces the feed file whole (a reader never sees half a feed).
Status WriteAtomFeed(const std::string& path, const std::vector<FeedEntry>& entries, int64_t updated);
