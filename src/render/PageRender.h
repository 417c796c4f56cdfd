#pragma once

#include "fetch/RenderProtocol.h"

#include <QObject>
#include <QTimer>

class QWebEngineProfile;
class CRenderPage;

// One render of one page in an off-screen browser page with a profile of its own (off the record:
// nothing kept between pages, no plugins, no windows, no local files, no downloads, no sound, every
// permission denied). It loads the address, waits for the load to finish and the network to stay
// quiet for the settling time, then answers with the document as the scripts left it. Every end is
// one answer: the document, or a named failure. Lives on the thread of the Qt application.
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
    void onLoaded(bool ok);
    void onRequestStarted();
    void takeDocument();
    void finish(RenderAnswer answer);
    void fail(FetchFailure failure, const QString& detail = {});

    RenderRequest m_request;
    QWebEngineProfile* m_profile = nullptr;
    CRenderPage* m_page = nullptr;
    QTimer m_quiet;
    QTimer m_limit;
    bool m_loaded = false;
    bool m_answered = false;
    bool m_asked = false;
    int m_httpStatus = 0;
    QString m_loadError;
    int m_authAnswers = 0;
    int m_proxyAnswers = 0;
};
