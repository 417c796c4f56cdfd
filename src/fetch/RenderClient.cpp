#include "fetch/RenderClient.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "platform/DebugLog.h"
#include "platform/ProcessTree.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

FetchOutcome Failure(FetchFailure failure, std::string detail = {})
{
    FetchOutcome outcome;
    outcome.failure = failure;
    outcome.detail = std::move(detail);
    return outcome;
}

// Waits for the process to end for up to the given time; true when it has been reaped.
bool ReapWithin(pid_t pid, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        ::usleep(20000);
    }
}

} // namespace

CRenderClient::Options CRenderClient::FromSettings()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    Options options;
    options.parallel = prefs.ReadInt(Pref::renderParallel);
    options.memoryLimitBytes = static_cast<size_t>(prefs.ReadInt(Pref::renderMemoryMB)) * 1024 * 1024;
    switch (prefs.ReadInt(Pref::proxyType)) {
    case 0:
        break; // the environment's proxy, which the helper inherits
    case 2:
        options.arguments.push_back("--proxy-server=" + prefs.ReadString(Pref::proxyServer) + ":"
                                    + std::to_string(prefs.ReadInt(Pref::proxyPort)));
        break;
    default:
        options.arguments.push_back("--no-proxy-server");
        break;
    }
    const std::string agent = prefs.ReadString(Pref::userAgent);
    if (!agent.empty())
        options.arguments.push_back("--user-agent=" + agent);
    return options;
}

std::string CRenderClient::InstalledHelperPath()
{
    if (const char* path = std::getenv("SITEVIGIL_RENDER_HELPER"); path && *path)
        return path;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "sitevigil-render";
    std::string dir(self, static_cast<size_t>(n));
    dir.erase(dir.rfind('/') + 1);
    return dir + "sitevigil-render";
}

CRenderClient::CRenderClient(Options options)
    : m_options(std::move(options))
{ }

CRenderClient::~CRenderClient()
{
    std::unique_lock lock(m_mutex);
    stopHelper(lock);
}

pid_t CRenderClient::helperPid() const
{
    std::lock_guard lock(m_mutex);
    return m_instanceAlive ? m_pid : 0;
}

Status CRenderClient::startHelperLocked()
{
    const std::string path = m_options.helperPath.empty() ? InstalledHelperPath() : m_options.helperPath;
    if (::access(path.c_str(), X_OK) != 0)
        return MakeError(ErrorKind::NotFound, "no helper program at " + path);
    // One socket both ways: a write to a helper that has died fails instead of raising SIGPIPE.
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return MakeError(ErrorKind::Io, SystemErrorText(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own: ending the helper ends the engine's processes with it.
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> args{path};
    args.insert(args.end(), m_options.arguments.begin(), m_options.arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(sockets[1]);
    if (rc != 0) {
        ::close(sockets[0]);
        return MakeError(ErrorKind::Io, SystemErrorText(rc));
    }
    m_pid = pid;
    m_socket = sockets[0];
    m_instanceAlive = true;
    const uint64_t instance = ++m_instance;
    m_reader = std::thread([this, fd = sockets[0], instance] { readAnswers(fd, instance); });
    return {};
}

void CRenderClient::stopHelper(std::unique_lock<std::mutex>& lock)
{
    if (!m_pid)
        return;
    const pid_t pid = m_pid;
    m_pid = 0;
    const int socket = m_socket;
    m_socket = -1;
    // End of input asks the helper to leave; one that does not is ended.
    ::shutdown(socket, SHUT_WR);
    m_instanceAlive = false;
    m_changed.notify_all();
    std::thread reader = std::move(m_reader);
    lock.unlock();
    if (!ReapWithin(pid, std::chrono::seconds(3))) {
        ::kill(-pid, SIGKILL);
        ReapWithin(pid, std::chrono::seconds(5));
    }
    // The engine's own processes may outlive their parent for a moment.
    ::kill(-pid, SIGKILL);
    if (reader.joinable())
        reader.join();
    lock.lock();
    // Closed only now: a render may still be writing its request until the lock is back.
    std::lock_guard writeLock(m_writeMutex);
    ::close(socket);
}

void CRenderClient::readAnswers(int fd, uint64_t instance)
{
    while (true) {
        Result<std::string> frame = RenderPipe::ReadFrame(fd, RenderPipe::kMaxAnswerSize);
        if (!frame)
            break;
        Result<RenderAnswer> answer = RenderPipe::DecodeAnswer(*frame);
        if (!answer) {
            DebugReport("render helper", answer.error().message);
            break;
        }
        std::lock_guard lock(m_mutex);
        auto it = m_answers.find(answer->id);
        if (it != m_answers.end()) {
            it->second = std::move(answer.value());
            m_changed.notify_all();
        }
    }
    std::lock_guard lock(m_mutex);
    if (m_instance == instance) {
        m_instanceAlive = false;
        m_changed.notify_all();
    }
}

FetchOutcome CRenderClient::render(const RenderRequest& pageRequest)
{
    std::unique_lock lock(m_mutex);
    // A helper that died, or one grown too large while nothing is in flight, is replaced now.
    if (m_pid
        && (!m_instanceAlive || (m_inFlight == 0 && ProcessTreeResidentBytes(m_pid) > m_options.memoryLimitBytes)))
        stopHelper(lock);
    if (!m_pid) {
        if (const Status started = startHelperLocked(); !started)
            return Failure(FetchFailure::RenderUnavailable, started.error().message);
    }
    RenderRequest request = pageRequest;
    request.id = m_nextId++;
    const uint64_t instance = m_instance;
    const uint64_t cancelGeneration = m_cancelGeneration;
    const int fd = m_socket;
    m_answers[request.id];
    ++m_inFlight;
    lock.unlock();

    Status sent;
    {
        std::lock_guard writeLock(m_writeMutex);
        sent = RenderPipe::WriteFrame(fd, RenderPipe::EncodeRequest(request));
    }

    lock.lock();
    const auto deadline
        = std::chrono::steady_clock::now() + std::chrono::milliseconds(uint64_t(request.limitMs) + kGraceMs);
    FetchOutcome outcome;
    bool hung = false;
    while (true) {
        auto& answer = m_answers[request.id];
        if (answer) {
            outcome = RenderPipe::ToOutcome(std::move(*answer));
            break;
        }
        if (!sent || m_instance != instance || !m_instanceAlive) {
            outcome = Failure(FetchFailure::PageCrashed, "the render helper ended");
            break;
        }
        if (m_cancelGeneration != cancelGeneration) {
            outcome = Failure(FetchFailure::Cancelled);
            break;
        }
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && !m_answers[request.id]) {
            outcome = Failure(FetchFailure::TimedOut);
            hung = true;
            break;
        }
    }
    m_answers.erase(request.id);
    --m_inFlight;
    // The helper keeps its own time; one that missed it by the grace period is stuck.
    if (hung && m_instance == instance)
        stopHelper(lock);
    return outcome;
}

void CRenderClient::cancel()
{
    std::lock_guard lock(m_mutex);
    ++m_cancelGeneration;
    m_changed.notify_all();
}

void CRenderClient::endRun()
{
    std::unique_lock lock(m_mutex);
    stopHelper(lock);
}
