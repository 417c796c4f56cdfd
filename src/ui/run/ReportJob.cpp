#include "ui/run/ReportJob.h"

#include "check/PageFiles.h"

void CReportJob::Start(const std::string& base, std::function<void(bool made)> shown)
{
    StartWith([base] { return MakeDiffReportAt(base); }, std::move(shown));
}

void CReportJob::StartWith(std::function<bool()> make, std::function<void(bool made)> shown)
{
    Request request{std::move(make), std::move(shown)};
    if (m_job.IsRunning()) {
        m_waiting = std::move(request);
        return;
    }
    Run(std::move(request));
}

void CReportJob::Run(Request request)
{
    const std::function<bool()> make = request.make;
    const bool started = m_job.Start<bool>([make] { return make(); },
                                           [this, shown = request.shown](bool made) {
                                               if (shown)
                                                   shown(made);
                                               if (m_waiting) {
                                                   Request next = std::move(*m_waiting);
                                                   m_waiting.reset();
                                                   Run(std::move(next));
                                               }
                                           });
    // No thread to be had: make it here rather than not at all.
    if (!started) {
        const bool made = make();
        if (request.shown)
            request.shown(made);
    }
}
