#pragma once

#include "fetch/UrlEngine.h"
#include "run/CheckRun.h"
#include "run/Scheduler.h"

class CSiteVigilDoc;
class IFrontEndDispatcher;
class IRunEvents;

// The check machinery, built the same way by every front end (the desktop program, the daemon,
// "sitevigil-cli check"): the engine, the run over the list and the schedule. The front end owns it
// and hands it its dispatcher and the events it wants to hear; doc, dispatcher and events must outlive
// it. Declared in the order of construction: the run goes before the engine it uses.
class CRunCore
{
public:
    CRunCore(CSiteVigilDoc& doc, IFrontEndDispatcher& dispatcher, IRunEvents& events,
             CScheduler::Clock clock = CScheduler::SystemNow)
        : m_run(doc, m_engine, dispatcher, events)
        , m_scheduler(m_run, doc, events, std::move(clock))
    { }
    CRunCore(const CRunCore&) = delete;
    CRunCore& operator=(const CRunCore&) = delete;

    CUrlEngine& Engine() { return m_engine; }
    CCheckRun& Run() { return m_run; }
    const CCheckRun& Run() const { return m_run; }
    CScheduler& Scheduler() { return m_scheduler; }

private:
    CUrlEngine m_engine;
    CCheckRun m_run;
    CScheduler m_scheduler;
};
