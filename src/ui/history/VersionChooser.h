#pragma once

#include <QComboBox>
#include <QWidget>

#include <functional>
#include <string>

class QToolButton;

// A combo box that says when its list is about to open, so that it can be filled afresh.
class CRefreshingCombo : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
signals:
    void aboutToPopup();
};

// The two versions of a page to compare, chosen from its history and its two copies: "Compare
// [older] with [newer]" and a button. It shows the versions of the page whose file base pageBase
// gives (GetFileBase of the selected page, "" when none), read again whenever a list opens.
class CVersionChooser : public QWidget
{
    Q_OBJECT
public:
    explicit CVersionChooser(std::function<std::string()> pageBase, QWidget* parent = nullptr);

    // Reads the versions of the page again, keeping the chosen numbers where the page still has them;
    // by default the previous copy against the current one.
    void Reload();
    int FromNumber() const;
    int ToNumber() const;
    // Chooses the two versions by number, as a person would in the lists; false when one is not there.
    bool Choose(int from, int to);

signals:
    void compareRequested(int from, int to);

private:
    std::function<std::string()> m_pageBase;
    std::string m_shownBase;
    CRefreshingCombo* m_from;
    CRefreshingCombo* m_to;
    QToolButton* m_compare;
};
