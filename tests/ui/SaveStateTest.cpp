// The desktop program never loses changes silently: a failing save is shown until one succeeds, and
// SIGTERM (a logout) saves before the program ends.
#include "TestEnv.h"
#include "model/ListSession.h"
#include "ui/app/MonitorApp.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TrayIcon.h"

#include <QTest>

#include <csignal>

namespace {

size_t PagesInFile()
{
    CListSession session;
    return session.Open(false).ok ? session.Doc().Count() : 0;
}

} // namespace

class SaveStateTest : public QObject
{
    Q_OBJECT
private slots:
    void failingSaveIsShownUntilOneSucceeds()
    {
        CIsolatedSettings settings;
        CMonitorApp app;
        QCOMPARE(app.InitInstance(), CMonitorApp::kRunning);
        CMainFrame& frame = *app.MainFrame();
        app.Session().Doc().RefuseDefaultSave("No space left on device");
        QVERIFY(!app.Session().Save().ok);
        QTRY_VERIFY(frame.StatusText().contains(QStringLiteral("could not be saved: No space left on device")));
        QVERIFY(frame.Tray().Tip().contains(QStringLiteral("No space left on device")));
        // Another message takes the bar for a moment; the failure comes back.
        frame.SetStatusText(QStringLiteral("Ready"));
        QTRY_VERIFY(frame.StatusText().contains(QStringLiteral("could not be saved")));

        app.Session().Doc().RefuseDefaultSave({});
        QVERIFY(app.Session().Save().ok);
        QTRY_COMPARE(frame.StatusText(), QStringLiteral("The list was saved"));
        QCOMPARE(frame.Tray().Tip(), QStringLiteral("Site Vigil"));
    }

    void sigtermSavesBeforeTheProgramEnds()
    {
        CIsolatedSettings settings;
        CMonitorApp app;
        QCOMPARE(app.InitInstance(), CMonitorApp::kRunning);
        app.Session().Doc().AddRecord(CListSession::NewRecord("http://a.test/"));
        QCOMPARE(PagesInFile(), size_t(0));
        ::raise(SIGTERM);
        QTRY_COMPARE(PagesInFile(), size_t(1));
    }
};

QTEST_MAIN(SaveStateTest)
#include "SaveStateTest.moc"
