#pragma once

#include "platform/Error.h"
#include "run/ControlService.h"

#include <QObject>

#include <memory>
#include <string>

class CListSession;
class CMyListView;
class CQtDispatcher;

// The desktop program's end of the control channel: the changes sitevigil-cli hands over while the
// program holds the storage folder are made on the list the window shows, between check runs and
// while no dialog is open (a dialog may be editing one of the pages); the list's rows follow. A
// request that has to wait is taken up when the dialog closes or the run ends, not polled for.
class CGuiControl : public QObject, private IControlFrontEnd
{
    Q_OBJECT
public:
    CGuiControl(CListSession& session, CMyListView& list, QObject* parent = nullptr);
    ~CGuiControl() override;

    // Starts listening for the storage folder; the error says why not.
    Status Start(const std::string& storageFolder);

signals:
    // A second desktop program asked for the window.
    void activationRequested();
    // One line about a request served, for the status bar.
    void reported(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsBusy() const override;
    bool ShowWindow() override;
    void BeforeListChange() override;
    void AfterListChange() override;
    void Report(const std::string& text) override;

    void OnRunningChanged(bool running);
    // After the event that may have freed the program has been handled through.
    void RunWaitingSoon();

    CMyListView& m_list;
    std::unique_ptr<CQtDispatcher> m_dispatcher;
    std::unique_ptr<CControlService> m_service;
};
