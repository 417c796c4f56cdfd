#pragma once

#include <string>

class Curl;

// Downloads one page for one record with an HTTP GET and leaves the outcome in the record
// (body, HTTP status, Last-Modified, complete flag, error text). One engine serves all workers.
class CUrlEngine
{
public:
    CUrlEngine();
    ~CUrlEngine();
    CUrlEngine(const CUrlEngine&) = delete;
    CUrlEngine& operator=(const CUrlEngine&) = delete;

    // Takes effect when the session opens, at the first fetch.
    void setUserAgent(const std::string& userAgent);
    // Ends every fetch in progress at once; a fetch that starts afterwards runs normally.
    void cancel();
    // Returns when the download has ended in any way.
    void fetch(Curl& record);
    void loadSettings();
};
