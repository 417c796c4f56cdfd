#include "ui/notify/TaskbarNotifier.h"

#include <QProcess>
#include <QScreen>
#include <QtTest>

// On a real X server: the popup slides out of a panel, stays where it belongs, and slides back by
// its own timers. Set SITEVIGIL_SCREENSHOT to a file name to keep a picture of the screen mid-stay.
class TaskbarNotifierXTest : public QObject
{
    Q_OBJECT

private slots:
    void slidesOutStaysAndSlidesBack()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect panelRect(screen.x(), screen.bottom() - 39, screen.width(), 40);
        // Something that looks like a panel, where the popup is told the panel is.
        QWidget panel(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        panel.setStyleSheet("background: #303846;");
        panel.setGeometry(panelRect);
        panel.show();

        CTaskbarNotifier popup;
        popup.SetUseDesktopNotifications(false);
        popup.SetScreenAreas(screen, screen.adjusted(0, 0, 0, -40));
        popup.Announce("2 new changes.\n17 changes total.", CTaskbarNotifier::ChangesAppearMs, 3000,
                       CTaskbarNotifier::ChangesVanishMs);
        QTRY_COMPARE_WITH_TIMEOUT(popup.State(), CTaskbarNotifier::Staying, 3000);

        const QRect full(panelRect.right() + 1 - 148, panelRect.top() - 120, 148, 120);
        QCOMPARE(popup.geometry(), full);
        QTest::qWait(100); // let the X server draw it
        // What the screen shows there is the popup's own picture: the skin and the text.
        const QImage onScreen = QGuiApplication::primaryScreen()->grabWindow(0, full.x(), full.y(), 148, 120).toImage();
        const QImage drawn = popup.grab().toImage();
        for (QPoint at : {QPoint(0, 0), QPoint(70, 12), QPoint(12, 110), QPoint(140, 60)})
            QCOMPARE(onScreen.pixelColor(at).name(), drawn.pixelColor(at).name());
        const QByteArray shot = qgetenv("SITEVIGIL_SCREENSHOT");
        if (!shot.isEmpty())
            QProcess::execute("import", {"-window", "root", QString::fromLocal8Bit(shot)});

        QTRY_COMPARE_WITH_TIMEOUT(popup.State(), CTaskbarNotifier::Hidden, 6000);
        QVERIFY(!popup.isVisible());
    }
};

QTEST_MAIN(TaskbarNotifierXTest)
#include "TaskbarNotifierXTest.moc"
