#pragma once

#include "run/ControlServer.h"
#include "run/RunMessageQueue.h"

#include <functional>
#include <string>
#include <vector>

class CCheckRun;
class CListSession;
class ICheckRunFrontEnd;

// What a program holding the storage folder (the daemon, the desktop program) does with the commands
// sitevigil-cli hands to it on the control channel: each runs on the program's own thread on its
// list, between check runs (a request that arrives during a run waits for its end); check starts a run
// of the program's own and is answered when that run ends.
class CControlHost
{
public:
    // hostName names the program in the answers ("daemon", "desktop program").
    CControlHost(CListSession& session, CCheckRun& run, ICheckRunFrontEnd& frontEnd, std::string hostName);

    // Starts listening in the storage folder. False with the reason in error.
    bool Start(const std::string& storageFolder, std::string& error);
    // Readable while requests wait to be run.
    int Fd() const { return m_dispatcher.WakeFd(); }
    // Runs the waiting requests; call only while no run is in progress. Returns how many ran.
    int RunPending() { return m_dispatcher.Dispatch(); }
    // Answers the checks handed over that the run just ended was for.
    void OnRunEnd();
    // Called before and after a handed-over command that may change the list (all but list and show),
    // for a front end that shows the list.
    void SetListChangeHandlers(std::function<void()> aboutToChange, std::function<void()> changed)
    {
        m_aboutToChange = std::move(aboutToChange);
        m_changed = std::move(changed);
    }

private:
    void Handle(const std::vector<std::string>& request, const CControlServer::Answer& answer);
    void StartCheck(const std::vector<std::string>& request, const CControlServer::Answer& answer);

    struct PendingCheck
    {
        CControlServer::Answer answer;
        bool withDiffs;
        bool toTerminal;
    };

    CListSession& m_session;
    CCheckRun& m_run;
    ICheckRunFrontEnd& m_frontEnd;
    std::string m_hostName;
    std::function<void()> m_aboutToChange;
    std::function<void()> m_changed;
    // Its own queue, apart from the run's, so that requests can wait while a run is in progress.
    CRunMessageQueue m_dispatcher;
    std::vector<PendingCheck> m_pending;
    // Last: stopped first when the host ends, while the rest still stands.
    CControlServer m_server;
};
