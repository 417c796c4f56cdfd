// sitevigil-cli while the desktop program holds the storage folder: its changes are handed to the
// program, made on the list the window shows, saved, and answered; a check is the program's own run.
#include "HttpTestServer.h"
#include "TestEnv.h"
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

// One request of sitevigil-cli on a thread of its own: it waits for the program's answer, which the
// program gives on its event loop.
class CControlCall
{
public:
    explicit CControlCall(ControlRequest request)
        : m_thread([this, request = std::move(request)] {
            const std::optional<ControlAnswer> reply
                = SendControlRequest(CVigilPrefs::GetInstance().GetStorageFolder(), request);
            reached = reply.has_value();
            if (reply)
                answer = *reply;
            done = true;
        })
    { }
    ~CControlCall() { m_thread.join(); }

    std::atomic<bool> done = false;
    bool reached = false;
    ControlAnswer answer;

private:
    std::thread m_thread;
};

ControlRequest Add(const std::string& url, const std::string& name)
{
    ControlRequest request;
    request.verb = ControlVerb::Add;
    request.changes.url = url;
    request.changes.name = name;
    request.changes.watches = std::vector<std::string>{"content"};
    return request;
}

ControlRequest Named(ControlVerb verb, std::vector<std::string> pages = {})
{
    ControlRequest request;
    request.verb = verb;
    request.pages = std::move(pages);
    return request;
}

size_t PagesInFile()
{
    CListSession session;
    return session.Open(false).ok() ? session.Doc().Count() : 0;
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
    const std::string socketPath = ControlSocketPath(settings.StorageDir()).value();
    QVERIFY(std::filesystem::exists(socketPath));

    {
        CControlCall add(Add(server.Url("/a"), "A"));
        QTRY_VERIFY(add.done);
        QVERIFY(add.reached);
        QCOMPARE(add.answer.outcome, ControlOutcome::Done);
        QCOMPARE(add.answer.pages.at(0).label, std::string("@1"));
        QCOMPARE(add.answer.pages.at(0).position, 1u);
    }
    QCOMPARE(list.model()->rowCount(), 1);
    QCOMPARE(PagesInFile(), size_t(1));
    QCOMPARE(app.MainFrame()->StatusText(), QStringLiteral("Handed over by sitevigil-cli: add"));

    // The selected page stays selected while rows come and go around it.
    list.selectRow(0);
    {
        CControlCall add(Add(server.Url("/b"), "B"));
        QTRY_VERIFY(add.done);
        QCOMPARE(add.answer.outcome, ControlOutcome::Done);
    }
    QCOMPARE(list.model()->rowCount(), 2);
    QCOMPARE(list.FirstSelected()->GetName(), std::string("A"));

    // An open dialog may be editing a page: a removal waits until it closes.
    {
        QDialog dialog(app.MainFrame());
        dialog.setModal(true);
        dialog.show();
        QTRY_VERIFY(QApplication::activeModalWidget() == &dialog);
        CControlCall remove(Named(ControlVerb::Remove, {"A"}));
        QTest::qWait(600);
        QVERIFY(!remove.done);
        QCOMPARE(list.model()->rowCount(), 2);
        dialog.close();
        QTRY_VERIFY(remove.done);
        QCOMPARE(remove.answer.outcome, ControlOutcome::Done);
        QCOMPARE(remove.answer.pages.size(), size_t(1));
    }
    QCOMPARE(list.model()->rowCount(), 1);
    QCOMPARE(PagesInFile(), size_t(1));
    QVERIFY(!list.selectionModel()->hasSelection());

    // A check handed over is the window's own run, answered when it ends; what comes meanwhile waits.
    {
        CControlCall check(Named(ControlVerb::Check));
        QTRY_VERIFY(list.IsRunning() || check.done);
        CControlCall edit(Named(ControlVerb::Edit, {"B"}));
        QTRY_VERIFY_WITH_TIMEOUT(check.done, 30000);
        QCOMPARE(check.answer.outcome, ControlOutcome::Done);
        QCOMPARE(check.answer.count, uint64_t(1));
        QCOMPARE(check.answer.program, std::string("desktop program"));
        QVERIFY(!check.answer.pages.at(0).failed);
        // Refused for giving no change, but only once the run had ended.
        QTRY_VERIFY(edit.done);
        QCOMPARE(edit.answer.outcome, ControlOutcome::Refused);
    }
    QCOMPARE(server.RequestCount("/b"), 1);
}

QTEST_MAIN(HandOverTest)
#include "HandOverTest.moc"
