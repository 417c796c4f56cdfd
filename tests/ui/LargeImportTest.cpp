// A large bookmarks file imported in the window: the window's timers keep running while the file is
// read and while its pages join the list, and every page arrives.
#include "TestEnv.h"
#include "model/ListImport.h"
#include "model/ListSession.h"
#include "ui/list/MyListView.h"
#include "ui/run/GuiRun.h"
#include "ui/widgets/MessageBox.h"

#include <QTest>
#include <QTimer>

class LargeImportTest : public QObject
{
    Q_OBJECT
private slots:
    void windowRunsWhileALargeFileIsImported()
    {
        CIsolatedSettings settings;
        CListSession session;
        QVERIFY(session.Open(true).ok());
        CGuiRun run(session);
        CMyListView view(session, run);
        const size_t links = 2 * kImportStepPages + 5;
        std::string html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
        for (size_t i = 0; i < links; ++i)
            html += "<DT><A HREF=\"http://site.test/" + std::to_string(i) + "\">Page " + std::to_string(i) + "</A>\n";
        const std::string file = settings.StorageDir() + "bookmarks.html";
        WriteFileBytes(file, html);

        // A timer of the window: it must go on firing during the import, also between its steps.
        int ticks = 0;
        int ticksWithPart = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            const size_t count = session.Doc().Count();
            ticksWithPart += count > 0 && count < links ? 1 : 0;
        });
        timer.start(0);
        QCOMPARE(view.ImportBookmarks(QString::fromStdString(file)), static_cast<int>(links));
        timer.stop();
        QVERIFY(ticks > 0);
        QVERIFY(ticksWithPart > 0);
        QCOMPARE(session.Doc().Count(), links);
        QCOMPARE(view.model()->rowCount(), static_cast<int>(links));
        MessageBox::TakeShownTexts();
    }
};

QTEST_MAIN(LargeImportTest)
#include "LargeImportTest.moc"
