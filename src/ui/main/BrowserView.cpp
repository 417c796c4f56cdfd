#include "ui/main/BrowserView.h"

#include <QFileInfo>
#include <QWebEngineSettings>

CBrowserView::CBrowserView(QWidget* parent)
    : QWebEngineView(parent)
{
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setDefaultTextEncoding(QStringLiteral("UTF-8"));
}

void CBrowserView::ShowPage(const QString& pathOrUrl)
{
    if (pathOrUrl.startsWith(QLatin1Char('/')))
        setUrl(QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath()));
    else
        setUrl(QUrl(pathOrUrl));
}
