// The main window's life in a desktop without a tray: start-up, closing, saving, and a list file that
// could not be read whole.
#include "HttpTestServer.h"
#include "TestEnv.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "ui/app/MonitorApp.h"
#include "ui/list/MyListView.h"
#include "ui/main/MainFrame.h"
#include "ui/main/SplitFrame.h"
#include "ui/main/TrayIcon.h"
#include "ui/run/GuiRun.h"
#include "ui/widgets/MessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

#include <filesystem>

namespace {

// A list file of the given pages, written through a session of its own.
void WriteList(const std::string& storage, int pages)
{
    CListSession session;
    QVERIFY(session.Open(true).ok());
    for (int i = 0; i < pages; ++i)
        session.Doc().AddRecord(CListSession::NewRecord("http://127.0.0.1/page" + std::to_string(i)));
    QVERIFY(session.Save().ok());
    (void)storage;
}

size_t PagesInFile()
{
    CListSession session;
    session.Open(false);
    return session.IsDamaged() ? 0 : session.Doc().Count();
}

bool ShownTextContains(const QString& part)
{
    for (const QString& text : MessageBox::TakeShownTexts()) {
        if (text.contains(part))
            return true;
    }
    return false;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    // The versions on offer are those of the page on show, without opening a list first.
    void versionsFollowThePageOnShow()
    {
        CIsolatedSettings settings;
        CVigilPrefs::GetInstance().WriteInt(Pref::showSummary.name, 0);
        CHttpTestServer server;
        server.SetPage("/v", "<html><body>first</body></html>");
        CListSession session;
        QVERIFY(session.Open(true).ok());
        session.Doc().AddRecord(CListSession::NewRecord(server.Url("/v")));
        session.Doc().AddRecord(CListSession::NewRecord(server.Url("/never")));
        CGuiRun run(session);
        CMainFrame frame(session, run);
        frame.show();
        for (const char* body : {"<html><body>first</body></html>", "<html><body>second</body></html>"}) {
            server.SetPage("/v", body);
            QVERIFY(run.CheckSelected(session.Doc().Records().front().get()));
            QTRY_VERIFY_WITH_TIMEOUT(!frame.ListView().IsRunning(), 20000);
        }
        auto* from = frame.findChild<QComboBox*>("historyFrom");
        QVERIFY(from);
        for (const auto& [row, versions] : {std::pair{0, 2}, std::pair{1, 0}}) {
            frame.ListView().selectionModel()->setCurrentIndex(frame.ListView().model()->index(row, 0),
                                                               QItemSelectionModel::ClearAndSelect
                                                                   | QItemSelectionModel::Rows);
            QTRY_COMPARE(from->count(), versions);
        }
        QVERIFY(frame.close());
    }

    void init() { MessageBox::TakeShownTexts(); }

    // Offscreen there is no tray: minimising and closing behave as in any window, and closing saves.
    void withoutTrayCloseEndsAndSaves()
    {
        CIsolatedSettings settings;
        QVERIFY(!CTrayIcon::IsAvailable());
        CMonitorApp app;
        QCOMPARE(app.InitInstance(), CMonitorApp::kRunning);
        CMainFrame* frame = app.MainFrame();
        QCOMPARE(frame->windowTitle(), QStringLiteral("Watching the Internet - Site Vigil"));
        QCOMPARE(frame->StatusText(), QStringLiteral("Ready"));

        frame->HideToTray();
        QVERIFY(!frame->IsHiddenInTray());
        frame->showMinimized();
        QTest::qWait(50);
        QVERIFY(!frame->IsHiddenInTray());
        QVERIFY(!frame->Tray().IsShown());

        app.Session().Doc().AddRecord(CListSession::NewRecord("http://127.0.0.1/added"));
        frame->ListView().FillList();
        QCOMPARE(CVigilPrefs::GetInstance().ReadInt(Pref::hideToTrayOnExit), 1);
        QVERIFY(frame->close());
        QCOMPARE(PagesInFile(), size_t(1));
    }

    // During a run the status bar counts the pages, whatever the schedule's countdown would say, and
    // Shift+F5 stops the run wherever the focus is.
    void runShowsItsProgressAndShiftF5StopsIt()
    {
        CIsolatedSettings settings;
        CHttpTestServer server;
        server.SetPage("/quick", "quick");
        CHttpTestServer::Response slow(200, "");
        slow.chunks = {std::string(6000, 'x'), std::string(6000, 'y')};
        slow.chunkDelayMs = 20000;
        server.SetPage("/slow", slow);
        CVigilPrefs& prefs = CVigilPrefs::GetInstance();
        prefs.WriteInt(Pref::numThreads.name, 0); // one worker: the pages in list order
        prefs.WriteInt(Pref::autoCheck.name, 1);
        CMonitorApp app;
        QCOMPARE(app.InitInstance(), CMonitorApp::kRunning);
        CMainFrame* frame = app.MainFrame();
        for (const char* path : {"/quick", "/slow"})
            app.Session().Doc().AddRecord(CListSession::NewRecord(server.Url(path)));
        frame->show();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));

        QTest::keyClick(&frame->ListView(), Qt::Key_F5);
        QVERIFY(frame->ListView().IsRunning());
        QCOMPARE(frame->StatusText(), QStringLiteral("Checking 1 of 2..."));
        QTRY_COMPARE_WITH_TIMEOUT(frame->StatusText(), QStringLiteral("Checking 2 of 2..."), 20000);
        app.Run()->Scheduler().OnScheduleTick();
        QCOMPARE(frame->StatusText(), QStringLiteral("Checking 2 of 2..."));

        frame->BrowserPane().setFocus();
        QTest::keyClick(frame, Qt::Key_F5, Qt::ShiftModifier);
        QVERIFY(!frame->ListView().IsRunning());
        QCOMPARE(frame->StatusText(), QStringLiteral("Checking stopped"));
        QVERIFY(!frame->IsBusyShown());
        QVERIFY(frame->close());
    }

    // The window's size and its split between list and pane come back at the next start.
    void windowStateComesBack()
    {
        CIsolatedSettings settings;
        CListSession session;
        QVERIFY(session.Open(true).ok());
        QList<int> sizes;
        {
            CGuiRun run(session);
            CMainFrame frame(session, run);
            frame.show();
            frame.resize(700, 520);
            auto* splitter = frame.findChild<QSplitter*>();
            splitter->setSizes({330, 90});
            QTest::qWait(50);
            sizes = splitter->sizes();
            QVERIFY(sizes[0] > sizes[1]);
            QVERIFY(frame.SaveList());
        }
        CGuiRun run(session);
        CMainFrame frame(session, run);
        frame.show();
        QTest::qWait(50);
        QCOMPARE(frame.size(), QSize(700, 520));
        QCOMPARE(frame.findChild<QSplitter*>()->sizes(), sizes);
    }

    // Every import ends with one summary over the list that the countdown does not overwrite; pages
    // already watched stay out while duplicates are confirmed; a link is named by its Name entry.
    void importsEndWithASummaryThatStays()
    {
        CIsolatedSettings settings;
        CVigilPrefs::GetInstance().WriteInt(Pref::confirmDuplicates.name, 1);
        CTempDir files;
        CListSession session;
        QVERIFY(session.Open(true).ok());
        session.Doc().AddRecord(CListSession::NewRecord("http://a.example/"));
        CGuiRun run(session);
        CMainFrame frame(session, run);
        frame.show();
        WriteFileBytes(files.Path() + "bookmarks.html",
                       "<dl><dt><a href=\"http://a.example/\">A</a><dt><a href=\"https://b.example/\">B</a>"
                       "<dt><a href=\"javascript:alert(1)\">Script</a></dl>");
        MessageBox::SetNextAnswer(QMessageBox::Ok); // names the link left out
        QCOMPARE(frame.ListView().ImportBookmarks(QString::fromStdString(files.Path() + "bookmarks.html")), 1);
        QVERIFY(ShownTextContains(QStringLiteral("javascript:alert(1)")));
        const QString summary = QStringLiteral("1 page imported, 1 already watched, 1 skipped (not web addresses)");
        QCOMPARE(frame.Notice(), summary);
        QTest::qWait(1200); // a schedule tick writes the status bar
        QCOMPARE(frame.Notice(), summary);

        std::filesystem::create_directories(files.Path() + "Favorites");
        WriteFileBytes(files.Path() + "Favorites/link.desktop",
                       "[Desktop Entry]\nType=Link\nName=Bike shop\nURL=http://bikes.example/\n");
        QCOMPARE(frame.ListView().ImportFavorites(QString::fromStdString(files.Path() + "Favorites")), 1);
        QCOMPARE(frame.Notice(), QStringLiteral("1 page imported, 0 already watched, 0 skipped (not web addresses)"));
        QCOMPARE(session.Doc().Records().back()->GetName(), std::string("Bike shop"));
        frame.findChild<QToolButton*>("closeNotice")->click();
        QCOMPARE(frame.Notice(), QString());
    }

    // A save that fails keeps the program open and says why.
    void failedSaveKeepsWindowOpen()
    {
        CIsolatedSettings settings;
        CMonitorApp app;
        QCOMPARE(app.InitInstance(), CMonitorApp::kRunning);
        const std::string list = app.Session().Doc().GetDefaultPath();
        // A folder with something in it cannot be replaced by the saved file.
        std::filesystem::create_directories(list + "/blocked");
        MessageBox::SetNextAnswer(QMessageBox::Ok);
        QVERIFY(!app.MainFrame()->close());
        QVERIFY(app.MainFrame()->isVisible());
        QVERIFY(ShownTextContains(QStringLiteral("could not be saved")));
        std::filesystem::remove_all(list);
        QVERIFY(app.MainFrame()->close());
    }

    // A damaged list is shown as far as it was read and never saved over until the user agrees, not
    // even by the schedule's save each minute.
    void damagedListIsNotSavedOver()
    {
        CIsolatedSettings settings;
        WriteList(settings.StorageDir(), 3);
        const std::string path = settings.StorageDir() + "siteVigil.dat";
        std::string bytes = ReadFileBytes(path);
        bytes.resize(bytes.size() - 20);
        WriteFileBytes(path, bytes);

        {
            MessageBox::SetNextAnswer(QMessageBox::Ok); // the warning at start
            CMonitorApp app;
            QCOMPARE(app.InitInstance(), CMonitorApp::kRunning);
            QVERIFY(ShownTextContains(QStringLiteral("could not be read whole")));
            QVERIFY(app.Session().IsDamaged());
            QTest::qWait(1300); // the first schedule tick saves when it may
            MessageBox::SetNextAnswer(QMessageBox::No); // exit without saving
            QVERIFY(app.MainFrame()->close());
            QCOMPARE(ReadFileBytes(path), bytes);
        }
        {
            MessageBox::SetNextAnswer(QMessageBox::Ok);
            CMonitorApp app;
            QCOMPARE(app.InitInstance(), CMonitorApp::kRunning);
            const size_t shown = app.Session().Doc().Count();
            MessageBox::SetNextAnswer(QMessageBox::Yes); // keep the damaged file aside, save
            QVERIFY(app.MainFrame()->close());
            std::string aside;
            for (const auto& entry : std::filesystem::directory_iterator(settings.StorageDir())) {
                if (entry.path().filename().string().rfind("siteVigil.damaged", 0) == 0)
                    aside = entry.path().string();
            }
            QCOMPARE(ReadFileBytes(aside), bytes);
            QCOMPARE(PagesInFile(), shown);
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
