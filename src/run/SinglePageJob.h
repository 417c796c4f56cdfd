#pragma once

#include "fetch/UrlEngine.h"
#include "run/ThreadPool.h"

#include <functional>
#include <memory>
#include <string>

class Curl;
class IFrontEndDispatcher;

// One page checked on its own (the URL properties sheet's "Download page details"): a work copy of
// the record is checked on a single worker with an engine of the job's own, and the checked copy is
// handed to the receiver on the front end's thread. The receiver applies what it wants of it, for
// instance with Curl::ApplyCheckResults on the list's record.
//
// Every call is made on the front end's thread. Cancel ends the download at once and the receiver is
// not called; so is destroying the job while a check runs (it waits only for the cancelled download
// to return). The dispatcher must outlive the job.
class CSinglePageJob
{
public:
    // The checked copy and the page text the check judged ("" when the download failed).
    using Receiver = std::function<void(std::unique_ptr<Curl> checked, std::string pageText)>;

    explicit CSinglePageJob(IFrontEndDispatcher& dispatcher);
    ~CSinglePageJob();
    CSinglePageJob(const CSinglePageJob&) = delete;
    CSinglePageJob& operator=(const CSinglePageJob&) = delete;

    // Checks a copy of the record (taken now) and calls receiver with it once checked. False when a
    // check of this job is still running or the worker cannot be started.
    bool Start(const Curl& record, Receiver receiver);
    // Ends the check in progress at once; its result is dropped. Nothing happens when none runs.
    void Cancel();
    // True from Start until the receiver has been called or the check was cancelled.
    bool IsRunning() const;

private:
    struct Token;
    IFrontEndDispatcher& m_dispatcher;
    CUrlEngine m_engine;
    CThreadPool m_pool;
    // Shared with the check in flight; Cancel and the destructor mark it dead so its report is dropped.
    std::shared_ptr<Token> m_token;
};
