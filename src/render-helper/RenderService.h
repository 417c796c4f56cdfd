#pragma once

#include "fetch/RenderProtocol.h"
#include "render/QtDispatcher.h"

#include <QObject>

#include <mutex>
#include <thread>

// The helper's side of the pipe: a thread reads the requests, each becomes a render on the
// application's thread, and each render's answer goes back as one frame. At the end of input the
// helper leaves.
class CRenderService : public QObject
{
    Q_OBJECT
public:
    explicit CRenderService(int fd);
    ~CRenderService() override;
    void start();
    // Ends the reading thread: no request is taken any more.
    void stopReading();

private:
    void readRequests();
    void startRender(const RenderRequest& request);
    void answer(const RenderAnswer& answer);

    const int m_fd;
    // The reading thread hands each request, and the end of input, to the application's thread.
    CQtDispatcher m_dispatcher;
    std::thread m_reader;
    std::mutex m_writeMutex;
};
