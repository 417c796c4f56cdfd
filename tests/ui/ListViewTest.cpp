// The list view over a real list: row texts and colours, the commands and their questions, opening
// pages in the desktop's browser, and a check run against a local HTTP server.
#include "HttpTestServer.h"
#include "TestEnv.h"

#include "check/PageFiles.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "ui/list/MultBrowsersDlg.h"
#include "ui/list/MyListView.h"
#include "ui/props/UrlPropertiesSheet.h"
#include "ui/run/GuiRun.h"
#include "ui/widgets/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kLightBlue(233, 233, 255);
const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

void SetInt(const IntPref& pref, int value)
{
    CVigilPrefs::GetInstance().WriteInt(pref.name, value);
}

} // namespace

class ListViewTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rowsShowTextsAndColours();
    void questionsGuardCommands_data();
    void questionsGuardCommands();
    void addUrlAsksAboutDuplicates_data();
    void addUrlAsksAboutDuplicates();
    void openingSeveralPagesAsksFirst();
    void importsAddWholeFilesOnly();
    void checkRunUpdatesRowsLogAndList();
    void keysStartAndStopARun();

private:
    Curl& AddPage(const std::string& name, const std::string& url);
    void SelectRows(std::initializer_list<int> rows);
    QVariant Cell(int row, int column, int role = Qt::DisplayRole) const;

    std::unique_ptr<CIsolatedSettings> m_settings;
    std::unique_ptr<CListSession> m_session;
    std::unique_ptr<CGuiRun> m_run;
    std::unique_ptr<CMyListView> m_view;
};

void ListViewTest::init()
{
    m_settings = std::make_unique<CIsolatedSettings>();
    m_session = std::make_unique<CListSession>();
    QVERIFY(m_session->Open(true).ok());
    m_run = std::make_unique<CGuiRun>(*m_session);
    m_view = std::make_unique<CMyListView>(*m_session, *m_run);
    m_view->resize(900, 300);
    MessageBox::TakeShownTexts();
}

void ListViewTest::cleanup()
{
    m_view.reset();
    m_run.reset();
    m_session.reset();
    m_settings.reset();
}

Curl& ListViewTest::AddPage(const std::string& name, const std::string& url)
{
    std::unique_ptr<Curl> record = CListSession::NewRecord(url);
    record->SetName(name);
    Curl& added = *record;
    m_session->Doc().AddRecord(std::move(record));
    m_view->FillList();
    return added;
}

void ListViewTest::SelectRows(std::initializer_list<int> rows)
{
    m_view->clearSelection();
    for (int row : rows)
        m_view->selectionModel()->select(m_view->model()->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QVariant ListViewTest::Cell(int row, int column, int role) const
{
    return m_view->model()->data(m_view->model()->index(row, column), role);
}

void ListViewTest::rowsShowTextsAndColours()
{
    AddPage("Alpha", "http://a.example/");
    AddPage("Beta", "http://b.example/").MarkChanged("Content changed");
    AddPage("Gamma", "http://c.example/").MarkChanged("Size changed");
    m_view->FillList();

    // The seventh column, "Next check", is shown from the header's menu only.
    QCOMPARE(m_view->model()->columnCount(), 7);
    QCOMPARE(m_view->model()->headerData(6, Qt::Horizontal).toString(), QString("Next check"));
    QVERIFY(m_view->isColumnHidden(6));
    QCOMPARE(m_view->model()->headerData(3, Qt::Horizontal).toString(), QString("Changed?"));
    QCOMPARE(Cell(0, 0).toString(), QString("Alpha"));
    QCOMPARE(Cell(0, 1).toString(), QString("   http://a.example/"));
    QCOMPARE(Cell(0, 1, Qt::ToolTipRole).toString(), QString("http://a.example/"));
    QCOMPARE(Cell(0, 2).toString(), QString("   Never visited"));
    QCOMPARE(Cell(1, 3).toString(), QString("     Changed - Content changed"));
    QCOMPARE(Cell(0, 4).toString(), QString("   Never"));
    QCOMPARE(Cell(0, 5).toString(), QString("   Unknown - never visited"));
    for (int row = 0; row < 3; ++row)
        QCOMPARE(Cell(row, 2, Qt::BackgroundRole).value<QColor>(), row % 2 ? kLightBlue : kWhite);
    QCOMPARE(Cell(0, 3, Qt::ForegroundRole).value<QColor>(), kBlack);
    QCOMPARE(Cell(1, 3, Qt::ForegroundRole).value<QColor>(), kRed);
    QCOMPARE(Cell(1, 2, Qt::ForegroundRole).value<QColor>(), kBlack);
    // A page whose last check failed has a status colour of its own.
    Curl& failed = m_session->Doc().RecordAt(0);
    failed.m_nChecks = 1;
    failed.m_bComplete = false;
    QVERIFY(Cell(0, 2, Qt::ForegroundRole).value<QColor>() != kBlack);
    failed.m_nChecks = 0;

    // A click on a row shows its saved copy in the pane; a page not checked yet has none, and the pane
    // says so in a page of the program's own. A deleted page leaves the pane.
    QSignalSpy pane(m_view.get(), &CMyListView::showInPane);
    QSignalSpy notice(m_view.get(), &CMyListView::showNoticeInPane);
    m_view->show();
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {},
                      m_view->visualRect(m_view->model()->index(2, 1)).center());
    QTRY_COMPARE(notice.size(), 1);
    QCOMPARE(notice.at(0).at(0).toString(), QString("Gamma"));
    QVERIFY(notice.takeFirst().at(1).toString().contains("not been checked yet"));
    QCOMPARE(pane.size(), 0);
    const std::string saved = GetSavedPagePath(*m_view->FirstSelected());
    std::filesystem::create_directories(std::filesystem::path(saved).parent_path());
    WriteFileBytes(saved, "<html>copy</html>");
    m_view->Action(ListCommand::ShowLocalPage)->trigger();
    QCOMPARE(pane.size(), 1);
    const QUrl shown = pane.takeFirst().at(0).toUrl();
    QVERIFY(shown.isLocalFile());
    QVERIFY(shown.toLocalFile().endsWith(".html"));
    m_view->Action(ListCommand::Delete)->trigger();
    QCOMPARE(notice.size(), 1);
    QCOMPARE(notice.takeFirst().at(0).toString(), QString());
    AddPage("Gamma", "http://c.example/").MarkChanged("Size changed");

    // Clearing one of two changed pages leaves changes present; the colours keep alternating after a
    // delete.
    QSignalSpy changes(m_view.get(), &CMyListView::changesPresent);
    SelectRows({1});
    m_view->Action(ListCommand::ClearChanges)->trigger();
    QCOMPARE(changes.takeLast().at(0).toInt(), 1);
    QCOMPARE(Cell(1, 3).toString(), QString("     Unchanged "));
    QCOMPARE(Cell(1, 3, Qt::ForegroundRole).value<QColor>(), kBlack);
    SelectRows({0});
    m_view->Action(ListCommand::Delete)->trigger();
    QCOMPARE(m_view->model()->rowCount(), 2);
    QCOMPARE(Cell(0, 0).toString(), QString("Beta"));
    QCOMPARE(Cell(0, 0, Qt::BackgroundRole).value<QColor>(), kWhite);
    QCOMPARE(Cell(1, 0, Qt::BackgroundRole).value<QColor>(), kLightBlue);
    QCOMPARE(changes.takeLast().at(0).toInt(), 1);
    QVERIFY(MessageBox::TakeShownTexts().isEmpty());
}

void ListViewTest::questionsGuardCommands_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("ask");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<int>("changedAfter");

    const QString deleteQuestion = "Are you sure you want to remove selected items?";
    const QString clearQuestion = "Clear changes from all monitored pages?";
    const int del = static_cast<int>(ListCommand::Delete);
    const int clearAll = static_cast<int>(ListCommand::ClearAllChanges);
    QTest::newRow("delete, no question") << "confirmDeletes" << 0 << del << 0 << QString() << 1 << 0;
    QTest::newRow("delete, No") << "confirmDeletes" << 1 << del << int(QMessageBox::No) << deleteQuestion << 3 << 2;
    QTest::newRow("delete, Yes") << "confirmDeletes" << 1 << del << int(QMessageBox::Yes) << deleteQuestion << 1 << 0;
    QTest::newRow("clear all, no question") << "confirmClearChanges" << 0 << clearAll << 0 << QString() << 3 << 0;
    QTest::newRow("clear all, No") << "confirmClearChanges" << 1 << clearAll << int(QMessageBox::No) << clearQuestion
                                   << 3 << 2;
    QTest::newRow("clear all, Yes") << "confirmClearChanges" << 1 << clearAll << int(QMessageBox::Yes) << clearQuestion
                                    << 3 << 0;
}

void ListViewTest::questionsGuardCommands()
{
    QFETCH(QString, setting);
    QFETCH(int, ask);
    QFETCH(int, command);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(int, rowsAfter);
    QFETCH(int, changedAfter);

    AddPage("One", "http://one.example/").MarkChanged("Content changed");
    AddPage("Two", "http://two.example/").MarkChanged("Content changed");
    AddPage("Three", "http://three.example/");
    m_view->FillList();
    CVigilPrefs::GetInstance().WriteInt(setting.toStdString(), ask);
    if (!question.isEmpty())
        MessageBox::SetNextAnswer(static_cast<QMessageBox::StandardButton>(answer));
    SelectRows({0, 1});
    m_view->Action(static_cast<ListCommand>(command))->trigger();

    QCOMPARE(MessageBox::TakeShownTexts(), question.isEmpty() ? QStringList() : QStringList{question});
    QCOMPARE(m_view->model()->rowCount(), rowsAfter);
    int changed = 0;
    for (const auto& record : m_session->Doc().Records())
        changed += record->GetChanged() ? 1 : 0;
    QCOMPARE(changed, changedAfter);
}

namespace {

// Answers the URL properties sheet when it shows: with OK after typing the address, or with Cancel
// (empty address). Gives the name the sheet showed when it opened.
// Answers the sheet that opens next: Cancel without an address, else the address and OK. With
// reopenedName, the sheet that opens after it is cancelled and the name it showed is kept there.
void AnswerSheet(const QString& url, QString* shownName, QString* reopenedName = nullptr)
{
    QTimer::singleShot(0, [url, shownName, reopenedName] {
        auto* sheet = qobject_cast<CUrlPropertiesSheet*>(QApplication::activeModalWidget());
        QVERIFY(sheet);
        auto* name = sheet->findChild<QLineEdit*>("name");
        *shownName = name->text();
        if (url.isEmpty()) {
            sheet->reject();
            return;
        }
        name->setText("Added");
        sheet->findChild<QLineEdit*>("url")->setText(url);
        if (reopenedName)
            AnswerSheet(QString(), reopenedName);
        sheet->accept();
    });
}

} // namespace

void ListViewTest::addUrlAsksAboutDuplicates_data()
{
    QTest::addColumn<int>("ask");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("rowsAfter");
    const QString same = "HTTP://ONE.example/";
    QTest::newRow("duplicate, not asked") << 0 << same << 0 << 2;
    QTest::newRow("duplicate, No") << 1 << same << int(QMessageBox::No) << 1;
    QTest::newRow("duplicate, Yes") << 1 << same << int(QMessageBox::Yes) << 2;
    QTest::newRow("new address, asking on") << 1 << QString("http://two.example/") << 0 << 2;
    QTest::newRow("cancelled") << 0 << QString() << 0 << 1;
}

void ListViewTest::addUrlAsksAboutDuplicates()
{
    QFETCH(int, ask);
    QFETCH(QString, url);
    QFETCH(int, answer);
    QFETCH(int, rowsAfter);

    QGuiApplication::clipboard()->clear();
    AddPage("One", "http://one.example/");
    SetInt(Pref::confirmDuplicates, ask);
    if (answer != 0)
        MessageBox::SetNextAnswer(static_cast<QMessageBox::StandardButton>(answer));
    QString shownName;
    QString reopenedWith;
    AnswerSheet(url, &shownName, answer == QMessageBox::No ? &reopenedWith : nullptr);
    m_view->Action(ListCommand::AddUrl)->trigger();
    // No returns to the sheet with the values typed; its Cancel then adds nothing.
    QCOMPARE(reopenedWith, answer == QMessageBox::No ? QString("Added") : QString());

    const QString question = "This URL already exists. Are you sure you want add?";
    QCOMPARE(MessageBox::TakeShownTexts(), answer != 0 ? QStringList{question} : QStringList());
    QCOMPARE(m_view->model()->rowCount(), rowsAfter);
    if (rowsAfter == 2)
        QCOMPARE(Cell(1, 1).toString(), "   " + url);

    // A double-click shows the row's properties when the setting says so.
    SetInt(Pref::actionOnDoubleClick, 1);
    SelectRows({0});
    AnswerSheet(QString(), &shownName);
    emit m_view->doubleClicked(m_view->model()->index(0, 0));
    QCOMPARE(shownName, QString("One"));
}

void ListViewTest::openingSeveralPagesAsksFirst()
{
    // A desktop whose default browser is a script that notes the arguments it was started with.
    CTempDir desk;
    const std::string log = desk.Path() + "opened.txt";
    std::filesystem::create_directories(desk.Path() + "bin");
    WriteFileBytes(desk.Path() + "bin/xdg-settings", "#!/bin/sh\necho test-browser.desktop\n");
    WriteFileBytes(desk.Path() + "bin/browser", "#!/bin/sh\necho \"$@\" >> '" + log + "'\n");
    for (const char* program : {"bin/xdg-settings", "bin/browser"})
        std::filesystem::permissions(desk.Path() + program, std::filesystem::perms::owner_all);
    const std::string applications = std::string(std::getenv("XDG_DATA_HOME")) + "/applications/";
    std::filesystem::create_directories(applications);
    WriteFileBytes(applications + "test-browser.desktop",
                   "[Desktop Entry]\nType=Application\nName=Test\nExec=" + desk.Path() + "bin/browser --new %i %U\n");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(desk.Path() + "bin:") + oldPath);
    auto opened = [&] { return QString::fromStdString(FileExists(log) ? ReadFileBytes(log) : std::string()); };

    AddPage("One", "http://one.example/?a=1&b=$HOME");
    AddPage("Two", "http://two.example/");
    SelectRows({0});
    m_view->Action(ListCommand::OpenInBrowser)->trigger();
    QTRY_COMPARE(opened(), QString("--new http://one.example/?a=1&b=$HOME\n"));

    SelectRows({0, 1});
    MultBrowsersDlg::SetNextAnswer({false, true});
    m_view->Action(ListCommand::OpenInBrowser)->trigger();
    QCOMPARE(MultBrowsersDlg::LastQuestion(), QString("Are you sure you want to open 2 browser windows?"));
    QCOMPARE(CVigilPrefs::GetInstance().ReadInt(Pref::warnMultipleBrowserWindows), 1);

    MultBrowsersDlg::SetNextAnswer({true, true});
    m_view->Action(ListCommand::OpenInBrowser)->trigger();
    QCOMPARE(CVigilPrefs::GetInstance().ReadInt(Pref::warnMultipleBrowserWindows), 0);
    QTRY_COMPARE(opened().count('\n'), 3);

    // Asked no more; a double-click opens the selection by default.
    MultBrowsersDlg::SetNextAnswer({false, false});
    emit m_view->doubleClicked(m_view->model()->index(1, 0));
    QTRY_COMPARE(opened().count('\n'), 5);
    qputenv("PATH", oldPath);
}

void ListViewTest::importsAddWholeFilesOnly()
{
    CTempDir files;
    AddPage("Mine", "http://mine.example/");

    WriteFileBytes(files.Path() + "bookmarks.html",
                   "<dl><dt><a href=\"http://a.example/\">A</a>"
                   "<dt><a href=\"https://b.example/\">B</a>"
                   "<dt><a href=\"HTTP://C.EXAMPLE/\">C</a></dl>");
    // The link left out is named.
    MessageBox::TakeShownTexts();
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    QCOMPARE(m_view->ImportBookmarks(QString::fromStdString(files.Path() + "bookmarks.html")), 2);
    QVERIFY(MessageBox::TakeShownTexts().join("\n").contains("HTTP://C.EXAMPLE/"));
    QCOMPARE(m_view->model()->rowCount(), 3);
    QCOMPARE(Cell(2, 0).toString(), QString("B"));

    std::filesystem::create_directories(files.Path() + "Favorites");
    WriteFileBytes(files.Path() + "Favorites/News.url", "[InternetShortcut]\nURL=http://news.example/\n");
    WriteFileBytes(files.Path() + "Favorites/Broken.url", "[InternetShortcut]\n");
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    QCOMPARE(m_view->ImportFavorites(QString::fromStdString(files.Path() + "Favorites")), 1);
    QCOMPARE(Cell(3, 0).toString(), QString("News"));
    QVERIFY(MessageBox::TakeShownTexts().join("").contains("Broken.url"));

    // Another list comes in whole, at the end; a damaged one not at all.
    CSiteVigilDoc other;
    for (const char* name : {"X", "Y"})
        other.AddRecord(CListSession::NewRecord(std::string("http://") + name + ".example/"));
    QVERIFY(other.SaveToFile(files.Path() + "other.dat").ok());
    const std::string bytes = ReadFileBytes(files.Path() + "other.dat");
    WriteFileBytes(files.Path() + "damaged.dat", bytes.substr(0, bytes.size() - 20));
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    QCOMPARE(m_view->ImportList(QString::fromStdString(files.Path() + "damaged.dat")), -1);
    QCOMPARE(MessageBox::TakeShownTexts().size(), 1);
    QCOMPARE(m_view->model()->rowCount(), 4);
    QCOMPARE(m_view->ImportList(QString::fromStdString(files.Path() + "other.dat")), 2);
    QCOMPARE(m_view->model()->rowCount(), 6);
    QCOMPARE(Cell(0, 0).toString(), QString("Mine"));
    QCOMPARE(Cell(4, 0).toString(), QString("http://X.example/"));
}

void ListViewTest::checkRunUpdatesRowsLogAndList()
{
    CHttpTestServer server;
    server.SetPage("/a", "<html><body>Alpha, first text</body></html>");
    server.SetPage("/b", "<html><body>Beta, first text</body></html>");
    server.SetPage("/empty", "");
    for (const char* path : {"/a", "/b", "/empty"}) {
        Curl& page = AddPage(std::string("Page ") + path, server.Url(path));
        page.m_bWatchContent = true;
    }
    SetInt(Pref::warnNoData, 1);
    SetInt(Pref::showSummary, 1);
    QSignalSpy status(m_run.get(), &CGuiRun::statusText);
    QSignalSpy running(m_run.get(), &CGuiRun::runningChanged);
    auto runAll = [&] {
        MessageBox::SetNextAnswer(QMessageBox::Ok); // the warning about the empty page
        MessageBox::SetNextAnswer(QMessageBox::Ok); // the summary
        status.clear();
        m_view->CheckAll();
        QVERIFY(m_view->IsRunning());
        QVERIFY(!m_view->Action(ListCommand::CheckForChanges)->isEnabled()
                || !m_view->selectionModel()->hasSelection());
        QVERIFY(m_view->Action(ListCommand::StopChecking)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!m_view->IsRunning(), 30000);
        QTRY_VERIFY(status.contains(QVariantList{QString("Completed checks")}));
        QVERIFY(!m_view->Action(ListCommand::StopChecking)->isEnabled());
    };

    // The first check takes the pages' checksums; then their marks are cleared. The pane's notice for
    // the page on show, not checked yet, gives way to its copy.
    QSignalSpy notice(m_view.get(), &CMyListView::showNoticeInPane);
    QSignalSpy pane(m_view.get(), &CMyListView::showInPane);
    m_view->selectionModel()->setCurrentIndex(m_view->model()->index(0, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTRY_COMPARE(notice.size(), 1);
    runAll();
    QCOMPARE(Cell(0, 2).toString(), QString("   OK"));
    QCOMPARE(pane.size(), 1);
    QVERIFY(pane.takeFirst().at(0).toUrl().isLocalFile());
    QVERIFY(MessageBox::TakeShownTexts().contains("Warning: Page /empty contains no data"));
    m_view->Action(ListCommand::ClearAllChanges)->trigger();
    QCOMPARE(Cell(1, 3).toString(), QString("     Unchanged "));

    server.SetPage("/b", "<html><body>Beta, second text</body></html>");
    SelectRows({1});
    runAll();
    QVERIFY(m_view->selectionModel()->isRowSelected(1, {})); // a finished check keeps the selection
    QCOMPARE(Cell(1, 3, Qt::ForegroundRole).value<QColor>(), kRed);
    QVERIFY(Cell(1, 3).toString().startsWith("     Changed - "));
    QCOMPARE(Cell(0, 3, Qt::ForegroundRole).value<QColor>(), kBlack);
    QVERIFY(MessageBox::TakeShownTexts().contains("Completed checking 3 URLs.\n1 new changes.\n1 changes total.\n"));

    // The update log names the changed page, and the saved list holds the change.
    const std::string storage = CVigilPrefs::GetInstance().GetStorageFolder();
    QTRY_VERIFY(FileExists(storage + "siteVigilUpdateLog.htm"));
    QVERIFY(QString::fromStdString(ReadFileBytes(storage + "siteVigilUpdateLog.htm")).contains("Page /b"));
    CSiteVigilDoc saved;
    QVERIFY(saved.LoadFromFile(storage + "siteVigil.dat").ok());
    QCOMPARE(saved.Count(), size_t(3));
    QVERIFY(saved.RecordAt(1).GetChanged());
    QVERIFY(!saved.RecordAt(0).GetChanged());
}

void ListViewTest::keysStartAndStopARun()
{
    CHttpTestServer server;
    CHttpTestServer::Response slow(200, "");
    slow.chunks = {std::string(6000, 'x'), std::string(6000, 'y')};
    slow.chunkDelayMs = 20000;
    server.SetPage("/slow", slow);
    AddPage("Slow", server.Url("/slow"));
    QSignalSpy busy(m_run.get(), &CGuiRun::busyChanged);
    m_view->show();
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));

    QTest::keyClick(m_view.get(), Qt::Key_F5);
    QVERIFY(m_view->IsRunning());
    QCOMPARE(busy.takeFirst().at(0).toBool(), true);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(0, 2).toString(), QString("  5 k"), 10000);
    QVERIFY(!m_view->selectionModel()->hasSelection()); // progress leaves the user's selection alone

    // A stopped run reports nothing more: the row loses its progress and keeps its old texts.
    QTest::keyClick(m_view.get(), Qt::Key_F5, Qt::ShiftModifier);
    QVERIFY(!m_view->IsRunning());
    QCOMPARE(busy.takeFirst().at(0).toBool(), false);
    QCOMPARE(Cell(0, 2).toString(), QString("   Never visited"));
}

QTEST_MAIN(ListViewTest)
#include "ListViewTest.moc"
