#include "notify/HttpDelivery.h"

#include "notify/Notice.h"

#include <curl/curl.h>

#include <memory>

namespace {

struct Answer
{
    std::string body;
    size_t limit = 0;
    bool overflow = false;
};

size_t KeepAnswer(char* data, size_t size, size_t count, void* user)
{
    auto* answer = static_cast<Answer*>(user);
    const size_t bytes = size * count;
    if (answer->body.size() + bytes > answer->limit) {
        // Enough to name the reason; a peer that keeps talking is cut off.
        answer->body.append(data, answer->limit - answer->body.size());
        answer->overflow = true;
        return 0;
    }
    answer->body.append(data, bytes);
    return bytes;
}

int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* cancel = static_cast<const std::atomic<bool>*>(user);
    return cancel && cancel->load() ? 1 : 0;
}

std::string FirstLine(const std::string& body)
{
    std::string line = body.substr(0, body.find_first_of("\r\n"));
    return CleanText(line, 200);
}

} // namespace

Result<std::string> SendHttp(const HttpRequest& request, const DeliveryLimits& limits)
{
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl)
        return MakeError(ErrorKind::Internal, "libcurl could not start a transfer");
    curl_slist* headers = nullptr;
    for (const std::string& header : request.headers)
        headers = curl_slist_append(headers, header.c_str());
    // No "Expect: 100-continue" round trip: small bodies go out at once.
    headers = curl_slist_append(headers, "Expect:");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers, curl_slist_free_all);

    Answer answer;
    answer.limit = limits.answerBytes;
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "SiteVigil");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, limits.totalSeconds);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, KeepAnswer);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, CheckCancel);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, limits.cancel);
    char errorText[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);

    const CURLcode code = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    // An answer cut off at the limit still has its status.
    const bool answered = code == CURLE_OK || (code == CURLE_WRITE_ERROR && answer.overflow && status != 0);
    if (!answered) {
        if (code == CURLE_ABORTED_BY_CALLBACK)
            return MakeError(ErrorKind::Cancelled, "the delivery was stopped before the channel answered");
        const std::string why = errorText[0] ? errorText : curl_easy_strerror(code);
        return MakeError(code == CURLE_OPERATION_TIMEDOUT ? ErrorKind::TimedOut : ErrorKind::Network, why);
    }
    const std::string statusText = "HTTP " + std::to_string(status);
    if (status < 200 || status > 299) {
        const std::string line = FirstLine(answer.body);
        return MakeError(ErrorKind::Protocol, statusText + (line.empty() ? "" : ": " + line));
    }
    return statusText;
}
