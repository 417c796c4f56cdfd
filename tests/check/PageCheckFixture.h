#pragma once

#include "HttpTestServer.h"
#include "TestEnv.h"
#include "check/PageCheck.h"
#include "check/PageFiles.h"
#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

// One record watched at /page of a local server, checked with a real engine, its files in a fresh
// storage folder.
class PageCheckTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The machine's proxy settings must not take loopback requests elsewhere.
        CVigilPrefs::GetInstance().WriteInt("proxyType", 1);
        m_engine = std::make_unique<CUrlEngine>();
        m_record.m_strURL = m_server.Url("/page");
        m_record.m_strDescription = "front page";
        // A new record watches the size; tests of the other watches switch it off to see their own reasons.
        m_record.m_bWatchSize = false;
        // As if it had joined a list: its files are named after this id.
        m_record.m_strPageID = "1";
    }

    void Serve(const std::string& body, int status = 200, std::vector<std::pair<std::string, std::string>> headers = {})
    {
        m_server.SetPage("/page", CHttpTestServer::Response{status, body, std::move(headers)});
    }
    void Check() { m_verdict = CheckPage(m_record, *m_engine); }
    void Check(const std::string& body)
    {
        Serve(body);
        Check();
    }

    std::string Base() { return m_settings.StorageDir() + "savedPages/" + m_record.m_strPageID; }
    std::string Saved() { return Base() + ".html"; }
    std::string Previous() { return Base() + "_previous.html"; }
    std::string DebugLog() { return Base() + "_debugLog.log"; }

    CIsolatedSettings m_settings;
    CHttpTestServer m_server;
    std::unique_ptr<CUrlEngine> m_engine;
    Curl m_record;
    PageVerdict m_verdict;
};
