// A fatal signal leaves a report with a backtrace; the next start is told about it once.
#include "ui/app/CrashHandler.h"
#include "TestEnv.h"

#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class CrashHandlerTest : public QObject
{
    Q_OBJECT
private slots:
    void crashLeavesReportToldOnce()
    {
        CTempDir dir;
        const std::string folder = dir.Path() + "crashReports/";
        const pid_t child = fork();
        if (child == 0) {
            CrashHandler::Install(folder);
            std::raise(SIGSEGV);
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status)); // the signal still ends the program
        QCOMPARE(WTERMSIG(status), SIGSEGV);

        const std::string report = CrashHandler::TakeNewReport(folder);
        QVERIFY(!report.empty());
        const std::string text = ReadFileBytes(report);
        QVERIFY(text.find("signal 11") != std::string::npos);
        QVERIFY(text.find("Backtrace:") != std::string::npos);
        QVERIFY(CrashHandler::TakeNewReport(folder).empty());
    }
};

QTEST_MAIN(CrashHandlerTest)
#include "CrashHandlerTest.moc"
