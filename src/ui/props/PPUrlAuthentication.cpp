#include "ui/props/PPUrlAuthentication.h"

#include "model/UrlRecord.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

CPPUrlAuthentication::CPPUrlAuthentication(QWidget* parent)
    : CUrlPage(tr("Authentication"), QIcon(":/sheets/authentication.svg"), parent)
    , m_authenticate(new QCheckBox(tr("Website requires authentication"), this))
    , m_user(new QLineEdit(this))
    , m_password(new QLineEdit(this))
{
    m_authenticate->setObjectName("authenticate");
    m_user->setObjectName("userName");
    m_password->setObjectName("password");
    for (QWidget* control : std::initializer_list<QWidget*>{m_authenticate, m_user, m_password})
        control->setEnabled(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_authenticate, 0, 0, 1, 2);
    grid->addWidget(new QLabel(tr("Username"), this), 1, 0);
    grid->addWidget(m_user, 1, 1);
    grid->addWidget(new QLabel(tr("Password"), this), 2, 0);
    grid->addWidget(m_password, 2, 1);
    // The fields are shown, not edited: say why rather than leave the user to guess.
    auto* note = new QLabel(tr("These come with a list imported from another program and cannot be changed "
                               "here. When the site asks for a login, Site Vigil answers with them."),
                            this);
    note->setObjectName("authenticationNote");
    note->setWordWrap(true);
    note->setTextFormat(Qt::PlainText);
    grid->addWidget(note, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
}

void CPPUrlAuthentication::LoadControls()
{
    m_authenticate->setChecked(m_bAuthenticate);
    SetText(m_user, QString::fromStdString(m_strUserName));
    SetText(m_password, QString::fromStdString(m_strPassword));
}

bool CPPUrlAuthentication::StoreControls()
{
    m_bAuthenticate = m_authenticate->isChecked();
    m_strUserName = m_user->text().toStdString();
    m_strPassword = m_password->text().toStdString();
    return true;
}

void CPPUrlAuthentication::LoadFromRecord(const Curl& record)
{
    m_bAuthenticate = record.m_bAuthenticate;
    m_strUserName = record.m_strUserName;
    m_strPassword = record.m_strPassword;
    LoadControls();
}

void CPPUrlAuthentication::SaveToRecord(Curl& record) const
{
    record.m_bAuthenticate = m_bAuthenticate;
    record.m_strUserName = m_strUserName;
    record.m_strPassword = m_strPassword;
}
