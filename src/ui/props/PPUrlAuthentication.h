#pragma once

#include "ui/props/UrlPage.h"

#include <string>

class QCheckBox;
class QLineEdit;

// "Authentication": shows the record's site credentials; the controls are disabled, so saving writes
// back the values it was given.
class CPPUrlAuthentication : public CUrlPage
{
    Q_OBJECT
public:
    explicit CPPUrlAuthentication(QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;
    void LoadFromRecord(const Curl& record) override;
    void SaveToRecord(Curl& record) const override;

private:
    QCheckBox* m_authenticate;
    QLineEdit* m_user;
    QLineEdit* m_password;
    bool m_bAuthenticate = false;
    std::string m_strUserName;
    std::string m_strPassword;
};
