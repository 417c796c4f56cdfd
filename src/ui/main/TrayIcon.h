#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>

#include <array>

class QMenu;
class QSystemTrayIcon;

// The notification-area icon: two rows (0 normal, 1 changes present), each with its image, and one
// tip and one mode, steady or blinking, for both. Blinking alternates the shown row's image with a
// blank one every frame time, so a check shows whether or not changes are present. The icon is shown
// only while the main window is hidden in the tray; a tip set meanwhile is applied when it is shown.
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
    void SetTip(const QString& tip);
    QString Tip() const { return m_tip; }
    void SetMode(Mode mode);
    Mode CurrentMode() const { return m_mode; }

    // Shows the icon with the given row (at once when it is already shown); false when there is no
    // notification area or the row has no image to show, so that the caller keeps its window up.
    bool Show(int row);
    void Hide();
    bool IsShown() const;
    int ShownRow() const { return m_shownRow; }
    // The image the icon shows now: the row's, or the blank one during a blinking frame.
    bool ShowsBlankFrame() const { return m_blankFrame; }
    // Where the icon is on the screen; empty where the notification area does not say.
    QRect Geometry() const;

    void SetMenu(QMenu* menu);

signals:
    // A click or a double-click on the icon: the user wants the window.
    void activated();

private:
    static int Index(int row) { return row == 1 ? 1 : 0; }
    void OnFrame();
    void Apply();

    std::array<QIcon, 2> m_rowIcons;
    QString m_tip = QStringLiteral("Site Vigil");
    Mode m_mode = Steady;
    QSystemTrayIcon* m_icon = nullptr;
    QIcon m_blank;
    QTimer m_frameTimer;
    int m_shownRow = 0;
    bool m_blankFrame = false;
};
