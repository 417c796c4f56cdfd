// A fatal signal leaves a report with a backtrace; the next start is told about it once, with the
// functions named, and reports never overwrite each other.
#include "ui/app/CrashHandler.h"
#include "TestEnv.h"
#include "platform/FileUtil.h"

#include <QTest>

#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A function of the test program that only the next start's look-up can name (it is not exported).
[[gnu::noinline]] void CrashInsideNamedFunction()
{
    std::raise(SIGSEGV);
    asm volatile(""); // no tail call: the frame stays on the stack
}

// Crashes a child that installed the handler; returns its end status.
int CrashChild(const std::string& folder)
{
    const pid_t child = fork();
    if (child == 0) {
        CrashHandler::Install(folder);
        CrashInsideNamedFunction();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

} // namespace

class CrashHandlerTest : public QObject
{
    Q_OBJECT
private slots:
    void crashLeavesReportToldOnceWithNames()
    {
        CTempDir dir;
        const std::string folder = dir.Path() + "crashReports/";
        const int status = CrashChild(folder);
        QVERIFY(WIFSIGNALED(status)); // the signal still ends the program
        QCOMPARE(WTERMSIG(status), SIGSEGV);

        const std::string report = CrashHandler::TakeNewReport(folder);
        QVERIFY(!report.empty());
        const std::string text = ReadFileBytes(report);
        QVERIFY(text.find("signal 11") != std::string::npos);
        QVERIFY(text.find("Backtrace:") != std::string::npos);
        QVERIFY2(text.find("CrashInsideNamedFunction()") != std::string::npos, text.c_str());
        QVERIFY(CrashHandler::TakeNewReport(folder).empty());
    }

    void reportsOfOneSecondKeepEachOther()
    {
        QCOMPARE(CrashHandler::ReportName(1796812925, 1), std::string("crash-2026-12-09T10-42-05.txt"));
        QCOMPARE(CrashHandler::ReportName(951782400, 3), std::string("crash-2000-02-29T00-00-00-3.txt"));

        // The names of the next seconds are taken already, as by a crash a moment ago.
        CTempDir dir;
        const std::string folder = dir.Path() + "crashReports/";
        QVERIFY(MakeFolders(folder));
        const long long now = std::time(nullptr);
        for (long long second = now; second < now + 30; ++second)
            WriteFileBytes(folder + CrashHandler::ReportName(second, 1), "earlier");
        QVERIFY(WIFSIGNALED(CrashChild(folder)));
        QVERIFY(WIFSIGNALED(CrashChild(folder)));
        for (long long second = now; second < now + 30; ++second)
            QCOMPARE(ReadFileBytes(folder + CrashHandler::ReportName(second, 1)), std::string("earlier"));
        // Both are kept beside them: "-2", and "-3" when they fell in the same second.
        int reports = 0;
        for (long long second = now; second < now + 30; ++second) {
            for (int number = 2; number <= 3; ++number) {
                const std::string path = folder + CrashHandler::ReportName(second, number);
                if (FileExists(path) && ReadFileBytes(path).find("signal 11") != std::string::npos)
                    ++reports;
            }
        }
        QCOMPARE(reports, 2);
    }

    void newestReportIsToldByTimeAndNumber()
    {
        CTempDir dir;
        for (const char* name : {"crash-000001796812925.txt", "crash-2026-12-09T10-42-05.txt",
                                 "crash-2026-12-09T10-42-05-10.txt", "crash-2026-12-09T10-42-05-2.txt"})
            WriteFileBytes(dir.Path() + name, "Site Vigil ended on signal 11\n");
        QCOMPARE(CrashHandler::TakeNewReport(dir.Path()), dir.Path() + "crash-2026-12-09T10-42-05-10.txt");
        QVERIFY(CrashHandler::TakeNewReport(dir.Path()).empty());
    }
};

QTEST_MAIN(CrashHandlerTest)
#include "CrashHandlerTest.moc"
