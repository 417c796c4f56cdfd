#pragma once

#include "model/VigilPrefs.h"
#include "ui/sheets/PropertyPage.h"

#include <vector>

class QCheckBox;

// "Confirmations": one check box per question the program may ask.
class CPPPrompting : public CPropertyPage
{
    Q_OBJECT
public:
    explicit CPPPrompting(QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;

    ConfirmationPrefs m_values;

private:
    // Each box with the member it shows.
    std::vector<std::pair<QCheckBox*, int ConfirmationPrefs::*>> m_boxes;
};
