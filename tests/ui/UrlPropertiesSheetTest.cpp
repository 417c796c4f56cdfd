#include "HttpTestServer.h"
#include "TestEnv.h"

#include "check/PageFiles.h"
#include "model/UrlRecord.h"
#include "ui/props/PPUrlEntry.h"
#include "ui/props/PPWatchText.h"
#include "ui/props/UrlPropertiesSheet.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

class UrlPropertiesSheetTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CIsolatedSettings> m_settings;

    template <class T> static T* Control(CUrlPropertiesSheet& sheet, const char* name)
    {
        T* control = sheet.findChild<T*>(name);
        if (!control)
            qFatal("no control %s", name);
        return control;
    }
    static QColor TextColour(QWidget* widget) { return widget->palette().color(QPalette::Text); }

    // A record whose saved copy holds the text.
    static void SaveCopy(Curl& record, const std::string& text)
    {
        record.m_strPageID = "7";
        const std::string path = GetSavedPagePath(record);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFileBytes(path, text);
    }

private slots:
    void init()
    {
        m_settings = std::make_unique<CIsolatedSettings>();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup() { m_settings.reset(); }

    void addressAndNameDriveOk_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("valid");
        QTest::newRow("both good") << "Page"
                                   << "http://example.org/a?b" << true << true;
        QTest::newRow("https") << "Page"
                               << "https://example.org:8443/" << true << true;
        QTest::newRow("no name") << ""
                                 << "http://example.org/" << false << true;
        QTest::newRow("not an address") << "Page"
                                        << "not an address" << false << false;
        QTest::newRow("name of blanks") << "   "
                                        << "http://example.org/" << false << true;
        QTest::newRow("scheme only") << "Page"
                                     << "http://" << false << false;
        QTest::newRow("other scheme") << "Page"
                                      << "ftp://example.org/" << false << false;
        QTest::newRow("no scheme, a name") << "Page"
                                           << "www.example.org" << false << false;
        QTest::newRow("no scheme, address and port") << "Page"
                                                     << "127.0.0.1:8765/deals.html" << false << false;
    }
    void addressAndNameDriveOk()
    {
        QFETCH(QString, name);
        QFETCH(QString, url);
        QFETCH(bool, ok);
        QFETCH(bool, valid);
        Curl record;
        record.m_strName = "Before";
        record.m_strURL = "http://before.example/";
        CUrlPropertiesSheet sheet(record, false);
        QVERIFY(sheet.OkButton()->isEnabled());
        Control<QLineEdit>(sheet, "name")->setText(name);
        Control<QLineEdit>(sheet, "url")->setText(url);

        QCOMPARE(sheet.OkButton()->isEnabled(), ok);
        QCOMPARE(Control<QPushButton>(sheet, "download")->isEnabled(), valid);
        const QString suggestion = url.contains("://") || url.contains(' ')
            ? QString()
            : QStringLiteral(". Did you mean https://%1?").arg(url);
        QCOMPARE(Control<QLabel>(sheet, "status")->text(),
                 valid ? QString("Valid URL") : QStringLiteral("Invalid URL") + suggestion);
        QCOMPARE(TextColour(Control<QLineEdit>(sheet, "url")), valid ? QColor(Qt::black) : QColor(Qt::red));
        QCOMPARE(Control<QLabel>(sheet, "urlMarker")->isVisibleTo(&sheet), !valid);
        QCOMPARE(Control<QLabel>(sheet, "nameMarker")->isVisibleTo(&sheet), name.trimmed().isEmpty());
        // A disabled OK closes nothing and stores nothing.
        sheet.accept();
        QCOMPARE(sheet.result() == QDialog::Accepted, ok);
        QCOMPARE(record.m_strName, ok ? name.toStdString() : std::string("Before"));
    }

    // The sheet explains itself: the side shows every page's whole name, the watch options say what
    // each one watches, and the read-only credentials say why they are read-only.
    void sheetExplainsItself()
    {
        Curl record;
        CUrlPropertiesSheet sheet(record, false);
        sheet.show();
        QTreeWidget* tree = sheet.Tree();
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            const QRect text = tree->visualItemRect(*it);
            const int needed = tree->fontMetrics().horizontalAdvance((*it)->text(0)) + tree->iconSize().width();
            QVERIFY2(text.x() + needed <= tree->viewport()->width(), qPrintable((*it)->text(0)));
        }
        for (const char* name : {"watchUnreachable", "watchReachable", "watchDate", "watchContent", "watchSize",
                                 "textSearch", "textNotPresent"})
            QVERIFY2(!Control<QCheckBox>(sheet, name)->toolTip().isEmpty(), name);
        QVERIFY(!Control<QCheckBox>(sheet, "authenticate")->isEnabled());
        QVERIFY(Control<QLabel>(sheet, "authenticationNote")->text().contains("cannot be changed here"));
    }

    // A new page's empty address is no mistake yet: it turns red once the user has typed.
    void newPageIsRedOnlyOnceTyped()
    {
        QGuiApplication::clipboard()->clear();
        Curl record;
        CUrlPropertiesSheet sheet(record, true);
        QCOMPARE(Control<QLabel>(sheet, "status")->text(), QString("Invalid URL"));
        QCOMPARE(TextColour(Control<QLabel>(sheet, "status")), QColor(Qt::black));
        QCOMPARE(TextColour(Control<QLineEdit>(sheet, "url")), QColor(Qt::black));
        QVERIFY(!Control<QLabel>(sheet, "urlMarker")->isVisibleTo(&sheet));
        QVERIFY(!sheet.OkButton()->isEnabled());
        QTest::keyClicks(Control<QLineEdit>(sheet, "url"), "x");
        QCOMPARE(TextColour(Control<QLineEdit>(sheet, "url")), QColor(Qt::red));
        QVERIFY(Control<QLabel>(sheet, "urlMarker")->isVisibleTo(&sheet));
    }

    void clipboardFillsAnEmptyAddress_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("recordUrl");
        QTest::addColumn<QString>("shown");
        QTest::newRow("web address, new page") << "http://copied.example/x"
                                               << ""
                                               << "http://copied.example/x";
        QTest::newRow("not an address") << "some words"
                                        << ""
                                        << "http://";
        QTest::newRow("address already there") << "http://copied.example/"
                                               << "http://mine.example/"
                                               << "http://mine.example/";
        QTest::newRow("HTTP:// counts as empty") << "http://copied.example/"
                                                 << "HTTP://"
                                                 << "http://copied.example/";
    }
    void clipboardFillsAnEmptyAddress()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, recordUrl);
        QFETCH(QString, shown);
        QGuiApplication::clipboard()->setText(clipboard);
        Curl record;
        record.m_strURL = recordUrl.toStdString();
        CUrlPropertiesSheet sheet(record, true);
        QCOMPARE(Control<QLineEdit>(sheet, "url")->text(), shown);
    }

    void partTextsAreColouredByThePreview_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("startFound");
        QTest::addColumn<bool>("endFound");
        QTest::newRow("both found") << "Page"
                                    << "start here"
                                    << "end marker" << true << true;
        QTest::newRow("start missing") << "Page"
                                       << "nowhere"
                                       << "end marker" << false << true;
        QTest::newRow("case matters") << "Page"
                                      << "Start Here"
                                      << "END MARKER" << false << false;
        QTest::newRow("empty texts") << "Page"
                                     << ""
                                     << "" << false << false;
        QTest::newRow("no name, no preview") << ""
                                             << "start here"
                                             << "end marker" << false << false;
    }
    void partTextsAreColouredByThePreview()
    {
        QFETCH(QString, name);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(bool, startFound);
        QFETCH(bool, endFound);
        Curl record;
        record.m_strName = name.toStdString();
        record.m_strURL = "http://example.org/";
        SaveCopy(record, "\n  <p>\r\nbefore start here\nmiddle\r\nend marker after</p>\n\n");
        record.m_strStartText = start.toStdString();
        record.m_strEndText = end.toStdString();
        CUrlPropertiesSheet sheet(record, false);
        auto* preview = Control<QPlainTextEdit>(sheet, "preview");
        QCOMPARE(preview->toPlainText().isEmpty(), name.isEmpty());
        if (!name.isEmpty())
            QCOMPARE(preview->toPlainText(), QString("<p>\nbefore start here\nmiddle\nend marker after</p>"));
        QCOMPARE(TextColour(Control<QLineEdit>(sheet, "startText")), startFound ? PPColour(true) : PPColour(false));
        QCOMPARE(TextColour(Control<QLineEdit>(sheet, "endText")), endFound ? PPColour(true) : PPColour(false));
        const QTextCursor cursor = preview->textCursor();
        QCOMPARE(cursor.hasSelection(), startFound && endFound);
        if (cursor.hasSelection()) {
            QCOMPARE(cursor.selectionStart(), preview->toPlainText().indexOf(start));
            QCOMPARE(cursor.selectionEnd(), preview->toPlainText().indexOf(end));
        }
    }

    // Typing selects "this text"; deleting the text turns it red but keeps the choice.
    void typingSelectsTheTextChoice()
    {
        Curl record;
        record.m_strName = "Page";
        record.m_strURL = "http://example.org/";
        SaveCopy(record, "alpha beta gamma");
        CUrlPropertiesSheet sheet(record, false);
        sheet.SetActivePage(2);
        auto* field = Control<QLineEdit>(sheet, "startText");
        QVERIFY(Control<QRadioButton>(sheet, "fromStart")->isChecked());
        QTest::keyClicks(field, "beta");
        QVERIFY(Control<QRadioButton>(sheet, "fromText")->isChecked());
        QCOMPARE(TextColour(field), PPColour(true));
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QVERIFY(Control<QRadioButton>(sheet, "fromText")->isChecked());
        QCOMPARE(TextColour(field), PPColour(false));
        sheet.accept();
        QVERIFY(!record.m_bFromStart);
        QVERIFY(record.m_bToEnd);
    }

    // OK copies every page back; the credentials cannot be changed here; Cancel keeps the record.
    void okCopiesThePagesBack()
    {
        Curl record;
        record.m_strName = "Page";
        record.m_strURL = "http://example.org/";
        record.m_bAuthenticate = true;
        record.m_strUserName = "user";
        record.m_strPassword = "secret";
        {
            CUrlPropertiesSheet sheet(record, false);
            QVERIFY(!Control<QLineEdit>(sheet, "password")->isEnabled());
            sheet.SetActivePage(1);
            Control<QCheckBox>(sheet, "watchContent")->setChecked(true);
            sheet.reject();
        }
        QVERIFY(!record.m_bWatchContent);
        const uint32_t generation = record.GetEditGeneration();
        CUrlPropertiesSheet sheet(record, false);
        sheet.SetActivePage(1);
        Control<QCheckBox>(sheet, "watchContent")->setChecked(true);
        Control<QLineEdit>(sheet, "searchText")->setText("needle");
        sheet.SetActivePage(4);
        Control<QCheckBox>(sheet, "savePage")->setChecked(false);
        sheet.accept();
        QVERIFY(record.m_bWatchContent);
        QVERIFY(!record.m_bSavePage);
        QCOMPARE(record.m_strSearchText, std::string("needle"));
        QVERIFY(record.m_bAuthenticate);
        QCOMPARE(record.m_strPassword, std::string("secret"));
        QVERIFY(record.GetEditGeneration() != generation);
    }

    // The download stores name and address at once, then shows what the check found; a page
    // without a name takes its title.
    void downloadFillsTheTextsAndPreview()
    {
        CHttpTestServer server;
        server.SetPage("/page", "<html><head><title>Local Title</title></head><body>watch me</body></html>");
        Curl record;
        CUrlPropertiesSheet sheet(record, true);
        Control<QLineEdit>(sheet, "url")->setText(QString::fromStdString(server.Url("/page")));
        QSignalSpy finished(&sheet.Entry(), &CPPUrlEntry::DownloadFinished);
        Control<QPushButton>(sheet, "download")->click();
        QCOMPARE(record.m_strURL, server.Url("/page"));
        QCOMPARE(Control<QLabel>(sheet, "status")->text(), QString("Downloading page details, please wait..."));
        QVERIFY(finished.wait(15000));
        QCOMPARE(Control<QLineEdit>(sheet, "name")->text(), QString("Local Title"));
        QCOMPARE(Control<QLabel>(sheet, "size")->text(), QString("%1 bytes").arg(record.m_nSize));
        QCOMPARE(Control<QLabel>(sheet, "status")->text(), QString("OK"));
        QVERIFY(Control<QLabel>(sheet, "lastChecked")->text() != "Never");
        QVERIFY(Control<QPlainTextEdit>(sheet, "preview")->toPlainText().contains("watch me"));
        QVERIFY(!Control<QProgressBar>(sheet, "busy")->isVisibleTo(&sheet));
        QVERIFY(sheet.OkButton()->isEnabled());
    }

    // Cancel during a download stops it at once and keeps the name and address it stored.
    void cancelStopsTheDownload()
    {
        CHttpTestServer server;
        server.SetPage("/slow", CHttpTestServer::Response(200, "late", {}, 20000));
        Curl record;
        CUrlPropertiesSheet sheet(record, true);
        Control<QLineEdit>(sheet, "name")->setText("Slow");
        Control<QLineEdit>(sheet, "url")->setText(QString::fromStdString(server.Url("/slow")));
        QSignalSpy finished(&sheet.Entry(), &CPPUrlEntry::DownloadFinished);
        Control<QPushButton>(sheet, "download")->click();
        QVERIFY(sheet.Entry().IsDownloading());
        QTRY_COMPARE(server.RequestCount("/slow"), 1);
        sheet.reject();
        QVERIFY(!sheet.Entry().IsDownloading());
        QCOMPARE(Control<QLabel>(sheet, "status")->text(), QString("Cancelling download..."));
        QCOMPARE(record.m_strName, std::string("Slow"));
        QCOMPARE(record.m_nChecks, 0);
        QTest::qWait(200);
        QCOMPARE(finished.count(), 0);
    }

private:
    static QColor PPColour(bool found) { return found ? CPPWatchText::kFound : CPPWatchText::kMissing; }
};

QTEST_MAIN(UrlPropertiesSheetTest)
#include "UrlPropertiesSheetTest.moc"
