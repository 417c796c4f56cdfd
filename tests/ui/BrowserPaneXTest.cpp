// The browser pane shows strangers' pages from local files: they must not read other local files, and
// a page without a declared character set is read as UTF-8.
#include "TestEnv.h"
#include "ui/main/BrowserView.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Loads the file and waits until its script has put its verdict into the title.
QString TitleAfterScript(CBrowserView& view, const std::string& path)
{
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.ShowPage(QString::fromStdString(path));
    if (!loaded.wait(30000))
        return QStringLiteral("not loaded");
    for (int waited = 0; waited < 10000 && !view.title().startsWith(QLatin1String("done:")); waited += 50)
        QTest::qWait(50);
    return view.title().startsWith(QLatin1String("done:")) ? view.title().mid(5) : QStringLiteral("no verdict");
}

} // namespace

class BrowserPaneXTest : public QObject
{
    Q_OBJECT
private slots:
    void savedPageCannotReadListFile()
    {
        CTempDir dir;
        WriteFileBytes(dir.Path() + "siteVigil.dat", "secret list");
        WriteFileBytes(dir.Path() + "saved.htm",
                       "<html><body><script>"
                       "fetch('file://"
                           + dir.Path()
                           + "siteVigil.dat')"
                             ".then(r => r.text()).then(t => document.title = 'done:read ' + t)"
                             ".catch(e => document.title = 'done:blocked');"
                             "</script></body></html>");
        CBrowserView view;
        view.resize(400, 300);
        view.show();
        QCOMPARE(TitleAfterScript(view, dir.Path() + "saved.htm"), QStringLiteral("blocked"));
    }

    void pageWithoutCharsetIsUtf8()
    {
        CTempDir dir;
        WriteFileBytes(dir.Path() + "page.htm",
                       "<html><body><p id=t>\xc3\xa9</p><script>"
                       "document.title = 'done:' + document.getElementById('t').textContent;"
                       "</script></body></html>");
        CBrowserView view;
        view.show();
        QCOMPARE(TitleAfterScript(view, dir.Path() + "page.htm"), QString::fromUtf8("\xc3\xa9"));
    }
};

QTEST_MAIN(BrowserPaneXTest)
#include "BrowserPaneXTest.moc"
