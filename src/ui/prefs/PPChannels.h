#pragma once

#include "notify/Channel.h"
#include "render/QtDispatcher.h"
#include "run/BackgroundJob.h"
#include "ui/sheets/PropertyPage.h"

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "Notifications::Channels": the channels the notifications go to besides the e-mail, each with its
// name, on/off, its events and its last delivery. "Test" sends a test message to the selected
// channel in the background and shows the answer. The channels are saved with the sheet's OK.
class CPPChannels : public CPropertyPage
{
    Q_OBJECT
public:
    explicit CPPChannels(QWidget* parent = nullptr);
    ~CPPChannels() override;

    void LoadControls() override;
    bool StoreControls() override;

    std::vector<Channel> m_values;
    // Seconds the end of a check waits for its deliveries (deliveryWait).
    int m_deliveryWait = 30;
    // False when the stored channels could not be read: OK then leaves them as they are.
    bool m_loaded = true;

    bool IsTesting() const { return m_testing; }

signals:
    // The test message has ended; result is the answer or the failure in words.
    void TestDone(const QString& result);

private:
    void OnAdd();
    void OnRemove();
    void OnTest();
    void OnTestResult(bool ok, const QString& result);
    int SelectedRow() const;

    QTableWidget* m_table;
    QLineEdit* m_address;
    QLineEdit* m_name;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_test;
    QLabel* m_status;
    QLineEdit* m_wait;
    std::vector<std::string> m_lastDeliveries;
    bool m_testing = false;
    CQtDispatcher m_dispatcher;
    CBackgroundJob m_job{m_dispatcher};
};
