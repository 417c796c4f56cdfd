#include "PythonPeer.h"
#include "TestEnv.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/Channel.h"
#include "notify/Outbox.h"
#include "notify/OutboxDelivery.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

Notice OneChange()
{
    return Notice{kEventChanges,
                  1765276200,
                  {NoticePage{"News <b>", "http://news.test/", "1a", "Checksum changed", 1765276100, "+new line\n"}}};
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Every channel test runs with its own settings, outbox and clock.
class ChannelDelivery : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ready()) << "the webhook peer (python3) did not start";
        Clock::SetForTesting([this] { return now; });
    }
    void TearDown() override { Clock::SetForTesting({}); }

    void UseChannels(const std::vector<Channel>& channels)
    {
        ASSERT_TRUE(SaveChannels(CVigilPrefs::GetInstance(), channels));
    }
    int64_t Queue(const std::string& channel)
    {
        OutboxRow row;
        row.channel = channel;
        row.event = kEventChanges;
        row.pages = "News";
        row.payload = NoticeToJson(OneChange());
        Result<std::vector<int64_t>> ids = COutbox(settings.StorageDir()).Add({row}, now);
        EXPECT_TRUE(ids);
        return ids ? ids->front() : 0;
    }
    OutboxRow Row(int64_t id) { return COutbox(settings.StorageDir()).Get(id).value(); }

    CIsolatedSettings settings;
    CWebhookPeer peer;
    int64_t now = 1765276200;
};

struct FormatCase
{
    const char* scheme;
    const char* path; // after host:port
    const char* method;
    const char* requestPath;
    const char* header; // "name: value" the request must carry, or ""
    const char* bodyPart; // a part of the body
};

TEST_F(ChannelDelivery, EachWebhookGetsItsOwnFormat)
{
    const FormatCase cases[] = {
        {"json", "/hook", "POST", "/hook", "content-type: application/json", "\"reason\":\"Checksum changed\""},
        {"ntfy", "/alerts?token=tk1", "POST", "/alerts", "authorization: Bearer tk1", "Checksum changed"},
        {"gotify", "/APPTOKEN", "POST", "/message", "x-gotify-key: APPTOKEN", "\"priority\":5"},
        {"matrix", "/!room:server.test", "PUT",
         "/_matrix/client/v3/rooms/%21room%3Aserver.test/send/m.room.message/tx-1", "authorization: Bearer SECRET",
         "\"msgtype\":\"m.text\""},
        {"slack", "/services/T/B", "POST", "/services/T/B", "content-type: application/json", "\"text\":\"*Site Vigil"},
        {"discord", "/api/webhooks/1/x", "POST", "/api/webhooks/1/x", "content-type: application/json",
         "\"content\":\"**Site Vigil"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.scheme);
        const std::string user = std::string(c.scheme) == "matrix" ? "SECRET@" : "";
        const Channel channel{"c", std::string(c.scheme) + "://" + user + peer.Base() + c.path};
        const size_t before = peer.Requests().size();
        Result<std::string> answer = DeliverToChannel(channel, OneChange(), "tx-1", DeliveryLimits{});
        ASSERT_TRUE(answer) << answer.error().message;
        EXPECT_EQ(*answer, "HTTP 200");
        const auto requests = peer.Requests();
        ASSERT_EQ(requests.size(), before + 1);
        const CWebhookPeer::Request& got = requests.back();
        EXPECT_EQ(got.method, c.method);
        EXPECT_EQ(got.path, c.requestPath);
        const std::string header = c.header;
        const size_t colon = header.find(": ");
        EXPECT_EQ(CWebhookPeer::Header(got, header.substr(0, colon)).rfind(header.substr(colon + 2), 0), 0u)
            << got.headers;
        EXPECT_TRUE(Has(got.body, c.bodyPart)) << got.body;
        // The page's name arrives as text, whatever the format.
        EXPECT_TRUE(Has(got.body, "News <b>") || Has(got.body, "News \\u003cb\\u003e")) << got.body;
    }
    // ntfy carries the title and the click link as headers.
    const Channel ntfy{"n", "ntfy://" + peer.Base() + "/t"};
    ASSERT_TRUE(DeliverToChannel(ntfy, OneChange(), "", DeliveryLimits{}));
    EXPECT_EQ(CWebhookPeer::Header(peer.Requests().back(), "title"), "Site Vigil: News <b> changed");
    EXPECT_EQ(CWebhookPeer::Header(peer.Requests().back(), "click"), "http://news.test/");
}

TEST_F(ChannelDelivery, AnswersOutside2xxAndSilentPeersAreFailures)
{
    DeliveryLimits limits;
    limits.totalSeconds = 2;
    for (const char* status : {"404", "500"}) {
        Result<std::string> answer
            = DeliverToChannel(Channel{"c", "json://" + peer.Base() + "/status/" + status}, OneChange(), "", limits);
        ASSERT_FALSE(answer) << status;
        EXPECT_EQ(answer.error().message, std::string("HTTP ") + status + ": Refused by the test peer");
    }
    Result<std::string> hang
        = DeliverToChannel(Channel{"c", "json://" + peer.Base() + "/hang"}, OneChange(), "", limits);
    ASSERT_FALSE(hang);
    EXPECT_EQ(hang.error().kind, ErrorKind::TimedOut);
    // A peer that talks on and on is cut off at the limit but still counts by its status.
    limits.answerBytes = 1024;
    EXPECT_TRUE(DeliverToChannel(Channel{"c", "json://" + peer.Base() + "/big"}, OneChange(), "", limits));
    Result<std::string> down = DeliverToChannel(
        Channel{"c", "json://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/"}, OneChange(), "", limits);
    ASSERT_FALSE(down);
    EXPECT_EQ(down.error().kind, ErrorKind::Network);
}

TEST_F(ChannelDelivery, AHangingChannelNeverHoldsUpAnother)
{
    UseChannels({Channel{"slow", "json://" + peer.Base() + "/hang"}, Channel{"fast", "json://" + peer.Base() + "/ok"}});
    const int64_t slow = Queue("slow");
    const int64_t fast = Queue("fast");
    const std::vector<DeliveryOutcome> outcomes = DeliverOutbox(settings.StorageDir(), nullptr, 3);
    EXPECT_EQ(Row(fast).state, kStateDelivered);
    // Stopped at the deadline, not counted as an attempt: it stays due.
    EXPECT_EQ(Row(slow).state, kStatePending);
    EXPECT_EQ(Row(slow).attempts, 0);
    ASSERT_EQ(outcomes.size(), 2u);
}

TEST_F(ChannelDelivery, AChannelDownAtFirstGetsTheNotificationOnceWhenItComesUp)
{
    const int port = UnusedLoopbackPort();
    UseChannels({Channel{"later", "json://127.0.0.1:" + std::to_string(port) + "/hook"}});
    const int64_t id = Queue("later");
    std::vector<DeliveryOutcome> first = DeliverOutbox(settings.StorageDir(), nullptr, 10);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].state, DeliveryOutcome::State::Failed);
    EXPECT_EQ(Row(id).nextAttempt, now + 30);
    EXPECT_FALSE(Row(id).lastError.empty());
    // Not due yet: nothing is tried.
    EXPECT_TRUE(DeliverOutbox(settings.StorageDir(), nullptr, 10).empty());

    CWebhookPeer later(port);
    ASSERT_TRUE(later.Ready());
    now += 31;
    ASSERT_EQ(DeliverOutbox(settings.StorageDir(), nullptr, 10).size(), 1u);
    now += 3600;
    EXPECT_TRUE(DeliverOutbox(settings.StorageDir(), nullptr, 10).empty());
    EXPECT_EQ(later.Requests().size(), 1u);
    EXPECT_EQ(Row(id).state, kStateDelivered);
    EXPECT_EQ(Row(id).attempts, 2);
}

TEST_F(ChannelDelivery, AttemptsBackOffThenGiveUpAfterThreeDays)
{
    EXPECT_EQ(RetryDelay(1), 30);
    EXPECT_EQ(RetryDelay(2), 120);
    EXPECT_EQ(RetryDelay(3), 600);
    EXPECT_EQ(RetryDelay(4), 3600);
    EXPECT_EQ(RetryDelay(5), 6 * 3600);
    EXPECT_EQ(RetryDelay(40), 6 * 3600);

    UseChannels({Channel{"broken", "json://" + peer.Base() + "/status/500"}});
    const int64_t id = Queue("broken");
    int attempts = 0;
    while (Row(id).state == kStatePending && attempts < 100) {
        now = Row(id).nextAttempt;
        DeliverOutbox(settings.StorageDir(), nullptr, 10);
        ++attempts;
    }
    const OutboxRow row = Row(id);
    EXPECT_EQ(row.state, kStateFailed);
    EXPECT_EQ(row.lastError, "HTTP 500: Refused by the test peer");
    EXPECT_LE(row.doneAt - row.created, kGiveUpSeconds);
    EXPECT_GT(row.doneAt - row.created, kGiveUpSeconds - 6 * 3600);
    // 4 short steps, then every 6 hours for the rest of the 3 days.
    EXPECT_EQ(row.attempts, 4 + 1 + (kGiveUpSeconds - 30 - 120 - 600 - 3600) / (6 * 3600));

    // A retry brings it back for another three days.
    ASSERT_EQ(COutbox(settings.StorageDir()).Retry(id, now).value(), 1);
    EXPECT_EQ(Row(id).state, kStatePending);
    EXPECT_EQ(Row(id).nextAttempt, now);
}

TEST_F(ChannelDelivery, RowsOfARemovedChannelAreGivenUp)
{
    UseChannels({});
    const int64_t id = Queue("gone");
    DeliverOutbox(settings.StorageDir(), nullptr, 10);
    EXPECT_EQ(Row(id).state, kStateFailed);
    EXPECT_EQ(Row(id).lastError, "the channel \"gone\" no longer exists");
}

struct AddressCase
{
    const char* address;
    bool ok;
    const char* shown; // ShownChannelAddress
};

TEST(ChannelAddress, OnlyChannelSchemesWithTheirPartsAreAccepted)
{
    const AddressCase cases[] = {
        {"desktop://", true, "desktop://"},
        {"desktop://x", false, ""},
        {"jsons://hooks.test:8443/a/b", true, "jsons://hooks.test:8443/a/b"},
        {"ntfy://ntfy.test/topic?token=abc", true, "ntfy://ntfy.test/topic?token=***"},
        {"ntfy://ntfy.test/", false, ""},
        {"ntfy://ntfy.test/t?x=1", false, ""},
        {"gotifys://g.test/sub/TOKEN", true, "gotifys://g.test/sub/***"},
        {"gotify://g.test/", false, ""},
        {"matrixs://tok@m.test/!r:m.test", true, "matrixs://***@m.test/!r:m.test"},
        {"matrix://m.test/!r:m.test", false, ""},
        {"slack://[::1]:9000/services/x", true, "slack://[::1]:9000/services/x"},
        {"discord://d.test:0/x", false, ""},
        {"discord://d.test:70000/x", false, ""},
        {"json://a b.test/", false, ""},
        {"json://a.test/\x01", false, ""},
        {"json://user@a.test/", false, ""},
        {"mailto:ann@example.test", false, ""},
        {"http://a.test/", false, ""},
        {"a.test/hook", false, ""},
    };
    for (const AddressCase& c : cases) {
        EXPECT_EQ(static_cast<bool>(ParseChannelAddress(c.address)), c.ok) << c.address;
        if (c.ok) {
            EXPECT_EQ(ShownChannelAddress(c.address), c.shown);
        }
    }
    Channel channel;
    EXPECT_TRUE(ParseChannelEvents("failures,changes", channel));
    EXPECT_TRUE(channel.changes && channel.failures);
    EXPECT_FALSE(ParseChannelEvents("changes,", channel));
    EXPECT_FALSE(ParseChannelEvents("all", channel));
    EXPECT_FALSE(CheckChannelName("email"));
    EXPECT_FALSE(CheckChannelName("a\nb"));
}

} // namespace
