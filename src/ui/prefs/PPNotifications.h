#pragma once

#include "model/VigilPrefs.h"
#include "ui/sheets/PropertyPage.h"

#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;

// "Notifications": the overview of how the user is told of changes (popup, sound, e-mail, channels,
// each on or off as its page says now) and the command run when changes are detected, with a file
// chooser and a Test button that starts it once.
class CPPNotifications : public CPropertyPage
{
    Q_OBJECT
public:
    // One line per way of telling: its name and what its page says now ("Off", "On, 10 seconds").
    using Overview = std::function<std::vector<std::pair<QString, QString>>()>;
    CPPNotifications(Overview overview, QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;
    // The overview as the other pages show it now.
    void RefreshOverview();
    QString OverviewText() const;

    RunCommandPrefs m_values;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnBrowse();
    void OnTest();
    void UpdateCommandControls();

    Overview m_overview;
    QLabel* m_summary;
    QCheckBox* m_runCommand;
    QLineEdit* m_command;
    QWidget* m_browse;
    QWidget* m_test;
    QLabel* m_testResult;
};
