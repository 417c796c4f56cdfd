#pragma once

#include "model/VigilPrefs.h"
#include "ui/sheets/PropertyPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

// "General Settings": storage folder, start-up and tray behaviour, the double-click action, and how
// much history of the pages is kept, and the ignore rules of every page compared by its text.
class CPPGeneral : public CPropertyPage
{
    Q_OBJECT
public:
    explicit CPPGeneral(QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;

    GeneralPrefs m_values;

private:
    void OnBrowse();

    QLineEdit* m_folder;
    QCheckBox* m_startMinimized;
    QCheckBox* m_startWithWindows;
    QCheckBox* m_hideToTray;
    QComboBox* m_doubleClick;
    QSpinBox* m_historyVersions;
    QSpinBox* m_historyBudget;
    QPlainTextEdit* m_ignoreTexts;
    QPlainTextEdit* m_ignoreRegexes;
    QLabel* m_ignoreProblem;
};
