#pragma once

#include "model/VigilPrefs.h"
#include "ui/sheets/PropertyPage.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

// "Schedule": whether and how often every page is checked.
class CPPGlobalSchedule : public CPropertyPage
{
    Q_OBJECT
public:
    explicit CPPGlobalSchedule(QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;

    SchedulePrefs m_values;

private:
    QCheckBox* m_autoCheck;
    QSpinBox* m_frequency;
    QComboBox* m_units;
    QSpinBox* m_jitter;
};
