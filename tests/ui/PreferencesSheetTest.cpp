#include "SmtpTestServer.h"
#include "TestEnv.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/ChangeEmail.h"
#include "notify/Channel.h"
#include "ui/prefs/PPEmail.h"
#include "ui/prefs/PreferencesSheet.h"
#include "ui/sheets/PropertyPage.h"
#include "ui/widgets/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>
#include <cstring>
#include <memory>

namespace {

enum Page
{
    General,
    Confirmations,
    Connection,
    Popup,
    Sound,
    Email,
    Channels,
    Schedule,
    Proxy,
    Notifications
};

int PeekInt(const char* name)
{
    int value = -12345;
    CVigilPrefs::GetInstance().PeekInt(name, value);
    return value;
}

std::string PeekString(const char* name)
{
    std::string text = "<absent>";
    CVigilPrefs::GetInstance().PeekString(name, text);
    return text;
}

} // namespace

class PreferencesSheetTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CIsolatedSettings> m_settings;
    int m_rearms = 0;

    std::unique_ptr<CPreferencesSheet> NewSheet()
    {
        PreferencesHooks hooks;
        hooks.rearmSchedule = [this] { ++m_rearms; };
        return std::make_unique<CPreferencesSheet>(hooks);
    }
    template <class T> static T* Control(CPreferencesSheet& sheet, const char* name)
    {
        T* control = sheet.findChild<T*>(name);
        if (!control)
            qFatal("no control %s", name);
        return control;
    }

private slots:
    void init()
    {
        m_settings = std::make_unique<CIsolatedSettings>();
        m_rearms = 0;
        MessageBox::TakeShownTexts();
    }
    void cleanup() { m_settings.reset(); }

    // A clean machine: the sheet shows the page defaults and has stored every key of its pages,
    // even though it is cancelled.
    void firstOpeningStoresPageDefaults()
    {
        auto sheet = NewSheet();
        QVERIFY(!Control<QCheckBox>(*sheet, "confirmDeletes")->isChecked()); // confirmations do not ask at first
        QCOMPARE(Control<QComboBox>(*sheet, "numThreads")->currentText(), QString("2"));
        QCOMPARE(Control<QComboBox>(*sheet, "checkUnits")->currentText(), QString("Hours"));
        QCOMPARE(Control<QLineEdit>(*sheet, "InstallDir")->text(), QString::fromStdString(m_settings->StorageDir()));
        sheet->reject();
        QCOMPARE(m_rearms, 0);
        const char* notOnPages[]
            = {"InstallDir", "totalUrlsChecked", "urlID", "fetchTimeLimit", "windowGeometry", "windowSplitter"};
        for (const PrefInfo& info : AllPrefs()) {
            const bool skipped = std::any_of(std::begin(notOnPages), std::end(notOnPages),
                                             [&](const char* name) { return std::strcmp(name, info.name) == 0; });
            if (skipped || std::strncmp(info.name, "col", 3) == 0)
                continue;
            if (info.intPref)
                QVERIFY2(PeekInt(info.name) == info.intPref->def, info.name);
            else
                QVERIFY2(PeekString(info.name) == info.textPref->def, info.name);
        }
    }

    void badNumbersKeepTheUserOnTheField_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const QString between = "Please enter an integer between %1 and %2.";
        QTest::newRow("time-out 0") << int(Connection) << "connectTimeout"
                                    << "0" << between.arg(1).arg(60);
        QTest::newRow("time-out 61") << int(Connection) << "connectTimeout"
                                     << "61" << between.arg(1).arg(60);
        QTest::newRow("time-out empty") << int(Connection) << "connectTimeout"
                                        << ""
                                        << "Please enter an integer.";
        QTest::newRow("retries 6") << int(Connection) << "connectRetryCount"
                                   << "6" << between.arg(1).arg(5);
        QTest::newRow("retries 0") << int(Connection) << "connectRetryCount"
                                   << "0" << between.arg(1).arg(5);
        QTest::newRow("smtp port empty") << int(Email) << "smtpPort"
                                         << ""
                                         << "Please enter an integer.";
        QTest::newRow("proxy port too big") << int(Proxy) << "proxyPort"
                                            << "99999999999"
                                            << "Please enter an integer.";
    }
    void badNumbersKeepTheUserOnTheField()
    {
        QFETCH(int, page);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        auto sheet = NewSheet();
        QVERIFY(sheet->SetActivePage(page));
        auto* edit = Control<QLineEdit>(*sheet, field.toUtf8().constData());
        edit->setText(text);

        // Neither another page nor OK lets the user go.
        MessageBox::SetNextAnswer(QMessageBox::Ok);
        MessageBox::SetNextAnswer(QMessageBox::Ok);
        QVERIFY(!sheet->SetActivePage(General));
        sheet->accept();
        QCOMPARE(MessageBox::TakeShownTexts(), QStringList({message, message}));
        QCOMPARE(sheet->ActivePage(), sheet->Page(page));
        QCOMPARE(sheet->focusWidget(), edit);
        QCOMPARE(sheet->result(), int(QDialog::Rejected));
        QCOMPARE(m_rearms, 0);
    }

    // OK saves what the pages show, always re-arms the schedule, and the storage folder shown is
    // the one the program started with.
    void okSavesThePagesAndRearms()
    {
        auto sheet = NewSheet();
        sheet->SetActivePage(Connection);
        Control<QComboBox>(*sheet, "numThreads")->setCurrentIndex(0);
        Control<QLineEdit>(*sheet, "connectTimeout")->setText("60");
        Control<QLineEdit>(*sheet, "connectRetryCount")->setText("5");
        sheet->SetActivePage(General);
        Control<QLineEdit>(*sheet, "InstallDir")->setText("/elsewhere/");
        Control<QComboBox>(*sheet, "actionOnDoubleClick")->setCurrentIndex(1);
        sheet->accept();
        QCOMPARE(sheet->result(), int(QDialog::Accepted));
        QCOMPARE(m_rearms, 1);
        QCOMPARE(PeekInt("numThreads"), 0);
        QCOMPARE(PeekInt("connectTimeout"), 60);
        QCOMPARE(PeekInt("connectRetryCount"), 5);
        QCOMPARE(PeekInt("actionOnDoubleClick"), 1);
        QCOMPARE(PeekString("InstallDir"), std::string("/elsewhere/"));

        auto again = NewSheet();
        QCOMPARE(Control<QLineEdit>(*again, "InstallDir")->text(), QString::fromStdString(m_settings->StorageDir()));
        again->accept();
        QCOMPARE(m_rearms, 2);
    }

    // The Notifications node is an overview of the pages below it, as they are now, and the place of
    // the command run at the end of a run; its Test button starts the command typed.
    void notificationsOverviewAndCommand()
    {
        CTempDir folder;
        QVERIFY(SaveChannels(CVigilPrefs::GetInstance(),
                             {Channel{"<b>phone</b>", "ntfy://127.0.0.1/t", true, true, true},
                              Channel{"off", "ntfy://127.0.0.1/u", false, true, false}}));
        auto sheet = NewSheet();
        sheet->SetActivePage(Popup);
        Control<QCheckBox>(*sheet, "autoClosePopupNotify")->setChecked(false);
        sheet->SetActivePage(Sound);
        Control<QRadioButton>(*sheet, "soundPreference1")->setChecked(true);
        sheet->Tree()->setCurrentItem(sheet->Tree()->findItems("Notifications", Qt::MatchExactly).front());
        QCOMPARE(sheet->ActivePage(), sheet->Page(Notifications));
        const QString overview = Control<QLabel>(*sheet, "overview")->text();
        QVERIFY2(overview.contains("Popup window: On, until clicked"), qPrintable(overview));
        QVERIFY2(overview.contains("Sound: The default sound"), qPrintable(overview));
        QVERIFY2(overview.contains("E-mail: Off"), qPrintable(overview));
        QVERIFY2(overview.contains("Channels: <b>phone</b> (changes, failures)\n"), qPrintable(overview));
        QVERIFY2(overview.contains("Run a command: Off"), qPrintable(overview));

        auto* test = Control<QPushButton>(*sheet, "testCommand");
        QVERIFY(!test->isEnabled());
        Control<QCheckBox>(*sheet, "flagRunCommand")->setChecked(true);
        const QString ran = QString::fromStdString(folder.Path() + "ran");
        Control<QLineEdit>(*sheet, "commandToRun")->setText("touch '" + ran + "'");
        QVERIFY(test->isEnabled());
        QTest::mouseClick(test, Qt::LeftButton);
        QTRY_VERIFY(QFile::exists(ran));
        sheet->accept();
        QCOMPARE(PeekInt("flagRunCommand"), 1);
        QCOMPARE(PeekString("commandToRun"), "touch '" + ran.toStdString() + "'");
        QCOMPARE(PeekInt("soundPreference"), 1);
    }

    // The user-agent buttons redisplay the page from its members, dropping what was typed since.
    void userAgentButtonRedisplaysThePage()
    {
        auto sheet = NewSheet();
        sheet->SetActivePage(Connection);
        auto* timeout = Control<QLineEdit>(*sheet, "connectTimeout");
        timeout->setText("42");
        Control<QPushButton>(*sheet, "firefox")->click();
        QCOMPARE(timeout->text(), QString("10"));
        QVERIFY(Control<QLineEdit>(*sheet, "userAgent")->text().contains("Firefox/0.6.1"));
    }

    void editingTheProxySelectsCustom_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("server") << "proxyServer";
        QTest::newRow("port") << "proxyPort";
        QTest::newRow("user") << "proxyUser";
        QTest::newRow("password") << "proxyPassword";
        QTest::newRow("authentication") << "proxyAuth";
    }
    void editingTheProxySelectsCustom()
    {
        QFETCH(QString, field);
        auto sheet = NewSheet();
        sheet->SetActivePage(Proxy);
        auto* custom = Control<QRadioButton>(*sheet, "proxyType2");
        QVERIFY(!custom->isChecked());
        QWidget* control = Control<QWidget>(*sheet, field.toUtf8().constData());
        if (auto* box = qobject_cast<QCheckBox*>(control))
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
        else
            QTest::keyClicks(control, "8");
        QVERIFY(custom->isChecked());
    }

    // The test e-mail goes out with the values on the page, in the background, and stores nothing.
    void testEmailUsesUnsavedValues()
    {
        CSmtpTestServer server;
        auto sheet = NewSheet();
        sheet->SetActivePage(Email);
        Control<QLineEdit>(*sheet, "emailUsername")->setText("Tester");
        Control<QLineEdit>(*sheet, "emailAddress")->setText("me@example.org");
        Control<QLineEdit>(*sheet, "emailRecipients")->setText("you@example.org");
        Control<QLineEdit>(*sheet, "smtpServer")->setText(QString::fromStdString(server.Host()));
        Control<QLineEdit>(*sheet, "smtpPort")->setText(QString::number(server.Port()));
        QSignalSpy done(&sheet->Email(), &CPPEmail::TestEmailDone);
        MessageBox::SetNextAnswer(QMessageBox::Ok);
        Control<QPushButton>(*sheet, "testEmail")->click();
        QVERIFY(sheet->Email().IsSending());
        QVERIFY(!Control<QPushButton>(*sheet, "testEmail")->isEnabled());
        QVERIFY(done.wait(15000));
        QCOMPARE(done.at(0).at(0).toString(), QString(kTestEmailSentText));
        QCOMPARE(MessageBox::TakeShownTexts(), QStringList(kTestEmailSentText));
        QVERIFY(Control<QPushButton>(*sheet, "testEmail")->isEnabled());
        QCOMPARE(server.Messages().size(), size_t(1));
        QVERIFY(server.Messages()[0].mailFrom.find("me@example.org") != std::string::npos);
        QCOMPARE(PeekString("emailAddress"), std::string());
        QCOMPARE(PeekString("smtpServer"), std::string());
        QCOMPARE(PeekInt("smtpPort"), 25);
    }
};

QTEST_MAIN(PreferencesSheetTest)
#include "PreferencesSheetTest.moc"
