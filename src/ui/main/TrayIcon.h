#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

class QMenu;
class QSystemTrayIcon;

// The notification-area icon: two rows (0 normal, 1 changes present), each with its image, its tip
// and a mode, steady or blinking. Blinking alternates the row's image with a blank one every frame
// time. The icon is shown only while the main window is hidden in the tray; a tip set meanwhile is
// kept and applied when the row is next shown.
class CTrayIcon : public QObject
{
    Q_OBJECT
public:
    enum Mode
    {
        Steady = 1,
        Blinking = 3
    };
    static constexpr int kFrameMs = 500;

    explicit CTrayIcon(QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Whether the desktop has a notification area at all; without one the window is never hidden.
    static bool IsAvailable();

    void SetRowIcon(int row, const QIcon& icon);
    void SetTip(int row, const QString& tip);
    QString Tip(int row) const { return m_rows[Index(row)].tip; }
    void SetMode(int row, Mode mode);
    Mode RowMode(int row) const { return m_rows[Index(row)].mode; }

    // Shows the icon with the given row (at once when it is already shown); Hide removes it.
    void Show(int row);
    void Hide();
    bool IsShown() const;
    int ShownRow() const { return m_shownRow; }
    // The image the icon shows now: the row's, or the blank one during a blinking frame.
    bool ShowsBlankFrame() const { return m_blankFrame; }

    void SetMenu(QMenu* menu);

signals:
    void doubleClicked();

private:
    struct Row
    {
        QIcon icon;
        QString tip;
        Mode mode = Steady;
    };
    static int Index(int row) { return row == 1 ? 1 : 0; }
    void OnFrame();
    void Apply();

    std::array<Row, 2> m_rows;
    QSystemTrayIcon* m_icon = nullptr;
    QIcon m_blank;
    QTimer m_frameTimer;
    int m_shownRow = 0;
    bool m_blankFrame = false;
};
