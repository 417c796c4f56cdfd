#pragma once

#include "fetch/RenderProtocol.h"

#include <QObject>

#include <deque>
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
    void wakeApplicationThread();
    void startRender(const RenderRequest& request);
    // Starts the requests read so far; quits once the input has ended and none is left.
    void customEvent(QEvent* event) override;
    void answer(const RenderAnswer& answer);

    const int m_fd;
    std::thread m_reader;
    std::mutex m_writeMutex;
    std::mutex m_requestsMutex;
    std::deque<RenderRequest> m_requests; // read, not yet started
    bool m_inputEnded = false;
};
