#pragma once

#include "model/VigilPrefs.h"
#include "ui/sheets/PropertyPage.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

// "Proxy Settings": automatic, none or a named proxy with optional credentials. Editing any detail of
// the named proxy selects it.
class CPPProxy : public CPropertyPage
{
    Q_OBJECT
public:
    explicit CPPProxy(QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;

    ProxyPrefs m_values;

    static constexpr int kCustomProxy = 2;

private:
    void SelectCustom();

    QButtonGroup* m_type;
    QLineEdit* m_server;
    QLineEdit* m_port;
    QCheckBox* m_auth;
    QLineEdit* m_user;
    QLineEdit* m_password;
};
