#include "ui/list/BrowserImportDialog.h"

#include "ui/list/MyListView.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <thread>

namespace {

const char* FamilyName(BrowserFamily family)
{
    return family == BrowserFamily::Firefox ? "Firefox" : "Chromium, Chrome, Brave, Vivaldi or Edge";
}

} // namespace

CBrowserImportDialog::CBrowserImportDialog(BrowserFamily family, QWidget* parent)
    : QDialog(parent)
    , m_family(family)
    , m_profiles(new QComboBox(this))
    , m_folders(new QTreeWidget(this))
    , m_message(new QLabel(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(family == BrowserFamily::Firefox ? QStringLiteral("Import Firefox Bookmarks")
                                                    : QStringLiteral("Import Chromium-family Bookmarks"));
    auto* other = new QPushButton(QStringLiteral("Other profile folder..."), this);
    auto* profileRow = new QHBoxLayout;
    auto* profileLabel = new QLabel(QStringLiteral("&Profile:"), this);
    profileLabel->setBuddy(m_profiles);
    profileRow->addWidget(profileLabel);
    profileRow->addWidget(m_profiles, 1);
    profileRow->addWidget(other);

    m_folders->setHeaderLabels({QStringLiteral("Folder"), QStringLiteral("Bookmarks")});
    m_folders->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_folders->header()->setStretchLastSection(false);
    // Names come from a file: shown as they are, never as rich text.
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(profileRow);
    layout->addWidget(new QLabel(QStringLiteral("Pages are made of the web bookmarks in the ticked folders; each "
                                                "page's description is its folder."),
                                 this));
    layout->addWidget(m_folders, 1);
    layout->addWidget(m_message);
    layout->addWidget(m_buttons);
    resize(560, 460);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(other, &QPushButton::clicked, this, &CBrowserImportDialog::OnOtherFolder);
    connect(m_folders, &QTreeWidget::itemChanged, this, &CBrowserImportDialog::OnItemChanged);

    int defaultIndex = 0;
    for (const BrowserProfile& profile : FindProfiles(family)) {
        m_profiles->addItem(QString::fromStdString(profile.Label()), QString::fromStdString(profile.folder));
        if (profile.isDefault && defaultIndex == 0)
            defaultIndex = m_profiles->count() - 1;
    }
    m_profiles->setCurrentIndex(m_profiles->count() > 0 ? defaultIndex : -1);
    connect(m_profiles, &QComboBox::currentIndexChanged, this, &CBrowserImportDialog::OnProfileChosen);
    if (m_profiles->count() > 0) {
        OnProfileChosen(m_profiles->currentIndex());
    } else {
        m_message->setText(QStringLiteral("No %1 profile with bookmarks was found. Choose the profile folder with "
                                          "\"Other profile folder...\".")
                               .arg(FamilyName(family)));
        m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    }
}

QStringList CBrowserImportDialog::OfferedFolders() const
{
    QStringList folders;
    for (int i = 0; i < m_profiles->count(); ++i)
        folders << m_profiles->itemData(i).toString();
    return folders;
}

void CBrowserImportDialog::OnProfileChosen(int index)
{
    if (index >= 0)
        ReadProfile(m_profiles->itemData(index).toString());
}

void CBrowserImportDialog::OnOtherFolder()
{
    const QString folder
        = QFileDialog::getExistingDirectory(this, QStringLiteral("%1 profile folder").arg(FamilyName(m_family)));
    if (folder.isEmpty())
        return;
    m_profiles->blockSignals(true);
    m_profiles->addItem(folder, folder);
    m_profiles->setCurrentIndex(m_profiles->count() - 1);
    m_profiles->blockSignals(false);
    ReadProfile(folder);
}

void CBrowserImportDialog::ReadProfile(const QString& folder)
{
    const unsigned generation = ++m_generation;
    m_reading = true;
    m_tree = {};
    FillFolders();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    m_message->setText(QStringLiteral("Reading the bookmarks in %1...").arg(folder));
    // The worker owns only its arguments; the result comes back through the application's event loop
    // and is dropped when the dialog has gone meanwhile.
    std::thread([family = m_family, path = folder.toStdString(), generation, self = QPointer(this)]() mutable {
        Result<BookmarkTree> tree = ReadBrowserBookmarks(family, path);
        QMetaObject::invokeMethod(
            qApp,
            [self = std::move(self), generation, tree = std::move(tree)]() mutable {
                if (self)
                    self->ShowRead(generation, std::move(tree));
            },
            Qt::QueuedConnection);
    }).detach();
}

void CBrowserImportDialog::ShowRead(unsigned generation, Result<BookmarkTree> tree)
{
    if (generation != m_generation)
        return; // another profile was picked meanwhile
    m_reading = false;
    if (tree) {
        m_tree = std::move(*tree);
        m_message->setText(m_tree.bookmarks.empty() ? QStringLiteral("This profile holds no bookmarks.") : QString());
    } else {
        m_tree = {};
        m_message->setText(QString::fromStdString(tree.error().message + "; nothing can be imported from it."));
    }
    FillFolders();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!m_tree.bookmarks.empty());
}

void CBrowserImportDialog::FillFolders()
{
    m_propagating = true;
    m_folders->clear();
    m_items.clear();
    std::vector<int> counts(m_tree.folders.size(), 0);
    for (const BookmarkTree::Bookmark& bookmark : m_tree.bookmarks) {
        if (bookmark.folder >= 0 && bookmark.folder < static_cast<int>(counts.size()))
            ++counts[bookmark.folder];
    }
    for (size_t i = 0; i < m_tree.folders.size(); ++i) {
        const int parent = m_tree.folders[i].parent;
        auto* item = parent >= 0 && parent < static_cast<int>(i) ? new QTreeWidgetItem(m_items[parent])
                                                                 : new QTreeWidgetItem(m_folders);
        item->setText(0, QString::fromStdString(m_tree.folders[i].name));
        item->setText(1, QString::number(counts[i]));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        m_items.push_back(item);
    }
    m_folders->expandToDepth(0);
    m_propagating = false;
}

void CBrowserImportDialog::OnItemChanged(QTreeWidgetItem* item)
{
    if (m_propagating)
        return;
    // Ticking a folder ticks the folders below it; each can be unticked on its own afterwards.
    m_propagating = true;
    std::vector<QTreeWidgetItem*> below = {item};
    while (!below.empty()) {
        QTreeWidgetItem* at = below.back();
        below.pop_back();
        for (int i = 0; i < at->childCount(); ++i) {
            at->child(i)->setCheckState(0, item->checkState(0));
            below.push_back(at->child(i));
        }
    }
    m_propagating = false;
}

BookmarkTree CBrowserImportDialog::ChosenBookmarks() const
{
    BookmarkTree chosen;
    chosen.folders = m_tree.folders;
    for (const BookmarkTree::Bookmark& bookmark : m_tree.bookmarks) {
        if (bookmark.folder >= 0 && bookmark.folder < static_cast<int>(m_items.size())
            && m_items[bookmark.folder]->checkState(0) == Qt::Checked)
            chosen.bookmarks.push_back(bookmark);
    }
    return chosen;
}

int ImportFromBrowser(BrowserFamily family, CMyListView& list, QWidget* parent)
{
    CBrowserImportDialog dialog(family, parent);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return list.ImportBrowserBookmarks(dialog.ChosenBookmarks());
}
