#pragma once

#include "fetch/PageRenderer.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// Renders pages for a front end without Qt through the helper program sitevigil-render, over a pipe
// (see RenderProtocol.h). The helper starts at the first page, renders several pages at once, is
// started afresh when it dies and, between pages, when it has grown past the memory ceiling; it ends
// with the run (endRun) or with this object. Thread-safe: each worker's render waits for its own
// answer.
class CRenderClient : public IPageRenderer
{
public:
    struct Options
    {
        // The helper program; empty means the one installed beside this program.
        std::string helperPath;
        // Extra arguments for it (proxy, user agent), normally from HelperArguments().
        std::vector<std::string> arguments;
        int parallel = 2;
        size_t memoryLimitBytes = size_t(1024) * 1024 * 1024;
    };
    // Options from the settings (renderParallel, renderMemoryMB, proxy and user agent).
    static Options FromSettings();
    // sitevigil-render beside the running program, or SITEVIGIL_RENDER_HELPER when set.
    static std::string InstalledHelperPath();

    explicit CRenderClient(Options options);
    ~CRenderClient() override;
    CRenderClient(const CRenderClient&) = delete;
    CRenderClient& operator=(const CRenderClient&) = delete;

    FetchOutcome render(const RenderRequest& request) override;
    void cancel() override;
    void endRun() override;
    int parallel() const override { return m_options.parallel; }

    // The running helper's process id, 0 when none (tests end it to see the client recover).
    pid_t helperPid() const;

private:
    // Waiting for an answer gives the helper this long beyond the page's own limit, after which the
    // helper counts as hung and is ended.
    static constexpr uint32_t kGraceMs = 15000;

    Status startHelperLocked();
    // Ends the helper; the lock is released while its reader is joined.
    void stopHelper(std::unique_lock<std::mutex>& lock);
    void readAnswers(int fd, uint64_t instance);

    const Options m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::mutex m_writeMutex;
    pid_t m_pid = 0;
    int m_socket = -1;
    std::thread m_reader;
    // Each start of the helper is an instance; the answers it owes die with it.
    uint64_t m_instance = 0;
    bool m_instanceAlive = false;
    uint64_t m_cancelGeneration = 0;
    uint32_t m_nextId = 1;
    int m_inFlight = 0;
    std::map<uint32_t, std::optional<RenderAnswer>> m_answers;
};
