// sitevigil-cli while the desktop program holds the storage folder: its changes are handed to the
// program, made on the list the window shows, saved, and answered; a check is the program's own run.
#include "HttpTestServer.h"
#include "TestEnv.h"
#include "cli/CliApp.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "run/ControlChannel.h"
#include "ui/app/MonitorApp.h"
#include "ui/list/MyListView.h"
#include "ui/main/MainFrame.h"

#include <QDialog>
#include <QItemSelectionModel>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <thread>

namespace {

// One sitevigil-cli command on a thread of its own: it waits for the program's answer, which the
// program gives on its event loop.
class CCliCall
{
public:
    explicit CCliCall(std::vector<std::string> args)
        : m_thread([this, args = std::move(args)] {
            std::ostringstream out, err;
            status = RunCli(args, out, err);
            this->out = out.str();
            this->err = err.str();
            done = true;
        })
    { }
    ~CCliCall() { m_thread.join(); }

    std::atomic<bool> done = false;
    int status = -1;
    std::string out;
    std::string err;

private:
    std::thread m_thread;
};

size_t PagesInFile()
{
    CListSession session;
    return session.Open(false).ok ? session.Doc().Count() : 0;
}

} // namespace

class HandOverTest : public QObject
{
    Q_OBJECT
private slots:
    void changesAreMadeOnTheShownListBetweenRunsAndDialogs();
};

void HandOverTest::changesAreMadeOnTheShownListBetweenRunsAndDialogs()
{
    CIsolatedSettings settings;
    CHttpTestServer server;
    server.SetPage("/a", "<p>alpha</p>");
    server.SetPage("/b", "<p>beta</p>");
    for (const IntPref* pref : {&Pref::showSummary, &Pref::popupNotify, &Pref::soundPreference})
        CVigilPrefs::GetInstance().WriteInt(pref->name, 0);

    CMonitorApp app;
    QCOMPARE(app.InitInstance(), CMonitorApp::kRunning);
    CMyListView& list = app.MainFrame()->ListView();
    const std::string socketPath = settings.StorageDir() + kControlSocketName;
    QVERIFY(std::filesystem::exists(socketPath));

    {
        CCliCall add({"add", server.Url("/a"), "--name", "A", "--watch", "content"});
        QTRY_VERIFY(add.done);
        QCOMPARE(add.status, 0);
        QCOMPARE(add.out, std::string("Added page @1 (position 1): A\n"));
    }
    QCOMPARE(list.model()->rowCount(), 1);
    QCOMPARE(PagesInFile(), size_t(1));
    QCOMPARE(app.MainFrame()->StatusText(), QStringLiteral("Handed over by sitevigil-cli: add"));

    // The selected page stays selected while rows come and go around it.
    list.selectRow(0);
    {
        CCliCall add({"add", server.Url("/b"), "--name", "B", "--watch", "content"});
        QTRY_VERIFY(add.done);
        QCOMPARE(add.status, 0);
    }
    QCOMPARE(list.model()->rowCount(), 2);
    QCOMPARE(list.FirstSelected()->GetName(), std::string("A"));

    // An open dialog may be editing a page: a removal waits until it closes.
    {
        QDialog dialog(app.MainFrame());
        dialog.setModal(true);
        dialog.show();
        QTRY_VERIFY(QApplication::activeModalWidget() == &dialog);
        CCliCall remove({"remove", "A"});
        QTest::qWait(600);
        QVERIFY(!remove.done);
        QCOMPARE(list.model()->rowCount(), 2);
        dialog.close();
        QTRY_VERIFY(remove.done);
        QCOMPARE(remove.out, std::string("Removed 1 page\n"));
    }
    QCOMPARE(list.model()->rowCount(), 1);
    QCOMPARE(PagesInFile(), size_t(1));
    QVERIFY(!list.selectionModel()->hasSelection());

    // A check handed over is the window's own run, answered when it ends; what comes meanwhile waits.
    {
        CCliCall check({"check"});
        QTRY_VERIFY(list.IsRunning() || check.done);
        CCliCall show({"show", "B"});
        QTRY_VERIFY_WITH_TIMEOUT(check.done, 30000);
        QCOMPARE(check.status, 0);
        QCOMPARE(check.out, std::string("Checked 1 page in the running desktop program.\n"));
        QTRY_VERIFY(show.done);
        QVERIFY(show.out.find("Status:") != std::string::npos);
        QVERIFY(show.out.find("OK") != std::string::npos);
    }
    QCOMPARE(server.RequestCount("/b"), 1);
}

QTEST_MAIN(HandOverTest)
#include "HandOverTest.moc"
