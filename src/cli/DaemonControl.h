#pragma once

#include "run/ControlServer.h"
#include "run/RunMessageQueue.h"

#include <string>
#include <vector>

class CCheckRun;
class CConsoleFrontEnd;
class CListSession;

// What the daemon does with the commands handed to it on the control channel: each runs on the
// daemon's thread on its list, between check runs (a request that arrives during a run waits for its
// end); check starts a run of the daemon's own and is answered when the run ends.
class CDaemonControl
{
public:
    CDaemonControl(CListSession& session, CCheckRun& run, CConsoleFrontEnd& frontEnd);

    // Starts listening in the storage folder. False with the reason in error.
    bool Start(const std::string& storageFolder, std::string& error);
    // Readable while requests wait to be run.
    int Fd() const { return m_dispatcher.WakeFd(); }
    // Runs the waiting requests; call only while no run is in progress.
    void RunPending() { m_dispatcher.Dispatch(); }
    // Answers the checks handed over that the run just ended was for.
    void OnRunEnd();

private:
    void Handle(const std::vector<std::string>& request, const CControlServer::Answer& answer);
    void StartCheck(const std::vector<std::string>& request, const CControlServer::Answer& answer);

    struct PendingCheck
    {
        CControlServer::Answer answer;
        bool withDiffs;
    };

    CListSession& m_session;
    CCheckRun& m_run;
    CConsoleFrontEnd& m_frontEnd;
    // Its own queue, apart from the run's, so that requests can wait while a run is in progress.
    CRunMessageQueue m_dispatcher;
    std::vector<PendingCheck> m_pending;
    // Last: stopped first when the daemon ends, while the rest still stands.
    CControlServer m_server;
};
