#pragma once

#include <QUrl>
#include <QWebEngineView>

#include <optional>

// The embedded browser of the lower pane. It shows strangers' pages, also from local files (saved
// copies, reports, the update log). Local files are shown as documents only: no scripts, no storage,
// no way to reach any other local file or to leave for the network on their own. Pages from the
// internet may run their scripts, but their alerts and questions never stop the program. Pages that
// declare no character set are read as UTF-8, the encoding the program saves and writes.
class CBrowserView : public QWebEngineView
{
    Q_OBJECT
public:
    explicit CBrowserView(QWidget* parent = nullptr);

    // A local path is shown as a file; anything else is taken as an address.
    void ShowPage(const QString& pathOrUrl);
    void ShowUrl(const QUrl& url);
    // Shows a page of the program's own, made from plain text: a heading and an explanation. It is drawn
    // in the colours of the window's palette, and again when the palette changes.
    void ShowNotice(const QString& heading, const QString& text);

    // Files, the program's resources and its own notices: shown without scripts.
    static bool IsLocal(const QUrl& url);

protected:
    void changeEvent(QEvent* event) override;

private:
    void LoadNotice();

    struct Notice
    {
        QString heading;
        QString text;
    };
    std::optional<Notice> m_notice; // the notice on show, if it is one
};
