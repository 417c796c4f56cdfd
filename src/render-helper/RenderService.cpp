#include "RenderService.h"

#include "render/PageRender.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <sys/socket.h>
#include <unistd.h>

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
        // Only the service goes through Qt's queue: the request waits in ours, whose lock orders
        // this thread's writes before the application thread's reads where a sanitizer can see it.
        QMetaObject::invokeMethod(
            this, [this] { startNextRender(); }, Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

void CRenderService::startNextRender()
{
    RenderRequest request;
    {
        std::lock_guard lock(m_requestsMutex);
        if (m_requests.empty())
            return;
        request = std::move(m_requests.front());
        m_requests.pop_front();
    }
    startRender(request);
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
