#include "RenderService.h"

#include "render/PageRender.h"

#include <QCoreApplication>

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
        m_dispatcher.Post([this, request = std::move(request.value())] { startRender(request); });
    }
    m_dispatcher.Post([] { QCoreApplication::quit(); });
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
