#include "ui/prefs/PPProxy.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

CPPProxy::CPPProxy(QWidget* parent)
    : CPropertyPage(tr("Proxy Settings"), QIcon(":/sheets/proxy.svg"), parent)
    , m_type(new QButtonGroup(this))
    , m_server(new QLineEdit(this))
    , m_port(NewDigitsField())
    , m_auth(new QCheckBox(tr("Proxy requires authentication"), this))
    , m_user(new QLineEdit(this))
    , m_password(new QLineEdit(this))
{
    m_server->setObjectName("proxyServer");
    m_port->setObjectName("proxyPort");
    m_auth->setObjectName("proxyAuth");
    m_user->setObjectName("proxyUser");
    m_password->setObjectName("proxyPassword");
    m_port->setMaximumWidth(60);

    auto* grid = new QGridLayout(this);
    const char* labels[]
        = {"Automatically detect proxy configuration (recommended)", "No Proxy", "Custom Proxy Configuration"};
    for (int value = 0; value < 3; ++value) {
        auto* button = new QRadioButton(tr(labels[value]), this);
        button->setObjectName(QString("proxyType%1").arg(value));
        m_type->addButton(button, value);
        grid->addWidget(button, value, 0, 1, 4);
    }
    // The details of the named proxy, indented below its choice.
    grid->addWidget(new QLabel(tr("Proxy server"), this), 3, 1);
    grid->addWidget(m_server, 3, 2);
    grid->addWidget(new QLabel(tr("Port"), this), 4, 1);
    grid->addWidget(m_port, 4, 2, Qt::AlignLeft);
    grid->addWidget(m_auth, 5, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Username"), this), 6, 1);
    grid->addWidget(m_user, 6, 2);
    grid->addWidget(new QLabel(tr("Password"), this), 7, 1);
    grid->addWidget(m_password, 7, 2);
    grid->setColumnMinimumWidth(0, 16);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(8, 1);

    for (QLineEdit* field : {m_server, m_port, m_user, m_password})
        connect(field, &QLineEdit::textEdited, this, &CPPProxy::SelectCustom);
    connect(m_auth, &QCheckBox::clicked, this, &CPPProxy::SelectCustom);
}

void CPPProxy::SelectCustom()
{
    m_type->button(kCustomProxy)->setChecked(true);
}

void CPPProxy::LoadControls()
{
    if (QAbstractButton* button = m_type->button(m_values.proxyType))
        button->setChecked(true);
    m_server->setText(QString::fromStdString(m_values.proxyServer));
    m_port->setText(QString::number(m_values.proxyPort));
    SetCheck(m_auth, m_values.proxyAuth);
    m_user->setText(QString::fromStdString(m_values.proxyUser));
    m_password->setText(QString::fromStdString(m_values.proxyPassword));
}

bool CPPProxy::StoreControls()
{
    ProxyPrefs values = m_values;
    if (m_type->checkedId() >= 0)
        values.proxyType = m_type->checkedId();
    values.proxyServer = m_server->text().toStdString();
    if (!ReadInt(m_port, values.proxyPort))
        return false;
    values.proxyAuth = Checked(m_auth);
    values.proxyUser = m_user->text().toStdString();
    values.proxyPassword = m_password->text().toStdString();
    m_values = values;
    return true;
}
