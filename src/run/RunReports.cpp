#include "run/RunReports.h"

#include "model/UrlRecord.h"
#include "run/CheckRun.h"
#include "run/FrontEndDispatcher.h"

CRunReports::CRunReports(IFrontEndDispatcher& dispatcher, CCheckRun& run)
    : m_dispatcher(dispatcher)
    , m_run(std::make_shared<CCheckRun*>(&run))
    , m_batch(std::make_shared<Batch>())
{ }

CRunReports::~CRunReports()
{
    *m_run = nullptr;
}

void CRunReports::Add(std::function<void(CCheckRun&)> report)
{
    bool first = false;
    {
        std::lock_guard lock(m_batch->mutex);
        first = m_batch->reports.empty();
        m_batch->reports.push_back(std::move(report));
    }
    // One wake-up of the front end's thread carries every report that arrives until it runs.
    if (!first)
        return;
    m_dispatcher.Post([run = m_run, batch = m_batch] {
        std::vector<std::function<void(CCheckRun&)>> reports;
        {
            std::lock_guard lock(batch->mutex);
            reports.swap(batch->reports);
        }
        // In the order posted; a handler may end or destroy the run, after which the rest are dropped.
        for (auto& report : reports) {
            if (!*run)
                return;
            report(**run);
        }
    });
}

void CRunReports::PostUrlChecked(std::unique_ptr<Curl> checked, uint64_t runId)
{
    // A report must be copyable: the checked copy travels in a shared holder.
    auto holder = std::make_shared<std::unique_ptr<Curl>>(std::move(checked));
    Add([holder, runId](CCheckRun& run) { run.OnUrlChecked(std::move(*holder), runId); });
}

void CRunReports::PostUrlProgress(int kilobytes, uint64_t serial, uint64_t runId)
{
    Add([kilobytes, serial, runId](CCheckRun& run) { run.OnUrlProgress(kilobytes, serial, runId); });
}

void CRunReports::PostUrlStarted(uint64_t serial, uint64_t runId)
{
    Add([serial, runId](CCheckRun& run) { run.OnUrlStarted(serial, runId); });
}
