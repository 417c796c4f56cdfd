#include "ui/prefs/PPPrompting.h"

#include <QCheckBox>
#include <QVBoxLayout>

CPPPrompting::CPPPrompting(QWidget* parent)
    : CPropertyPage(tr("Confirmations"), QIcon(":/sheets/confirmations.svg"), parent)
{
    const struct
    {
        const char* label;
        const char* key;
        int ConfirmationPrefs::*member;
    } boxes[] = {
        {"Confirm deletes", "confirmDeletes", &ConfirmationPrefs::confirmDeletes},
        {"Confirm before scheduled checks", "confirmScheduleStarts", &ConfirmationPrefs::confirmScheduleStarts},
        {"Summary after all checks", "showSummary", &ConfirmationPrefs::showSummary},
        {"Confirm before clearing all changes", "confirmClearChanges", &ConfirmationPrefs::confirmClearChanges},
        {"Confirm on inserting duplicate", "confirmDuplicates", &ConfirmationPrefs::confirmDuplicates},
        {"Report error if page contains no data", "warnNoData", &ConfirmationPrefs::warnNoData},
        {"Confirm on opening multiple browser windows", "warnMultipleBrowserWindows",
         &ConfirmationPrefs::warnMultipleBrowserWindows},
    };
    auto* layout = new QVBoxLayout(this);
    for (const auto& entry : boxes) {
        auto* box = new QCheckBox(tr(entry.label), this);
        box->setObjectName(entry.key);
        layout->addWidget(box);
        m_boxes.emplace_back(box, entry.member);
    }
    layout->addStretch(1);
}

void CPPPrompting::LoadControls()
{
    for (const auto& [box, member] : m_boxes)
        SetCheck(box, m_values.*member);
}

bool CPPPrompting::StoreControls()
{
    for (const auto& [box, member] : m_boxes)
        m_values.*member = Checked(box);
    return true;
}
