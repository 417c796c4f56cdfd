#include "ui/props/PPUrlCompare.h"

#include "check/ChangeRules.h"
#include "check/PageTexts.h"
#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"

#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace {

enum SelectionKind
{
    kWholePage,
    kCss,
    kXPath,
};

std::vector<std::string> LinesOf(const QPlainTextEdit* box)
{
    std::vector<std::string> lines;
    for (const QString& line : box->toPlainText().split('\n')) {
        if (!line.trimmed().isEmpty())
            lines.push_back(line.toStdString());
    }
    return lines;
}

QString Joined(const std::vector<std::string>& lines)
{
    QStringList list;
    for (const std::string& line : lines)
        list << QString::fromStdString(line);
    return list.join('\n');
}

// At most this much of a tested selection is shown: enough to tune a selector by.
constexpr int kPreviewChars = 100000;

} // namespace

CPPUrlCompare::CPPUrlCompare(QWidget* parent)
    : CUrlPage(tr("Compare"), QIcon(":/sheets/watch.svg"), parent)
    , m_compare(new QComboBox(this))
    , m_selectionKind(new QComboBox(this))
    , m_selection(new QLineEdit(this))
    , m_test(new QPushButton(tr("Test"), this))
    , m_preview(new QPlainTextEdit(this))
    , m_ignore(new QPlainTextEdit(this))
    , m_ignoreRegex(new QPlainTextEdit(this))
    , m_trigger(new QComboBox(this))
    , m_announce(new QComboBox(this))
    , m_problem(new QLabel(this))
{
    m_compare->setObjectName("compare");
    m_compare->addItems({tr("The page's visible text"), tr("The whole page as downloaded")});
    m_selectionKind->setObjectName("selectionKind");
    m_selectionKind->addItems({tr("The whole page"), tr("CSS selector:"), tr("XPath expression:")});
    m_selection->setObjectName("selection");
    m_selection->setPlaceholderText(tr("for example  #content .price"));
    m_test->setObjectName("test");
    m_test->setToolTip(tr("Download the page once and show the text that would be compared"));
    m_preview->setObjectName("selectionPreview");
    m_preview->setReadOnly(true);
    m_preview->setPlaceholderText(tr("What the page's text is, with these options, shows here after Test."));
    m_ignore->setObjectName("ignore");
    m_ignore->setPlaceholderText(tr("Lines containing one of these texts, one per line"));
    m_ignore->setTabChangesFocus(true);
    m_ignoreRegex->setObjectName("ignoreRegex");
    m_ignoreRegex->setPlaceholderText(tr("Lines matching one of these regular expressions, one per line"));
    m_ignoreRegex->setTabChangesFocus(true);
    for (QPlainTextEdit* box : {m_ignore, m_ignoreRegex})
        box->setMaximumHeight(60);
    m_trigger->setObjectName("trigger");
    m_trigger->addItems({tr("Any change"), tr("Only lines added"), tr("Only lines removed")});
    m_announce->setObjectName("announce");
    m_announce->addItems({tr("At every check while it holds"), tr("Only when it starts or stops")});
    m_problem->setObjectName("problem");
    m_problem->setWordWrap(true);
    SetTextColour(m_problem, QColor(255, 0, 0));

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(tr("Compare:"), m_compare);
    auto* selection = new QHBoxLayout;
    selection->addWidget(m_selectionKind);
    selection->addWidget(m_selection, 1);
    selection->addWidget(m_test);
    form->addRow(tr("Only:"), selection);
    layout->addLayout(form);
    layout->addWidget(m_preview, 1);
    auto* rules = new QFormLayout;
    rules->addRow(tr("Ignore lines with:"), m_ignore);
    rules->addRow(tr("Ignore lines matching:"), m_ignoreRegex);
    rules->addRow(tr("A difference counts:"), m_trigger);
    rules->addRow(tr("Text and availability watches announce:"), m_announce);
    layout->addLayout(rules);
    layout->addWidget(m_problem);

    connect(m_selectionKind, &QComboBox::currentIndexChanged, this, [this](int kind) {
        m_selection->setEnabled(kind != kWholePage);
        ShowProblem();
    });
    connect(m_compare, &QComboBox::currentIndexChanged, this, [this] { ShowProblem(); });
    connect(m_selection, &QLineEdit::textChanged, this, [this] { ShowProblem(); });
    connect(m_ignoreRegex, &QPlainTextEdit::textChanged, this, [this] { ShowProblem(); });
    connect(m_ignore, &QPlainTextEdit::textChanged, this, [this] { ShowProblem(); });
    connect(m_test, &QPushButton::clicked, this, &CPPUrlCompare::StartTest);
}

void CPPUrlCompare::LoadControls()
{
    m_compare->setCurrentIndex(m_compareMode == CompareMode::Text ? 0 : 1);
    const int kind = !m_strXPath.empty() ? kXPath : (!m_strSelect.empty() ? kCss : kWholePage);
    m_selectionKind->setCurrentIndex(kind);
    m_selection->setEnabled(kind != kWholePage);
    SetText(m_selection, QString::fromStdString(kind == kXPath ? m_strXPath : m_strSelect));
    if (m_ignore->toPlainText() != Joined(m_ignoreTexts))
        m_ignore->setPlainText(Joined(m_ignoreTexts));
    if (m_ignoreRegex->toPlainText() != Joined(m_ignoreRegexes))
        m_ignoreRegex->setPlainText(Joined(m_ignoreRegexes));
    m_trigger->setCurrentIndex(static_cast<int>(m_changeTrigger));
    m_announce->setCurrentIndex(static_cast<int>(m_announceMode));
    ShowProblem();
}

QString CPPUrlCompare::Problem() const
{
    const int kind = m_selectionKind->currentIndex();
    const std::string selection = m_selection->text().toStdString();
    if (m_compare->currentIndex() == 1 && kind != kWholePage && !selection.empty())
        return tr("A selection picks from the page's text: compare the visible text to use it.");
    const TextOptions options{kind == kCss ? selection : std::string(), kind == kXPath ? selection : std::string(),
                              LinesOf(m_ignore), LinesOf(m_ignoreRegex)};
    const Status valid = ValidateTextOptions(options);
    return valid ? QString() : QString::fromStdString(valid.error().message);
}

void CPPUrlCompare::ShowProblem()
{
    m_problem->setText(Problem());
}

bool CPPUrlCompare::StoreControls()
{
    if (const QString problem = Problem(); !problem.isEmpty()) {
        m_problem->setText(problem);
        m_selection->setFocus();
        return false;
    }
    m_compareMode = m_compare->currentIndex() == 0 ? CompareMode::Text : CompareMode::Page;
    const int kind = m_selectionKind->currentIndex();
    const std::string selection = m_selection->text().toStdString();
    m_strSelect = kind == kCss ? selection : std::string();
    m_strXPath = kind == kXPath ? selection : std::string();
    m_ignoreTexts = LinesOf(m_ignore);
    m_ignoreRegexes = LinesOf(m_ignoreRegex);
    m_changeTrigger = static_cast<ChangeTrigger>(std::max(0, m_trigger->currentIndex()));
    m_announceMode = static_cast<AnnounceMode>(std::max(0, m_announce->currentIndex()));
    return true;
}

void CPPUrlCompare::LoadFromRecord(const Curl& record)
{
    m_url = record.m_strURL;
    m_compareMode = record.m_compare;
    m_strSelect = record.m_strSelect;
    m_strXPath = record.m_strXPath;
    m_ignoreTexts = record.m_ignore;
    m_ignoreRegexes = record.m_ignoreRegex;
    m_changeTrigger = record.m_trigger;
    m_announceMode = record.m_announce;
    m_bRender = record.m_bRender;
    m_nRenderWait = record.m_nRenderWait;
    LoadControls();
}

void CPPUrlCompare::SaveToRecord(Curl& record) const
{
    record.m_compare = m_compareMode;
    record.m_strSelect = m_strSelect;
    record.m_strXPath = m_strXPath;
    record.m_ignore = m_ignoreTexts;
    record.m_ignoreRegex = m_ignoreRegexes;
    record.m_trigger = m_changeTrigger;
    record.m_announce = m_announceMode;
}

// Downloads the page once on a thread of its own and shows the text a check would compare with the
// options as they stand on the page; nothing is stored.
void CPPUrlCompare::StartTest()
{
    if (!StoreControls())
        return;
    CurlSettings page;
    // The address as the Properties page holds it now, when the user typed a new one.
    page.m_strURL = m_url;
    if (auto* sheetUrl = window()->findChild<QLineEdit*>("url"); sheetUrl && !sheetUrl->text().isEmpty())
        page.m_strURL = sheetUrl->text().toStdString();
    page.m_compare = m_compareMode;
    page.m_strSelect = m_strSelect;
    page.m_strXPath = m_strXPath;
    page.m_ignore = m_ignoreTexts;
    page.m_ignoreRegex = m_ignoreRegexes;
    m_test->setEnabled(false);
    m_preview->setPlainText(tr("Downloading %1 ...").arg(QString::fromStdString(page.m_strURL)));
    QPointer<CPPUrlCompare> self(this);
    QThread* thread = QThread::create([self, page] {
        QString text;
        bool failed = true;
        CUrlEngine engine;
        const FetchOutcome fetched = engine.fetch(page);
        if (!fetched.complete) {
            text = QString::fromStdString("Cannot download the page: " + FetchErrorText(fetched));
        } else {
            const std::string_view body(fetched.body);
            Result<std::string> compared = PageComparedText(page, body.substr(0, body.find('\0')));
            failed = !compared;
            text = QString::fromUtf8(compared ? *compared : compared.error().message);
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, text, failed] {
                if (self)
                    self->TestFinished(text, failed);
            },
            Qt::QueuedConnection);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void CPPUrlCompare::TestFinished(const QString& text, bool failed)
{
    m_test->setEnabled(true);
    QString shown = text.left(kPreviewChars);
    if (shown.size() < text.size())
        shown += tr("\n[... %1 more characters]").arg(text.size() - shown.size());
    if (!failed && shown.isEmpty())
        shown = tr("(no text)");
    m_preview->setPlainText(shown);
}
