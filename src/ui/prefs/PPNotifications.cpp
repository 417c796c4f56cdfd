#include "ui/prefs/PPNotifications.h"

#include "run/DetachedCommand.h"
#include "ui/widgets/PlainText.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShowEvent>
#include <QVBoxLayout>

CPPNotifications::CPPNotifications(Overview overview, QWidget* parent)
    : CPropertyPage(tr("Notifications"), QIcon(":/sheets/popup.svg"), parent)
    , m_overview(std::move(overview))
    , m_summary(MakePlain(new QLabel(this)))
    , m_runCommand(new QCheckBox(tr("Run a command when changes are detected"), this))
    , m_command(new QLineEdit(this))
    , m_testResult(MakePlain(new QLabel(this)))
{
    m_summary->setObjectName("overview");
    m_runCommand->setObjectName("flagRunCommand");
    m_command->setObjectName("commandToRun");
    m_testResult->setObjectName("testCommandResult");
    m_testResult->setWordWrap(true);

    auto* told = new QGroupBox(tr("When changes are detected you are told by"), this);
    auto* toldLayout = new QVBoxLayout(told);
    toldLayout->addWidget(m_summary);
    toldLayout->addWidget(MakePlain(new QLabel(tr("Each has a page of its own below this one."), told)));

    auto* command = new QGroupBox(tr("Command"), this);
    auto* grid = new QGridLayout(command);
    grid->addWidget(m_runCommand, 0, 0, 1, 3);
    m_command->setPlaceholderText(tr("A program or a shell command line"));
    m_command->setToolTip(tr("Started through /bin/sh at the end of a check run that found changes; Site "
                             "Vigil does not wait for it."));
    auto* browse = new QPushButton(tr("..."), command);
    browse->setObjectName("browseCommand");
    browse->setFixedWidth(32);
    browse->setToolTip(tr("Choose a program"));
    auto* test = new QPushButton(tr("Test"), command);
    test->setObjectName("testCommand");
    test->setToolTip(tr("Run the command once now"));
    m_browse = browse;
    m_test = test;
    grid->addWidget(m_command, 1, 0, 1, 2);
    grid->addWidget(browse, 1, 2);
    grid->addWidget(test, 2, 0, Qt::AlignLeft);
    grid->addWidget(m_testResult, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    connect(browse, &QPushButton::clicked, this, &CPPNotifications::OnBrowse);
    connect(test, &QPushButton::clicked, this, &CPPNotifications::OnTest);
    connect(m_runCommand, &QCheckBox::toggled, this, &CPPNotifications::UpdateCommandControls);
    connect(m_command, &QLineEdit::textChanged, this, &CPPNotifications::UpdateCommandControls);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(told);
    layout->addWidget(command);
    layout->addStretch(1);
}

void CPPNotifications::LoadControls()
{
    SetCheck(m_runCommand, m_values.flagRunCommand);
    m_command->setText(QString::fromStdString(m_values.commandToRun));
    UpdateCommandControls();
    RefreshOverview();
}

bool CPPNotifications::StoreControls()
{
    m_values.flagRunCommand = Checked(m_runCommand);
    m_values.commandToRun = m_command->text().toStdString();
    return true;
}

void CPPNotifications::RefreshOverview()
{
    QStringList lines;
    if (m_overview) {
        for (const auto& [name, state] : m_overview())
            lines << QStringLiteral("%1: %2").arg(name, state);
    }
    lines << tr("Run a command: %1").arg(m_runCommand->isChecked() ? tr("On") : tr("Off"));
    m_summary->setText(lines.join(QLatin1Char('\n')));
}

QString CPPNotifications::OverviewText() const
{
    return m_summary->text();
}

void CPPNotifications::showEvent(QShowEvent* event)
{
    // The other pages may have been changed since this one was last shown.
    RefreshOverview();
    CPropertyPage::showEvent(event);
}

void CPPNotifications::OnBrowse()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Choose the command to run"), m_command->text());
    if (file.isEmpty())
        return;
    // The shell splits a path at blanks and reads other characters as its own: quote such a path.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+-]+$"));
    QString quoted = file;
    if (!plain.match(file).hasMatch())
        quoted = QLatin1Char('\'') + quoted.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
    m_command->setText(quoted);
}

void CPPNotifications::OnTest()
{
    const QString command = m_command->text().trimmed();
    if (StartDetachedCommand(command.toStdString()))
        m_testResult->setText(tr("Started: %1").arg(command));
    else
        m_testResult->setText(tr("The command could not be started."));
}

void CPPNotifications::UpdateCommandControls()
{
    const bool on = m_runCommand->isChecked();
    m_command->setEnabled(on);
    m_browse->setEnabled(on);
    m_test->setEnabled(on && !m_command->text().trimmed().isEmpty());
    RefreshOverview();
}
