#include "ui/main/PanePage.h"

#include "ui/main/BrowserView.h"

#include <QCoreApplication>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace {

// One profile for every pane of the process, kept in memory only: nothing a page stores (cookies,
// storage, cache) outlives the program or is shared with any other browser of the user.
QWebEngineProfile* PaneProfile()
{
    static QWebEngineProfile* profile = new QWebEngineProfile(QCoreApplication::instance());
    return profile;
}

} // namespace

CPanePage::CPanePage(QObject* parent)
    : QWebEnginePage(PaneProfile(), parent)
{
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    s->setAttribute(QWebEngineSettings::AllowGeolocationOnInsecureOrigins, false);
    s->setDefaultTextEncoding(QStringLiteral("UTF-8"));
    AllowScripts(false);
}

void CPanePage::AllowScripts(bool allowed)
{
    settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, allowed);
    settings()->setAttribute(QWebEngineSettings::LocalStorageEnabled, allowed);
}

void CPanePage::PrepareFor(const QUrl& url)
{
    AllowScripts(!CBrowserView::IsLocal(url));
}

bool CPanePage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (!isMainFrame)
        return true;
    const bool local = CBrowserView::IsLocal(url);
    // A saved copy must not send its reader to the network (a refresh, a link), and a page from the
    // network must not get into the local files: only the program crosses that line.
    if (type != NavigationTypeTyped && !this->url().isEmpty() && local != CBrowserView::IsLocal(this->url()))
        return false;
    AllowScripts(!local);
    return true;
}

void CPanePage::javaScriptAlert(const QUrl&, const QString&) { }

bool CPanePage::javaScriptConfirm(const QUrl&, const QString&)
{
    return false;
}

bool CPanePage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*)
{
    return false;
}

QStringList CPanePage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&)
{
    // No page gets to pick the user's files.
    return {};
}
