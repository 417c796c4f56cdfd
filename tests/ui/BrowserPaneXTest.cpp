// The browser pane shows strangers' pages. Saved copies, reports and the update log are local files:
// they must run no script (no reading other files, no connections, no storage shared between copies,
// no dialogs), and a page without a declared character set is read as UTF-8. Pages from the internet
// may run scripts, but their dialogs never hold up the window.
#include "HttpTestServer.h"
#include "TestEnv.h"
#include "ui/main/BrowserView.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

namespace {

bool Load(CBrowserView& view, const QString& pathOrUrl)
{
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.ShowPage(pathOrUrl);
    return loaded.wait(30000);
}

// The text of the page as it stands now.
QString BodyText(CBrowserView& view)
{
    QString text;
    bool done = false;
    view.page()->toPlainText([&](const QString& t) {
        text = t;
        done = true;
    });
    for (int waited = 0; !done && waited < 10000; waited += 20)
        QTest::qWait(20);
    return done ? text.trimmed() : QStringLiteral("no text");
}

// Counts the modal boxes that came up and closes each one, so that a failing test ends.
class CModalWatch
{
public:
    CModalWatch()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this]() {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++m_seen;
                modal->close();
            }
        });
        m_timer.start(50);
    }
    int Seen() const { return m_seen; }

private:
    QTimer m_timer;
    int m_seen = 0;
};

} // namespace

class BrowserPaneXTest : public QObject
{
    Q_OBJECT
private slots:
    // A saved copy that would read the list file, call home over a WebSocket with its path, read what
    // other copies stored and loop on alert(): none of its script runs.
    void savedCopyRunsNoScript()
    {
        CTempDir dir;
        CHttpTestServer server;
        WriteFileBytes(dir.Path() + "siteVigil.dat", "secret list");
        const std::string ws = "ws://127.0.0.1:" + std::to_string(server.Port()) + "/";
        WriteFileBytes(dir.Path() + "saved.htm",
                       "<html><body>static<script>"
                       "document.body.textContent = 'ran';"
                       "try { new WebSocket('"
                           + ws
                           + "' + encodeURIComponent(location.href)); } catch (e) {}"
                             "localStorage.setItem('k', 'v');"
                             "fetch('file://"
                           + dir.Path()
                           + "siteVigil.dat').then(r => r.text()).then(t => document.body.textContent = t);"
                             "for (let i = 0; i < 3; ++i) alert('trapped');"
                             "</script></body></html>");
        CModalWatch modals;
        CBrowserView view;
        view.resize(400, 300);
        view.show();
        QVERIFY(Load(view, QString::fromStdString(dir.Path() + "saved.htm")));
        QCOMPARE(BodyText(view), QStringLiteral("static"));
        QCOMPARE(server.TotalRequests(), 0);
        QCOMPARE(modals.Seen(), 0);
    }

    // A saved copy cannot send the pane to the network by itself (a refresh carrying what it knows).
    void savedCopyCannotLeaveForTheNetwork()
    {
        CTempDir dir;
        CHttpTestServer server;
        server.SetPage("/away", "<html><body>away</body></html>");
        WriteFileBytes(dir.Path() + "saved.htm",
                       "<html><head><meta http-equiv=refresh content=\"0;url=" + server.Url("/away")
                           + "\"></head><body>stay</body></html>");
        CBrowserView view;
        view.show();
        QVERIFY(Load(view, QString::fromStdString(dir.Path() + "saved.htm")));
        QTest::qWait(500); // lets a refresh of 0 seconds start, were it allowed
        QCOMPARE(server.RequestCount("/away"), 0);
        QCOMPARE(BodyText(view), QStringLiteral("stay"));
    }

    void pageWithoutCharsetIsUtf8()
    {
        CTempDir dir;
        WriteFileBytes(dir.Path() + "page.htm", "<html><body><p id=t>\xc3\xa9</p></body></html>");
        CBrowserView view;
        view.show();
        QVERIFY(Load(view, QString::fromStdString(dir.Path() + "page.htm")));
        QCOMPARE(BodyText(view), QString::fromUtf8("\xc3\xa9"));
    }

    // "Show page from internet" runs the page's scripts; an alert loop neither blocks nor stops them.
    void internetPageScriptsRunWithoutDialogs()
    {
        CHttpTestServer server;
        server.SetPage("/live",
                       "<html><body>before<script>"
                       "for (let i = 0; i < 3; ++i) alert('again');"
                       "confirm('sure?'); prompt('name?');"
                       "document.body.textContent = 'after';"
                       "</script></body></html>");
        CModalWatch modals;
        CBrowserView view;
        view.show();
        QVERIFY(Load(view, QString::fromStdString(server.Url("/live"))));
        QTRY_COMPARE_WITH_TIMEOUT(BodyText(view), QStringLiteral("after"), 10000);
        QCOMPARE(modals.Seen(), 0);
    }

    // The program's own notice shows names from pages as text, not as markup.
    void noticeShowsItsTextsAsText()
    {
        CBrowserView view;
        view.show();
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        view.ShowNotice(QStringLiteral("<b>Shop</b>"), QStringLiteral("<img src=x>failed"));
        QVERIFY(loaded.wait(30000));
        QCOMPARE(BodyText(view), QStringLiteral("<b>Shop</b>\n\n<img src=x>failed"));
    }
};

QTEST_MAIN(BrowserPaneXTest)
#include "BrowserPaneXTest.moc"
