#pragma once

#include <QWebEngineView>

// The embedded browser of the lower pane. It shows strangers' pages, also from local files (saved
// copies, reports, the update log): those must not reach any other local file. Pages that declare
// no character set are read as UTF-8, the encoding the program saves and writes.
class CBrowserView : public QWebEngineView
{
    Q_OBJECT
public:
    explicit CBrowserView(QWidget* parent = nullptr);

    // A local path is shown as a file; anything else is taken as an address.
    void ShowPage(const QString& pathOrUrl);
};
