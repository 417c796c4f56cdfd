#pragma once

#include "model/BookmarkTree.h"
#include "model/BrowserImport.h"

#include <QDialog>

#include <vector>

class CMyListView;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// File > Import > Firefox / Chromium-family bookmarks: the user picks one of the profiles found (or
// another profile folder) and ticks the folders to take. A file that cannot be read is said in the
// dialog, and OK stays off.
class CBrowserImportDialog : public QDialog
{
    Q_OBJECT

public:
    CBrowserImportDialog(BrowserFamily family, QWidget* parent = nullptr);

    // After OK: the bookmarks of the ticked folders (folders as read, so that paths stay whole).
    BookmarkTree ChosenBookmarks() const;

    // Reads a profile's bookmarks off the GUI thread (a copy of a large places.sqlite takes a while);
    // the folders appear when it is done.
    void ReadProfile(const QString& folder);
    bool Reading() const { return m_reading; }

    // Test hooks: the profile folders offered, and the tree of folders.
    QStringList OfferedFolders() const;
    QTreeWidget* FolderTree() const { return m_folders; }

private:
    void OnProfileChosen(int index);
    void OnOtherFolder();
    void OnItemChanged(QTreeWidgetItem* item);
    void FillFolders();
    void ShowRead(unsigned generation, Result<BookmarkTree> tree);

    BrowserFamily m_family;
    QComboBox* m_profiles;
    QTreeWidget* m_folders;
    QLabel* m_message;
    QDialogButtonBox* m_buttons;
    BookmarkTree m_tree;
    // One item per folder of m_tree, by index.
    std::vector<QTreeWidgetItem*> m_items;
    bool m_propagating = false;
    bool m_reading = false;
    // Counts the reads started, so that only the last one's result is shown.
    unsigned m_generation = 0;
};

// The dialog, then the import of what was chosen into the list. Returns the pages added, or -1 when
// cancelled or after the error was shown.
int ImportFromBrowser(BrowserFamily family, CMyListView& list, QWidget* parent);
