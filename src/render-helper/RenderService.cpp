#include "RenderService.h"

#include "platform/ThreadHandOver.h"
#include "render/PageRender.h"

#include <QCoreApplication>
#include <QEvent>

#include <sys/socket.h>
#include <unistd.h>

namespace {

QEvent::Type WakeEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace

CRenderService::CRenderService(int fd)
    : m_fd(fd)
{ }

CRenderService::~CRenderService()
{
    stopReading();
}

void CRenderService::stopReading()
{
    ::shutdown(m_fd, SHUT_RD);
    if (m_reader.joinable())
        m_reader.join();
}

void CRenderService::start()
{
    m_reader = std::thread([this] { readRequests(); });
}

void CRenderService::readRequests()
{
    while (true) {
        Result<std::string> frame = RenderPipe::ReadFrame(m_fd, RenderPipe::kMaxRequestSize);
        if (!frame)
            break;
        Result<RenderRequest> request = RenderPipe::DecodeRequest(*frame);
        if (!request)
            break; // a broken client: nothing it sends can be trusted any more
        {
            std::lock_guard lock(m_requestsMutex);
            m_requests.push_back(std::move(request.value()));
        }
        wakeApplicationThread();
    }
    {
        std::lock_guard lock(m_requestsMutex);
        m_inputEnded = true;
    }
    wakeApplicationThread();
}

// The requests wait in a queue of ours, whose lock orders this thread's writes before the
// application thread's reads; Qt's queue only carries a wake-up, which the sanitizer is told of.
void CRenderService::wakeApplicationThread()
{
    auto* wake = new QEvent(WakeEventType());
    HandOverRelease(wake);
    QCoreApplication::postEvent(this, wake);
}

void CRenderService::customEvent(QEvent* event)
{
    HandOverAcquire(event);
    if (event->type() != WakeEventType())
        return;
    for (;;) {
        RenderRequest request;
        {
            std::lock_guard lock(m_requestsMutex);
            if (m_requests.empty()) {
                if (m_inputEnded)
                    QCoreApplication::quit();
                return;
            }
            request = std::move(m_requests.front());
            m_requests.pop_front();
        }
        startRender(request);
    }
}

void CRenderService::startRender(const RenderRequest& request)
{
    auto* render = new CPageRender(request, this);
    connect(render, &CPageRender::finished, this, [this, render](const RenderAnswer& result) {
        answer(result);
        render->deleteLater();
    });
    render->start();
}

void CRenderService::answer(const RenderAnswer& result)
{
    std::lock_guard lock(m_writeMutex);
    if (!RenderPipe::WriteFrame(m_fd, RenderPipe::EncodeAnswer(result)))
        QCoreApplication::quit();
}
