// A second sitevigil on the same storage folder brings the first one's window up and ends.
#include "TestEnv.h"
#include "ui/app/MonitorApp.h"
#include "ui/main/MainFrame.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

class SingleInstanceTest : public QObject
{
    Q_OBJECT
private slots:
    void secondProgramHandsOver()
    {
        CIsolatedSettings settings;
        CMonitorApp first;
        QCOMPARE(first.InitInstance(), CMonitorApp::kRunning);
        first.MainFrame()->hide();

        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        QSignalSpy finished(&second, &QProcess::finished);
        second.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../../src/ui/sitevigil"), {});
        QVERIFY(second.waitForStarted());
        QVERIFY(finished.wait(20000)); // runs this event loop, in which the first one answers
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(first.MainFrame()->isVisible());
        first.MainFrame()->close();
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
