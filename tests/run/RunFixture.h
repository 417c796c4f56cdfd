#pragma once

#include "HttpTestServer.h"
#include "RecordingFrontEnd.h"
#include "TestEnv.h"
#include "fetch/UrlEngine.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/SiteVigilDoc.h"
#include "model/VigilPrefs.h"
#include "run/CheckRun.h"
#include "run/RunMessageQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// Holds a page's response until the test opens it, and tells when the request has arrived.
class CResponseGate
{
public:
    void Open()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_open = true;
        m_changed.notify_all();
    }
    // Called by the server: blocks until the gate opens (at most 20 seconds).
    void Pass()
    {
        std::unique_lock<std::mutex> guard(m_lock);
        m_entered = true;
        m_changed.notify_all();
        m_changed.wait_for(guard, std::chrono::seconds(20), [this] { return m_open; });
    }
    bool WaitEntered()
    {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::seconds(10), [this] { return m_entered; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_entered = false;
};

// A check run over real records, fetched by the real engine from a local server, reporting through
// the queue that the test drains on its own thread.
class RunFixture : public testing::Test
{
protected:
    RunFixture()
    {
        doc.OnNewDocument();
        run = std::make_unique<CCheckRun>(doc, engine, queue, frontEnd);
        doc.SetStopBeforeSave(run.get());
    }
    ~RunFixture() override
    {
        gate.Open();
        doc.SetStopBeforeSave(nullptr);
        run.reset();
    }

    static void SetInt(const IntPref& key, int value) { CVigilPrefs::GetInstance().WriteInt(key.name, value); }
    static void SetText(const TextPref& key, const std::string& value)
    {
        CVigilPrefs::GetInstance().WriteString(key.name, value);
    }

    // Adds a record for a page served with the body; only the watches asked for are on.
    Curl& AddPage(const std::string& name, const std::string& body, bool watchContent = false)
    {
        std::string path = "/" + name;
        server.SetPage(path, body);
        return AddRecord(name, path, watchContent);
    }
    // Adds a record for a page that answers only once the gate is open.
    Curl& AddSlowPage(const std::string& name)
    {
        std::string path = "/" + name;
        server.SetHandler(path, [this](const CHttpTestServer::Request&) {
            gate.Pass();
            return CHttpTestServer::Response{200, "slow page", {}};
        });
        return AddRecord(name, path, false);
    }
    Curl& AddRecord(const std::string& name, const std::string& path, bool watchContent)
    {
        auto record = std::make_unique<Curl>();
        record->SetName(name);
        record->SetURL(server.Url(path));
        record->m_bSavePage = false;
        record->m_bWatchSize = false;
        record->m_bWatchContent = watchContent;
        // A watched page was downloaded before with other content, so its first check here is a change.
        if (watchContent)
            record->m_nDownloads = 1;
        Curl& added = *record;
        doc.AddRecord(std::move(record));
        return added;
    }

    // Hands the workers' reports to the run until the condition holds; false after 20 seconds.
    bool DispatchUntil(const std::function<bool()>& done)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            queue.WaitAndDispatch(std::chrono::milliseconds(50));
        }
        return true;
    }
    bool WaitForRunEnd()
    {
        return DispatchUntil([this] { return !run->IsRunning() && !run->IsEndingRun(); });
    }
    // Waits for a file that a detached command writes.
    static bool WaitForFile(const std::string& path)
    {
        for (int i = 0; i < 200; ++i) {
            if (FileExists(path))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    CIsolatedSettings settings;
    CResponseGate gate;
    CHttpTestServer server;
    CSiteVigilDoc doc;
    CUrlEngine engine;
    CRunMessageQueue queue;
    CRecordingFrontEnd frontEnd;
    std::unique_ptr<CCheckRun> run;
};
