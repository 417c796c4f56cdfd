#pragma once

#include <QString>
#include <QUrl>

#include <string>

class Curl;

// What the browser pane shows for a page: its file when there is one, otherwise a notice of the
// program's own that says why there is none (instead of the browser engine's "file not found").
struct PaneContent
{
    QUrl url; // empty when the notice is shown instead
    QString heading;
    QString text;
};

// The page's locally saved copy.
PaneContent SavedCopyContent(Curl& record);
// The page's differences report, written first; made is what writing it returned.
PaneContent DiffReportContent(Curl& record, bool made);
// The page's text differences view, written first; why says why it was not ("" when it was).
PaneContent TextDiffContent(Curl& record, const std::string& why);
