// On a real X server with a window manager and no tray: after a run whose popup has come and gone,
// the list still takes the mouse. Three pages without saved copies; click a row, F5, a page changes,
// F5, the popup comes and goes, then a click selects and a double-click opens the page's properties.
#include "HttpTestServer.h"
#include "TestEnv.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "ui/list/MyListView.h"
#include "ui/main/MainFrame.h"
#include "ui/run/GuiRun.h"
#include "ui/notify/TaskbarNotifier.h"
#include "ui/props/UrlPropertiesSheet.h"

#include <QHeaderView>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

class ListAfterPopupXTest : public QObject
{
    Q_OBJECT
private slots:
    void listTakesClicksAfterThePopup()
    {
        QProcess windowManager;
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (openbox.isEmpty())
            QSKIP("openbox is not installed (apt-get install openbox): the fault needs a window manager");
        windowManager.start(openbox, {});
        QVERIFY(windowManager.waitForStarted());
        QTest::qWait(500);

        CIsolatedSettings settings;
        CVigilPrefs::GetInstance().WriteInt(Pref::actionOnDoubleClick.name, 1); // show the properties
        CVigilPrefs::GetInstance().WriteInt(Pref::popupDuration.name, 1);
        CHttpTestServer server;
        CListSession session;
        QVERIFY(session.Open(true).ok());
        for (const char* path : {"/one", "/two", "/three"}) {
            server.SetPage(path, std::string("<html><body>first ") + path + "</body></html>");
            std::unique_ptr<Curl> record = CListSession::NewRecord(server.Url(path));
            record->SetName(path);
            session.Doc().AddRecord(std::move(record));
        }
        CGuiRun run(session);
        CMainFrame frame(session, run);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        CMyListView& list = frame.ListView();

        auto rowCentre = [&list](int row) { return list.visualRect(list.model()->index(row, 0)).center(); };
        auto runAll = [&frame, &list] {
            QTest::keyClick(&frame, Qt::Key_F5);
            QVERIFY(list.IsRunning());
            QTRY_VERIFY_WITH_TIMEOUT(!list.IsRunning(), 30000);
        };
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rowCentre(0));
        runAll();
        server.SetPage("/two", "<html><body>second text, longer</body></html>");
        runAll();
        CTaskbarNotifier& popup = frame.Popup();
        QTRY_VERIFY_WITH_TIMEOUT(popup.State() != CTaskbarNotifier::Hidden, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(popup.State(), CTaskbarNotifier::Hidden, 10000);

        // Nothing of the popup or the run holds the mouse or covers the list.
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QTest::qWait(200);
        const QPoint third = rowCentre(2);
        QCOMPARE(QApplication::widgetAt(list.viewport()->mapToGlobal(third)), list.viewport());

        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, third);
        QVERIFY(list.selectionModel()->isRowSelected(2, {}));
        QString opened;
        QTimer::singleShot(0, this, [&opened] {
            // The double-click's sheet is modal: note what opened and close it.
            QTRY_VERIFY(QApplication::activeModalWidget());
            opened = QApplication::activeModalWidget()->windowTitle();
            QApplication::activeModalWidget()->close();
        });
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, third);
        QTRY_VERIFY(opened.startsWith(QStringLiteral("URL Properties")));
        windowManager.terminate();
        windowManager.waitForFinished(3000);
    }
};

QTEST_MAIN(ListAfterPopupXTest)
#include "ListAfterPopupXTest.moc"
