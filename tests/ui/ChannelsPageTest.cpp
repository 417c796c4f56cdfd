// The Channels page of the preferences and the desktop program's side of our desktop notifications:
// channels added, switched and removed on the page are saved with OK, its Test button reaches a local
// webhook, and a notification server on a private session bus that clicks "Show differences" brings
// the page up in the list.
#include "PythonPeer.h"
#include "TestEnv.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/Channel.h"
#include "notify/OutboxDelivery.h"
#include "ui/list/MyListView.h"
#include "ui/notify/DesktopActions.h"
#include "ui/prefs/PPChannels.h"
#include "ui/prefs/PreferencesSheet.h"
#include "ui/run/GuiRun.h"
#include "ui/widgets/MessageBox.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <memory>

class ChannelsPageTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_settings = std::make_unique<CIsolatedSettings>();
        MessageBox::TakeShownTexts();
    }
    void cleanup() { m_settings.reset(); }

    void channelsAreEditedAndSavedWithOk()
    {
        CWebhookPeer peer;
        QVERIFY(peer.Ready());
        auto sheet = std::make_unique<CPreferencesSheet>(PreferencesHooks{});
        CPPChannels& page = sheet->Channels();
        page.LoadControls();
        auto* address = page.findChild<QLineEdit*>("channelAddress");
        auto* name = page.findChild<QLineEdit*>("channelName");
        auto* add = page.findChild<QPushButton*>("addChannel");
        auto* table = page.findChild<QTableWidget*>("channels");
        address->setText(QString::fromStdString("json://" + peer.Base() + "/hook"));
        name->setText("Hook");
        add->click();
        address->setText("gotify://g.test/");
        MessageBox::SetNextAnswer(QMessageBox::Ok);
        add->click(); // no token: refused, nothing added
        QCOMPARE(MessageBox::TakeShownTexts().size(), 1);
        address->setText("ntfy://n.test/topic?token=hidden");
        add->click();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, 2)->text(), QString("ntfy://n.test/topic?token=***"));
        QCOMPARE(table->item(0, 5)->text(), QString("never"));

        // Test: the selected channel, in the background.
        table->selectRow(0);
        QSignalSpy done(&page, &CPPChannels::TestDone);
        page.findChild<QPushButton*>("testChannel")->click();
        QVERIFY(done.wait(20000));
        QCOMPARE(done.front().front().toString(), QString("Test message delivered to Hook: HTTP 200"));
        QCOMPARE(peer.Requests().size(), size_t(1));

        // The second one off and with failures too, then OK.
        table->cellWidget(1, 0)->findChild<QCheckBox*>()->setChecked(false);
        table->cellWidget(1, 4)->findChild<QCheckBox*>()->setChecked(true);
        page.findChild<QLineEdit*>("deliveryWait")->setText("12");
        QVERIFY(page.StoreControls());
        sheet->accept();
        Result<std::vector<Channel>> saved = LoadChannels(CVigilPrefs::GetInstance());
        QVERIFY(saved.ok());
        QCOMPARE(saved->size(), size_t(2));
        QCOMPARE(QString::fromStdString((*saved)[0].name), QString("Hook"));
        QVERIFY(!(*saved)[1].enabled);
        QVERIFY((*saved)[1].changes && (*saved)[1].failures);
        QCOMPARE(CVigilPrefs::GetInstance().ReadInt(Pref::deliveryWait), 12);

        // Remove on a new sheet; Cancel keeps what was stored.
        auto again = std::make_unique<CPreferencesSheet>(PreferencesHooks{});
        again->Channels().LoadControls();
        again->Channels().findChild<QTableWidget*>("channels")->selectRow(0);
        again->Channels().findChild<QPushButton*>("removeChannel")->click();
        QCOMPARE(again->Channels().m_values.size(), size_t(1));
        again->reject();
        QCOMPARE(LoadChannels(CVigilPrefs::GetInstance())->size(), size_t(2));
    }

    void clickingShowDifferencesSelectsThePage()
    {
        CPythonPeer bus("/usr/bin/dbus-daemon", {"--session", "--print-address", "--nofork"});
        if (!bus.Ready())
            QSKIP("dbus-daemon could not start a session bus");
        CTempDir dir;
        const std::string received = dir.Path() + "notifications.jsonl";
        CPythonPeer server("notify_server.py", {received}, {"DBUS_SESSION_BUS_ADDRESS=" + bus.FirstLine()});
        QVERIFY2(server.Ready(), "the notification server (python3-dbus) did not start");
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(bus.FirstLine()));

        CListSession session;
        QVERIFY(session.Open(true).ok());
        for (const char* id : {"a1", "b2", "c3"}) {
            std::unique_ptr<Curl> record = CListSession::NewRecord(std::string("http://") + id + ".test/");
            record->SetName(id);
            record->m_strPageID = id;
            session.Doc().AddRecord(std::move(record));
        }
        CGuiRun run(session);
        CMyListView list(session, run);
        list.FillList();
        int broughtUp = 0;
        CDesktopActions actions(list, session.Doc(), [&] { ++broughtUp; });
        QVERIFY(actions.Listen());
        QSignalSpy notice(&list, &CMyListView::showNoticeInPane);
        QSignalSpy pane(&list, &CMyListView::showInPane);

        // The core sends; the server clicks the first action, "Show differences".
        Notice one{kEventChanges, 1, {NoticePage{"b2", "http://b2.test/", "b2", "Checksum changed", 1, {}}}};
        Result<std::string> sent = DeliverToChannel(Channel{"desk", "desktop://"}, one, "", DeliveryLimits{});
        QVERIFY2(sent.ok(), sent.ok() ? "" : sent.error().message.c_str());
        QTRY_COMPARE_WITH_TIMEOUT(broughtUp, 1, 10000);
        QCOMPARE(list.selectionModel()->selectedRows().size(), 1);
        QCOMPARE(list.selectionModel()->selectedRows().front().row(), 1);
        // One page: its differences are asked for and shown in the pane.
        QTRY_VERIFY_WITH_TIMEOUT(notice.size() + pane.size() >= 1, 10000);

        // Several pages: the list shows them selected; a key naming no page of ours changes nothing.
        QVERIFY(actions.Handle("open-page:a1,c3"));
        QCOMPARE(list.selectionModel()->selectedRows().size(), 2);
        QVERIFY(!actions.Handle("open-page:zz"));
        QVERIFY(!actions.Handle("something-else:a1"));
        QCOMPARE(list.selectionModel()->selectedRows().size(), 2);
        bus.Kill();
    }

private:
    std::unique_ptr<CIsolatedSettings> m_settings;
};

QTEST_MAIN(ChannelsPageTest)
#include "ChannelsPageTest.moc"
