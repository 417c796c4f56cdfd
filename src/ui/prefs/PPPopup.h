#pragma once

#include "model/VigilPrefs.h"
#include "ui/sheets/PropertyPage.h"

#include <functional>

class QCheckBox;
class QSpinBox;

// "Notifications::Popup Window": whether and how long the popup shows; Test shows a sample.
class CPPPopup : public CPropertyPage
{
    Q_OBJECT
public:
    using ShowPopup = std::function<void(const QString& text, int appearMs, int stayMs, int vanishMs)>;
    CPPPopup(ShowPopup showPopup, QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;

    PopupPrefs m_values;

private:
    ShowPopup m_showPopup;
    QCheckBox* m_notify;
    QCheckBox* m_autoClose;
    QSpinBox* m_duration;
};
