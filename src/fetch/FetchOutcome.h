#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Why a download did not end with a whole page. The words for a person come from check/PageTexts.h.
enum class FetchFailure
{
    None, // a 200 response read whole
    Request, // the library's error (connect, TLS, cut-off body, bad address): detail has its message
    NotFound, // 404
    BadGateway, // 502
    HttpStatus, // any other status that is no page
    AuthFailed, // a second 401
    ProxyAuthFailed, // a second 407
    TimedOut, // silence for the limit, or the fetch's time limit reached
    HeaderTooLarge, // the response head grew past the limit
    BadContentLength, // a Content-Length that is no number
    Cancelled, // the engine was told to stop
    TooLarge, // the body grew past the limit
    HostBusy, // a 429, or a 503 with Retry-After: the host asked to be called back later (retryAt)
    // Rendered pages only: the browser engine's process for the page died (or its helper did).
    PageCrashed,
    // Rendered pages only: no render helper installed, or it could not start.
    RenderUnavailable,
    // Rendered pages only: the page tried to leave the web (a file: or custom-scheme address).
    NavigationRefused,
    kLast = NavigationRefused,
};

// A server's validators of the page it sent, as it sent them: asked back as If-None-Match and
// If-Modified-Since, so that an unchanged page comes as a bodiless 304. Either may be empty.
struct Validators
{
    std::string etag;
    std::string lastModified;

    bool empty() const { return etag.empty() && lastModified.empty(); }
    bool operator==(const Validators&) const = default;
};

// What one download found; the engine's answer, nothing of it written anywhere else.
struct FetchOutcome
{
    // A 200 response whose body was read whole.
    bool complete = false;
    // The last response's status; 0 when none arrived.
    int httpStatus = 0;
    FetchFailure failure = FetchFailure::None;
    // The library's own message for a request error.
    std::string detail;
    // The bytes of the body that arrived (none for a refused status or a page too large).
    std::string body;
    // Whether any body bytes arrived: a page of 0 bytes and no page at all are told apart by it.
    bool dataReceived = false;
    // A response whose body was taken arrived (a 200, or one whose status could not be read): only
    // then does its Last-Modified count. lastModified is its date, or none when the header was absent
    // or unreadable (0 before 1900).
    bool headRead = false;
    std::optional<int64_t> lastModified;
    // HostBusy: when the host may be asked again, in seconds since 1970 (its Retry-After, at most an
    // hour away, or the back-off the engine chose).
    int64_t retryAt = 0;
    // A 304 answered a request that sent validators: the page is the one whose copy is kept. No body;
    // lastModified counts when the 304 carried one (headRead).
    bool notModified = false;
    // The validators of the 200 whose body was taken, or of the 304; a value too long or with control
    // characters is left out.
    Validators validators;
};

// Receives the progress of a download in whole kilobytes. Called on the thread that fetches.
class IFetchProgress
{
public:
    virtual ~IFetchProgress() = default;
    virtual void OnFetchProgress(int kilobytes, size_t bytesSoFar) = 0;
};
