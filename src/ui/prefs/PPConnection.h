#pragma once

#include "model/VigilPrefs.h"
#include "ui/sheets/PropertyPage.h"

class QComboBox;
class QLineEdit;

// "Connection": download threads, their priority, time-out, retries, the limits per host and the user agent.
class CPPConnection : public CPropertyPage
{
    Q_OBJECT
public:
    explicit CPPConnection(QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;

    ConnectionPrefs m_values;

    static constexpr const char* kUserAgentIE6 = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
    static constexpr const char* kUserAgentFirefox
        = "Mozilla/5.0 (Windows; U; Windows NT 5.0; en-US; rv:1.6) Gecko/20040206 Firefox/0.6.1";

private:
    // Puts the user agent into the member and shows the whole page from its members again.
    void SetUserAgent(const char* userAgent);

    QComboBox* m_threads;
    QComboBox* m_priority;
    QLineEdit* m_timeout;
    QLineEdit* m_retries;
    QLineEdit* m_userAgent;
    QLineEdit* m_hostConcurrency;
    QLineEdit* m_hostDelay;
    QLineEdit* m_renderParallel;
    QLineEdit* m_renderMemory;
};
