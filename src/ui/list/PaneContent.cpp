#include "ui/list/PaneContent.h"

#include "check/TextDiffReport.h"

#include "check/PageFiles.h"
#include "model/UrlRecord.h"

#include <QFileInfo>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// Why a page has no saved copy, from what its record says of its checks.
QString NoCopyReason(const Curl& record)
{
    if (!record.m_bSavePage)
        return QStringLiteral("Copies of this page are not kept. To keep them, tick \"Save page to disk\" "
                              "on the Capture page of its properties.");
    if (record.m_nChecks == 0)
        return QStringLiteral("This page has not been checked yet. Check it with Url > Check for changes, "
                              "or check all pages with F5.");
    if (!record.GetComplete())
        return QStringLiteral("The last check of this page failed, so there is no copy of it yet:\n")
            + Text(record.GetError());
    return QStringLiteral("There is no saved copy of this page yet; the next check will make one.");
}

PaneContent FileOrNotice(const std::string& path, const QString& heading, const QString& reason)
{
    const QString file = Text(path);
    if (!file.isEmpty() && QFileInfo(file).isFile())
        return {QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()), {}, {}};
    return {{}, heading, reason};
}

} // namespace

PaneContent SavedCopyContent(Curl& record)
{
    return FileOrNotice(GetSavedPagePath(record), Text(record.GetName()), NoCopyReason(record));
}

PaneContent DiffReportContent(Curl& record, bool made)
{
    const QString heading = Text(record.GetName());
    if (!made) {
        const QFileInfo copy(Text(GetSavedPagePath(record)));
        return {{},
                heading,
                copy.isFile() ? QStringLiteral("The differences report of this page could not be written.")
                              : NoCopyReason(record)};
    }
    return FileOrNotice(GetDiffsPath(record), heading, QStringLiteral("The differences report could not be read."));
}

PaneContent TextDiffContent(Curl& record, const std::string& why)
{
    const QString heading = Text(record.GetName());
    if (!why.empty())
        return {{}, heading, Text(why)};
    return FileOrNotice(TextDiffsPathAt(GetFileBase(record)), heading,
                        QStringLiteral("The text differences could not be read."));
}
