#include "run/Scheduler.h"

#include "model/CheckInterval.h"
#include "model/PrefKeys.h"
#include "model/SiteVigilDoc.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "platform/Clock.h"
#include "platform/DebugLog.h"
#include "run/CheckRun.h"
#include "run/RunEvents.h"

#include <ctime>
#include <vector>

namespace {
constexpr int64_t kSaveInterval = 60;

// The pages on the global schedule: those without an interval of their own.
std::vector<Curl*> GlobalPages(const CSiteVigilDoc& doc)
{
    std::vector<Curl*> pages;
    pages.reserve(doc.Count());
    for (const std::unique_ptr<Curl>& record : doc.Records()) {
        if (record->m_every.IsGlobal())
            pages.push_back(record.get());
    }
    return pages;
}

// The pages with an interval of their own whose next check has come. A page whose host asked to be
// left alone waits for that time as well: a run started for it before then would end at once.
std::vector<Curl*> PagesDue(const CSiteVigilDoc& doc, int64_t now)
{
    std::vector<Curl*> due;
    const int jitter = CVigilPrefs::GetInstance().ReadInt(Pref::checkJitter);
    for (const std::unique_ptr<Curl>& record : doc.Records()) {
        if (record->m_every.IsGlobal() || record->m_timeWaitingForHost > now)
            continue;
        if (NextCheckTime(*record, record->m_every, jitter) <= now)
            due.push_back(record.get());
    }
    return due;
}

std::string CountText(int64_t count, const char* unit)
{
    return std::to_string(count) + " " + unit + (count > 1 ? "s" : "");
}
} // namespace

int64_t CScheduler::SystemNow()
{
    return ::Clock::Now();
}

CScheduler::CScheduler(CCheckRun& run, CSiteVigilDoc& doc, IRunEvents& events, Clock clock)
    : m_run(run)
    , m_doc(doc)
    , m_events(events)
    , m_clock(clock ? std::move(clock) : Clock(SystemNow))
    , m_lastRunTime(m_clock())
    , m_self(std::make_shared<CScheduler*>(this))
{ }

CScheduler::~CScheduler()
{
    *m_self = nullptr;
}

int64_t CScheduler::GetCheckPeriod()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    return CheckPeriodFor(prefs.ReadInt(Pref::checkFrequency), prefs.ReadInt(Pref::checkUnits));
}

int64_t CScheduler::CheckPeriodFor(int frequency, int units)
{
    switch (units) {
    case 0:
        return frequency;
    case 1:
        return static_cast<int64_t>(frequency) * 60;
    case 2:
        return static_cast<int64_t>(frequency) * 3600;
    case 3:
        return static_cast<int64_t>(frequency) * 86400;
    default:
        return 0;
    }
}

std::string CScheduler::FormatTimeLeft(int64_t seconds)
{
    int64_t days = seconds / 86400;
    int64_t hours = seconds / 3600;
    int64_t minutes = seconds / 60;
    int64_t minutesInHour = minutes - hours * 60;
    if (days > 0)
        return CountText(days, "day");
    if (hours > 0)
        return CountText(hours, "hour");
    if (minutesInHour > 0)
        return CountText(minutesInHour, "minute");
    return CountText(seconds - minutes * 60, "second");
}

void CScheduler::OnScheduleTick()
{
    // Guards against a front end that ticks again from inside an event.
    if (m_inTick)
        return;
    m_inTick = true;

    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    bool autoCheck = prefs.ReadInt(Pref::autoCheck) != 0;
    int64_t now = m_clock();
    int64_t period = GetCheckPeriod();

    // A clock set back would otherwise hold every save and run until it has caught up again.
    if (now < m_lastRunTime)
        m_lastRunTime = now;
    if (now - m_lastSaveTime > kSaveInterval || now < m_lastSaveTime) {
        // Saving would stop the run in progress; the run saves the list itself when it ends.
        if (!m_run.IsRunning())
            SaveList(now);
    }

    if (!autoCheck) {
        m_inTick = false;
        return;
    }

    if (now - m_lastRunTime > period) {
        // A run that falls due while the question of the last one is open is covered by that question.
        m_lastRunTime = now;
        m_inTick = false;
        if (m_asking)
            return;
        // Every page on an interval of its own: the global schedule has nothing to start or ask.
        if (m_doc.Count() > 0 && GlobalPages(m_doc).empty())
            return;
        if (prefs.ReadInt(Pref::confirmScheduleStarts) == 0) {
            StartGlobalRun();
            return;
        }
        m_asking = true;
        std::weak_ptr<CScheduler*> self = m_self;
        m_events.Ask("Start scheduled checks?", [self](bool yes) {
            auto alive = self.lock();
            if (!alive || !*alive)
                return;
            CScheduler& scheduler = **alive;
            scheduler.m_asking = false;
            // No: the next question comes one full period after this one fell due.
            if (yes)
                scheduler.StartGlobalRun();
        });
        return;
    }

    // Pages on intervals of their own go as they fall due, without the question of the global
    // schedule: into the run in progress when there is one. While the closing steps of a run are
    // under way they wait for those to end.
    if (m_run.IsRunning() || !m_run.IsEndingRun()) {
        if (std::vector<Curl*> due = PagesDue(m_doc, now); !due.empty()) {
            if (m_run.IsRunning()) {
                m_run.TakeIn(due);
            } else {
                m_inTick = false;
                m_events.OnScheduledRunDue();
                m_run.CheckPages(due, CCheckRun::Trigger::Schedule);
                return;
            }
        }
    }

    // During a run the front end shows the run's own progress.
    if (!m_run.IsRunning()) {
        const int64_t left = m_lastRunTime + period - now;
        m_events.OnNextCheck({left, "Next check in " + FormatTimeLeft(left)});
    }
    m_inTick = false;
}

void CScheduler::StartGlobalRun()
{
    // A run in progress takes the pages it does not hold yet, so the due run is neither lost nor
    // made to check again what that run is checking.
    if (m_run.IsRunning()) {
        if (m_run.TakeIn(GlobalPages(m_doc)) > 0)
            m_events.OnScheduledRunDue();
        return;
    }
    m_events.OnScheduledRunDue();
    m_run.CheckPages(GlobalPages(m_doc), CCheckRun::Trigger::Schedule);
}

void CScheduler::SaveList(int64_t now)
{
    m_lastSaveTime = now;
    Status result = m_doc.SaveDefault();
    if (result.ok()) {
        m_lastSaveError.clear();
        return;
    }
    // Tried again a minute later; say so once rather than every minute.
    if (result.error().message != m_lastSaveError)
        DiagnosticOutput("The list could not be saved: " + result.error().message + "\n");
    m_lastSaveError = result.error().message;
}
