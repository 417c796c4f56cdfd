#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

class CDesktopNotification;

// A small skinned window that slides out of the desktop's panel, stays for a while and slides back.
// The main window creates one for its whole life; between announcements it is hidden. It never takes
// the focus. Where the window system does not let a program place its windows (Wayland), an
// announcement goes out as a desktop notification instead.
class CTaskbarNotifier : public QWidget
{
    Q_OBJECT
public:
    enum PopupState
    {
        Hidden = 100,
        Appearing = 101,
        Staying = 102,
        Disappearing = 103
    };
    enum TaskbarEdge
    {
        Left = 0,
        Top = 1,
        Right = 2,
        Bottom = 3
    };
    enum TimerId
    {
        AppearTimer = 101,
        StayTimer = 102,
        VanishTimer = 103
    };

    // A stay time that keeps the popup out until it is clicked.
    static constexpr int StayUntilClicked = -1;

    // The texts and times of the program's two announcements.
    static QString TestText(); // the popup page's Test button
    static constexpr int ChangesAppearMs = 800, ChangesVanishMs = 500;
    static constexpr int TestAppearMs = 500, TestStayMs = 3000, TestVanishMs = 200;

    // Created hidden, with the program's skin, fonts, colours and text area already applied.
    explicit CTaskbarNotifier(QWidget* parent = nullptr);
    ~CTaskbarNotifier() override;

    // Loads the skin (an SVG or a bitmap, e.g. ":/popup/skin.svg"); on success the text area becomes
    // the whole skin. On failure the skin is empty and the sizes keep their old values.
    bool ApplySkin(const QString& path);
    // Face, size in tenths of a point, style bits: 1 bold, 2 italic, 4 underline.
    void ApplyFonts(const QString& face, int tenthsOfPoint, int normalStyle, int hoverStyle);
    void ApplyColours(const QColor& normal, const QColor& hover);
    void SetTextArea(const QRect& area);

    // Shows the text: slides out in appearMs, stays stayMs (StayUntilClicked: until clicked), slides
    // back in vanishMs. A second announcement while out replaces the text and starts a full new stay.
    void Announce(const QString& text, int appearMs, int stayMs, int vanishMs);
    // The end of a run that found changes: "1 new change." or "N new changes." and the total, staying
    // popupDuration seconds when autoClosePopupNotify is ticked and until it is clicked otherwise.
    void AnnounceChanges(int newChanges, int totalChanges);
    // Hides at once, from any state.
    void Retract();
    // A part of the screen the popup must leave visible (the tray icon, which the user may be about to
    // click); asked at each announcement, an empty rectangle for none.
    void SetKeepClear(std::function<QRect()> area);

    PopupState State() const { return m_state; }
    TaskbarEdge Edge() const { return m_edge; }
    QString Text() const { return m_text; }
    // Where the popup is and how large, as it would be placed (also while a size is 0).
    QRect PopupGeometry() const { return QRect(m_x, m_y, m_width, m_height); }
    QSize SkinSize() const { return QSize(m_skinWidth, m_skinHeight); }

    // The panel's rectangle: the part of the screen outside its free area (one strip of it; a bottom
    // strip of height 0 when the whole screen is free, so the popup rises from the bottom right corner).
    static QRect PanelRect(const QRect& screen, const QRect& available);
    // The edge the popup slides from, by the 20-pixel rule, with the panel relative to its screen.
    static TaskbarEdge EdgeOf(const QRect& panel, const QRect& screen);

    // Test hooks: fixed screen areas instead of the primary screen's (empty rectangles undo it);
    // timer precision (10 ms by default); timers that only record what they would do, so that the test
    // steps them with OnTimer; the interval of a timer, or -1 when it is stopped; whether announcements
    // go out as desktop notifications (by default: on Wayland).
    void SetScreenAreas(const QRect& screen, const QRect& available);
    void SetTimerPrecision(int ms);
    void SetManualTimers(bool manual);
    void OnTimer(int id);
    int TimerInterval(int id) const;
    void SetUseDesktopNotifications(bool use);
    // Where a desktop notification cannot be sent, the text goes here (e.g. the tray icon's message).
    void SetNotificationFallback(std::function<void(const QString& text)> fallback);

signals:
    // The left mouse button was released over the popup.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Timer
    {
        QTimer timer;
        int interval = -1;
    };
    Timer& TimerOf(int id);
    void StartTimer(int id, int intervalMs);
    void StopTimer(int id);
    void ComputeSteps(int appearMs, int vanishMs);
    void SetStartGeometry(const QRect& panel);
    QRect FullGeometry(const QRect& panel) const;
    void SetFullGeometry(const QRect& panel);
    void Slide(int by);
    int SlidingSize() const;
    int SkinSlidingSize() const;
    void Place();
    void PanelAndScreen(QRect& panel, QRect& screen) const;
    QRect AvoidingKeepClear(QRect panel) const;

    QFont m_normalFont;
    QFont m_hoverFont;
    QColor m_normalColour{133, 146, 181};
    QColor m_hoverColour{10, 36, 106};
    QPixmap m_skin;
    int m_skinWidth = 0;
    int m_skinHeight = 0;
    QString m_text;
    QRect m_textArea;
    bool m_mouseOver = false;
    PopupState m_state = Hidden;
    TaskbarEdge m_edge = Bottom;
    int m_timerPrecision = 10;
    int m_stayTime = 0;
    int m_appearInterval = 0;
    int m_vanishInterval = 0;
    int m_x = 0;
    int m_y = 0;
    int m_width = 0;
    int m_height = 0;
    int m_appearIncrement = 0;
    int m_vanishIncrement = 0;

    Timer m_appearTimer;
    Timer m_stayTimer;
    Timer m_vanishTimer;
    bool m_manualTimers = false;
    QRect m_fixedScreen;
    QRect m_fixedAvailable;
    bool m_useDesktopNotifications = false;
    bool m_canRaise = true;
    CDesktopNotification* m_desktopNotification = nullptr;
    std::function<void(const QString&)> m_fallback;
    std::function<QRect()> m_keepClear;
};
