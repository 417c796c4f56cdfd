#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// The background delivery of a program that owns a storage folder (the desktop program, the daemon):
// a thread that delivers the outbox's due rows, those left by an earlier program too, then sleeps
// until the next is due or Wake is called. Never the front end's thread.
class COutboxWorker
{
public:
    explicit COutboxWorker(std::string storageFolder, int pollSeconds = 15);
    // Stops the pass in progress (its rows stay pending) and waits for the thread.
    ~COutboxWorker();
    COutboxWorker(const COutboxWorker&) = delete;
    COutboxWorker& operator=(const COutboxWorker&) = delete;

    // Starts a pass now (a retry was asked for, new rows were written).
    void Wake();

private:
    void Loop();

    const std::string m_storageFolder;
    const int m_pollSeconds;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_woken = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
