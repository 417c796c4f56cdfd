#pragma once

#include "ui/run/ReportJob.h"

#include <QMainWindow>

#include <functional>
#include <string>

class CBrowserView;
class CVersionChooser;
class Curl;
class QAction;
struct PaneContent;

// The lower pane: the browser view under its own toolbar. The toolbar's commands act on the list's
// first selected page (nothing happens without one) or on the update log. The browser engine is
// started when the pane first shows something: the program mostly waits in the tray, and the engine
// would double its memory and its start-up time.
class CSplitFrame : public QMainWindow
{
    Q_OBJECT
public:
    // firstSelected gives the list's first selected page, or null; storageFolder ends with '/'.
    CSplitFrame(std::function<Curl*()> firstSelected, std::string storageFolder, QWidget* parent = nullptr);

    // The browser view, created on first use.
    CBrowserView& View();
    bool HasView() const { return m_view != nullptr; }

    void ShowLocalPage();
    void ShowInternetPage();
    void ShowDifferences();
    // The compared texts of the last two copies with their changed words marked.
    void ShowTextDifferences();
    void ShowUpdateLog();
    // The report of two versions of the selected page, by their numbers in its history.
    void CompareVersions(int from, int to);
    CVersionChooser& Chooser() const { return *m_chooser; }
    // A file, or a notice of the program's own when there is none.
    void Show(const PaneContent& content);

    enum Button
    {
        LocalPage,
        InternetPage,
        Differences,
        TextDifferences,
        UpdateLog
    };
    QAction* ButtonAction(Button button) const { return m_actions[button]; }

private:
    std::function<Curl*()> m_firstSelected;
    std::string m_storageFolder;
    CBrowserView* m_view = nullptr;
    QAction* m_actions[5] = {};
    CVersionChooser* m_chooser = nullptr;
    CReportJob m_reportJob;
};
