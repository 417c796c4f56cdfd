#pragma once

#include <QDialog>
#include <QIcon>
#include <QStringList>
#include <vector>

class CPropertyPage;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

// A property sheet whose pages are listed in a tree on the left instead of tabs. A page caption
// "A::B" puts page B below a node A shared by every page whose caption starts with "A::". The
// selected page's caption is shown above it. A node without a page of its own shows its first
// child's page. Buttons: OK and Cancel; values are stored only by OK.
class CTreePropSheet : public QDialog
{
    Q_OBJECT
public:
    explicit CTreePropSheet(const QString& title, QWidget* parent = nullptr);
    ~CTreePropSheet() override;

    // Pages in the order added; the sheet owns them. A page shows its values when added and the
    // first page becomes the active one, so values must be loaded before a page is added.
    void AddPage(CPropertyPage* page);
    // Images for nodes that have no page of their own (closed and open).
    void SetDefaultImages(const QIcon& closed, const QIcon& open);

    int PageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* Page(int index) const { return m_pages.at(index); }
    CPropertyPage* ActivePage() const;
    // Moves to the page, as a click on its node would (the current page may refuse to be left).
    bool SetActivePage(int index);
    // The OK button, which pages may enable or disable.
    QPushButton* OkButton() const;
    QTreeWidget* Tree() const { return m_tree; }
    QString CaptionText() const;

    // Splits a caption at every "::" into path segments: "\::" is a literal "::" and "\\" one backslash.
    static QStringList SplitCaption(const QString& caption);

public slots:
    void accept() override;
    void reject() override;

protected:
    // Takes the values of the page being shown; false when it refuses (the user stays on it).
    bool CommitActivePage();
    // OK was pressed and every page has taken its values: store them. The sheet then closes.
    virtual void OnSheetOK() { }

private:
    void OnTreeSelection(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    QTreeWidgetItem* ParentNode(const QStringList& path);
    int PageOfItem(QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemOfPage(int index) const;
    void ShowPage(int index);
    void UpdateNodeIcons();

    QTreeWidget* m_tree;
    QLabel* m_caption;
    QStackedWidget* m_stack;
    QDialogButtonBox* m_buttons;
    std::vector<CPropertyPage*> m_pages;
    std::vector<QTreeWidgetItem*> m_pageItems;
    QIcon m_defaultClosed;
    QIcon m_defaultOpen;
    int m_active = -1;
    bool m_reverting = false;
};
