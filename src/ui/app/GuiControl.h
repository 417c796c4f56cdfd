#pragma once

#include <QObject>

#include <memory>
#include <string>

class CControlHost;
class CListSession;
class CMyListView;
class QSocketNotifier;
class QTimer;

// The desktop program's end of the control channel: the changes sitevigil-cli hands over while the
// program holds the storage folder are made on the list the window shows, between check runs and
// while no dialog is open (a dialog may be editing one of the pages); the list's rows follow.
class CGuiControl : public QObject
{
    Q_OBJECT
public:
    CGuiControl(CListSession& session, CMyListView& list, QObject* parent = nullptr);
    ~CGuiControl() override;

    // Starts listening in the storage folder. False with the reason in error.
    bool Start(const std::string& storageFolder, std::string& error);

private:
    // Runs the requests waiting now when the program is free to take them; else tries again shortly.
    void RunPendingWhenFree();
    void OnRunningChanged(bool running);

    CMyListView& m_list;
    std::unique_ptr<CControlHost> m_host;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_retry = nullptr;
};
