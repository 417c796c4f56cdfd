#pragma once

#include "render/QtDispatcher.h"
#include "run/BackgroundJob.h"

#include <functional>
#include <optional>
#include <string>

// Makes a page's differences report on a thread of its own (a large page takes long enough to freeze
// the window) and then calls back on the GUI thread. A request made while a report is being written
// waits for it; only the latest one waiting is kept.
class CReportJob
{
public:
    // base is the page's file base (GetFileBase); shown runs on the GUI thread once the report file
    // is written (true), or has failed to be (false).
    void Start(const std::string& base, std::function<void(bool made)> shown);
    // The same with the report made by make (on the job's thread), for reports of other versions.
    void StartWith(std::function<bool()> make, std::function<void(bool made)> shown);
    bool IsRunning() const { return m_job.IsRunning(); }

private:
    struct Request
    {
        std::function<bool()> make;
        std::function<void(bool made)> shown;
    };
    void Run(Request request);

    std::optional<Request> m_waiting;
    // The dispatcher outlives the job, which reports through it; a window closed meanwhile drops the
    // result.
    CQtDispatcher m_dispatcher;
    CBackgroundJob m_job{m_dispatcher};
};
