#pragma once

#include "model/VigilPrefs.h"
#include "render/QtDispatcher.h"
#include "run/BackgroundJob.h"
#include "ui/sheets/PropertyPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Notifications::Email": the change e-mail's sender, recipients and server, with TLS and login. "Send Test E-mail now"
// sends with the values shown, in the background, and leaves the stored settings alone.
class CPPEmail : public CPropertyPage
{
    Q_OBJECT
public:
    explicit CPPEmail(QWidget* parent = nullptr);
    ~CPPEmail() override;

    void LoadControls() override;
    bool StoreControls() override;

    EmailPrefs m_values;

    bool IsSending() const { return m_sending; }

signals:
    // The test e-mail has ended and its message box has been answered.
    void TestEmailDone(const QString& result);

private:
    void OnSendTest();
    void OnTestResult(const QString& result);

    QCheckBox* m_send;
    QLineEdit* m_user;
    QLineEdit* m_address;
    QLineEdit* m_recipients;
    QLineEdit* m_server;
    QLineEdit* m_port;
    QComboBox* m_security;
    QLineEdit* m_login;
    QLineEdit* m_password;
    QLineEdit* m_caFile;
    QPushButton* m_test;
    QLabel* m_progress;
    bool m_sending = false;
    // The dispatcher outlives the job, which reports through it. A sheet closed while the e-mail is
    // on its way drops the result.
    CQtDispatcher m_dispatcher;
    CBackgroundJob m_job{m_dispatcher};
};
