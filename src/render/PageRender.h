#pragma once

#include "fetch/RenderProtocol.h"

#include <QObject>
#include <QTimer>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class CRenderPage;

// One render of one page in an off-screen browser page with a profile of its own (off the record:
// nothing kept between pages, no plugins, no windows, no local files, no downloads, no sound, every
// permission denied). It loads the address, waits for the load to finish and the network to stay
// quiet for the settling time (no new request, none of the page's own still unanswered), then answers
// with the document as the scripts left it. Every end is one answer: the document, or a named failure
// (the main document's HTTP status as a download names it, a page that heads for a local file or
// another program, a renderer that grows past its memory ceiling). Lives on the thread of the Qt
// application.
class CPageRender : public QObject
{
    Q_OBJECT
public:
    explicit CPageRender(RenderRequest request, QObject* parent = nullptr);
    ~CPageRender() override;

    void start();
    // Ends the render now as "Cancelled" (nothing happens when it has already answered).
    void abort();

signals:
    // Emitted once; the render may be deleted afterwards (deleteLater).
    void finished(const RenderAnswer& answer);

private:
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onRequestStarted();
    void onConsoleMessage(const QString& message);
    void onQuiet();
    void checkRefusedAddresses();
    void takeDocument();
    void watchMemory();
    void finish(RenderAnswer answer);
    void fail(FetchFailure failure, const QString& detail = {});

    RenderRequest m_request;
    QWebEngineProfile* m_profile = nullptr;
    CRenderPage* m_page = nullptr;
    QTimer m_quiet;
    QTimer m_limit;
    QTimer m_memory;
    bool m_loaded = false;
    bool m_answered = false;
    // A question to the page is under way (requests in flight, its resources, its document).
    bool m_asked = false;
    // Requests in flight hold the settling up: the page is asked again shortly.
    bool m_holding = false;
    uint64_t m_requestsStarted = 0;
    int m_httpStatus = 0;
    // Local addresses the engine refused to load for the page.
    QStringList m_refusedLocal;
    int m_authAnswers = 0;
    int m_proxyAnswers = 0;
};
