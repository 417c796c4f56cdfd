// On a real X server with a real notification area (trayer): closing hides the window to the tray, a
// single click on the icon brings it back, and a window hidden in a tray that goes away comes back
// by itself instead of leaving a program nobody can reach.
#include "TestEnv.h"
#include "model/ListSession.h"
#include "ui/main/MainFrame.h"
#include "ui/run/GuiRun.h"
#include "ui/main/TrayIcon.h"

#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QtTest>

class TrayXTest : public QObject
{
    Q_OBJECT
private slots:
    void hiddenWindowStaysReachable()
    {
        const QString trayer = QStandardPaths::findExecutable(QStringLiteral("trayer"));
        if (trayer.isEmpty())
            QSKIP("trayer is not installed (apt-get install trayer): no notification area to test with");
        CIsolatedSettings settings;
        CListSession session;
        QVERIFY(session.Open(true).ok());
        QProcess panel;
        panel.start(trayer, {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "100"});
        QVERIFY(panel.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(CTrayIcon::IsAvailable(), 10000);

        CGuiRun run(session);
        CMainFrame frame(session, run);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(!frame.close()); // hides to the tray: the program goes on
        QVERIFY(frame.IsHiddenInTray());
        QVERIFY(!frame.isVisible());
        QVERIFY(frame.Tray().IsShown());
        QTRY_VERIFY_WITH_TIMEOUT(!frame.Tray().Geometry().isEmpty(), 10000); // embedded in the panel

        // One click, as panels on Linux restore their programs.
        auto* icon = frame.Tray().findChild<QSystemTrayIcon*>();
        QVERIFY(icon);
        QVERIFY(QMetaObject::invokeMethod(icon, "activated",
                                          Q_ARG(QSystemTrayIcon::ActivationReason, QSystemTrayIcon::Trigger)));
        QVERIFY(frame.isVisible());
        QVERIFY(!frame.IsHiddenInTray());
        QVERIFY(!frame.Tray().IsShown());

        QVERIFY(!frame.close());
        QVERIFY(frame.IsHiddenInTray());
        panel.terminate();
        QVERIFY(panel.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(frame.isVisible(), 5000);
        QVERIFY(!frame.IsHiddenInTray());
        // With no tray left, closing ends the program as in any window.
        QVERIFY(frame.close());
    }
};

QTEST_MAIN(TrayXTest)
#include "TrayXTest.moc"
