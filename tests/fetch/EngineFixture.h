#pragma once

#include "HttpTestServer.h"
#include "TestEnv.h"
#include "check/PageCheck.h"
#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Clears the proxy variables of the environment for one test, so that no request leaves through a
// proxy the machine happens to have configured; restores them afterwards.
class CProxyEnvironment
{
public:
    CProxyEnvironment()
    {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            if (value)
                m_saved[name] = value;
            unsetenv(name);
        }
    }
    ~CProxyEnvironment()
    {
        for (const char* name : kNames) {
            auto it = m_saved.find(name);
            if (it != m_saved.end())
                setenv(name, it->second.c_str(), 1);
            else
                unsetenv(name);
        }
    }
    void Set(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }

private:
    static constexpr const char* kNames[]
        = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"};
    std::map<std::string, std::string> m_saved;
};

// Collects the progress a download reports.
class CProgressLog : public IFetchProgress
{
public:
    void OnFetchProgress(int kilobytes, size_t bytesSoFar) override
    {
        kilobytesSeen.push_back(kilobytes);
        sizesSeen.push_back(static_cast<int>(bytesSoFar));
    }
    std::vector<int> kilobytesSeen;
    std::vector<int> sizesSeen;
};

// Isolated settings, no proxy from the environment, a server and a fresh engine with a short silence
// limit, so that time-out cases stay quick.
class EngineTest : public ::testing::Test
{
protected:
    EngineTest() { m_engine.setSilenceLimit(std::chrono::milliseconds(1500)); }

    // Fetches the address and takes the outcome into the record as a check does (the record has no
    // page id, so no file is written); returns the record.
    Curl& Fetch(const std::string& url)
    {
        m_record.SetURL(url);
        m_outcome = m_engine.fetch(m_record, m_progress);
        m_record.Results() = JudgePage(m_record, m_record, m_outcome).results;
        return m_record;
    }
    const std::string& Body() const { return m_outcome.body; }

    CProxyEnvironment m_proxyEnvironment;
    CIsolatedSettings m_settings;
    CHttpTestServer m_server;
    CUrlEngine m_engine;
    Curl m_record;
    FetchOutcome m_outcome;
    IFetchProgress* m_progress = nullptr;
};
