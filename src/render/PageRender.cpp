#include "render/PageRender.h"

#include "fetch/UrlEngine.h"
#include "platform/ProcessTree.h"
#include "render/PageScripts.h"

#include <QAuthenticator>
#include <QPointer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

#include <csignal>

namespace {

// Schemes a page may load from or go to; everything else (file:, custom schemes of other programs,
// the engine's own pages) is refused.
bool IsWebScheme(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("data")
        || scheme == QLatin1String("blob") || scheme == QLatin1String("about");
}

// How often the page is asked again while its requests are in flight, and how often its renderer's
// memory is looked at.
constexpr int kHoldMs = 100;
constexpr int kMemoryWatchMs = 100;

// The engine's words when a page asks for a local file, be it as an image or as the page to go to.
const QString kRefusedLocal = QStringLiteral("Not allowed to load local resource: ");

// The main document's status as a download names it.
FetchFailure StatusFailure(int status)
{
    switch (status) {
    case 404:
        return FetchFailure::NotFound;
    case 502:
        return FetchFailure::BadGateway;
    case 401:
        return FetchFailure::AuthFailed;
    case 407:
        return FetchFailure::ProxyAuthFailed;
    default:
        return FetchFailure::HttpStatus;
    }
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
    std::function<void(const QString&)> onConsole;

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
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int, const QString&) override
    {
        if (onConsole)
            onConsole(message);
    }
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
    // Another program's scheme (mailto:, custom ones) is never handed to the desktop; going there ends
    // the load, which the render names.
    settings->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);

    m_page = new CRenderPage(m_profile, this);
    m_page->setAudioMuted(true);
    m_page->onConsole = [this](const QString& message) { onConsoleMessage(message); };
    QWebEngineScript counter;
    counter.setName(QStringLiteral("requests in flight"));
    counter.setSourceCode(PageScripts::CountRequestsInFlight());
    counter.setInjectionPoint(QWebEngineScript::DocumentCreation);
    counter.setWorldId(QWebEngineScript::MainWorld);
    counter.setRunsOnSubFrames(false);
    m_page->scripts().insert(counter);
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
    // The end of a load is taken from its loading information, which carries the main document's
    // status (loadFinished comes before it, without the status).
    connect(m_page, &QWebEnginePage::loadingChanged, this, &CPageRender::onLoadingChanged);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus, int) { fail(FetchFailure::PageCrashed); });

    m_quiet.setSingleShot(true);
    m_quiet.setInterval(static_cast<int>(m_request.waitMs));
    connect(&m_quiet, &QTimer::timeout, this, &CPageRender::onQuiet);
    m_memory.setInterval(kMemoryWatchMs);
    connect(&m_memory, &QTimer::timeout, this, &CPageRender::watchMemory);
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
    if (m_request.memoryLimitMB > 0)
        m_memory.start();
    m_page->load(url);
}

void CPageRender::abort()
{
    fail(FetchFailure::Cancelled);
}

void CPageRender::onRequestStarted()
{
    // Network activity after the load puts the settling back to its start.
    ++m_requestsStarted;
    if (m_loaded && m_quiet.isActive() && !m_holding)
        m_quiet.start();
}

void CPageRender::onConsoleMessage(const QString& message)
{
    if (message.startsWith(kRefusedLocal) && m_refusedLocal.size() < 100)
        m_refusedLocal.append(message.mid(kRefusedLocal.size()));
}

void CPageRender::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (m_answered)
        return;
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        // A new document (a redirect by script, a reload): the settling starts again after it.
        m_loaded = false;
        m_holding = false;
        m_quiet.stop();
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        break;
    }
    if (m_page->leftTheWeb || !IsWebScheme(info.url().scheme())) {
        fail(FetchFailure::NavigationRefused);
        return;
    }
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
        m_httpStatus = info.errorCode();
    if (m_httpStatus >= 400) {
        RenderAnswer answer;
        answer.httpStatus = m_httpStatus;
        answer.failure = StatusFailure(m_httpStatus);
        finish(std::move(answer));
        return;
    }
    if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
        const QString words = info.errorString();
        fail(FetchFailure::Request, words.isEmpty() ? QStringLiteral("The page could not be loaded") : words);
        return;
    }
    // Succeeded, or stopped by the page itself: its document is what it is.
    m_loaded = true;
    m_holding = false;
    m_quiet.setInterval(static_cast<int>(m_request.waitMs));
    m_quiet.start();
}

void CPageRender::onQuiet()
{
    if (m_answered || m_asked)
        return;
    // Nothing new started; the page may still wait for answers to what it asked before.
    m_asked = true;
    const uint64_t started = m_requestsStarted;
    m_page->runJavaScript(PageScripts::RequestsInFlight(), QWebEngineScript::MainWorld,
                          [this, started, alive = QPointer<CPageRender>(this)](const QVariant& count) {
                              if (!alive || m_answered)
                                  return;
                              m_asked = false;
                              if (count.toInt() > 0) {
                                  m_holding = true;
                                  m_quiet.setInterval(kHoldMs);
                                  m_quiet.start();
                              } else if (m_holding || m_requestsStarted != started) {
                                  // The last answer came just now: the network is quiet from here.
                                  m_holding = false;
                                  m_quiet.setInterval(static_cast<int>(m_request.waitMs));
                                  m_quiet.start();
                              } else {
                                  checkRefusedAddresses();
                              }
                          });
}

void CPageRender::checkRefusedAddresses()
{
    if (m_refusedLocal.isEmpty()) {
        takeDocument();
        return;
    }
    // A local image or frame the engine left out is the page's own loss; a local address the page
    // tried to go to is not a page to compare.
    m_asked = true;
    m_page->runJavaScript(PageScripts::AllAreResources(m_refusedLocal), QWebEngineScript::ApplicationWorld,
                          [this, alive = QPointer<CPageRender>(this)](const QVariant& resources) {
                              if (!alive || m_answered)
                                  return;
                              m_asked = false;
                              if (!resources.toBool()) {
                                  fail(FetchFailure::NavigationRefused);
                                  return;
                              }
                              takeDocument();
                          });
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

void CPageRender::watchMemory()
{
    const qint64 renderer = m_page->renderProcessPid();
    if (renderer <= 0)
        return;
    const size_t limit = size_t(m_request.memoryLimitMB) * 1024 * 1024;
    if (ProcessTreeResidentBytes(static_cast<pid_t>(renderer)) <= limit)
        return;
    // A page that allocates without end is stopped at its ceiling, before it takes the machine.
    ::kill(static_cast<pid_t>(renderer), SIGKILL);
    fail(FetchFailure::PageCrashed,
         QStringLiteral("the page used more than %1 MB of memory").arg(m_request.memoryLimitMB));
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
    m_memory.stop();
    answer.id = m_request.id;
    // The page stops here: nothing it still runs reaches the next page.
    m_page->triggerAction(QWebEnginePage::Stop);
    emit finished(answer);
}
