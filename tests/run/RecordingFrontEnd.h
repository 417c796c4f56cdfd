#pragma once

#include "model/UrlRecord.h"
#include "run/CheckRunFrontEnd.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// A front end that writes down every call as "kind:text", in order, for the tests to compare.
class CRecordingFrontEnd : public ICheckRunFrontEnd
{
public:
    std::vector<std::string> events;
    bool answer = true;
    // Runs inside AskYesNo before it answers (a nested timer tick, for instance).
    std::function<void()> onAsk;

    void SetStatusText(const std::string& text) override { events.push_back("status:" + text); }
    void SetTrayTip(const std::string& text) override { events.push_back("tip:" + text); }
    void ShowTimeLeft(const std::string& text) override { events.push_back("left:" + text); }
    void ShowBusy(bool shown) override { events.push_back(shown ? "busy:on" : "busy:off"); }
    void SetTrayBlinking(bool blinking) override { events.push_back(blinking ? "blink:on" : "blink:off"); }
    void SetChangesPending(bool anyChanged) override { events.push_back(anyChanged ? "pending:yes" : "pending:no"); }
    void SetRunButtons(bool running) override { events.push_back(running ? "buttons:run" : "buttons:idle"); }
    void OnPageStarted(Curl& record) override { events.push_back("started:" + record.GetName()); }
    void RefreshRow(Curl& record) override { events.push_back("row:" + record.GetName()); }
    void ShowRowProgress(Curl& record, const std::string& text) override
    {
        events.push_back("progress:" + record.GetName() + text);
    }
    void ShowWarning(const std::string& text) override { events.push_back("warning:" + text); }
    void ShowError(const std::string& text) override { events.push_back("error:" + text); }
    void ShowSummary(const std::string& text, bool boxWanted) override
    {
        events.push_back(std::string(boxWanted ? "summary-box:" : "summary:") + text);
    }
    bool AskYesNo(const std::string& question) override
    {
        events.push_back("ask:" + question);
        if (onAsk)
            onAsk();
        return answer;
    }
    void ShowPopup(const std::string& text, int appearMs, int stayMs, int vanishMs) override
    {
        events.push_back("popup:" + text + "|" + std::to_string(appearMs) + "|" + std::to_string(stayMs) + "|"
                         + std::to_string(vanishMs));
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
