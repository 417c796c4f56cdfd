#pragma once

#include "model/ListImport.h"
#include "platform/Error.h"
#include "run/BackgroundJob.h"
#include "run/ControlServer.h"

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CCheckRun;
class CListSession;
class IFrontEndDispatcher;

// What the program that serves the control channel tells the service, and is told by it.
class IControlFrontEnd
{
public:
    virtual ~IControlFrontEnd() = default;
    // True while changes must wait (a dialog is open that may be editing a page). When it turns false,
    // the front end calls CControlService::RunWaiting.
    virtual bool IsBusy() const { return false; }
    // A second desktop program asks for the window. False where there is none.
    virtual bool ShowWindow() { return false; }
    // Around a change of the list made for a caller.
    virtual void BeforeListChange() { }
    virtual void AfterListChange() { }
    // One line about a request served ("Handed over by sitevigil-cli: add").
    virtual void Report(const std::string& text) = 0;
};

// The program's end of the control channel: the requests of sitevigil-cli and of a second desktop
// program, each done on the front end's thread on the program's list, one after the other, between
// check runs and while the front end is not busy; a request that has to wait is queued (and given up
// by the server when it waits too long). A check is the program's own run, answered when it ends. A
// bookmarks file is read on a thread of its own and its pages join the list in bounded steps, each a
// task of its own on the front end's thread, so that a file of a million links never holds the program
// up; other requests wait until it is done.
class CControlService
{
public:
    CControlService(CListSession& session, CCheckRun& run, IFrontEndDispatcher& dispatcher, IControlFrontEnd& frontEnd,
                    std::string hostName, CControlServer::Limits limits = {});
    ~CControlService();
    CControlService(const CControlService&) = delete;
    CControlService& operator=(const CControlService&) = delete;

    // Starts listening for the storage folder. The error says why not, plainly: the user must learn
    // that sitevigil-cli cannot reach this program.
    Status Start(const std::string& storageFolder);
    void Stop();
    const std::string& SocketPath() const { return m_server.Path(); }

    // Does the requests that wait, as far as the program is free for them. Call when the front end
    // stops being busy and after a run's end.
    void RunWaiting();
    // Answers the checks handed over that the run just ended was for; call before RunWaiting.
    void OnRunEnd();
    size_t WaitingCount() const { return m_waiting.size(); }

private:
    struct Waiting
    {
        ControlRequest request;
        std::shared_ptr<CControlTicket> ticket;
    };
    void OnRequest(const ControlRequest& request, const std::shared_ptr<CControlTicket>& ticket);
    bool Free() const;
    void Do(const ControlRequest& request, const std::shared_ptr<CControlTicket>& ticket);
    void StartCheck(const ControlRequest& request, const std::shared_ptr<CControlTicket>& ticket);
    // Reports the request's end to the front end and answers it.
    void Answer(const ControlRequest& request, CControlTicket& ticket, const ControlAnswer& answer);
    void StartImport(const ControlRequest& request, const std::shared_ptr<CControlTicket>& ticket);
    void ImportStep();
    // Whether a stepped import is under way (it is done before any other request).
    bool Importing() const { return m_import != nullptr; }

    struct Import
    {
        ControlRequest request;
        std::shared_ptr<CControlTicket> ticket;
        size_t countBefore = 0;
        std::unique_ptr<CImportSteps> steps;
        // Why the file could not be read; the steps then add nothing.
        std::optional<Error> readError;
    };

    CListSession& m_session;
    CCheckRun& m_run;
    IControlFrontEnd& m_frontEnd;
    std::string m_hostName;
    std::deque<Waiting> m_waiting;
    std::vector<std::shared_ptr<CControlTicket>> m_checks;
    IFrontEndDispatcher& m_dispatcher;
    std::unique_ptr<Import> m_import;
    // Reads the bookmarks file of m_import; declared after it, so that it goes first.
    CBackgroundJob m_reader;
    // Tasks posted for a step check it: a step of an import that has ended meanwhile does nothing.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    // Last: stopped first when the service ends, while the rest still stands.
    CControlServer m_server;
};
