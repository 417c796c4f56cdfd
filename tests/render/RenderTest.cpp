// Pages checked through the browser engine, by the render helper the programs without Qt use: real
// engine, local pages from a local server.

#include "HttpTestServer.h"
#include "TestEnv.h"
#include "check/PageCheck.h"
#include "check/PageTexts.h"
#include "extract/ComparedText.h"
#include "fetch/RenderClient.h"
#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <future>
#include <thread>

namespace {

// A page whose visible text its script writes from the JSON endpoint of the same server.
constexpr const char* kScriptPage = R"(<!doctype html><html><head><title>Shop</title></head><body>
<p>Loading</p><div id="box"></div>
<script>
fetch('/price.json').then(r => r.json()).then(data => {
  const price = document.createElement('span');
  price.id = 'price';
  price.textContent = 'Price ' + data.price;
  document.getElementById('box').appendChild(price);
});
</script></body></html>)";

class RenderTest : public ::testing::Test
{
protected:
    RenderTest()
    {
        CRenderClient::Options options;
        options.helperPath = SITEVIGIL_RENDER_HELPER_PATH;
        options.parallel = 2;
        m_renderer = std::make_unique<CRenderClient>(options);
        m_server.SetPage("/shop", Response(kScriptPage));
        SetPrice("42");
    }

    static CHttpTestServer::Response Response(std::string body)
    {
        return {200, std::move(body), {{"Content-Type", "text/html; charset=utf-8"}}};
    }
    void SetPrice(const std::string& price)
    {
        m_server.SetPage("/price.json", {200, "{\"price\": " + price + "}", {{"Content-Type", "application/json"}}});
    }
    FetchOutcome Render(const std::string& path, uint32_t limitMs = 20000, uint32_t memoryLimitMB = 0)
    {
        RenderRequest request;
        request.url = m_server.Url(path);
        request.waitMs = 300;
        request.limitMs = limitMs;
        request.memoryLimitMB = memoryLimitMB;
        return m_renderer->render(request);
    }
    std::string PriceText(const FetchOutcome& outcome)
    {
        Result<std::string> text = ComparedText(outcome.body, {}, TextOptions{"#price"});
        return text ? *text : "error: " + text.error().message;
    }
    // The shop renders whole after whatever came before: nothing leaks from page to page.
    void ExpectShopRenders()
    {
        const FetchOutcome shop = Render("/shop");
        ASSERT_TRUE(shop.complete) << FetchErrorText(shop);
        EXPECT_NE(PriceText(shop).find("Price"), std::string::npos);
    }

    CIsolatedSettings m_settings;
    CHttpTestServer m_server;
    std::unique_ptr<CRenderClient> m_renderer;
};

// A plain download sees the empty shell; the rendered page has the script's text, the selector picks
// the element the script made, and a change of the JSON is a change of the page.
TEST_F(RenderTest, ScriptWrittenTextIsSeenAndItsChangeIsAChange)
{
    Curl page;
    page.SetURL(m_server.Url("/shop"));
    page.m_bWatchContent = true;
    page.m_bRender = true;
    page.m_nRenderWait = 1;

    CUrlEngine engine;
    const FetchOutcome plain = engine.fetch(page);
    ASSERT_TRUE(plain.complete);
    EXPECT_EQ(plain.body.find("Price 42"), std::string::npos);

    const FetchOutcome rendered = Render("/shop");
    ASSERT_TRUE(rendered.complete) << FetchErrorText(rendered);
    EXPECT_EQ(rendered.httpStatus, 200);
    EXPECT_EQ(PriceText(rendered), "Price 42\n");

    RenderPage(page, m_renderer.get()); // the first check only learns the page
    ASSERT_TRUE(page.m_bComplete) << page.m_strError;
    EXPECT_TRUE(RenderPage(page, m_renderer.get()).changes.empty());
    SetPrice("43");
    const PageVerdict changed = RenderPage(page, m_renderer.get());
    ASSERT_EQ(changed.changes.size(), 1u);
    EXPECT_EQ(changed.changes.front(), ChangeReason::kChecksumChanged);
}

// Each misbehaving page ends in its named outcome within its limit, and the next page renders.
TEST_F(RenderTest, BadPagesEndInNamedOutcomes)
{
    m_server.SetPage("/slow", {200, "<p>late</p>", {}, 15000});
    m_server.SetPage("/loop", Response("<p>x</p><script>while (true) {}</script>"));
    m_server.SetPage("/leave",
                     Response("<p id='price'>stayed</p><script>location.href = 'file:///etc/passwd';</script>"));
    m_server.SetPage("/custom", Response("<p>x</p><script>location.href = 'mailto:someone@example.org';</script>"));
    m_server.SetPage("/popup", Response("<p id='price'>stayed</p><script>window.open('/shop');</script>"));
    m_server.SetPage("/readfile", Response(R"(<p id="price">none</p><script>
fetch('file:///etc/passwd').then(r => r.text())
  .then(t => { document.getElementById('price').textContent = t; })
  .catch(() => { document.getElementById('price').textContent = 'refused'; });
</script>)"));
    m_server.SetPage("/error", {500, "<p>broken</p>", {}});
    m_server.SetPage("/gone", {404, "<p>gone</p>", {{"Content-Type", "text/html"}}});
    m_server.SetPage("/image", Response("<p id='price'>stayed</p><img src='file:///etc/passwd'>"));
    struct Case
    {
        const char* path;
        FetchFailure failure;
        const char* text; // the price element's text of a page that renders
    };
    const Case cases[] = {
        // The main document's status, named as a download names it, with or without a page of its own.
        {"/missing", FetchFailure::NotFound, nullptr},
        {"/gone", FetchFailure::NotFound, nullptr},
        {"/error", FetchFailure::HttpStatus, nullptr},
        {"/slow", FetchFailure::TimedOut, nullptr},
        {"/loop", FetchFailure::TimedOut, nullptr},
        // A page that goes to a local file or another program's address, or whose script reads a
        // local file, is no page to compare; a local image the engine leaves out is the page's own
        // loss, and it renders without it.
        {"/leave", FetchFailure::NavigationRefused, nullptr},
        {"/custom", FetchFailure::NavigationRefused, nullptr},
        {"/readfile", FetchFailure::NavigationRefused, nullptr},
        {"/image", FetchFailure::None, "stayed\n"},
        {"/popup", FetchFailure::None, "stayed\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const FetchOutcome outcome = Render(c.path, 4000);
        EXPECT_EQ(outcome.failure, c.failure) << FetchErrorText(outcome);
        if (c.failure == FetchFailure::NotFound || c.failure == FetchFailure::HttpStatus) {
            EXPECT_EQ(FetchErrorText(outcome), c.path == std::string("/error") ? "HTTP error, 500" : "Not found, 404");
        }
        if (c.text) {
            EXPECT_EQ(PriceText(outcome), c.text);
        } else {
            EXPECT_FALSE(outcome.complete);
            EXPECT_FALSE(FetchErrorText(outcome).empty());
        }
        ExpectShopRenders();
    }
    EXPECT_EQ(m_server.RequestCount("/popup"), 1);
}

// Answers still awaited hold the settling up, whether they were asked for before the load ended or
// after: the page is taken once they are in, not when no new request has started for a while.
TEST_F(RenderTest, SettlingWaitsForRequestsInFlight)
{
    m_server.SetPage("/late.json", {200, "{\"price\": 7}", {{"Content-Type", "application/json"}}, 1500});
    m_server.SetPage("/stock.txt", {200, "in stock", {{"Content-Type", "text/plain"}}, 1500});
    m_server.SetPage("/waiting", Response(R"(<div id="box"></div><p id="stock"></p><script>
fetch('/late.json').then(r => r.json()).then(data => {
  document.getElementById('box').innerHTML = '<span id="price">Price ' + data.price + '</span>';
});
window.addEventListener('load', () => setTimeout(() => {
  const request = new XMLHttpRequest();
  request.open('GET', '/stock.txt');
  request.onload = () => { document.getElementById('stock').textContent = request.responseText; };
  request.send();
}, 100));
</script>)"));
    const FetchOutcome outcome = Render("/waiting");
    ASSERT_TRUE(outcome.complete) << FetchErrorText(outcome);
    EXPECT_EQ(PriceText(outcome), "Price 7\n");
    Result<std::string> stock = ComparedText(outcome.body, {}, TextOptions{"#stock"});
    ASSERT_TRUE(stock);
    EXPECT_EQ(*stock, "in stock\n");
}

// A page that allocates without end is ended at its memory ceiling as a named failure, and the next
// page renders.
TEST_F(RenderTest, EndlessAllocationEndsAtTheMemoryCeiling)
{
    m_server.SetPage("/hog", Response(R"(<p>x</p><script>
const kept = [];
for (;;)
  kept.push(new Float64Array(1 << 20).fill(kept.length));
</script>)"));
    const FetchOutcome hog = Render("/hog", 60000, 300);
    EXPECT_EQ(hog.failure, FetchFailure::PageCrashed) << FetchErrorText(hog);
    EXPECT_NE(hog.detail.find("300 MB"), std::string::npos) << hog.detail;
    ExpectShopRenders();
}

// The helper killed in the middle of a render: that page is "Page crashed", the next one starts a
// new helper and renders.
TEST_F(RenderTest, HelperKilledMidRenderIsACrashAndTheNextPageRenders)
{
    m_server.SetPage("/slow", {200, "<p>late</p>", {}, 15000});
    auto pending = std::async(std::launch::async, [this] { return Render("/slow"); });
    while (m_server.RequestCount("/slow") == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const pid_t helper = m_renderer->helperPid();
    ASSERT_GT(helper, 0);
    ::kill(helper, SIGKILL);
    const FetchOutcome crashed = pending.get();
    EXPECT_EQ(crashed.failure, FetchFailure::PageCrashed);
    EXPECT_EQ(FetchErrorText(crashed), "Page crashed");
    ExpectShopRenders();
    EXPECT_NE(m_renderer->helperPid(), helper);
}

// No helper at all: every rendered page says so, and nothing else happens.
TEST(RenderUnavailable, MissingHelperIsANamedFailure)
{
    CRenderClient::Options options;
    options.helperPath = "/nonexistent/sitevigil-render";
    CRenderClient renderer(options);
    RenderRequest request;
    request.url = "http://127.0.0.1:9/";
    const FetchOutcome outcome = renderer.render(request);
    EXPECT_EQ(outcome.failure, FetchFailure::RenderUnavailable);
    EXPECT_EQ(FetchErrorText(outcome).rfind("Rendering is not available", 0), 0u);
}

} // namespace
