#include "fetch/UrlEngine.h"

#include "fetch/CurlSession.h"
#include "fetch/FetchTransfer.h"
#include "fetch/HttpHeaders.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "platform/Clock.h"
#include "platform/DebugLog.h"
#include "platform/UrlCracker.h"

#include <curl/curl.h>

#include <algorithm>

CUrlEngine::CUrlEngine()
{
    // Nothing is kept: the read stores "user" as the proxy user name when none was ever set.
    CVigilPrefs::GetInstance().ReadString(Pref::proxyUser.name, Pref::proxyUserAtConstruction);
}

CUrlEngine::~CUrlEngine() = default;

void CUrlEngine::setUserAgent(const std::string& userAgent)
{
    std::lock_guard lock(m_settingsMutex);
    m_userAgentOverride = userAgent;
}

void CUrlEngine::cancel()
{
    std::lock_guard lock(m_activeMutex);
    ++m_cancelGeneration;
    for (void* multi : m_activeWaits)
        curl_multi_wakeup(static_cast<CURLM*>(multi));
}

void CUrlEngine::loadSettings()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    // The setting is whole seconds; a negative one would wrap into a huge limit.
    const int seconds = std::max(0, prefs.ReadInt(Pref::connectTimeout));
    m_connectTimeout = static_cast<uint32_t>(std::min(seconds, 24 * 3600)) * 1000u;
    const int limit = std::clamp(prefs.ReadInt(Pref::fetchTimeLimit), 1, 24 * 3600);
    m_timeLimit = std::chrono::seconds(limit);
    m_userAgent = m_userAgentOverride.empty() ? prefs.ReadString(Pref::userAgent) : m_userAgentOverride;
    m_proxyUser = prefs.ReadString(Pref::proxyUser);
    m_proxyPassword = prefs.ReadString(Pref::proxyPassword);
    m_proxyName.clear();
    switch (prefs.ReadInt(Pref::proxyType)) {
    case 0:
        m_accessType = 0;
        break;
    case 2:
        m_accessType = 3;
        m_proxyName = prefs.ReadString(Pref::proxyServer) + ":" + std::to_string(prefs.ReadInt(Pref::proxyPort));
        break;
    default:
        m_accessType = 1;
        break;
    }
}

void CUrlEngine::loadHostLimits()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    m_hosts.SetLimits(prefs.ReadInt(Pref::hostConcurrency),
                      std::chrono::milliseconds(prefs.ReadInt(Pref::hostDelayMs)));
}

void CUrlEngine::setSilenceLimit(std::chrono::milliseconds limit)
{
    std::lock_guard lock(m_settingsMutex);
    m_silenceLimit = limit;
}

void CUrlEngine::setCaFile(const std::string& path)
{
    std::lock_guard lock(m_settingsMutex);
    m_caFile = path;
}

namespace {

FetchOutcome RequestFailure(std::string message)
{
    FetchOutcome outcome;
    outcome.failure = FetchFailure::Request;
    outcome.detail = std::move(message);
    return outcome;
}

} // namespace

FetchOutcome CUrlEngine::fetch(const CurlSettings& page, IFetchProgress* progress, const Validators& conditional)
{
    FetchSettings settings;
    {
        std::lock_guard lock(m_settingsMutex);
        loadSettings();
        settings.accessType = m_accessType;
        settings.proxyName = m_proxyName;
        settings.proxyUser = m_proxyUser;
        settings.proxyPassword = m_proxyPassword;
        settings.userAgent = m_userAgent;
        settings.timeLimit = m_timeLimit;
        settings.resolveTimeout = m_resolveTimeout;
        settings.connectTimeout = m_connectTimeout;
        settings.sendTimeout = m_sendTimeout;
        settings.receiveTimeout = m_receiveTimeout;
        settings.verb = m_verb;
        settings.refresh = (m_requestFlags & kFlagRefresh) != 0;
        settings.silenceLimit = m_silenceLimit;
        settings.caFile = m_caFile;
    }
    // Only values that cannot break the request go out; settings.conditional is then what was sent.
    if (HttpHeaders::IsAcceptableValidator(conditional.etag))
        settings.conditional.etag = conditional.etag;
    if (HttpHeaders::IsAcceptableValidator(conditional.lastModified))
        settings.conditional.lastModified = conditional.lastModified;
    settings.maxBodySize = kMaxBodySize;
    settings.maxHeaderSize = kMaxHeaderSize;
    settings.maxRepeatedRequests = kMaxRepeatedRequests;

    const Result<CCurlSession*> opened = openSession();
    if (!opened)
        return RequestFailure(opened.error().message);
    CCurlSession* session = *opened;
    const Result<CrackedUrl> cracked = CrackUrl(page.m_strURL);
    if (!cracked) {
        // Nothing to connect to: the download fails at once rather than waiting for a time-out.
        reportError("httpConnect called with an address that cannot be parsed", page.m_strURL);
        return RequestFailure(curl_easy_strerror(CURLE_URL_MALFORMAT));
    }
    const CrackedUrl& parts = *cracked;
    std::string url = (parts.scheme == "https" ? "https://" : "http://") + parts.host + ":" + std::to_string(parts.port)
        + (parts.path.empty() ? std::string("/") : parts.path);

    const std::string host = CHostGate::HostKeyOf(page.m_strURL);
    CURLM* multi = session->AcquireMulti(host);
    if (!multi) {
        reportError("createUserCancelEvent", curl_multi_strerror(CURLM_OUT_OF_MEMORY));
        return RequestFailure(curl_multi_strerror(CURLM_OUT_OF_MEMORY));
    }
    CancelWatch cancel;
    cancel.generation = &m_cancelGeneration;
    {
        // Taking the generation and joining the wake-up list together: a cancel either sees this
        // fetch or happened before it started.
        std::lock_guard lock(m_activeMutex);
        cancel.startGeneration = m_cancelGeneration.load();
        m_activeWaits.push_back(multi);
    }
    FetchOutcome outcome;
    {
        CFetchTransfer transfer(
            page, std::move(url), *session, settings, multi, cancel,
            [this](const std::string& step, const std::string& text) { reportError(step, text); }, outcome, progress);
        transfer.Run();
    }
    {
        std::lock_guard lock(m_activeMutex);
        m_activeWaits.erase(std::find(m_activeWaits.begin(), m_activeWaits.end(), multi));
    }
    session->ReleaseMulti(multi, host);
    // The host's own word on when to come back holds it back for everyone; without one, a 429 backs
    // it off a little longer each time.
    if (outcome.failure == FetchFailure::HostBusy) {
        const int64_t now = Clock::Now();
        if (outcome.retryAt == 0)
            outcome.retryAt = now + m_hosts.BackOff(host, now).count();
        else
            m_hosts.HoldFor(host, std::chrono::seconds(outcome.retryAt - now), outcome.retryAt);
    } else if (outcome.httpStatus != 0) {
        m_hosts.Answered(host);
    }
    return outcome;
}

Result<CCurlSession*> CUrlEngine::openSession()
{
    std::lock_guard lock(m_sessionMutex);
    if (m_session)
        return m_session.get();
    Result<std::unique_ptr<CCurlSession>> opened = CCurlSession::Open();
    if (!opened) {
        reportError("session open failed", opened.error().message);
        return opened.error();
    }
    m_session = std::move(*opened);
    return m_session.get();
}

void CUrlEngine::reportError(const std::string& step, const std::string& systemText) const
{
    DebugReport(step, systemText);
}
