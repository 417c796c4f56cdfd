#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CCheckRun;
class CSiteVigilDoc;
class IRunEvents;

// The schedule, ticked once a second by the front end (the GUI's timer, the daemon's loop): saves the
// list about once a minute and, when scheduled checks are on, starts a run over the pages on the
// global schedule every period and a run over the pages on intervals of their own whose time has
// come (a page's every, spread by checkJitter); otherwise it tells the time left to the next run.
// Pages that fall due while a run is in progress, the global ones included, join that run. When the
// user wants to be asked first, the question goes out and the run starts when the answer comes back;
// ticks go on meanwhile.
class CScheduler
{
public:
    // Seconds since 1970; tests pass their own clock.
    using Clock = std::function<int64_t()>;
    static int64_t SystemNow();

    // The last run time starts at the clock's current time.
    CScheduler(CCheckRun& run, CSiteVigilDoc& doc, IRunEvents& events, Clock clock = SystemNow);
    ~CScheduler();
    CScheduler(const CScheduler&) = delete;
    CScheduler& operator=(const CScheduler&) = delete;

    // checkFrequency times the unit of checkUnits in seconds (0 s, 1 min, 2 h, 3 days); other units give 0.
    static int64_t GetCheckPeriod();
    static int64_t CheckPeriodFor(int frequency, int units);
    // The largest unit of the time left only: "2 days", "1 hour", "59 seconds", "0 second".
    static std::string FormatTimeLeft(int64_t seconds);

    void OnScheduleTick();

    int64_t LastRunTime() const { return m_lastRunTime; }
    // True while "Start scheduled checks?" waits for its answer.
    bool IsAsking() const { return m_asking; }

private:
    // The run of the global schedule, or its pages taken into the run in progress.
    void StartGlobalRun();
    void SaveList(int64_t now);

    CCheckRun& m_run;
    CSiteVigilDoc& m_doc;
    IRunEvents& m_events;
    Clock m_clock;
    int64_t m_lastRunTime = 0;
    int64_t m_lastSaveTime = 0;
    bool m_inTick = false;
    bool m_asking = false;
    // Lets an answer that comes after the scheduler has gone find nothing to start.
    std::shared_ptr<CScheduler*> m_self;
    std::string m_lastSaveError;
};
