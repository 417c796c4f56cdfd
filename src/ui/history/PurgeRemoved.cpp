#include "ui/history/PurgeRemoved.h"

#include "check/PageFiles.h"
#include "check/RemovedPages.h"
#include "ui/widgets/MessageBox.h"

namespace {
QString Kilobytes(unsigned long long bytes)
{
    return QString::number((bytes + 1023) / 1024);
}
} // namespace

void PurgeRemovedPagesAsked(QWidget* parent)
{
    const std::string pages = GetPagesFolder();
    const PurgeCount kept = CountRemovedPages(pages);
    if (kept.pages == 0) {
        MessageBox::Information(parent, QStringLiteral("No files of removed pages are kept."));
        return;
    }
    if (!MessageBox::AskYesNo(parent,
                              QStringLiteral("Delete the files of %1 removed page(s) (%2 KB) for good?")
                                  .arg(kept.pages)
                                  .arg(Kilobytes(kept.bytes))))
        return;
    const Result<PurgeCount> purged = PurgeRemovedPages(pages);
    if (!purged) {
        MessageBox::Warning(parent, QString::fromStdString(purged.error().message));
        return;
    }
    MessageBox::Information(parent,
                            QStringLiteral("Deleted the files of %1 removed page(s) (%2 KB).")
                                .arg(purged->pages)
                                .arg(Kilobytes(purged->bytes)));
}
