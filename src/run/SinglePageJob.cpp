#include "run/SinglePageJob.h"

#include "check/PageCheck.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "run/FrontEndDispatcher.h"
#include "run/WorkItem.h"

// Whether the check in flight is still waited for: false once it was delivered or cancelled. Read and
// written on the front end's thread only: the worker merely carries it into the posted task.
struct CSinglePageJob::Token
{
    bool live = true;
};

namespace {

class CSinglePageItem : public CWorkItem
{
public:
    CSinglePageItem(std::unique_ptr<Curl> copy, CUrlEngine& engine, IFrontEndDispatcher& dispatcher,
                    std::function<void(std::unique_ptr<Curl>, std::string)> deliver)
        : m_copy(std::move(copy))
        , m_engine(engine)
        , m_dispatcher(dispatcher)
        , m_deliver(std::move(deliver))
    { }

    void Run(void* threadParam) override
    {
        (void)threadParam;
        std::string pageText = CheckPage(*m_copy, m_engine).pageText;
        auto holder = std::make_shared<std::unique_ptr<Curl>>(std::move(m_copy));
        m_dispatcher.Post([deliver = std::move(m_deliver), holder, text = std::move(pageText)]() mutable {
            deliver(std::move(*holder), std::move(text));
        });
    }

private:
    std::unique_ptr<Curl> m_copy;
    CUrlEngine& m_engine;
    IFrontEndDispatcher& m_dispatcher;
    std::function<void(std::unique_ptr<Curl>, std::string)> m_deliver;
};

} // namespace

CSinglePageJob::CSinglePageJob(IFrontEndDispatcher& dispatcher)
    : m_dispatcher(dispatcher)
{ }

CSinglePageJob::~CSinglePageJob()
{
    Cancel();
    m_pool.Shutdown();
}

bool CSinglePageJob::Start(const Curl& record, Receiver receiver)
{
    if (IsRunning())
        return false;
    if (!m_pool.IsRunning()) {
        // One worker, at the priority the settings give the run's workers.
        if (!m_pool.Create(1, CVigilPrefs::GetInstance().GetThreadPriority()))
            return false;
    }
    auto token = std::make_shared<Token>();
    auto copy = record.MakeWorkCopy();
    const bool posted = m_pool.Post(std::make_unique<CSinglePageItem>(
        std::move(copy), m_engine, m_dispatcher, [token, receiver](std::unique_ptr<Curl> checked, std::string text) {
            if (!token->live)
                return;
            token->live = false;
            receiver(std::move(checked), std::move(text));
        }));
    if (!posted)
        return false;
    m_token = std::move(token);
    return true;
}

bool CSinglePageJob::IsRunning() const
{
    return m_token && m_token->live;
}

void CSinglePageJob::Cancel()
{
    if (!IsRunning())
        return;
    m_token->live = false;
    m_engine.cancel();
}
