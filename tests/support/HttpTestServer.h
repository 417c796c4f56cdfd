#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// An HTTP/1.1 server on 127.0.0.1 with a free port, run on threads of its own for one test.
class CHttpTestServer
{
public:
    struct Request
    {
        std::string method;
        std::string path; // with the query, as requested
        std::multimap<std::string, std::string> headers;
    };
    struct Response
    {
        int status = 200;
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;
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

    int Port() const;
    // "http://127.0.0.1:PORT" followed by the path.
    std::string Url(const std::string& path) const;
    // Requests received at the path so far.
    int RequestCount(const std::string& path) const;
    std::vector<Request> Requests(const std::string& path) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
