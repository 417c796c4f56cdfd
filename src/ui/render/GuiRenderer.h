#pragma once

#include "fetch/PageRenderer.h"

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

class CPageRender;

// Renders the pages of the desktop program's runs in its own browser engine, on the GUI thread
// without ever blocking it: a worker's render is handed over to the GUI thread as a queued call and the
// worker waits for the answer. At most parallel() pages render at once (the run gives them that many
// workers). A cancel wakes the waiting workers at once, even while the GUI thread is busy.
class CGuiRenderer : public QObject, public IPageRenderer
{
    Q_OBJECT
public:
    explicit CGuiRenderer(QObject* parent = nullptr);
    ~CGuiRenderer() override;

    FetchOutcome render(const RenderRequest& request) override;
    void cancel() override;
    int parallel() const override;

private:
    void startOnGuiThread(const RenderRequest& request);
    void abortAll();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    uint32_t m_nextId = 1;
    uint64_t m_cancelGeneration = 0;
    bool m_closing = false;
    std::map<uint32_t, std::optional<RenderAnswer>> m_answers;
    // The renders in progress, on the GUI thread only.
    std::map<uint32_t, CPageRender*> m_renders;
};
