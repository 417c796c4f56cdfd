#include "ui/main/BrowserView.h"

#include "ui/main/PanePage.h"

#include <QFileInfo>

CBrowserView::CBrowserView(QWidget* parent)
    : QWebEngineView(parent)
{
    setPage(new CPanePage(this));
}

bool CBrowserView::IsLocal(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isLocalFile() || scheme == QLatin1String("qrc") || scheme == QLatin1String("data")
        || scheme == QLatin1String("about") || scheme.isEmpty();
}

void CBrowserView::ShowPage(const QString& pathOrUrl)
{
    if (pathOrUrl.startsWith(QLatin1Char('/')))
        ShowUrl(QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath()));
    else
        ShowUrl(QUrl(pathOrUrl));
}

void CBrowserView::ShowUrl(const QUrl& url)
{
    static_cast<CPanePage*>(page())->PrepareFor(url);
    setUrl(url);
}

void CBrowserView::ShowNotice(const QString& heading, const QString& text)
{
    // Both texts may come from a page or the network (a name, an error): they are escaped here.
    const QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                                        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                                        "style-src 'unsafe-inline'\">"
                                        "<style>body{font-family:sans-serif;margin:2em;line-height:1.5;"
                                        "color-scheme:light dark}h1{font-size:1.3em;font-weight:600}"
                                        "p{white-space:pre-wrap;max-width:40em}</style></head>"
                                        "<body><h1>%1</h1><p>%2</p></body></html>")
                             .arg(heading.toHtmlEscaped(), text.toHtmlEscaped());
    static_cast<CPanePage*>(page())->PrepareFor(QUrl(QStringLiteral("about:blank")));
    setHtml(html, QUrl(QStringLiteral("about:blank")));
}
