#pragma once

#include "model/UrlRecord.h"
#include "run/RunEvents.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// A front end that writes down every event as "kind:text", in order, for the tests to compare.
class CRecordingFrontEnd : public IRunEvents
{
public:
    std::vector<std::string> events;

    void OnRunStarted(const RunStartedEvent& event) override
    {
        events.push_back("run-start:" + std::to_string(event.pages) + (event.wholeList ? " all" : " one")
                         + (event.scheduled ? " scheduled" : ""));
    }
    void OnPageStarted(const Curl& record) override { events.push_back("started:" + record.GetName()); }
    void OnPageProgress(const Curl& record, int kilobytes) override
    {
        events.push_back("progress:" + record.GetName() + " " + std::to_string(kilobytes) + " k");
    }
    void OnPageChecked(const PageCheckedEvent& event) override
    {
        events.push_back("checked:" + event.record.GetName());
        progress.push_back(std::to_string(event.checked) + "/" + std::to_string(event.total));
    }
    void OnRunEnded(const RunEndedEvent& event) override
    {
        if (event.stopped) {
            events.push_back("run-end:stopped");
            return;
        }
        events.push_back("run-end:" + std::to_string(event.totals.records) + "|"
                         + std::to_string(event.totals.newChanges) + "|" + std::to_string(event.totals.markedChanged));
    }
    void OnRunClosed(const RunClosedEvent& event) override
    {
        events.push_back("closed:" + std::to_string(event.failures.size()));
    }
    void OnNextCheck(const NextCheckEvent& event) override { events.push_back("left:" + event.text); }
    void OnScheduledRunDue() override { events.push_back("due"); }
    void OnProblem(ProblemSeverity severity, const std::string& text) override
    {
        events.push_back((severity == ProblemSeverity::Error ? "error:" : "warning:") + text);
    }

    // Answered at once with answer, unless holdAnswer keeps the callback for the test to answer later.
    bool answer = true;
    bool holdAnswer = false;
    std::function<void(bool)> answerLater;
    void Ask(const std::string& question, std::function<void(bool)> answered) override
    {
        events.push_back("ask:" + question);
        if (holdAnswer)
            answerLater = std::move(answered);
        else
            answered(answer);
    }
    // The summary is closed at once unless holdSummary keeps the callback.
    bool holdSummary = false;
    std::function<void()> summaryClosed;
    void ShowSummary(const std::string& text, bool boxWanted, std::function<void()> done) override
    {
        events.push_back(std::string(boxWanted ? "summary-box:" : "summary:") + text);
        if (holdSummary)
            summaryClosed = std::move(done);
        else
            done();
    }
    void Announce(const ChangeAnnouncement& note) override
    {
        events.push_back("popup:" + note.text + "|" + std::to_string(note.appearMs) + "|" + std::to_string(note.stayMs)
                         + "|" + std::to_string(note.vanishMs));
    }
    // The sound ends at once unless the test keeps the callback to end it later.
    bool holdSound = false;
    std::function<void()> soundEnded;
    void PlaySound(int preference, const std::string& fileName, std::function<void()> onEnded) override
    {
        events.push_back("sound:" + std::to_string(preference) + "|" + fileName);
        if (holdSound)
            soundEnded = std::move(onEnded);
        else
            onEnded();
    }
    // "checked/total" of each page report, in order.
    std::vector<std::string> progress;

    int Count(const std::string& event) const
    {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }
    // Events that start with the prefix, in order.
    std::vector<std::string> With(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& event : events) {
            if (event.rfind(prefix, 0) == 0)
                found.push_back(event);
        }
        return found;
    }
    // Position of the first event that starts with the prefix; -1 when there is none.
    int IndexOf(const std::string& prefix) const
    {
        for (size_t i = 0; i < events.size(); ++i) {
            if (events[i].rfind(prefix, 0) == 0)
                return static_cast<int>(i);
        }
        return -1;
    }
};
