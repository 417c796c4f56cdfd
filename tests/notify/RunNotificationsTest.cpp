#include "notify/RunNotifications.h"
#include "PythonPeer.h"
#include "TestEnv.h"
#include "model/PrefKeys.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "notify/AtomFeed.h"
#include "notify/Channel.h"
#include "notify/DesktopBus.h"
#include "notify/Outbox.h"
#include "notify/OutboxDelivery.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

namespace {

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The feed as Debian's feedparser reads it: {"bozo": ..., "entries": [{id, title, link, summary}]}.
nlohmann::json ParseFeed(const std::string& path)
{
    const std::string script = "import feedparser, json, sys\n"
                               "d = feedparser.parse(sys.argv[1])\n"
                               "print(json.dumps({'bozo': d.bozo, 'entries': [{'id': e.id, 'title': e.title, "
                               "'link': e.link, 'summary': e.summary} for e in d.entries]}))\n";
    std::string output;
    const std::string scriptFile = path + ".py";
    WriteFileBytes(scriptFile, script);
    if (FILE* pipe = ::popen(("/usr/bin/python3 " + scriptFile + " " + path + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        ::pclose(pipe);
    }
    std::remove(scriptFile.c_str());
    return nlohmann::json::parse(output, nullptr, false);
}

class RunNotifications : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ready());
        Clock::SetForTesting([this] { return now; });
        Channel both{"hook", "json://" + peer.Base() + "/hook"};
        both.failures = true;
        Channel changesOnly{"feedless", "slack://" + peer.Base() + "/slack"};
        Channel off{"off", "json://" + peer.Base() + "/off"};
        off.enabled = false;
        ASSERT_TRUE(SaveChannels(CVigilPrefs::GetInstance(), {both, changesOnly, off}));
        records.push_back(Page("News & <Views>", "http://news.test/?a=1&b=2", "1a"));
        records.push_back(Page("Shop", "http://shop.test/", "2b"));
    }
    void TearDown() override { Clock::SetForTesting({}); }

    static std::unique_ptr<Curl> Page(const std::string& name, const std::string& url, const std::string& id)
    {
        auto page = std::make_unique<Curl>();
        page->m_strName = name;
        page->m_strURL = url;
        page->m_strPageID = id;
        return page;
    }
    void Checked(Curl& page, bool ok, bool changed)
    {
        page.m_nChecks += 1;
        page.m_timeLastChecked = now;
        page.m_bComplete = ok;
        page.m_strError = ok ? "" : "Not found, 404";
        if (changed)
            page.MarkChanged("Checksum changed");
    }
    // One run's end: the rows written, then delivered.
    QueuedNotifications EndRun(int newChanges)
    {
        QueuedNotifications queued = QueueRunNotifications(records, newChanges);
        EXPECT_TRUE(queued.problems.empty()) << queued.problems.front();
        DeliverOutbox(settings.StorageDir(), &queued.rows, 10);
        return queued;
    }
    std::vector<CWebhookPeer::Request> RequestsTo(const std::string& path)
    {
        std::vector<CWebhookPeer::Request> found;
        for (const auto& request : peer.Requests()) {
            if (request.path == path)
                found.push_back(request);
        }
        return found;
    }

    CIsolatedSettings settings;
    CWebhookPeer peer;
    int64_t now = 1765276200;
    std::vector<std::unique_ptr<Curl>> records;
};

TEST_F(RunNotifications, ChangesFailuresAndRecoveriesAreAnnouncedOnceEach)
{
    Checked(*records[0], true, true);
    Checked(*records[1], false, false);
    EXPECT_EQ(EndRun(1).rows.size(), 3u); // hook: changes and failures; feedless: changes

    auto hook = RequestsTo("/hook");
    ASSERT_EQ(hook.size(), 2u);
    const nlohmann::json changes = nlohmann::json::parse(hook[0].body);
    EXPECT_EQ(changes["event"], "changes");
    ASSERT_EQ(changes["pages"].size(), 1u);
    EXPECT_EQ(changes["pages"][0]["name"], "News & <Views>");
    EXPECT_EQ(changes["pages"][0]["id"], "1a");
    EXPECT_EQ(changes["pages"][0]["reason"], "Checksum changed");
    EXPECT_EQ(changes["pages"][0]["time"], "2025-12-09T10:30:00Z");
    const nlohmann::json failures = nlohmann::json::parse(hook[1].body);
    EXPECT_EQ(failures["event"], "failures");
    EXPECT_EQ(failures["pages"][0]["reason"], "Failing: Not found, 404");
    EXPECT_EQ(RequestsTo("/slack").size(), 1u);
    EXPECT_TRUE(RequestsTo("/off").empty());

    // The same state again (the new-change mark stays until the page's next check): nothing new.
    now += 600;
    Checked(*records[1], false, false);
    EXPECT_TRUE(EndRun(1).rows.empty());

    // Recovered, and a new change.
    now += 600;
    Checked(*records[0], true, true);
    Checked(*records[1], true, false);
    EndRun(1);
    hook = RequestsTo("/hook");
    ASSERT_EQ(hook.size(), 4u);
    EXPECT_EQ(nlohmann::json::parse(hook[3].body)["pages"][0]["reason"], "Recovered");
    EXPECT_EQ(nlohmann::json::parse(hook[3].body)["pages"][0]["name"], "Shop");
}

TEST_F(RunNotifications, TheFeedKeepsEachChangeOnceWithIdsThatStay)
{
    const std::string feed = settings.StorageDir() + kFeedFileName;
    Checked(*records[0], true, true);
    EndRun(1);
    const nlohmann::json first = ParseFeed(feed);
    ASSERT_TRUE(first.is_object()) << ReadFileBytes(feed);
    EXPECT_EQ(first["bozo"], false) << ReadFileBytes(feed);
    ASSERT_EQ(first["entries"].size(), 1u);
    EXPECT_EQ(first["entries"][0]["title"], "News & <Views>");
    EXPECT_EQ(first["entries"][0]["link"], "http://news.test/?a=1&b=2");
    EXPECT_TRUE(Has(first["entries"][0]["summary"], "Checksum changed"));

    // A run without new changes leaves the feed alone; the next change comes first, the old id stays.
    EndRun(0);
    now += 3600;
    Checked(*records[0], true, true);
    Checked(*records[1], true, true);
    EndRun(2);
    const nlohmann::json second = ParseFeed(feed);
    EXPECT_EQ(second["bozo"], false);
    ASSERT_EQ(second["entries"].size(), 3u);
    EXPECT_EQ(second["entries"][2]["id"], first["entries"][0]["id"]);
    std::set<std::string> ids;
    for (const auto& entry : second["entries"])
        ids.insert(entry["id"].get<std::string>());
    EXPECT_EQ(ids.size(), 3u);

    // At most 100 entries, the newest.
    for (int run = 0; run < 50; ++run) {
        now += 60;
        Checked(*records[0], true, true);
        Checked(*records[1], true, true);
        QueueRunNotifications(records, 2);
    }
    const nlohmann::json full = ParseFeed(feed);
    ASSERT_EQ(full["entries"].size(), kFeedEntries);
    EXPECT_EQ(full["entries"][0]["id"], FeedEntryId("2b", now, records[1]->m_nChecks));
}

// A private session bus with a notification server that clicks the first action it is offered.
TEST(DesktopChannel, SendsANotificationWithTheActionsForThePages)
{
    CTempDir dir;
    CPythonPeer bus("/usr/bin/dbus-daemon", {"--session", "--print-address", "--nofork"});
    if (!bus.Ready())
        GTEST_SKIP() << "dbus-daemon could not start a session bus";
    const std::string address = bus.FirstLine();
    const std::string received = dir.Path() + "notifications.jsonl";
    {
        CPythonPeer server("notify_server.py", {received}, {"DBUS_SESSION_BUS_ADDRESS=" + address});
        ASSERT_TRUE(server.Ready()) << "the notification server (python3-dbus) did not start";
        const char* saved = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        const std::string before = saved ? saved : "";
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        Notice notice{kEventChanges,
                      1765276200,
                      {NoticePage{"A <b>", "http://a.test/", "1a", "Checksum changed", 0, {}},
                       NoticePage{"B", "http://b.test/", "2b", "Checksum changed", 0, {}}}};
        Result<std::string> sent = DeliverToChannel(Channel{"desk", "desktop://"}, notice, "", DeliveryLimits{});
        if (saved)
            ::setenv("DBUS_SESSION_BUS_ADDRESS", before.c_str(), 1);
        else
            ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        ASSERT_TRUE(sent) << sent.error().message;
        EXPECT_EQ(*sent, "notification 1");
    }
    const nlohmann::json got = nlohmann::json::parse(ReadFileBytes(received), nullptr, false);
    ASSERT_TRUE(got.is_object()) << ReadFileBytes(received);
    EXPECT_EQ(got["summary"], "Site Vigil: 2 pages changed");
    EXPECT_TRUE(Has(got["body"], "A &lt;b&gt;")) << got["body"];
    ASSERT_EQ(got["actions"].size(), 4u);
    EXPECT_EQ(got["actions"][1], "Show differences");
    EXPECT_EQ(got["actions"][3], "Open page");
    std::string verb;
    std::vector<std::string> ids;
    ASSERT_TRUE(ParseDesktopAction(got["actions"][0], verb, ids));
    EXPECT_EQ(verb, kActionShowDifferences);
    EXPECT_EQ(ids, (std::vector<std::string>{"1a", "2b"}));
    bus.Kill();

    // No bus: a failure in words, not a crash.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + dir.Path() + "none").c_str(), 1);
    Result<std::string> none = SendDesktopNotification(Notice{kEventTest, 0, {}}, 2000);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_FALSE(none);
}

} // namespace
