// The desktop program never loses changes silently: a failing save is shown until one succeeds, and
// SIGTERM (a logout) saves before the program ends.
#include "TestEnv.h"
#include "model/ListSession.h"
#include "ui/app/MonitorApp.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TrayIcon.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

#include <csignal>

namespace {

size_t PagesInFile()
{
    CListSession session;
    return session.Open(false).ok() ? session.Doc().Count() : 0;
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
        QVERIFY(!app.Session().Save().ok());
        QTRY_VERIFY(frame.StatusText().contains(QStringLiteral("could not be saved: No space left on device")));
        QVERIFY(frame.Tray().Tip().contains(QStringLiteral("No space left on device")));
        // Another message takes the bar for a moment; the failure comes back.
        frame.SetStatusText(QStringLiteral("Ready"));
        QTRY_VERIFY(frame.StatusText().contains(QStringLiteral("could not be saved")));

        app.Session().Doc().RefuseDefaultSave({});
        QVERIFY(app.Session().Save().ok());
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

    // A list file another program put in place while the window runs is noticed and asked about,
    // without blocking the window; either answer is carried out.
    void replacedListFileIsAskedAboutAndNeverSavedOverUnseen()
    {
        CIsolatedSettings settings;
        CMonitorApp app;
        QCOMPARE(app.InitInstance(), CMonitorApp::kRunning);
        app.Session().Doc().AddRecord(CListSession::NewRecord("http://mine.test/"));
        QVERIFY(app.Session().Save().ok());
        for (const char* answer : {"keep", "load"}) {
            {
                CListSession other; // another program's list of two pages, put in place
                other.Doc().AddRecord(CListSession::NewRecord("http://theirs.test/1"));
                other.Doc().AddRecord(CListSession::NewRecord("http://theirs.test/2"));
                const std::string path = other.Doc().GetDefaultPath();
                QVERIFY(other.Doc().SaveToFile(path + ".theirs").ok());
                QVERIFY(::rename((path + ".theirs").c_str(), path.c_str()) == 0);
            }
            QVERIFY(!app.Session().Save().ok());
            QCOMPARE(PagesInFile(), size_t(2));
            QMessageBox* box = nullptr;
            QTRY_VERIFY((box = app.MainFrame()->findChild<QMessageBox*>(QStringLiteral("replacedListQuestion"))));
            box->findChild<QAbstractButton*>(QString::fromLatin1(answer))->click();
            QTRY_VERIFY(!app.MainFrame()->findChild<QMessageBox*>(QStringLiteral("replacedListQuestion")));
            if (QByteArray(answer) == "keep") {
                QCOMPARE(PagesInFile(), size_t(1));
                QCOMPARE(app.Session().Doc().Count(), size_t(1));
            } else {
                QCOMPARE(app.Session().Doc().Count(), size_t(2));
                QVERIFY(app.Session().Save().ok());
            }
        }
    }
};

QTEST_MAIN(SaveStateTest)
#include "SaveStateTest.moc"
