#include "ui/prefs/PPGeneral.h"

#include "extract/IgnoreRules.h"
#include "platform/FileUtil.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

CPPGeneral::CPPGeneral(QWidget* parent)
    : CPropertyPage(tr("General Settings"), QIcon(":/sheets/general.svg"), parent)
    , m_folder(new QLineEdit(this))
    , m_startMinimized(new QCheckBox(tr("Start Minimized"), this))
    , m_startWithWindows(new QCheckBox(tr("Start automatically when I log in"), this))
    , m_hideToTray(new QCheckBox(tr("Hide to tray on close"), this))
    , m_doubleClick(new QComboBox(this))
    , m_historyVersions(new QSpinBox(this))
    , m_historyBudget(new QSpinBox(this))
    , m_ignoreTexts(new QPlainTextEdit(this))
    , m_ignoreRegexes(new QPlainTextEdit(this))
    , m_ignoreProblem(new QLabel(this))
{
    m_ignoreTexts->setObjectName("ignoreTexts");
    m_ignoreTexts->setPlaceholderText(tr("Lines containing one of these texts, one per line"));
    m_ignoreRegexes->setObjectName("ignoreRegexes");
    m_ignoreRegexes->setPlaceholderText(tr("Lines matching one of these regular expressions, one per line"));
    for (QPlainTextEdit* box : {m_ignoreTexts, m_ignoreRegexes}) {
        box->setTabChangesFocus(true);
        box->setMaximumHeight(56);
    }
    m_ignoreProblem->setObjectName("ignoreProblem");
    m_ignoreProblem->setWordWrap(true);
    SetTextColour(m_ignoreProblem, QColor(255, 0, 0));
    m_historyVersions->setObjectName("historyVersions");
    m_historyVersions->setRange(Pref::historyVersions.min, Pref::historyVersions.max);
    m_historyBudget->setObjectName("historyBudgetMB");
    m_historyBudget->setRange(Pref::historyBudgetMB.min, Pref::historyBudgetMB.max);
    m_historyBudget->setSuffix(tr(" MB"));
    m_folder->setObjectName("InstallDir");
    m_startMinimized->setObjectName("startMinimized");
    m_startWithWindows->setObjectName("startWithWindows");
    m_hideToTray->setObjectName("hideToTrayOnExit");
    m_doubleClick->setObjectName("actionOnDoubleClick");
    m_doubleClick->addItems({tr("Open in external browser"), tr("Show URL properties")});

    auto* browse = new QPushButton(tr("..."), this);
    browse->setObjectName("browseFolder");
    browse->setFixedWidth(32);
    connect(browse, &QPushButton::clicked, this, &CPPGeneral::OnBrowse);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Storage directory"), this), 0, 0, 1, 2);
    grid->addWidget(m_folder, 1, 0);
    grid->addWidget(browse, 1, 1);
    grid->addWidget(m_startMinimized, 2, 0, 1, 2);
    grid->addWidget(m_startWithWindows, 3, 0, 1, 2);
    grid->addWidget(m_hideToTray, 4, 0, 1, 2);
    auto* action = new QHBoxLayout;
    action->addWidget(new QLabel(tr("Action on double click :"), this));
    action->addWidget(m_doubleClick, 1);
    grid->addLayout(action, 5, 0, 1, 2);
    auto* history = new QGridLayout;
    history->addWidget(new QLabel(tr("Older versions kept per page :"), this), 0, 0);
    history->addWidget(m_historyVersions, 0, 1);
    history->addWidget(new QLabel(tr("Disk space for all older versions :"), this), 1, 0);
    history->addWidget(m_historyBudget, 1, 1);
    history->setColumnStretch(2, 1);
    grid->addLayout(history, 6, 0, 1, 2);
    grid->addWidget(new QLabel(tr("Ignore on every page compared by its text:"), this), 7, 0, 1, 2);
    auto* ignore = new QFormLayout;
    ignore->addRow(tr("Lines with:"), m_ignoreTexts);
    ignore->addRow(tr("Lines matching:"), m_ignoreRegexes);
    grid->addLayout(ignore, 8, 0, 1, 2);
    grid->addWidget(m_ignoreProblem, 9, 0, 1, 2);
    grid->setRowStretch(10, 1);
}

void CPPGeneral::LoadControls()
{
    m_folder->setText(QString::fromStdString(m_values.installDir));
    SetCheck(m_startMinimized, m_values.startMinimized);
    SetCheck(m_startWithWindows, m_values.startWithWindows);
    SetCheck(m_hideToTray, m_values.hideToTrayOnExit);
    m_doubleClick->setCurrentIndex(m_values.actionOnDoubleClick);
    m_historyVersions->setValue(m_values.historyVersions);
    m_historyBudget->setValue(m_values.historyBudgetMB);
    m_ignoreTexts->setPlainText(QString::fromStdString(m_values.ignoreTexts));
    m_ignoreRegexes->setPlainText(QString::fromStdString(m_values.ignoreRegexes));
    m_ignoreProblem->clear();
}

bool CPPGeneral::StoreControls()
{
    m_values.installDir = m_folder->text().toStdString();
    m_values.startMinimized = Checked(m_startMinimized);
    m_values.startWithWindows = Checked(m_startWithWindows);
    m_values.hideToTrayOnExit = Checked(m_hideToTray);
    m_values.actionOnDoubleClick = ComboIndex(m_doubleClick, m_values.actionOnDoubleClick);
    m_values.historyVersions = m_historyVersions->value();
    m_values.historyBudgetMB = m_historyBudget->value();
    // An expression that could never run is refused here, with the parser's reason.
    std::vector<std::string> texts, expressions;
    for (const QString& line : m_ignoreTexts->toPlainText().split('\n'))
        if (!line.trimmed().isEmpty())
            texts.push_back(line.toStdString());
    for (const QString& line : m_ignoreRegexes->toPlainText().split('\n'))
        if (!line.trimmed().isEmpty())
            expressions.push_back(line.toStdString());
    if (auto rules = CIgnoreRules::Make(texts, expressions); !rules) {
        m_ignoreProblem->setText(QString::fromStdString(rules.error().message));
        m_ignoreRegexes->setFocus();
        return false;
    }
    m_ignoreProblem->clear();
    m_values.ignoreTexts = m_ignoreTexts->toPlainText().toStdString();
    m_values.ignoreRegexes = m_ignoreRegexes->toPlainText().toStdString();
    return true;
}

void CPPGeneral::OnBrowse()
{
    const QString folder
        = QFileDialog::getExistingDirectory(this, QString(), m_folder->text(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    m_values.installDir = WithSlash(folder.toStdString());
    m_folder->setText(QString::fromStdString(m_values.installDir));
}
