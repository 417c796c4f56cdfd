#pragma once

#include "render/QtDispatcher.h"
#include "ui/props/UrlPage.h"

#include <memory>
#include <string>

class CPPWatchText;
class CSinglePageJob;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "Properties": name and address of the page, what its last check found, and "Download page details",
// which checks the page on its own right away. OK is available only with a name and a valid address.
class CPPUrlEntry : public CUrlPage
{
    Q_OBJECT
public:
    CPPUrlEntry(Curl& record, CPPWatchText& watchText, QWidget* parent = nullptr);
    ~CPPUrlEntry() override;

    void LoadControls() override;
    bool StoreControls() override;
    void LoadFromRecord(const Curl& record) override;
    void SaveToRecord(Curl& record) const override;
    // A download in progress is cancelled when the sheet ends either way.
    void OnOK() override;
    void OnCancel() override;

    // The page's opening, once it is in the sheet: the clipboard rule, then the three checks.
    void Initialise();
    bool IsDownloading() const;
    void FocusAddress();

    static constexpr const char* kEmptyAddress = "http://";

signals:
    // The page-details download has ended and the page shows its results.
    void DownloadFinished();

private:
    void TakeAddressFromClipboard();
    void CheckAddress();
    void CheckName();
    void UpdateOkButton();
    void OnDownload();
    void OnDownloaded(std::unique_ptr<Curl> checked, const std::string& pageText);
    void CancelDownload();
    void StopBusy();

    Curl& m_record;
    CPPWatchText& m_watchText;
    // The dispatcher outlives the job, which reports through it.
    CQtDispatcher m_dispatcher;
    std::unique_ptr<CSinglePageJob> m_job;

    std::string m_strName;
    std::string m_strURL = kEmptyAddress;
    std::string m_strSize;
    std::string m_strLastModified;
    std::string m_strChangeStatus;
    std::string m_strLastChecked;
    std::string m_strStatus;
    bool m_bNamePresent = false;
    bool m_bUrlValid = false;
    // The user has typed in the address field (what was loaded is not marked as a mistake).
    bool m_bUrlTyped = false;
    bool m_redisplaying = false;

    QLineEdit* m_name;
    QLineEdit* m_url;
    QLabel* m_nameMarker;
    QLabel* m_urlMarker;
    QPushButton* m_download;
    QProgressBar* m_busy;
    QLabel* m_lastChecked;
    QLabel* m_lastModified;
    QLabel* m_changeStatus;
    QLabel* m_size;
    QLabel* m_status;
};
