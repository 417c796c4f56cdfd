// The main window's keys reach their commands wherever the focus is, the browser pane included, and
// the menus and tool tips name them.
#include "HttpTestServer.h"
#include "TestEnv.h"

#include "model/ListSession.h"
#include "ui/app/MonitorApp.h"
#include "ui/list/MyListView.h"
#include "ui/main/BrowserView.h"
#include "ui/main/MainFrame.h"
#include "ui/main/SplitFrame.h"
#include "ui/widgets/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// The dialog the key opened, by its window title; it is closed at once.
QString ModalOpenedBy(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QString title;
    QTimer::singleShot(0, [&]() {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            title = modal->windowTitle();
            modal->close();
        }
    });
    QTest::keyClick(target, key, modifiers);
    QTest::qWait(20);
    return title;
}

} // namespace

class ShortcutsXTest : public QObject
{
    Q_OBJECT
private slots:
    void keysWorkWithTheFocusInThePane()
    {
        CIsolatedSettings settings;
        CHttpTestServer server;
        CHttpTestServer::Response slow(200, "");
        slow.chunks = {std::string(6000, 'x'), std::string(6000, 'y')};
        slow.chunkDelayMs = 20000;
        server.SetPage("/slow", slow);
        CMonitorApp app;
        QCOMPARE(app.InitInstance(), CMonitorApp::kRunning);
        CMainFrame* frame = app.MainFrame();
        for (const char* name : {"first", "second"}) {
            auto record = CListSession::NewRecord(server.Url("/slow"));
            record->SetName(name);
            app.Session().Doc().AddRecord(std::move(record));
        }
        CMyListView& list = frame->ListView();
        list.FillList();
        frame->show();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));

        CBrowserView& view = frame->BrowserPane().View();
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        view.ShowNotice(QStringLiteral("Pane"), QStringLiteral("focus here"));
        QVERIFY(loaded.wait(30000));
        view.setFocus();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QTRY_VERIFY(view.isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == &view);
        QWidget* pane = QApplication::focusWidget();

        list.selectRow(0);
        view.setFocus();
        QTest::keyClick(pane, Qt::Key_F5);
        QVERIFY(list.IsRunning());
        QTest::keyClick(pane, Qt::Key_F5, Qt::ShiftModifier);
        QVERIFY(!list.IsRunning());

        QCOMPARE(ModalOpenedBy(pane, Qt::Key_N, Qt::ControlModifier), QStringLiteral("URL Properties"));
        QCOMPARE(ModalOpenedBy(pane, Qt::Key_Comma, Qt::ControlModifier), QStringLiteral("Preferences"));

        QTest::keyClick(pane, Qt::Key_Delete);
        QCOMPARE(app.Session().Doc().Count(), size_t(1));

        // The menus show the keys.
        QStringList keys;
        for (QAction* menu : frame->menuBar()->actions())
            for (QAction* item : menu->menu()->actions())
                if (!item->shortcut().isEmpty())
                    keys << item->shortcut().toString();
        for (const char* key : {"F5", "Shift+F5", "Del", "Ctrl+N", "Ctrl+,", "F1"})
            QVERIFY2(keys.contains(QString::fromLatin1(key)), key);
        QVERIFY(list.Action(ListCommand::CheckAll)->toolTip().endsWith(QStringLiteral("(F5)")));
        list.StopChecking();
    }
};

QTEST_MAIN(ShortcutsXTest)
#include "ShortcutsXTest.moc"
