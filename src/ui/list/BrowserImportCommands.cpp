// The list view's import of browser bookmarks.
#include "ui/list/MyListView.h"

#include "model/BrowserImport.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "ui/widgets/MessageBox.h"

int CMyListView::ImportBrowserBookmarks(const BookmarkTree& tree)
{
    DuplicatePages duplicates = DuplicatePages::Add;
    if (CVigilPrefs::GetInstance().ReadInt(Pref::confirmDuplicates) != 0) {
        const size_t watched = CountAlreadyWatched(m_session.Doc(), tree, {});
        if (watched > 0
            && !MessageBox::AskYesNo(
                this,
                watched == 1
                    ? QStringLiteral("1 of these pages is already watched. Import it again?")
                    : QStringLiteral("%1 of these pages are already watched. Import them again?").arg(watched)))
            duplicates = DuplicatePages::Skip;
    }
    return RunImport([&](CSiteVigilDoc& doc) { return ImportBookmarkTree(doc, tree, {}, duplicates); });
}
