#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// An HTTP/1.1 server on 127.0.0.1 with a free port, run on threads of its own for one test.
// Connections are kept alive as HTTP/1.1 allows; every connection is served on its own thread, so a
// slow or stalled answer never holds up another client. All methods are safe from any thread.
class CHttpTestServer
{
public:
    struct Request
    {
        std::string method;
        std::string path; // with the query, as requested (a proxy request has the absolute address)
        std::multimap<std::string, std::string> headers;
        std::string body;
        // First value of the header, the name compared without case; "" when absent.
        std::string Header(const std::string& name) const;
    };
    struct Response
    {
        Response() = default;
        Response(int status_, std::string body_, std::vector<std::pair<std::string, std::string>> headers_ = {},
                 int delayMs_ = 0)
            : status(status_)
            , body(std::move(body_))
            , headers(std::move(headers_))
            , delayMs(delayMs_)
        { }

        int status = 200;
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;

        // Waits this long before answering (ends early when the client hangs up or the server stops).
        int delayMs = 0;
        // Non-empty: the body goes out in these chunks (Transfer-Encoding: chunked) instead of body,
        // each sent on its own, chunkDelayMs apart.
        std::vector<std::string> chunks;
        int chunkDelayMs = 0;
        // Set: the body is streamed in chunks as this function gives them, until it returns false.
        // For bodies too large to hold in memory.
        std::function<bool(std::string& chunk)> producer;
        // Non-empty: these bytes are sent as they are instead of a response, then the connection closes.
        std::string raw;
    };
    using Handler = std::function<Response(const Request&)>;

    CHttpTestServer();
    ~CHttpTestServer();
    CHttpTestServer(const CHttpTestServer&) = delete;
    CHttpTestServer& operator=(const CHttpTestServer&) = delete;

    // Serves a fixed response at the path (replacing an earlier one).
    void SetPage(const std::string& path, Response response);
    void SetPage(const std::string& path, const std::string& body) { SetPage(path, Response{200, body, {}}); }
    // Answers the path with a function of the request.
    void SetHandler(const std::string& path, Handler handler);
    // Answers every request no page or handler matches (404 without one). A proxy's requests, which
    // carry absolute addresses, usually land here.
    void SetDefaultHandler(Handler handler);

    int Port() const;
    // "http://127.0.0.1:PORT" followed by the path.
    std::string Url(const std::string& path) const;
    // Requests received at the path so far (the path without its query).
    int RequestCount(const std::string& path) const;
    std::vector<Request> Requests(const std::string& path) const;
    // Requests received at any path.
    int TotalRequests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
