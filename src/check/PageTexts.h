#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct CurlResults;
struct FetchOutcome;

// Every text a person reads about a page's checks: the list's columns, the sheet's status, the error
// of a failed download and the reasons a change was marked. Nothing else words them.

// List columns.
std::string ChangeText(const CurlResults& page); // "  Changed - <reason>" / "  Unchanged "
std::string StatusText(const CurlResults& page); // "Never visited" / "OK" / "Failed - <error>"
std::string SizeText(const CurlResults& page); // "<n> bytes" / "Unknown"
std::string LastCheckedText(const CurlResults& page); // the date, or "Never"
std::string
LastModifiedText(const CurlResults& page); // the date, "Unknown - never visited", "Not supported by website"
// "%A, %B %d, %Y %H:%M:%S" in local time, English names whatever the locale; "" when it cannot be formatted.
std::string FormatDateTime(int64_t seconds);

// The error text of a download that failed ("Not found, 404", "Timed out", the library's message);
// "" for a whole page.
std::string FetchErrorText(const FetchOutcome& outcome);
// A page whose host asked to be called back later, until then (local time): "Waiting for host (until 14:05)".
std::string WaitingForHostText(int64_t until);
// The note shown beside it ("Proxy error - bad gateway"); usually "".
std::string FetchStatusText(const FetchOutcome& outcome);

// Reasons of a change mark.
namespace ChangeReason {
std::string DateChanged(const CurlResults& before, int64_t lastModified);
std::string SizeChanged(int32_t was, int32_t now);
// A page compared by its text: the size of the text, "Text size changed - was 120 bytes, now 98 bytes".
std::string TextSizeChanged(size_t was, size_t now);
inline constexpr const char* kReachableAgain = "Page reachable again";
inline constexpr const char* kChecksumChanged = "Checksum changed";
inline constexpr const char* kPartChanged = "Partial page change";
inline constexpr const char* kNoStartText = "Couldn't find start text";
inline constexpr const char* kNoEndText = "Couldn't find end text";
// A page compared by its text whose selector or XPath expression matched nothing.
inline constexpr const char* kSelectionNotFound = "Selection not found";
inline constexpr const char* kTextFound = "Text found";
inline constexpr const char* kTextMissing = "Text NOT found";
} // namespace ChangeReason
