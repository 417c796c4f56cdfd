#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

class CTreePropSheet;
class QCheckBox;
class QColor;
class QComboBox;
class QLineEdit;

// One page of a tree-style sheet. Its values live in members; the controls show them. Values move
// between the two when the page is shown (LoadControls), when the user leaves it and when OK is
// pressed (StoreControls, which may refuse and keep the user on the page).
class CPropertyPage : public QWidget
{
    Q_OBJECT
public:
    CPropertyPage(const QString& caption, const QIcon& icon, QWidget* parent = nullptr);

    const QString& Caption() const { return m_caption; }
    const QIcon& Icon() const { return m_icon; }

    // Members to controls.
    virtual void LoadControls() = 0;
    // Controls to members. False when a field holds an unusable value: the message has been shown
    // and the field has the focus.
    virtual bool StoreControls() = 0;
    // The page becomes the visible one: shows its members.
    virtual void OnSetActive() { LoadControls(); }
    // The user leaves the page (another page or OK): false keeps the user here.
    virtual bool OnKillActive() { return StoreControls(); }
    // The sheet ends with OK or Cancel; called on every page after the values were taken.
    virtual void OnOK() { }
    virtual void OnCancel() { }

    // The sheet holding this page, once it has been added.
    CTreePropSheet* Sheet() const { return m_sheet; }

protected:
    // A text field that accepts digits only.
    QLineEdit* NewDigitsField();
    // Reads an integer field; on failure shows "Please enter an integer." or, with bounds,
    // "Please enter an integer between %1 and %2.", focuses the field and returns false.
    bool ReadInt(QLineEdit* field, int& value);
    bool ReadInt(QLineEdit* field, int& value, int minimum, int maximum);

    // Flags of the settings and the record are 0/1 integers.
    static void SetCheck(QCheckBox* box, int value);
    static int Checked(const QCheckBox* box);
    // Text colour of a field or label, on white for fields.
    static void SetTextColour(QWidget* widget, const QColor& colour);
    // Sets the text only when it differs, so that redisplaying a field being typed in keeps its cursor.
    static void SetText(QLineEdit* field, const QString& text);
    // A list index; a stored index the list does not have shows no choice and is kept as it was.
    static int ComboIndex(const QComboBox* box, int current);

private:
    friend class CTreePropSheet;
    QString m_caption;
    QIcon m_icon;
    CTreePropSheet* m_sheet = nullptr;
};
