// A page checked through the desktop program's own browser engine: the list view's run renders it
// off screen, sees the text its script writes, and marks a change of that text.
#include "HttpTestServer.h"
#include "TestEnv.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "ui/list/MyListView.h"
#include "ui/run/GuiRun.h"
#include "ui/widgets/MessageBox.h"

#include <QTest>

namespace {

constexpr const char* kScriptPage = R"(<!doctype html><html><body><div id="box"></div><script>
fetch('/price.json').then(r => r.json()).then(data => {
  document.getElementById('box').textContent = 'Price ' + data.price;
});
</script></body></html>)";

} // namespace

class RenderedCheckTest : public QObject
{
    Q_OBJECT
private slots:
    void renderedPageIsCheckedInTheWindowsEngine()
    {
        CIsolatedSettings settings;
        CVigilPrefs::GetInstance().WriteInt(Pref::showSummary.name, 0);
        CHttpTestServer server;
        server.SetPage("/shop", {200, kScriptPage, {{"Content-Type", "text/html"}}});
        auto setPrice = [&](const char* price) {
            server.SetPage("/price.json",
                           {200, std::string("{\"price\": ") + price + "}", {{"Content-Type", "application/json"}}});
        };
        setPrice("42");
        CListSession session;
        QVERIFY(session.Open(true).ok());
        std::unique_ptr<Curl> record = CListSession::NewRecord(server.Url("/shop"));
        record->SetName("Shop");
        record->m_bWatchContent = true;
        record->m_bRender = true;
        record->m_nRenderWait = 0;
        session.Doc().AddRecord(std::move(record));
        Curl& page = *session.Doc().Records()[0];
        CGuiRun run(session);
        CMyListView view(session, run);

        auto runAll = [&] {
            view.CheckAll();
            QTRY_VERIFY_WITH_TIMEOUT(!view.IsRunning(), 60000);
        };
        runAll(); // learns the page
        QVERIFY2(page.m_bComplete, page.m_strError.c_str());
        QVERIFY(!page.GetChanged());
        runAll();
        QVERIFY(!page.GetChanged());
        // Only the script's text differs: a download would never see it change.
        setPrice("43");
        runAll();
        QVERIFY2(page.m_bComplete, page.m_strError.c_str());
        QVERIFY(page.GetChanged());
        QCOMPARE(server.RequestCount("/price.json"), 3);
        MessageBox::TakeShownTexts();
    }
};

QTEST_MAIN(RenderedCheckTest)
#include "RenderedCheckTest.moc"
