#include "ui/props/PPWatchText.h"

#include "check/PageFiles.h"
#include "model/UrlRecord.h"

#include <QButtonGroup>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>

const QColor CPPWatchText::kFound(0, 127, 0);
const QColor CPPWatchText::kMissing(127, 0, 0);

CPPWatchText::CPPWatchText(QWidget* parent)
    : CUrlPage(tr("Watch part of page"), QIcon(":/sheets/watchpart.svg"), parent)
    , m_startChoice(new QButtonGroup(this))
    , m_endChoice(new QButtonGroup(this))
    , m_startText(new QLineEdit(this))
    , m_endText(new QLineEdit(this))
    , m_preview(new QPlainTextEdit(this))
{
    m_startText->setObjectName("startText");
    m_endText->setObjectName("endText");
    m_preview->setObjectName("preview");
    m_preview->setReadOnly(true);
    m_preview->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_preview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Keep the selection visible while the user types in a text field.
    QPalette palette = m_preview->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_preview->setPalette(palette);

    auto* grid = new QGridLayout(this);
    const char* labels[]
        = {"Start checking from the beginning of the page",
           "Start checking from this text:", "Stop checking at the end of the page", "Stop checking at this text:"};
    const char* names[] = {"fromStart", "fromText", "toEnd", "toText"};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QRadioButton(tr(labels[i]), this);
        button->setObjectName(names[i]);
        (i < 2 ? m_startChoice : m_endChoice)->addButton(button, i % 2);
        grid->addWidget(button, i + i / 2, 0, 1, 2);
    }
    grid->addWidget(m_startText, 2, 1);
    grid->addWidget(m_endText, 5, 1);
    grid->setColumnMinimumWidth(0, 20);
    grid->addWidget(m_preview, 6, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(6, 1);

    connect(m_startText, &QLineEdit::textEdited, this, [this] {
        m_startChoice->button(1)->setChecked(true);
        ColourStart();
    });
    connect(m_endText, &QLineEdit::textEdited, this, [this] {
        m_endChoice->button(1)->setChecked(true);
        ColourEnd();
    });
}

void CPPWatchText::LoadControls()
{
    m_startChoice->button(m_nStartChoice)->setChecked(true);
    m_endChoice->button(m_nEndChoice)->setChecked(true);
    SetText(m_startText, QString::fromStdString(m_strStartText));
    SetText(m_endText, QString::fromStdString(m_strEndText));
    if (m_preview->toPlainText() != m_strPreview)
        m_preview->setPlainText(m_strPreview);
    ColourStart();
    ColourEnd();
}

bool CPPWatchText::StoreControls()
{
    m_nStartChoice = m_startChoice->checkedId() == 1 ? 1 : 0;
    m_nEndChoice = m_endChoice->checkedId() == 1 ? 1 : 0;
    m_strStartText = m_startText->text().toStdString();
    m_strEndText = m_endText->text().toStdString();
    return true;
}

void CPPWatchText::LoadFromRecord(const Curl& record)
{
    m_nStartChoice = record.m_bFromStart ? 0 : 1;
    m_nEndChoice = record.m_bToEnd ? 0 : 1;
    m_strStartText = record.m_strStartText;
    m_strEndText = record.m_strEndText;
    m_strPreview = ReadPreview(record);
    LoadControls();
}

void CPPWatchText::SaveToRecord(Curl& record) const
{
    record.m_bFromStart = m_nStartChoice == 0;
    record.m_bToEnd = m_nEndChoice == 0;
    record.m_strStartText = m_strStartText;
    record.m_strEndText = m_strEndText;
}

void CPPWatchText::ShowDownloadedPreview(const std::string& pageText)
{
    StoreControls();
    m_strPreview = PreviewText(QString::fromUtf8(pageText.data(), static_cast<qsizetype>(pageText.size())));
    LoadControls();
}

QString CPPWatchText::ReadPreview(const Curl& record)
{
    // Without a page id the record has never had a copy; asking for its path would assign one.
    if (record.m_strName.empty() || record.m_strPageID.empty())
        return QString();
    QFile file(QString::fromStdString(GetSavedPagePath(const_cast<Curl&>(record))));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return PreviewText(QString::fromUtf8(file.readAll()));
}

QString CPPWatchText::PreviewText(QString text)
{
    // Line ends of either kind show as line breaks; positions found in the text then match the view's.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text.trimmed();
}

bool CPPWatchText::InPreview(const QString& text) const
{
    return !text.isEmpty() && m_strPreview.contains(text, Qt::CaseSensitive);
}

void CPPWatchText::ColourStart()
{
    SetTextColour(m_startText, InPreview(m_startText->text()) ? kFound : kMissing);
}

void CPPWatchText::ColourEnd()
{
    const QString endText = m_endText->text();
    const bool found = InPreview(endText);
    SetTextColour(m_endText, found ? kFound : kMissing);
    const QString startText = m_startText->text();
    if (!found || !InPreview(startText))
        return;
    QTextCursor cursor(m_preview->document());
    cursor.setPosition(static_cast<int>(m_strPreview.indexOf(startText)));
    cursor.setPosition(static_cast<int>(m_strPreview.indexOf(endText)), QTextCursor::KeepAnchor);
    m_preview->setTextCursor(cursor);
    m_preview->ensureCursorVisible();
}
