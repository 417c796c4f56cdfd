#include "ui/sheets/TreePropSheet.h"
#include "ui/sheets/PropertyPage.h"

#include <QTreeWidget>
#include <QtTest>

namespace {

// A page that refuses to be left while told so.
class CTestPage : public CPropertyPage
{
public:
    using CPropertyPage::CPropertyPage;
    void LoadControls() override { ++shown; }
    bool StoreControls() override { return !refuse; }
    int shown = 0;
    bool refuse = false;
};

} // namespace

class TreePropSheetTest : public QObject
{
    Q_OBJECT

private slots:
    void splitsCaptions_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("segments");
        QTest::newRow("plain") << "General Settings" << QStringList{"General Settings"};
        QTest::newRow("one parent") << "Notifications::Sound" << QStringList{"Notifications", "Sound"};
        QTest::newRow("two parents") << "a::b::c" << QStringList{"a", "b", "c"};
        QTest::newRow("escaped separator") << R"(C\::D)" << QStringList{"C::D"};
        QTest::newRow("escaped backslash") << R"(C\\::D)" << QStringList{R"(C\)", "D"};
        QTest::newRow("lone backslash") << R"(C\D)" << QStringList{R"(C\D)"};
        QTest::newRow("single colon") << "a:b" << QStringList{"a:b"};
        QTest::newRow("triple colon") << "a:::b" << QStringList{"a", ":b"};
    }
    void splitsCaptions()
    {
        QFETCH(QString, caption);
        QFETCH(QStringList, segments);
        QCOMPARE(CTreePropSheet::SplitCaption(caption), segments);
    }

    // Parents are shared; a node without a page shows its first child's page; a page that refuses
    // keeps the user; Ctrl+Page Down walks the pages in order.
    void buildsAndWalksTheTree()
    {
        CTreePropSheet sheet("Sheet");
        const char* captions[] = {"First", "Group::One", "Group::Two", "Last"};
        std::vector<CTestPage*> pages;
        for (const char* caption : captions) {
            pages.push_back(new CTestPage(caption, QIcon()));
            sheet.AddPage(pages.back());
        }
        QTreeWidget* tree = sheet.Tree();
        QCOMPARE(tree->topLevelItemCount(), 3);
        QTreeWidgetItem* group = tree->topLevelItem(1);
        QCOMPARE(group->text(0), QString("Group"));
        QCOMPARE(group->childCount(), 2);
        QCOMPARE(sheet.ActivePage(), pages[0]);

        tree->setCurrentItem(group);
        QCOMPARE(sheet.ActivePage(), pages[1]);
        QCOMPARE(sheet.CaptionText(), QString("Group"));

        pages[1]->refuse = true;
        QVERIFY(!sheet.SetActivePage(3));
        QCOMPARE(sheet.ActivePage(), pages[1]);
        pages[1]->refuse = false;

        sheet.show();
        QVERIFY(QTest::qWaitForWindowActive(&sheet));
        QTest::keyClick(&sheet, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(sheet.ActivePage(), pages[2]);
        QCOMPARE(sheet.CaptionText(), QString("Two"));
        QTest::keyClick(&sheet, Qt::Key_PageUp, Qt::ControlModifier);
        QTest::keyClick(&sheet, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(sheet.ActivePage(), pages[0]);
    }
};

QTEST_MAIN(TreePropSheetTest)
#include "TreePropSheetTest.moc"
