#pragma once

#include "platform/Error.h"
#include "run/ControlRequest.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class IFrontEndDispatcher;

// One request on its way from the server's thread to the front end's and back. The server gives up
// on a request whose caller left or that waited too long to be taken; the front end takes it before
// doing the work, so that a request is either done and answered, or given up and not done at all.
class CControlTicket
{
public:
    struct Shared;
    CControlTicket(std::weak_ptr<Shared> server, uint64_t connection);

    // True once, when the work may be done; false when the server has given up on the request.
    bool Take();
    // The answer to write back. Call once after Take, on any thread; dropped when the server is gone.
    void Answer(const ControlAnswer& answer);
    // For the server: ends the wait of a request not taken yet. False when the front end took it.
    bool GiveUp();

private:
    enum class State
    {
        Waiting,
        Taken,
        GivenUp,
    };
    std::weak_ptr<Shared> m_server;
    const uint64_t m_connection;
    State m_state = State::Waiting; // guarded by the server's lock
};

// The listening end of the control channel, hosted by the program that holds the storage folder. A
// thread of its own serves every connection at once, without blocking on any: each caller must send
// its whole request within a deadline and may send at most kMaxControlRequestBytes; callers that are
// not this user are refused on accept. Each request is handed to the front end's thread through the
// dispatcher; the answer, given there at once or later (when a check run ends), is streamed back.
class CControlServer
{
public:
    // Called on the front end's thread.
    using Handler = std::function<void(const ControlRequest& request, const std::shared_ptr<CControlTicket>& ticket)>;

    struct Limits
    {
        // A request must arrive whole within this time.
        int requestMs = 10000;
        // A request not taken within this time (a dialog stays open) is answered with a time-out.
        int waitMs = 60000;
        // A caller that reads nothing of its answer for this long is dropped.
        int writeStallMs = 30000;
        // Connections beyond this are closed at once.
        size_t maxConnections = 64;
    };

    CControlServer(IFrontEndDispatcher& dispatcher, Handler handler);
    CControlServer(IFrontEndDispatcher& dispatcher, Handler handler, Limits limits);
    ~CControlServer();
    CControlServer(const CControlServer&) = delete;
    CControlServer& operator=(const CControlServer&) = delete;

    // Makes the socket for the storage folder (ending with '/') and starts serving. A socket left behind
    // by a program that ended is replaced; one that still answers, or one another user made, is not.
    Status Start(const std::string& storageFolder);
    // Stops serving at once, whatever the callers do, and removes the socket. Requests still waiting
    // for their answer are dropped (their callers see the channel close). Called by the destructor.
    void Stop();
    const std::string& Path() const { return m_path; }

private:
    class CLoop;

    IFrontEndDispatcher& m_dispatcher;
    Handler m_handler;
    Limits m_limits;
    std::shared_ptr<CControlTicket::Shared> m_shared;
    std::string m_path;
    int m_listenFd = -1;
    std::thread m_thread;
};
