#pragma once

#include "run/ControlChannel.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class IFrontEndDispatcher;

// The listening end of the control channel, hosted by the program that holds the storage folder.
// A thread of its own accepts one connection at a time, refuses callers that are not the folder's
// owner, and hands each request to the front end's thread through the dispatcher; the handler does
// the work there and answers (at once, or later, for instance when a check run ends); the answer is
// then written back. Further callers wait in the socket's queue meanwhile.
class CControlServer
{
public:
    using Answer = std::function<void(const ControlReply& reply)>;
    // Called on the front end's thread; must call answer exactly once, on any thread.
    using Handler = std::function<void(const std::vector<std::string>& args, Answer answer)>;

    CControlServer(IFrontEndDispatcher& dispatcher, Handler handler);
    ~CControlServer();
    CControlServer(const CControlServer&) = delete;
    CControlServer& operator=(const CControlServer&) = delete;

    // Creates the socket in the storage folder (ending with '/') and starts listening. A socket left
    // behind by a program that ended is replaced; one that still answers is not. False with the
    // reason in error.
    bool Start(const std::string& storageFolder, std::string& error);
    // Stops listening and removes the socket. A request whose answer is still outstanding is dropped
    // (its caller sees the channel close). Called by the destructor.
    void Stop();

private:
    struct Sync;
    void Serve();
    void ServeConnection(int fd);

    IFrontEndDispatcher& m_dispatcher;
    Handler m_handler;
    std::shared_ptr<Sync> m_sync;
    std::string m_path;
    int m_listenFd = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::thread m_thread;
};
