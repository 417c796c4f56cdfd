#include "run/Scheduler.h"
#include "RunFixture.h"
#include "model/CheckInterval.h"
#include "platform/Clock.h"

#include <cstdio>

namespace {

struct TimeLeftCase
{
    int64_t seconds;
    const char* text;
};

class FormatTimeLeft : public testing::TestWithParam<TimeLeftCase>
{
};

TEST_P(FormatTimeLeft, ShowsOnlyTheLargestUnit)
{
    EXPECT_EQ(CScheduler::FormatTimeLeft(GetParam().seconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, FormatTimeLeft,
                         testing::Values(TimeLeftCase{0, "0 second"}, TimeLeftCase{1, "1 second"},
                                         TimeLeftCase{59, "59 seconds"}, TimeLeftCase{60, "1 minute"},
                                         TimeLeftCase{90, "1 minute"}, TimeLeftCase{3599, "59 minutes"},
                                         TimeLeftCase{3600, "1 hour"}, TimeLeftCase{7199, "1 hour"},
                                         TimeLeftCase{7200, "2 hours"}, TimeLeftCase{86399, "23 hours"},
                                         TimeLeftCase{86400, "1 day"}, TimeLeftCase{172800, "2 days"}));

TEST(CheckPeriod, IsFrequencyTimesTheUnit)
{
    EXPECT_EQ(CScheduler::CheckPeriodFor(1, 0), 1);
    EXPECT_EQ(CScheduler::CheckPeriodFor(5, 1), 300);
    EXPECT_EQ(CScheduler::CheckPeriodFor(24, 2), 86400);
    EXPECT_EQ(CScheduler::CheckPeriodFor(2, 3), 172800);
    // A unit outside the four choices makes the period 0.
    EXPECT_EQ(CScheduler::CheckPeriodFor(7, 4), 0);
    EXPECT_EQ(CScheduler::CheckPeriodFor(7, -1), 0);
    // Large frequencies do not overflow.
    EXPECT_EQ(CScheduler::CheckPeriodFor(100000, 3), 8640000000LL);
}

TEST(CheckPeriod, StoredValuesNoPageAllowsReadAsTheNearestAllowed)
{
    CIsolatedSettings settings;
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.WriteInt("checkUnits", 9);
    prefs.WriteInt("checkFrequency", 0);
    EXPECT_EQ(CScheduler::GetCheckPeriod(), 86400) << "one day, not every second";
    prefs.WriteInt("checkUnits", -3);
    prefs.WriteInt("checkFrequency", -10);
    EXPECT_EQ(CScheduler::GetCheckPeriod(), 1);
}

constexpr int64_t kStart = 1'700'000'000;

// The scheduler on a clock the test moves by hand.
class Scheduler : public RunFixture
{
protected:
    Scheduler()
    {
        SetInt(Pref::autoCheck, 1);
        SetInt(Pref::checkFrequency, 24);
        SetInt(Pref::checkUnits, 2);
        scheduler = std::make_unique<CScheduler>(*run, doc, frontEnd, [this] { return now; });
    }
    void TickAt(int64_t time)
    {
        now = time;
        scheduler->OnScheduleTick();
    }
    int Starts() const { return frontEnd.Count("due"); }

    int64_t now = kStart;
    std::unique_ptr<CScheduler> scheduler;
};

TEST_F(Scheduler, RunFallsDueOnlyAfterMoreThanThePeriod)
{
    TickAt(kStart + 86400);
    EXPECT_EQ(Starts(), 0);
    EXPECT_EQ(frontEnd.events.back(), "left:Next check in 0 second");
    TickAt(kStart + 86401);
    EXPECT_EQ(Starts(), 1);
    EXPECT_EQ(scheduler->LastRunTime(), kStart + 86401);
}

TEST_F(Scheduler, OneSecondPeriodFallsDueEveryTwoSeconds)
{
    SetInt(Pref::checkFrequency, 1);
    SetInt(Pref::checkUnits, 0);
    std::vector<int64_t> dueAt;
    for (int64_t t = kStart + 1; t <= kStart + 6; ++t) {
        int before = Starts();
        TickAt(t);
        if (Starts() > before)
            dueAt.push_back(t - kStart);
    }
    EXPECT_EQ(dueAt, (std::vector<int64_t>{2, 4, 6}));
}

TEST_F(Scheduler, TimeLeftAfterAScheduledRunShowsTheLargestUnit)
{
    TickAt(kStart + 86401);
    ASSERT_EQ(Starts(), 1);
    TickAt(kStart + 86402);
    EXPECT_EQ(frontEnd.events.back(), "left:Next check in 23 hours");
    TickAt(kStart + 86401 + 3600);
    EXPECT_EQ(frontEnd.events.back(), "left:Next check in 23 hours");
    TickAt(kStart + 86401 + 86400 - 59);
    EXPECT_EQ(frontEnd.events.back(), "left:Next check in 59 seconds");
}

TEST_F(Scheduler, AnsweringNoPostponesOnePeriod)
{
    SetInt(Pref::confirmScheduleStarts, 1);
    frontEnd.answer = false;
    TickAt(kStart + 86401);
    EXPECT_EQ(frontEnd.Count("ask:Start scheduled checks?"), 1);
    EXPECT_EQ(Starts(), 0);
    TickAt(kStart + 86402);
    EXPECT_EQ(frontEnd.events.back(), "left:Next check in 23 hours");
    EXPECT_EQ(frontEnd.Count("ask:Start scheduled checks?"), 1);

    frontEnd.answer = true;
    TickAt(kStart + 2 * 86401);
    EXPECT_EQ(frontEnd.Count("ask:Start scheduled checks?"), 2);
    EXPECT_EQ(Starts(), 1);
}

TEST_F(Scheduler, TicksGoOnWhileTheQuestionWaitsForItsAnswer)
{
    // The question returns at once; ticks until the answer show the time left, since the last run
    // time has moved already, and ask nothing more.
    SetInt(Pref::confirmScheduleStarts, 1);
    SetInt(Pref::checkFrequency, 1);
    SetInt(Pref::checkUnits, 0);
    frontEnd.holdAnswer = true;
    TickAt(kStart + 2);
    EXPECT_TRUE(scheduler->IsAsking());
    TickAt(kStart + 3);
    EXPECT_EQ(frontEnd.events.back(), "left:Next check in 0 second");
    TickAt(kStart + 5);
    EXPECT_EQ(frontEnd.Count("ask:Start scheduled checks?"), 1);
    EXPECT_EQ(Starts(), 0);
    ASSERT_TRUE(frontEnd.answerLater);
    frontEnd.answerLater(true);
    EXPECT_FALSE(scheduler->IsAsking());
    EXPECT_EQ(Starts(), 1);

    // An answer that comes after the scheduler has gone starts nothing.
    TickAt(kStart + 8);
    ASSERT_EQ(frontEnd.Count("ask:Start scheduled checks?"), 2);
    scheduler.reset();
    frontEnd.answerLater(true);
    EXPECT_EQ(Starts(), 1);
}

TEST_F(Scheduler, ScheduleOffOnlySavesOnceAMinute)
{
    SetInt(Pref::autoCheck, 0);
    const std::string listFile = doc.GetDefaultPath();
    TickAt(kStart);
    EXPECT_TRUE(FileExists(listFile)) << "the first tick saves at once";
    std::remove(listFile.c_str());
    TickAt(kStart + 60);
    EXPECT_FALSE(FileExists(listFile));
    TickAt(kStart + 61);
    EXPECT_TRUE(FileExists(listFile));
    TickAt(kStart + 200 * 86400);
    EXPECT_EQ(Starts(), 0);
    EXPECT_TRUE(frontEnd.With("left:").empty());
}

TEST_F(Scheduler, ClockSetBackDoesNotHoldTheSchedule)
{
    TickAt(kStart - 10 * 86400);
    EXPECT_EQ(frontEnd.events.back(), "left:Next check in 1 day");
    TickAt(kStart - 10 * 86400 + 86401);
    EXPECT_EQ(Starts(), 1);
}

TEST_F(Scheduler, ScheduledRunStartsAndShowsCheckingInTheTip)
{
    AddSlowPage("slow");
    TickAt(kStart + 86401);
    ASSERT_TRUE(run->IsRunning());
    ASSERT_TRUE(gate.WaitEntered());
    // During the run the schedule tells no countdown: the front end shows the run's progress.
    frontEnd.events.clear();
    TickAt(kStart + 86402);
    EXPECT_TRUE(frontEnd.With("left:").empty());

    // A run that falls due during another takes nothing that run holds already, and says nothing.
    SetInt(Pref::checkFrequency, 1);
    SetInt(Pref::checkUnits, 0);
    TickAt(kStart + 86404);
    EXPECT_EQ(Starts(), 0);
    EXPECT_EQ(server.RequestCount("/slow"), 1);
    gate.Open();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(frontEnd.With("summary").size(), 1u);
}

// A page on an interval of its own goes when its time has come, alone; the global run leaves it out.
TEST_F(Scheduler, PageOnItsOwnIntervalGoesWhenDue)
{
    SetInt(Pref::checkJitter, 0);
    Curl& own = AddPage("own", "own page");
    own.m_every = *ParseCheckInterval("15m");
    own.m_timeLastChecked = kStart;
    own.m_nChecks = 1;
    AddPage("global", "global page");

    TickAt(kStart + 899);
    EXPECT_EQ(Starts(), 0);
    TickAt(kStart + 900);
    ASSERT_EQ(Starts(), 1);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(server.RequestCount("/own"), 1);
    EXPECT_EQ(server.RequestCount("/global"), 0);

    TickAt(kStart + 86401);
    ASSERT_EQ(Starts(), 2);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(server.RequestCount("/own"), 1);
    EXPECT_EQ(server.RequestCount("/global"), 1);
}

// Pages that fall due while the user's run of one page is out join that run: a page on an interval
// of its own, then the global run's pages. Each is checked once, while the run's own page is still
// out, and the run's progress and summary count them.
TEST_F(Scheduler, PagesFallingDueDuringARunJoinIt)
{
    SetInt(Pref::checkJitter, 0);
    Curl& slow = AddSlowPage("slow");
    Curl& own = AddPage("own", "own page", true);
    own.m_every = *ParseCheckInterval("15m");
    own.m_timeLastChecked = kStart;
    own.m_nChecks = 1;
    AddPage("global", "global page");

    ASSERT_TRUE(run->CheckSelected(&slow));
    ASSERT_TRUE(gate.WaitEntered());
    TickAt(kStart + 900);
    TickAt(kStart + 901);
    ASSERT_TRUE(DispatchUntil([this] { return frontEnd.Count("checked:own") == 1; }));
    TickAt(kStart + 86401);
    ASSERT_TRUE(DispatchUntil([this] { return frontEnd.Count("checked:global") == 1; }));
    EXPECT_TRUE(run->IsRunning());
    EXPECT_EQ(Starts(), 1) << "the global run said it started; the page of its own went quietly";

    gate.Open();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(frontEnd.With("run-start:"), (std::vector<std::string>{"run-start:1 one"}));
    EXPECT_EQ(frontEnd.progress, (std::vector<std::string>{"1/2", "2/3", "3/3"}));
    EXPECT_EQ(frontEnd.Count("summary:Completed checking 3 URLs.\n1 new changes.\n1 changes total.\n"), 1);
    EXPECT_EQ(run->RunPages().size(), 3u);
    for (const char* path : {"/slow", "/own", "/global"})
        EXPECT_EQ(server.RequestCount(path), 1) << path;
}

// A page whose host asked to wait is not started again before then: a run for it would end at once,
// and so again every second.
TEST_F(Scheduler, PageWaitingForItsHostWaitsForThatTime)
{
    server.SetPage("/busy", CHttpTestServer::Response{429, "slow down", {{"Retry-After", "120"}}});
    Curl& busy = AddRecord("busy", "/busy", false);
    busy.m_every = *ParseCheckInterval("15m");
    // On the wall clock the host's wait is measured by.
    const int64_t start = ::Clock::Now();
    now = start;
    scheduler = std::make_unique<CScheduler>(*run, doc, frontEnd, [this] { return now; });
    TickAt(start);
    ASSERT_EQ(Starts(), 1);
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_GE(busy.m_timeWaitingForHost, start + 119);
    TickAt(start + 1);
    TickAt(start + 60);
    EXPECT_EQ(Starts(), 1);
    TickAt(busy.m_timeWaitingForHost);
    EXPECT_EQ(Starts(), 2);
}

TEST_F(Scheduler, RunLongerThanAMinuteSurvivesThePeriodicSave)
{
    SetInt(Pref::autoCheck, 0);
    SetInt(Pref::sendEmail, 0);
    AddSlowPage("slow");
    AddPage("quick", "q");
    const std::string listFile = doc.GetDefaultPath();
    TickAt(kStart);
    ASSERT_TRUE(FileExists(listFile));
    std::remove(listFile.c_str());

    run->CheckAll();
    ASSERT_TRUE(gate.WaitEntered());
    TickAt(kStart + 61);
    TickAt(kStart + 125);
    EXPECT_TRUE(run->IsRunning());
    EXPECT_FALSE(FileExists(listFile)) << "no save while the run is in progress";

    gate.Open();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(frontEnd.Count("summary:Completed checking 2 URLs.\n0 new changes.\n0 changes total.\n"), 1);
    EXPECT_TRUE(FileExists(listFile)) << "the run saves the list when it ends";
    CSiteVigilDoc saved;
    ASSERT_TRUE(saved.LoadFromFile(listFile).ok());
    for (const auto& record : saved.Records())
        EXPECT_EQ(record->m_nChecks, 1) << record->GetName();
}

} // namespace
