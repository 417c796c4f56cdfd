#include "ui/import/SteppedImport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <memory>
#include <optional>

namespace {

// Runs the work on a thread of its own and looks at the window's events (all but the user's input)
// until it has returned.
template <class Work> auto RunOffThread(Work work)
{
    // Held in an optional: the value need not have a default.
    auto result = std::make_shared<std::optional<decltype(work())>>();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<QThread> thread(QThread::create([work = std::move(work), result, done]() mutable {
        result->emplace(work());
        done->store(true);
    }));
    // The thread's end posts an event to this thread, which wakes the wait below.
    QObject::connect(thread.get(), &QThread::finished, QCoreApplication::instance(), [] {});
    thread->start();
    while (!done->load())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    thread->wait();
    return std::move(**result);
}

} // namespace

Result<ImportResult> ImportBookmarksStepwise(CSiteVigilDoc& doc, const std::string& path, bool skipWatched,
                                             const SteppedImportHooks& hooks)
{
    Result<BookmarkPages> read = RunOffThread([path] { return ReadBookmarkPagesFile(path); });
    if (!read)
        return read.error();
    CImportSteps steps(doc, std::move(*read), skipWatched);
    while (!steps.Done()) {
        if (hooks.beforeStep)
            hooks.beforeStep();
        steps.Step(kImportStepPages);
        if (hooks.afterStep)
            hooks.afterStep();
        if (hooks.progress)
            hooks.progress(steps.Position(), steps.Total());
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return steps.Finish();
}
