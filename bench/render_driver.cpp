// Renders N local pages through the render helper with P pages at a time, as a check run would,
// and prints pages per second and the peak resident memory of the helper and its engine processes.
//   render_driver HELPER BASE_URL PAGES PARALLEL

#include "fetch/RenderClient.h"
#include "platform/ProcessTree.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s HELPER BASE_URL PAGES PARALLEL\n", argv[0]);
        return 2;
    }
    const int pages = std::atoi(argv[3]);
    const int parallel = std::atoi(argv[4]);
    CRenderClient::Options options;
    options.helperPath = argv[1];
    options.parallel = parallel;
    CRenderClient renderer(options);

    std::atomic<int> next{0};
    std::atomic<int> failed{0};
    std::atomic<bool> done{false};
    size_t peak = 0;
    std::thread sampler([&] {
        while (!done) {
            if (const pid_t pid = renderer.helperPid())
                peak = std::max(peak, ProcessTreeResidentBytes(pid));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int i = 0; i < parallel; ++i)
        workers.emplace_back([&] {
            for (int page; (page = next++) < pages;) {
                RenderRequest request;
                request.url = std::string(argv[2]) + "/page" + std::to_string(page) + ".html";
                request.waitMs = 500;
                request.limitMs = 30000;
                if (!renderer.render(request).complete)
                    ++failed;
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    sampler.join();
    std::printf("parallel %d: %d pages in %.1f s, %.2f pages/s, %d failed, peak RSS %.0f MB\n", parallel, pages,
                seconds, pages / seconds, failed.load(), peak / (1024.0 * 1024.0));
    return failed ? 1 : 0;
}
