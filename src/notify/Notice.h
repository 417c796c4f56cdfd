#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <string>
#include <vector>

// One page in a notification, as it was when the run ended.
struct NoticePage
{
    std::string name;
    std::string address;
    std::string id; // the page id ("1a"), "" for a page that has none yet
    std::string reason; // "Checksum changed", "Failing: Not found, 404", "Recovered"
    int64_t time = 0; // the check that found it, seconds since 1970
    std::string diff; // the first lines of the text differences, "" when there are none

    bool operator==(const NoticePage&) const = default;
};

inline constexpr const char* kEventChanges = "changes";
inline constexpr const char* kEventFailures = "failures";
inline constexpr const char* kEventTest = "test";

// What one notification says, whatever the channel: written to the outbox as JSON, formatted for
// each channel when it is delivered.
struct Notice
{
    std::string event; // kEventChanges, kEventFailures or kEventTest
    int64_t runTime = 0;
    std::vector<NoticePage> pages;

    bool operator==(const Notice&) const = default;
};

std::string NoticeToJson(const Notice& notice);
Result<Notice> NoticeFromJson(const std::string& text);

// "Site Vigil: 2 pages changed", "Site Vigil: News is failing", ...
std::string NoticeTitle(const Notice& notice);
// The plain-text message: per page its name, address, reason and differences.
std::string NoticeText(const Notice& notice);
// The pages' names joined by ", " (the outbox list shows them).
std::string NoticePageNames(const Notice& notice);

// "2026-12-09T10:30:00Z"
std::string IsoUtcTime(int64_t seconds);
// Text from a page or a peer made safe to pass on: valid UTF-8 (bad bytes become U+FFFD), no control
// characters but line feeds and tabs, at most maxBytes bytes.
std::string CleanText(const std::string& text, size_t maxBytes);
