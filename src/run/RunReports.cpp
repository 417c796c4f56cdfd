#include "run/RunReports.h"

#include "model/UrlRecord.h"
#include "run/CheckRun.h"
#include "run/FrontEndDispatcher.h"

CRunReports::CRunReports(IFrontEndDispatcher& dispatcher, CCheckRun& run)
    : m_dispatcher(dispatcher)
    , m_run(std::make_shared<CCheckRun*>(&run))
{ }

CRunReports::~CRunReports()
{
    *m_run = nullptr;
}

void CRunReports::PostUrlChecked(std::unique_ptr<Curl> checked, uint64_t runId)
{
    // A posted task must be copyable: the checked copy travels in a shared holder.
    auto holder = std::make_shared<std::unique_ptr<Curl>>(std::move(checked));
    m_dispatcher.Post([run = m_run, holder, runId] {
        if (*run)
            (*run)->OnUrlChecked(std::move(*holder), runId);
    });
}

void CRunReports::PostUrlProgress(int kilobytes, uint64_t serial, uint64_t runId)
{
    m_dispatcher.Post([run = m_run, kilobytes, serial, runId] {
        if (*run)
            (*run)->OnUrlProgress(kilobytes, serial, runId);
    });
}

void CRunReports::PostUrlStarted(uint64_t serial, uint64_t runId)
{
    m_dispatcher.Post([run = m_run, serial, runId] {
        if (*run)
            (*run)->OnUrlStarted(serial, runId);
    });
}
