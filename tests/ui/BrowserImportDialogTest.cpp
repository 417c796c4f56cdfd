// File > Import from a browser: the profiles found are offered, the ticked folders are taken, and the
// duplicate question decides about pages already watched.
#include "ui/list/BrowserImportDialog.h"
#include "BrowserFiles.h"
#include "TestEnv.h"
#include "model/ListSession.h"
#include "model/SiteVigilDoc.h"
#include "model/VigilPrefs.h"
#include "platform/FileUtil.h"
#include "ui/list/MyListView.h"
#include "ui/run/GuiRun.h"
#include "ui/widgets/MessageBox.h"

#include <QTest>
#include <QTreeWidget>

class BrowserImportDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void tickedFoldersBecomePages()
    {
        CIsolatedSettings settings;
        const std::string profile = std::string(std::getenv("XDG_CONFIG_HOME")) + "/chromium/Default/";
        QVERIFY(MakeFolders(profile));
        WriteFileBytes(profile + "Bookmarks", ChromiumBookmarksJson());
        CVigilPrefs::GetInstance().WriteInt("confirmDuplicates", 1);

        CListSession session;
        QVERIFY(session.Open(true).ok());
        session.Doc().AddRecord(CListSession::NewRecord("http://news.test/"));
        CGuiRun run(session);
        CMyListView view(session, run);

        CBrowserImportDialog dialog(BrowserFamily::Chromium);
        QCOMPARE(dialog.OfferedFolders(), QStringList{QString::fromStdString(profile)});
        QTRY_VERIFY(!dialog.Reading());
        // Top folders: Bookmarks bar, Other bookmarks, Mobile bookmarks; unticking one unticks nothing else.
        QTreeWidget* folders = dialog.FolderTree();
        QCOMPARE(folders->topLevelItemCount(), 3);
        QTreeWidgetItem* bar = folders->topLevelItem(0);
        bar->setCheckState(0, Qt::Unchecked);
        QCOMPARE(bar->child(0)->child(0)->checkState(0), Qt::Unchecked);
        bar->child(0)->child(0)->setCheckState(0, Qt::Checked); // only Shops / Bikes of the bar
        QCOMPARE(dialog.ChosenBookmarks().bookmarks.size(), size_t{3});

        // The news page is watched already: answered No, it stays out.
        MessageBox::SetNextAnswer(QMessageBox::No);
        MessageBox::SetNextAnswer(QMessageBox::Ok); // the list of links left out
        QCOMPARE(view.ImportBrowserBookmarks(dialog.ChosenBookmarks()), 1);
        QCOMPARE(session.Doc().Records().size(), size_t{2});
        QCOMPARE(session.Doc().Records()[1]->m_strDescription, std::string("Shops / Bikes"));
        const QStringList shown = MessageBox::TakeShownTexts();
        QVERIFY(shown.join('\n').contains("1 of these pages is already watched"));
        QVERIFY(shown.join('\n').contains("javascript:alert(1)"));

        // A damaged file is said in the dialog and offers nothing to import.
        WriteFileBytes(profile + "Bookmarks", "{\"roots\": ");
        dialog.ReadProfile(QString::fromStdString(profile));
        QTRY_VERIFY(!dialog.Reading());
        QCOMPARE(folders->topLevelItemCount(), 0);
        QVERIFY(dialog.ChosenBookmarks().bookmarks.empty());
    }
};

QTEST_MAIN(BrowserImportDialogTest)
#include "BrowserImportDialogTest.moc"
