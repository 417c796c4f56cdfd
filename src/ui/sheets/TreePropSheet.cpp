#include "ui/sheets/TreePropSheet.h"

#include "ui/sheets/PropertyPage.h"
#include "ui/widgets/PlainText.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kTreeWidth = 150;
constexpr int kPageRole = Qt::UserRole;
constexpr int kNoPage = -1;

} // namespace

CTreePropSheet::CTreePropSheet(const QString& title, QWidget* parent)
    : QDialog(parent)
    , m_tree(new QTreeWidget(this))
    , m_caption(MakePlain(new QLabel(this)))
    , m_stack(new QStackedWidget(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(title);
    m_tree->setFixedWidth(kTreeWidth);
    m_tree->header()->hide();
    m_tree->setRootIsDecorated(true);
    m_tree->setIndentation(14);

    // The caption bar above the page, as a framed, bold title.
    m_caption->setFrameShape(QFrame::StyledPanel);
    m_caption->setMargin(4);
    QFont font = m_caption->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    m_caption->setFont(font);
    m_caption->setAutoFillBackground(true);
    m_caption->setBackgroundRole(QPalette::AlternateBase);

    auto* right = new QVBoxLayout;
    right->addWidget(m_caption);
    right->addWidget(m_stack, 1);
    auto* body = new QHBoxLayout;
    body->addWidget(m_tree);
    body->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &CTreePropSheet::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CTreePropSheet::reject);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CTreePropSheet::OnTreeSelection);
    connect(m_tree, &QTreeWidget::itemExpanded, this, [this] { UpdateNodeIcons(); });
    connect(m_tree, &QTreeWidget::itemCollapsed, this, [this] { UpdateNodeIcons(); });

    // Page order, as tabs would switch, from anywhere in the sheet.
    const auto step = [this](int delta) {
        if (m_pages.empty())
            return;
        const int count = PageCount();
        SetActivePage(((m_active < 0 ? 0 : m_active) + delta + count) % count);
    };
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::Key_PageDown), QKeySequence(Qt::CTRL | Qt::Key_Tab)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, [step] { step(1); });
    for (const QKeySequence& key :
         {QKeySequence(Qt::CTRL | Qt::Key_PageUp), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, [step] { step(-1); });
}

CTreePropSheet::~CTreePropSheet() = default;

QStringList CTreePropSheet::SplitCaption(const QString& caption)
{
    QStringList segments;
    QString segment;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption.at(i);
        if (c == u'\\' && caption.mid(i + 1, 2) == QLatin1String("::")) {
            segment += QLatin1String("::");
            i += 2;
        } else if (c == u'\\' && i + 1 < caption.size() && caption.at(i + 1) == u'\\') {
            segment += u'\\';
            i += 1;
        } else if (c == u':' && i + 1 < caption.size() && caption.at(i + 1) == u':') {
            segments.append(segment);
            segment.clear();
            i += 1;
        } else {
            segment += c;
        }
    }
    segments.append(segment);
    return segments;
}

QTreeWidgetItem* CTreePropSheet::ParentNode(const QStringList& path)
{
    QTreeWidgetItem* parent = m_tree->invisibleRootItem();
    for (const QString& name : path) {
        QTreeWidgetItem* found = nullptr;
        for (int i = 0; i < parent->childCount() && !found; ++i) {
            QTreeWidgetItem* child = parent->child(i);
            // A group may be a page of its own ("Notifications" over "Notifications::Sound").
            if (child->text(0) == name)
                found = child;
        }
        if (!found) {
            found = new QTreeWidgetItem(parent, QStringList(name));
            found->setData(0, kPageRole, kNoPage);
            found->setExpanded(true);
        }
        parent = found;
    }
    return parent;
}

void CTreePropSheet::AddPage(CPropertyPage* page)
{
    QStringList path = SplitCaption(page->Caption());
    const QString name = path.takeLast();
    QTreeWidgetItem* parent = ParentNode(path);
    // A page named as a group added before it becomes that group's own page, wherever it is added.
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < parent->childCount() && !item; ++i) {
        QTreeWidgetItem* child = parent->child(i);
        if (child->text(0) == name && child->data(0, kPageRole).toInt() == kNoPage)
            item = child;
    }
    if (!item)
        item = new QTreeWidgetItem(parent, QStringList(name));
    item->setData(0, kPageRole, PageCount());
    item->setIcon(0, page->Icon());
    // The pane is narrow; a long name shows whole in its tip.
    item->setToolTip(0, name);
    page->m_sheet = this;
    m_pages.push_back(page);
    m_pageItems.push_back(item);
    m_stack->addWidget(page);
    page->LoadControls();
    m_tree->expandAll();
    // The whole name of every page shows ("Watch part of page", not "Watch part of p...").
    m_tree->resizeColumnToContents(0);
    m_tree->setFixedWidth(std::max(kTreeWidth, m_tree->columnWidth(0) + 2 * m_tree->frameWidth() + 4));
    UpdateNodeIcons();
    if (m_active < 0)
        m_tree->setCurrentItem(item);
}

void CTreePropSheet::SetDefaultImages(const QIcon& closed, const QIcon& open)
{
    m_defaultClosed = closed;
    m_defaultOpen = open;
    UpdateNodeIcons();
}

void CTreePropSheet::UpdateNodeIcons()
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if ((*it)->data(0, kPageRole).toInt() == kNoPage)
            (*it)->setIcon(0, (*it)->isExpanded() ? m_defaultOpen : m_defaultClosed);
    }
}

int CTreePropSheet::PageOfItem(QTreeWidgetItem* item) const
{
    // A node without a page of its own stands for its first page below it.
    while (item) {
        const int index = item->data(0, kPageRole).toInt();
        if (index != kNoPage)
            return index;
        item = item->childCount() > 0 ? item->child(0) : nullptr;
    }
    return kNoPage;
}

QTreeWidgetItem* CTreePropSheet::ItemOfPage(int index) const
{
    return index >= 0 && index < PageCount() ? m_pageItems[index] : nullptr;
}

CPropertyPage* CTreePropSheet::ActivePage() const
{
    return m_active >= 0 ? m_pages[m_active] : nullptr;
}

QPushButton* CTreePropSheet::OkButton() const
{
    return m_buttons->button(QDialogButtonBox::Ok);
}

QString CTreePropSheet::CaptionText() const
{
    return m_caption->text();
}

bool CTreePropSheet::SetActivePage(int index)
{
    QTreeWidgetItem* item = ItemOfPage(index);
    if (!item)
        return false;
    m_tree->setCurrentItem(item);
    return m_active == index;
}

void CTreePropSheet::OnTreeSelection(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (m_reverting || !current)
        return;
    const int index = PageOfItem(current);
    if (index != m_active && m_active >= 0 && !m_pages[m_active]->OnKillActive()) {
        // The page refused to be left (a field holds a bad value): keep the user on it.
        m_reverting = true;
        m_tree->setCurrentItem(previous ? previous : ItemOfPage(m_active));
        m_reverting = false;
        return;
    }
    m_caption->setText(current->text(0));
    if (index != m_active)
        ShowPage(index);
}

void CTreePropSheet::ShowPage(int index)
{
    m_active = index;
    if (index == kNoPage)
        return;
    m_stack->setCurrentWidget(m_pages[index]);
    m_pages[index]->OnSetActive();
}

bool CTreePropSheet::CommitActivePage()
{
    CPropertyPage* page = ActivePage();
    return !page || page->OnKillActive();
}

void CTreePropSheet::accept()
{
    if (!OkButton()->isEnabled() || !CommitActivePage())
        return;
    for (CPropertyPage* page : m_pages)
        page->OnOK();
    OnSheetOK();
    QDialog::accept();
}

void CTreePropSheet::reject()
{
    for (CPropertyPage* page : m_pages)
        page->OnCancel();
    QDialog::reject();
}
