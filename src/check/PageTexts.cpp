#include "check/PageTexts.h"

#include "fetch/FetchOutcome.h"
#include "model/UrlRecord.h"
#include "platform/EnglishTime.h"

#include <cstdio>

std::string ChangeText(const CurlResults& page)
{
    return page.m_bChanged ? "  Changed - " + page.m_strChangeReason : "  Unchanged ";
}

std::string StatusText(const CurlResults& page)
{
    if (page.m_timeWaitingForHost != 0)
        return WaitingForHostText(page.m_timeWaitingForHost);
    if (page.m_nChecks == 0)
        return "Never visited";
    return page.m_bComplete ? "OK" : "Failed - " + page.m_strError;
}

std::string SizeText(const CurlResults& page)
{
    return page.m_bDataReceived ? std::to_string(page.m_nSize) + " bytes" : "Unknown";
}

std::string LastCheckedText(const CurlResults& page)
{
    std::string text;
    if (page.m_nChecks != 0)
        text = FormatDateTime(page.m_timeLastChecked);
    return text.empty() ? "Never" : text;
}

std::string LastModifiedText(const CurlResults& page)
{
    if (page.m_nDownloads == 0)
        return "Unknown - never visited";
    return page.m_bLastModifiedKnown ? FormatDateTime(page.m_timeLastModified) : "Not supported by website";
}

std::string FormatDateTime(int64_t seconds)
{
    return FormatEnglishLocalTime(seconds, "%A, %B %d, %Y %H:%M:%S");
}

std::string FetchErrorText(const FetchOutcome& outcome)
{
    switch (outcome.failure) {
    case FetchFailure::None:
        return {};
    case FetchFailure::Request:
        return outcome.detail;
    case FetchFailure::NotFound:
        return "Not found, 404";
    case FetchFailure::BadGateway:
        return "Proxy error, bad gateway";
    case FetchFailure::HttpStatus:
        return "HTTP error, " + std::to_string(outcome.httpStatus);
    case FetchFailure::AuthFailed:
        return "Authentication failed, 401";
    case FetchFailure::ProxyAuthFailed:
        return "Proxy authentication failed, 407";
    case FetchFailure::TimedOut:
        return "Timed out";
    case FetchFailure::HeaderTooLarge:
        return "Response header too large";
    case FetchFailure::BadContentLength:
        return "Invalid Content-Length";
    case FetchFailure::Cancelled:
        return "Cancelled";
    case FetchFailure::TooLarge:
        return "Page too large";
    case FetchFailure::HostBusy:
        return WaitingForHostText(outcome.retryAt);
    case FetchFailure::PageCrashed:
        return "Page crashed";
    case FetchFailure::RenderUnavailable:
        return outcome.detail.empty() ? "Rendering is not available" : "Rendering is not available: " + outcome.detail;
    case FetchFailure::NavigationRefused:
        return "Page tried to open a local file or another program";
    }
    return {};
}

std::string WaitingForHostText(int64_t until)
{
    return "Waiting for host (until " + FormatEnglishLocalTime(until, "%H:%M") + ")";
}

std::string FetchStatusText(const FetchOutcome& outcome)
{
    return outcome.failure == FetchFailure::BadGateway ? "Proxy error - bad gateway" : "";
}

namespace ChangeReason {

std::string DateChanged(const CurlResults& before, int64_t lastModified)
{
    return "Date changed has been updated - was " + LastModifiedText(before) + ", now " + FormatDateTime(lastModified);
}

std::string SizeChanged(int32_t was, int32_t now)
{
    char text[96];
    std::snprintf(text, sizeof text, "Size changed - was %d bytes, now %d bytes", was, now);
    return text;
}

std::string TextSizeChanged(size_t was, size_t now)
{
    return "Text size changed - was " + std::to_string(was) + " bytes, now " + std::to_string(now) + " bytes";
}

} // namespace ChangeReason
