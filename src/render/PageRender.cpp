#include "render/PageRender.h"

#include "fetch/UrlEngine.h"

#include <QAuthenticator>
#include <QPointer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

namespace {

// Schemes a page may load from or go to; everything else (file:, custom schemes of other programs,
// the engine's own pages) is refused.
bool IsWebScheme(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("data")
        || scheme == QLatin1String("blob") || scheme == QLatin1String("about");
}

// Sees every request of its page: refuses those off the web and tells the render of the others, so
// that it knows when the network has gone quiet.
class CRequestWatch : public QWebEngineUrlRequestInterceptor
{
public:
    CRequestWatch(std::function<void()> started, QObject* parent)
        : QWebEngineUrlRequestInterceptor(parent)
        , m_started(std::move(started))
    { }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (!IsWebScheme(info.requestUrl().scheme())) {
            info.block(true);
            return;
        }
        m_started();
    }

private:
    std::function<void()> m_started;
};

} // namespace

// The page itself: no windows, no dialogs, and it stays on the web.
class CRenderPage : public QWebEnginePage
{
public:
    CRenderPage(QWebEngineProfile* profile, QObject* parent)
        : QWebEnginePage(profile, parent)
    { }

    bool leftTheWeb = false;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        (void)type;
        if (IsWebScheme(url.scheme()))
            return true;
        if (isMainFrame)
            leftTheWeb = true;
        return false;
    }
    QWebEnginePage* createWindow(WebWindowType type) override
    {
        (void)type;
        return nullptr; // pop-ups never open
    }
    void javaScriptAlert(const QUrl&, const QString&) override { }
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override { }
};

CPageRender::CPageRender(RenderRequest request, QObject* parent)
    : QObject(parent)
    , m_request(std::move(request))
{
    // Off the record (no storage name): cache and cookies live in memory and die with this render.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    m_profile->setUrlRequestInterceptor(new CRequestWatch([this] { onRequestStarted(); }, m_profile));

    QWebEngineSettings* settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    settings->setAttribute(QWebEngineSettings::Accelerated2dCanvasEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);

    m_page = new CRenderPage(m_profile, this);
    m_page->setAudioMuted(true);
    connect(m_page, &QWebEnginePage::featurePermissionRequested, m_page,
            [page = m_page](const QUrl& origin, QWebEnginePage::Feature feature) {
                page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
    connect(m_page, &QWebEnginePage::authenticationRequired, this, [this](const QUrl&, QAuthenticator* auth) {
        // The page's credentials answer once; a second challenge means they were refused.
        if (m_authAnswers++ == 0 && !m_request.user.empty()) {
            auth->setUser(QString::fromStdString(m_request.user));
            auth->setPassword(QString::fromStdString(m_request.password));
        } else {
            *auth = QAuthenticator(); // a null authenticator cancels the request
        }
    });
    connect(m_page, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl&, QAuthenticator* auth, const QString&) {
                if (m_proxyAnswers++ == 0) {
                    auth->setUser(QString::fromStdString(m_request.proxyUser));
                    auth->setPassword(QString::fromStdString(m_request.proxyPassword));
                } else {
                    *auth = QAuthenticator();
                }
            });
    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
            m_httpStatus = info.errorCode();
        else if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && m_loadError.isEmpty())
            m_loadError = info.errorString();
    });
    connect(m_page, &QWebEnginePage::loadFinished, this, &CPageRender::onLoaded);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus, int) { fail(FetchFailure::PageCrashed); });

    m_quiet.setSingleShot(true);
    m_quiet.setInterval(static_cast<int>(m_request.waitMs));
    connect(&m_quiet, &QTimer::timeout, this, &CPageRender::takeDocument);
    m_limit.setSingleShot(true);
    m_limit.setInterval(static_cast<int>(std::max<uint32_t>(m_request.limitMs, 1)));
    connect(&m_limit, &QTimer::timeout, this, [this] { fail(FetchFailure::TimedOut); });
}

CPageRender::~CPageRender()
{
    // The page must go before its profile.
    delete m_page;
    m_page = nullptr;
}

void CPageRender::start()
{
    const QUrl url(QString::fromStdString(m_request.url), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        fail(FetchFailure::Request, QStringLiteral("URL using bad/illegal format or missing URL"));
        return;
    }
    m_limit.start();
    m_page->load(url);
}

void CPageRender::abort()
{
    fail(FetchFailure::Cancelled);
}

void CPageRender::onRequestStarted()
{
    // Network activity after the load puts the settling back to its start.
    if (m_loaded && m_quiet.isActive())
        m_quiet.start();
}

void CPageRender::onLoaded(bool ok)
{
    if (m_answered)
        return;
    if (m_page->leftTheWeb) {
        fail(FetchFailure::NavigationRefused);
        return;
    }
    if (m_httpStatus >= 400 || (!ok && m_httpStatus > 0)) {
        RenderAnswer answer;
        answer.httpStatus = m_httpStatus;
        answer.failure = m_httpStatus == 404 ? FetchFailure::NotFound
            : m_httpStatus == 502            ? FetchFailure::BadGateway
            : m_httpStatus == 401            ? FetchFailure::AuthFailed
            : m_httpStatus == 407            ? FetchFailure::ProxyAuthFailed
                                             : FetchFailure::HttpStatus;
        finish(std::move(answer));
        return;
    }
    if (!ok) {
        fail(FetchFailure::Request,
             m_loadError.isEmpty() ? QStringLiteral("The page could not be loaded") : m_loadError);
        return;
    }
    m_loaded = true;
    m_quiet.start();
}

void CPageRender::takeDocument()
{
    if (m_answered || m_asked)
        return;
    m_asked = true;
    m_page->toHtml([this, alive = QPointer<CPageRender>(this)](const QString& html) {
        if (!alive || m_answered)
            return;
        if (m_page->leftTheWeb) {
            fail(FetchFailure::NavigationRefused);
            return;
        }
        RenderAnswer answer;
        answer.httpStatus = 200;
        answer.finalUrl = m_page->url().toString().toStdString();
        answer.html = html.toStdString();
        if (answer.html.empty())
            answer.failure = FetchFailure::PageCrashed; // never a success without a document
        else if (answer.html.size() > CUrlEngine::kMaxBodySize) {
            answer.failure = FetchFailure::TooLarge;
            answer.html.clear();
        }
        finish(std::move(answer));
    });
}

void CPageRender::fail(FetchFailure failure, const QString& detail)
{
    RenderAnswer answer;
    answer.failure = failure;
    answer.httpStatus = m_httpStatus;
    answer.detail = detail.toStdString();
    finish(std::move(answer));
}

void CPageRender::finish(RenderAnswer answer)
{
    if (m_answered)
        return;
    m_answered = true;
    m_quiet.stop();
    m_limit.stop();
    answer.id = m_request.id;
    // The page stops here: nothing it still runs reaches the next page.
    m_page->triggerAction(QWebEnginePage::Stop);
    emit finished(answer);
}
