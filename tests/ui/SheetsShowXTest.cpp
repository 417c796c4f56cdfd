#include "TestEnv.h"

#include "check/PageFiles.h"
#include "model/UrlRecord.h"
#include "ui/prefs/PreferencesSheet.h"
#include "ui/props/UrlPropertiesSheet.h"
#include "ui/sheets/PropertyPage.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>

// Shows every page of both sheets on a real X server. With SITEVIGIL_SHOTS_DIR set, each page is also
// photographed there, for a person to look at.
class SheetsShowXTest : public QObject
{
    Q_OBJECT

    static void Shoot(const QString& name)
    {
        const QString shots = qEnvironmentVariable("SITEVIGIL_SHOTS_DIR");
        if (!shots.isEmpty())
            QProcess::execute("import", {"-window", "root", QString("%1/%2.png").arg(shots, name)});
    }

    static void ShowEveryPage(CTreePropSheet& sheet, const QString& prefix)
    {
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        for (int index = 0; index < sheet.PageCount(); ++index) {
            QVERIFY(sheet.SetActivePage(index));
            QTest::qWait(100);
            QVERIFY(sheet.Page(index)->isVisible());
            Shoot(QString("%1-%2").arg(prefix).arg(index));
        }
    }

private slots:
    void showsThePreferences()
    {
        CIsolatedSettings settings;
        CPreferencesSheet sheet(PreferencesHooks{});
        ShowEveryPage(sheet, "prefs");
        // The Notifications node is a page of its own: the overview of the pages below it.
        sheet.Tree()->setCurrentItem(sheet.Tree()->topLevelItem(3));
        QTest::qWait(100);
        QCOMPARE(sheet.Tree()->topLevelItem(3)->text(0), QStringLiteral("Notifications"));
        QVERIFY(sheet.Page(sheet.PageCount() - 1)->isVisible());
        Shoot("prefs-group");
    }

    void showsTheUrlProperties()
    {
        CIsolatedSettings settings;
        Curl record;
        record.m_strName = "Example page";
        record.m_strURL = "http://example.org/news";
        record.m_strStartText = "<h1>";
        record.m_strEndText = "no such text";
        record.m_bAuthenticate = true;
        record.m_strUserName = "reader";
        record.m_strPassword = "visible";
        record.m_strPageID = "1";
        const std::string path = GetSavedPagePath(record);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFileBytes(path, "<html>\n<body>\n<h1>News</h1>\n<p>Today nothing happened.</p>\n</body>\n</html>\n");
        CUrlPropertiesSheet sheet(record, false);
        ShowEveryPage(sheet, "url");
        sheet.SetActivePage(0);
        QLineEdit* url = sheet.findChild<QLineEdit*>("url");
        url->setFocus();
        url->selectAll();
        QTest::keyClicks(url, "http//example.org");
        sheet.findChild<QLineEdit*>("name")->clear();
        QTest::qWait(100);
        Shoot("url-invalid");
        // What the user typed is marked as a mistake on screen, and OK refuses it.
        const QLabel* status = sheet.findChild<QLabel*>("status");
        QCOMPARE(status->text(), QStringLiteral("Invalid URL"));
        QCOMPARE(status->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(url->palette().color(QPalette::Text), QColor(Qt::red));
        QVERIFY(sheet.findChild<QLabel*>("urlMarker")->isVisible());
        QVERIFY(sheet.findChild<QLabel*>("nameMarker")->isVisible());
        QVERIFY(!sheet.OkButton()->isEnabled());
        QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
        QVERIFY(sheet.isVisible());
        QCOMPARE(record.m_strURL, std::string("http://example.org/news"));
    }
};

QTEST_MAIN(SheetsShowXTest)
#include "SheetsShowXTest.moc"
