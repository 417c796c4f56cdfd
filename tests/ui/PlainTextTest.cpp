// Names and errors from pages, files and the network appear as plain text wherever the program shows
// them: a page title written as markup must not bring headings, images or links into a window.
#include "TestEnv.h"

#include "model/ListSession.h"
#include "ui/list/MyListView.h"
#include "ui/props/UrlPropertiesSheet.h"
#include "ui/run/GuiRun.h"
#include "ui/widgets/MessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

#include <memory>

namespace {

const QString kMarkup = QStringLiteral("<h1><a href=\"http://evil.example/\">Bikes</a></h1><img src=x>");

// What a person reads in a text that Qt may take for rich text.
QString Shown(const QString& text, Qt::TextFormat format)
{
    const bool rich = format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    return rich ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
}

} // namespace

class PlainTextTest : public QObject
{
    Q_OBJECT
private slots:
    void messageBoxShowsNamesAsWritten()
    {
        QString shown;
        QTimer::singleShot(0, [&]() {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = Shown(box->text(), box->textFormat());
            box->close();
        });
        MessageBox::Warning(nullptr, "Warning: " + kMarkup + " contains no data");
        QCOMPARE(shown, "Warning: " + kMarkup + " contains no data");
    }

    void listAndSheetShowNamesAndErrorsAsWritten()
    {
        CIsolatedSettings settings;
        CListSession session;
        QVERIFY(session.Open(true).ok());
        std::unique_ptr<Curl> page = CListSession::NewRecord("http://127.0.0.1/");
        page->SetName(kMarkup.toStdString());
        page->m_nChecks = 1;
        page->m_strError = kMarkup.toStdString();
        page->MarkChanged(kMarkup.toStdString());
        Curl& record = *page;
        session.Doc().AddRecord(std::move(page));
        CGuiRun run(session);
        CMyListView view(session, run);
        view.FillList();
        for (int column = 0; column < view.model()->columnCount(); ++column) {
            const QString tip = view.model()->index(0, column).data(Qt::ToolTipRole).toString();
            const QString text = view.model()->index(0, column).data(Qt::DisplayRole).toString().trimmed();
            // A tool tip is read as rich text when it looks like it.
            QCOMPARE(Shown(tip, Qt::AutoText).trimmed(), text);
        }

        CUrlPropertiesSheet sheet(record, false);
        int labelsWithTheText = 0;
        for (QLabel* label : sheet.findChildren<QLabel*>()) {
            if (!label->text().contains(QStringLiteral("Bikes")))
                continue;
            ++labelsWithTheText;
            QVERIFY2(Shown(label->text(), label->textFormat()).contains(kMarkup), qPrintable(label->text()));
        }
        QVERIFY(labelsWithTheText > 0);
    }
};

QTEST_MAIN(PlainTextTest)
#include "PlainTextTest.moc"
