#include "ui/prefs/PPEmail.h"

#include "notify/ChangeEmail.h"
#include "ui/widgets/MessageBox.h"
#include "ui/widgets/PlainText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

CPPEmail::CPPEmail(QWidget* parent)
    : CPropertyPage(tr("Notifications::Email"), QIcon(":/sheets/email.svg"), parent)
    , m_send(new QCheckBox(tr("Send an E-mail when changes are detected"), this))
    , m_user(new QLineEdit(this))
    , m_address(new QLineEdit(this))
    , m_recipients(new QLineEdit(this))
    , m_server(new QLineEdit(this))
    , m_port(NewDigitsField())
    , m_security(new QComboBox(this))
    , m_login(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_caFile(new QLineEdit(this))
    , m_test(new QPushButton(tr("Send Test E-mail now"), this))
    , m_progress(MakePlain(new QLabel(this)))
{
    m_send->setObjectName("sendEmail");
    m_user->setObjectName("emailUsername");
    m_address->setObjectName("emailAddress");
    m_recipients->setObjectName("emailRecipients");
    m_server->setObjectName("smtpServer");
    m_port->setObjectName("smtpPort");
    m_security->setObjectName("smtpSecurity");
    m_login->setObjectName("smtpUser");
    m_password->setObjectName("smtpPassword");
    m_caFile->setObjectName("smtpCAFile");
    // In the order of the setting's values.
    m_security->addItems({tr("None"), tr("STARTTLS (required)"), tr("TLS from the start (port 465)")});
    m_password->setEchoMode(QLineEdit::Password);
    m_login->setPlaceholderText(tr("empty: no login"));
    m_caFile->setPlaceholderText(tr("empty: the system's certificate authorities"));
    m_password->setToolTip(tr("Sent only over TLS"));
    m_test->setObjectName("testEmail");
    m_progress->setObjectName("testEmailProgress");
    m_port->setMaximumWidth(60);
    connect(m_test, &QPushButton::clicked, this, &CPPEmail::OnSendTest);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_send, 0, 0, 1, 2);
    const std::pair<const char*, QWidget*> rows[]
        = {{"Your name", m_user},     {"E-mail address", m_address}, {"Recipients", m_recipients},
           {"SMTP Server", m_server}, {"SMTP Port", m_port},         {"Security", m_security},
           {"Login", m_login},        {"Password", m_password},      {"CA certificates file", m_caFile}};
    int row = 1;
    for (const auto& [label, field] : rows) {
        grid->addWidget(new QLabel(tr(label), this), row, 0);
        grid->addWidget(field, row++, 1, field == m_port ? Qt::AlignLeft : Qt::Alignment());
    }
    auto* test = new QHBoxLayout;
    test->addWidget(m_test);
    test->addWidget(m_progress, 1);
    grid->addLayout(test, row, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row + 1, 1);
}

CPPEmail::~CPPEmail() = default;

void CPPEmail::LoadControls()
{
    SetCheck(m_send, m_values.sendEmail);
    m_user->setText(QString::fromStdString(m_values.emailUsername));
    m_address->setText(QString::fromStdString(m_values.emailAddress));
    m_recipients->setText(QString::fromStdString(m_values.emailRecipients));
    m_server->setText(QString::fromStdString(m_values.smtpServer));
    m_port->setText(QString::number(m_values.smtpPort));
    m_security->setCurrentIndex(std::clamp(m_values.smtpSecurity, 0, 2));
    m_login->setText(QString::fromStdString(m_values.smtpUser));
    m_password->setText(QString::fromStdString(m_values.smtpPassword));
    m_caFile->setText(QString::fromStdString(m_values.smtpCAFile));
}

bool CPPEmail::StoreControls()
{
    EmailPrefs values = m_values;
    values.sendEmail = Checked(m_send);
    values.emailUsername = m_user->text().toStdString();
    values.emailAddress = m_address->text().toStdString();
    values.emailRecipients = m_recipients->text().toStdString();
    values.smtpServer = m_server->text().toStdString();
    if (!ReadInt(m_port, values.smtpPort))
        return false;
    values.smtpSecurity = m_security->currentIndex();
    values.smtpUser = m_login->text().toStdString();
    values.smtpPassword = m_password->text().toStdString();
    values.smtpCAFile = m_caFile->text().toStdString();
    m_values = values;
    return true;
}

void CPPEmail::OnSendTest()
{
    if (m_sending || !StoreControls())
        return;
    m_sending = true;
    m_test->setEnabled(false);
    m_progress->setText(tr("Sending test e-mail..."));
    const EmailPrefs values = m_values;
    const bool started
        = m_job.Start<std::string>([values] { return SendTestEmail(values); },
                                   [this](std::string result) { OnTestResult(QString::fromStdString(result)); });
    if (!started)
        OnTestResult(tr("The test e-mail could not be started."));
}

void CPPEmail::OnTestResult(const QString& result)
{
    m_sending = false;
    m_test->setEnabled(true);
    m_progress->clear();
    if (!result.isEmpty()) {
        // Failures to connect or send carry the error icon; the others are plain.
        const bool failed = result.startsWith(QLatin1String("Couldn't"));
        MessageBox::Show(this, failed ? QMessageBox::Critical : QMessageBox::NoIcon, result);
    }
    emit TestEmailDone(result);
}
