#pragma once

#include "fetch/UrlEngine.h"
#include "run/CheckRun.h"
#include "run/CheckRunFrontEnd.h"
#include "ui/render/GuiRenderer.h"
#include "ui/run/QtDispatcher.h"

#include <functional>

#include <QString>

class CListSession;
class CMyListView;
class CPageListModel;

// The check run of the list view: the core's run with its engine, its reports delivered on the GUI
// thread, and what the run shows mapped onto the list's rows, its message boxes and the signals the
// main window follows (status text, busy indicator, tray, toolbar, popup, sound).
class CGuiRun : public ICheckRunFrontEnd
{
public:
    using SoundHook = std::function<void(int pref, const QString& file, std::function<void()> onEnded)>;

    CGuiRun(CListSession& session, CMyListView& view, CPageListModel& model);
    ~CGuiRun() override;

    void CheckAll();
    bool CheckSelected(Curl* record);
    void StopChecking();
    bool IsRunning() const { return m_run.IsRunning(); }
    CCheckRun& Run() { return m_run; }

    // Without a hook the end of a run plays nothing.
    void SetSoundHook(SoundHook hook) { m_soundHook = std::move(hook); }

    void SetStatusText(const std::string& text) override;
    void SetTrayTip(const std::string& text) override;
    void ShowTimeLeft(const std::string& text) override;
    void ShowBusy(bool shown) override;
    void SetTrayBlinking(bool blinking) override;
    void SetChangesPending(bool anyChanged) override;
    void SetRunButtons(bool running) override;
    void RefreshRow(Curl& record) override;
    void ShowRowProgress(Curl& record, const std::string& text) override;
    void ShowWarning(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowSummary(const std::string& text, bool boxWanted) override;
    bool AskYesNo(const std::string& question) override;
    void ShowPopup(const std::string& text, int appearMs, int stayMs, int vanishMs) override;
    void PlaySound(int preference, const std::string& fileName, std::function<void()> onEnded) override;

private:
    CMyListView& m_view;
    CPageListModel& m_model;
    SoundHook m_soundHook;
    // The run is declared last: it goes first, before the engine and the dispatcher it uses.
    CQtDispatcher m_dispatcher;
    CUrlEngine m_engine;
    CGuiRenderer m_renderer;
    CCheckRun m_run;
};
