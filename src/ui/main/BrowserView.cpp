#include "ui/main/BrowserView.h"

#include "ui/main/PanePage.h"
#include "ui/widgets/Colours.h"

#include <QEvent>
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
    m_notice.reset();
    static_cast<CPanePage*>(page())->PrepareFor(url);
    setUrl(url);
}

void CBrowserView::ShowNotice(const QString& heading, const QString& text)
{
    m_notice = Notice{heading, text};
    LoadNotice();
}

void CBrowserView::changeEvent(QEvent* event)
{
    QWebEngineView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_notice)
        LoadNotice();
}

void CBrowserView::LoadNotice()
{
    // The page takes the window's colours rather than the engine's: the engine learns the desktop's
    // preference only when it starts, the palette follows it while the program runs. The heading has
    // the guide's colour, lightened on a dark background.
    const QPalette& colours = palette();
    const bool dark = Colours::IsDark(colours);
    const QString style = QStringLiteral("body{font-family:sans-serif;margin:2em;line-height:1.5;color-scheme:%1;"
                                         "background:%2;color:%3}h1{font-size:1.3em;font-weight:600;color:%4}"
                                         "p{white-space:pre-wrap;max-width:40em}")
                              .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"),
                                   colours.color(QPalette::Active, QPalette::Base).name(),
                                   colours.color(QPalette::Active, QPalette::Text).name(),
                                   dark ? QStringLiteral("#a9b6ee") : QStringLiteral("#3b4a8c"));
    // Both texts may come from a page or the network (a name, an error): they are escaped here.
    const QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                                        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                                        "style-src 'unsafe-inline'\">"
                                        "<style>%3</style></head>"
                                        "<body><h1>%1</h1><p>%2</p></body></html>")
                             .arg(m_notice->heading.toHtmlEscaped(), m_notice->text.toHtmlEscaped(), style);
    static_cast<CPanePage*>(page())->PrepareFor(QUrl(QStringLiteral("about:blank")));
    setHtml(html, QUrl(QStringLiteral("about:blank")));
}
