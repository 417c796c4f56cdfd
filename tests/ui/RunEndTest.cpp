// What the main window shows at the end of a real run over pages on a local server: the popup's
// words and stay, a click on it, and the tray's mark and tip.
#include "HttpTestServer.h"
#include "TestEnv.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "ui/list/MyListView.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TrayIcon.h"
#include "ui/notify/TaskbarNotifier.h"
#include "ui/run/GuiRun.h"

#include <QItemSelectionModel>
#include <QtTest>

namespace {

void SetInt(const IntPref& pref, int value)
{
    CVigilPrefs::GetInstance().WriteInt(pref.name, value);
}

} // namespace

class RunEndTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_settings = std::make_unique<CIsolatedSettings>();
        m_server = std::make_unique<CHttpTestServer>();
        m_session = std::make_unique<CListSession>();
        QVERIFY(m_session->Open(true).ok());
        for (const char* path : {"/a", "/b", "/c"}) {
            m_server->SetPage(path, std::string("<html><body>first text of ") + path + "</body></html>");
            std::unique_ptr<Curl> record = CListSession::NewRecord(m_server->Url(path));
            record->SetName(path);
            record->m_bWatchContent = true;
            m_session->Doc().AddRecord(std::move(record));
        }
    }

    void cleanup()
    {
        m_frame.reset();
        m_run.reset();
        m_session.reset();
        m_server.reset();
        m_settings.reset();
    }

    void popupFollowsItsSettingsAndShowsTheChangedPages_data()
    {
        QTest::addColumn<int>("autoClose");
        QTest::addColumn<int>("changed");
        QTest::addColumn<QString>("text");
        QTest::newRow("one change, stays until clicked") << 0 << 1 << "1 new change.\n1 change total.";
        QTest::newRow("two changes, closes by itself") << 1 << 2 << "2 new changes.\n2 changes total.";
    }

    void popupFollowsItsSettingsAndShowsTheChangedPages()
    {
        QFETCH(int, autoClose);
        QFETCH(int, changed);
        SetInt(Pref::autoClosePopupNotify, autoClose);
        SetInt(Pref::popupDuration, 1);
        m_run = std::make_unique<CGuiRun>(*m_session);
        m_frame = std::make_unique<CMainFrame>(*m_session, *m_run);
        m_frame->show();
        CTaskbarNotifier& popup = m_frame->Popup();
        popup.SetUseDesktopNotifications(false);
        RunAll(); // takes the first checksums
        QCOMPARE(popup.State(), CTaskbarNotifier::Hidden);

        for (int i = 0; i < changed; ++i)
            m_server->SetPage(i == 0 ? "/c" : "/a", "<html><body>second text</body></html>");
        m_frame->ListView().selectRow(1);
        RunAll();
        QTRY_COMPARE_WITH_TIMEOUT(popup.State(), CTaskbarNotifier::Staying, 5000);
        QTEST(popup.Text(), "text");
        if (autoClose) {
            QCOMPARE(popup.TimerInterval(CTaskbarNotifier::StayTimer), 1000);
            QTRY_COMPARE_WITH_TIMEOUT(popup.State(), CTaskbarNotifier::Hidden, 5000);
            return;
        }
        // Unticked, the popup waits for its click however long it takes.
        QCOMPARE(popup.TimerInterval(CTaskbarNotifier::StayTimer), -1);
        QTest::qWait(1500);
        QCOMPARE(popup.State(), CTaskbarNotifier::Staying);

        m_frame->showMinimized();
        QTest::mouseClick(&popup, Qt::LeftButton, {}, QPoint(70, 60));
        QVERIFY(!m_frame->isMinimized());
        const QModelIndexList selected = m_frame->ListView().selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.front().row(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(popup.State(), CTaskbarNotifier::Hidden, 5000);
    }

    // A check shows in the tray's tip while it runs; the mark of changed pages is there from the start.
    void trayTipAndMarkFollowTheList()
    {
        m_session->Doc().Records()[1]->m_bChanged = true;
        m_run = std::make_unique<CGuiRun>(*m_session);
        m_frame = std::make_unique<CMainFrame>(*m_session, *m_run);
        QVERIFY(m_frame->ChangesPresent());
        m_frame->ListView().CheckAll();
        QCOMPARE(m_frame->Tray().Tip(), QStringLiteral("Currently checking for changes..."));
        QCOMPARE(m_frame->Tray().CurrentMode(), CTrayIcon::Blinking);
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->ListView().IsRunning(), 30000);
        QCOMPARE(m_frame->Tray().CurrentMode(), CTrayIcon::Steady);
        QVERIFY(m_frame->Tray().Tip() != QStringLiteral("Currently checking for changes..."));
    }

private:
    void RunAll()
    {
        m_frame->ListView().CheckAll();
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->ListView().IsRunning(), 30000);
    }

    std::unique_ptr<CIsolatedSettings> m_settings;
    std::unique_ptr<CHttpTestServer> m_server;
    std::unique_ptr<CListSession> m_session;
    std::unique_ptr<CGuiRun> m_run;
    std::unique_ptr<CMainFrame> m_frame;
};

QTEST_MAIN(RunEndTest)
#include "RunEndTest.moc"
