#include "ui/render/GuiRenderer.h"

#include "render/PageRender.h"

#include <QMetaObject>

#include <chrono>

CGuiRenderer::CGuiRenderer(QObject* parent)
    : QObject(parent)
{ }

CGuiRenderer::~CGuiRenderer()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        m_changed.notify_all();
    }
    for (auto& [id, render] : m_renders)
        delete render;
}

int CGuiRenderer::parallel() const
{
    return RenderParallelSetting();
}

FetchOutcome CGuiRenderer::render(const RenderRequest& pageRequest)
{
    std::unique_lock lock(m_mutex);
    RenderRequest request = pageRequest;
    request.id = m_nextId++;
    m_answers[request.id];
    const uint64_t generation = m_cancelGeneration;
    QMetaObject::invokeMethod(
        this, [this, request] { startOnGuiThread(request); }, Qt::QueuedConnection);
    // The page keeps its own limit; this one only guards against a GUI thread that never gets to it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(request.limitMs + 15000ull);
    FetchOutcome outcome;
    outcome.failure = FetchFailure::TimedOut;
    while (true) {
        if (auto& answer = m_answers[request.id]) {
            outcome = RenderPipe::ToOutcome(std::move(*answer));
            break;
        }
        if (m_cancelGeneration != generation || m_closing) {
            outcome.failure = FetchFailure::Cancelled;
            break;
        }
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && !m_answers[request.id])
            break;
    }
    m_answers.erase(request.id);
    return outcome;
}

void CGuiRenderer::cancel()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_cancelGeneration;
        m_changed.notify_all();
    }
    QMetaObject::invokeMethod(
        this, [this] { abortAll(); }, Qt::QueuedConnection);
}

void CGuiRenderer::startOnGuiThread(const RenderRequest& request)
{
    {
        // A worker that has stopped waiting wants no render any more.
        std::lock_guard lock(m_mutex);
        if (!m_answers.count(request.id))
            return;
    }
    auto* render = new CPageRender(request, this);
    m_renders[request.id] = render;
    connect(render, &CPageRender::finished, this, [this, render](const RenderAnswer& answer) {
        m_renders.erase(answer.id);
        render->deleteLater();
        std::lock_guard lock(m_mutex);
        if (auto it = m_answers.find(answer.id); it != m_answers.end()) {
            it->second = answer;
            m_changed.notify_all();
        }
    });
    render->start();
}

void CGuiRenderer::abortAll()
{
    const auto renders = m_renders;
    for (auto& [id, render] : renders)
        render->abort();
}
