#include "ui/notify/TaskbarNotifier.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "ui/notify/DesktopNotification.h"
#include "ui/notify/WrappedText.h"

#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// A panel edge closer than this to the screen's edge counts as touching it.
constexpr int EdgeTolerance = 20;

int RightOf(const QRect& r)
{
    return r.x() + r.width();
}

int BottomOf(const QRect& r)
{
    return r.y() + r.height();
}

QFont WithStyle(QFont font, int style)
{
    font.setWeight(style & 1 ? QFont::Bold : QFont::Normal);
    font.setItalic(style & 2);
    font.setUnderline(style & 4);
    return font;
}

} // namespace

QString CTaskbarNotifier::TestText()
{
    return QStringLiteral("TEST: Web page changes have been detected");
}

CTaskbarNotifier::CTaskbarNotifier(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                  | Qt::X11BypassWindowManagerHint)
    , m_normalFont(QGuiApplication::font())
    , m_hoverFont(WithStyle(QGuiApplication::font(), 4))
    , m_useDesktopNotifications(QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
    // Platforms without a window stack (the tests' offscreen one) would warn at every step.
    , m_canRaise(QGuiApplication::platformName() != QLatin1String("offscreen")
                 && QGuiApplication::platformName() != QLatin1String("minimal"))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setGeometry(0, 0, 0, 0);

    for (int id : {AppearTimer, StayTimer, VanishTimer}) {
        QTimer& timer = TimerOf(id).timer;
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }

    ApplySkin(QStringLiteral(":/popup/skin.svg"));
    ApplyFonts(QStringLiteral("Arial"), 90, 0, 4);
    ApplyColours(QColor(0, 0, 0), QColor(0, 0, 200));
    SetTextArea(QRect(QPoint(10, 40), QSize(m_skinWidth - 20, m_skinHeight - 65)));
}

CTaskbarNotifier::~CTaskbarNotifier() = default;

bool CTaskbarNotifier::ApplySkin(const QString& path)
{
    m_skin = QPixmap();
    QImage image;
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgRenderer renderer(path);
        if (!renderer.isValid() || renderer.defaultSize().isEmpty())
            return false;
        // Drawn at the screen's pixel density so that the skin stays sharp on dense screens.
        const qreal ratio = std::max<qreal>(1.0, devicePixelRatioF());
        image = QImage(renderer.defaultSize() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        image.setDevicePixelRatio(ratio);
    } else if (!image.load(path)) {
        return false;
    }
    if (image.isNull())
        return false;
    m_skin = QPixmap::fromImage(image);
    const QSize size = m_skin.deviceIndependentSize().toSize();
    m_skinWidth = size.width();
    m_skinHeight = size.height();
    m_textArea = QRect(0, 0, m_skinWidth, m_skinHeight);
    return true;
}

void CTaskbarNotifier::ApplyFonts(const QString& face, int tenthsOfPoint, int normalStyle, int hoverStyle)
{
    QFont font(face);
    // Where the face is missing, the closest sans-serif face stands in.
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(tenthsOfPoint / 10.0);
    m_normalFont = WithStyle(font, normalStyle);
    m_hoverFont = WithStyle(font, hoverStyle);
}

void CTaskbarNotifier::ApplyColours(const QColor& normal, const QColor& hover)
{
    m_normalColour = normal;
    m_hoverColour = hover;
    repaint();
}

void CTaskbarNotifier::SetTextArea(const QRect& area)
{
    m_textArea = area;
}

void CTaskbarNotifier::Announce(const QString& text, int appearMs, int stayMs, int vanishMs)
{
    m_text = text;
    m_stayTime = stayMs < 0 ? StayUntilClicked : stayMs;
    // Without a skin there is nothing to slide out; the desktop's notification still tells the user.
    if (m_useDesktopNotifications || m_skinWidth <= 0 || m_skinHeight <= 0) {
        if (!m_desktopNotification) {
            m_desktopNotification = new CDesktopNotification(QDBusConnection::sessionBus(), this);
            connect(m_desktopNotification, &CDesktopNotification::clicked, this, &CTaskbarNotifier::clicked);
        }
        const int timeout = stayMs < 0 ? 0 : std::max(1, appearMs) + stayMs + std::max(0, vanishMs);
        m_desktopNotification->Send(text, timeout, m_fallback);
        return;
    }

    QRect panel, screen;
    PanelAndScreen(panel, screen);
    m_edge = EdgeOf(panel, screen);
    panel = AvoidingKeepClear(panel);
    ComputeSteps(std::max(0, appearMs), std::max(0, vanishMs));

    switch (m_state) {
    case Hidden:
        SetStartGeometry(panel);
        setGeometry(m_x, m_y, std::max(0, m_width), std::max(0, m_height));
        show();
        if (m_canRaise)
            raise();
        StartTimer(AppearTimer, m_appearInterval);
        break;
    case Appearing:
        repaint();
        break;
    case Staying:
        repaint();
        StopTimer(StayTimer);
        StartTimer(StayTimer, m_stayTime);
        break;
    case Disappearing:
        // Back to the fully shown window at once, with a new stay; the next vanish step sets the state.
        StopTimer(VanishTimer);
        StartTimer(StayTimer, m_stayTime);
        SetFullGeometry(panel);
        Place();
        repaint();
        break;
    }
}

void CTaskbarNotifier::AnnounceChanges(int newChanges, int totalChanges)
{
    const QString text
        = (newChanges == 1 ? QStringLiteral("1 new change.") : QStringLiteral("%1 new changes.").arg(newChanges))
        + QLatin1Char('\n')
        + (totalChanges == 1 ? QStringLiteral("1 change total.")
                             : QStringLiteral("%1 changes total.").arg(totalChanges));
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    // The setting is a free number: keep it within a timer's range.
    const int stayMs = prefs.ReadInt(Pref::autoClosePopupNotify) != 0
        ? std::clamp(prefs.ReadInt(Pref::popupDuration), 0, INT_MAX / 1000) * 1000
        : StayUntilClicked;
    Announce(text, ChangesAppearMs, stayMs, ChangesVanishMs);
}

void CTaskbarNotifier::SetKeepClear(std::function<QRect()> area)
{
    m_keepClear = std::move(area);
}

void CTaskbarNotifier::Retract()
{
    // Every timer, not only the current state's: after an announcement interrupted the vanishing, the
    // stay timer runs while the state still says Disappearing.
    StopTimer(AppearTimer);
    StopTimer(StayTimer);
    StopTimer(VanishTimer);
    m_x = m_y = m_width = m_height = 0;
    setGeometry(0, 0, 0, 0);
    hide();
    m_state = Hidden;
}

void CTaskbarNotifier::OnTimer(int id)
{
    switch (id) {
    case AppearTimer:
        m_state = Appearing;
        if (SlidingSize() < SkinSlidingSize()) {
            Slide(m_appearIncrement);
        } else {
            StopTimer(AppearTimer);
            StartTimer(StayTimer, m_stayTime);
            m_state = Staying;
        }
        Place();
        break;
    case StayTimer:
        StopTimer(StayTimer);
        StartTimer(VanishTimer, m_vanishInterval);
        break;
    case VanishTimer:
        m_state = Disappearing;
        if (SlidingSize() > 0) {
            Slide(-m_vanishIncrement);
        } else {
            StopTimer(VanishTimer);
            Retract();
        }
        Place();
        break;
    }
}

QRect CTaskbarNotifier::PanelRect(const QRect& screen, const QRect& available)
{
    if (available.isEmpty() || !screen.contains(available))
        return QRect(screen.x(), BottomOf(screen), screen.width(), 0);
    const int bottom = BottomOf(screen) - BottomOf(available);
    const int top = available.y() - screen.y();
    const int right = RightOf(screen) - RightOf(available);
    const int left = available.x() - screen.x();
    // With several panels, the one where a taskbar usually is.
    if (bottom > 0)
        return QRect(screen.x(), BottomOf(available), screen.width(), bottom);
    if (top > 0)
        return QRect(screen.x(), screen.y(), screen.width(), top);
    if (right > 0)
        return QRect(RightOf(available), screen.y(), right, screen.height());
    if (left > 0)
        return QRect(screen.x(), screen.y(), left, screen.height());
    return QRect(screen.x(), BottomOf(screen), screen.width(), 0);
}

CTaskbarNotifier::TaskbarEdge CTaskbarNotifier::EdgeOf(const QRect& panel, const QRect& screen)
{
    auto touches = [](int distance) { return std::abs(distance) < EdgeTolerance; };
    const int left = panel.x() - screen.x();
    const int right = RightOf(panel) - screen.x();
    if (touches(left) && touches(right - screen.width()))
        return touches(panel.y() - screen.y()) ? Top : Bottom;
    return touches(left) ? Left : Right;
}

void CTaskbarNotifier::SetScreenAreas(const QRect& screen, const QRect& available)
{
    m_fixedScreen = screen;
    m_fixedAvailable = available;
}

void CTaskbarNotifier::SetTimerPrecision(int ms)
{
    m_timerPrecision = std::max(1, ms);
}

void CTaskbarNotifier::SetManualTimers(bool manual)
{
    m_manualTimers = manual;
    for (int id : {AppearTimer, StayTimer, VanishTimer}) {
        Timer& timer = TimerOf(id);
        if (manual)
            timer.timer.stop();
        else if (timer.interval >= 0)
            timer.timer.start(timer.interval);
    }
}

int CTaskbarNotifier::TimerInterval(int id) const
{
    return const_cast<CTaskbarNotifier*>(this)->TimerOf(id).interval;
}

void CTaskbarNotifier::SetUseDesktopNotifications(bool use)
{
    m_useDesktopNotifications = use;
}

void CTaskbarNotifier::SetNotificationFallback(std::function<void(const QString&)> fallback)
{
    m_fallback = std::move(fallback);
}

void CTaskbarNotifier::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawPixmap(0, 0, m_skin);
    painter.setFont(m_mouseOver ? m_hoverFont : m_normalFont);
    painter.setPen(m_mouseOver ? m_hoverColour : m_normalColour);
    DrawWrappedText(painter, m_textArea, m_text);
}

void CTaskbarNotifier::enterEvent(QEnterEvent*)
{
    if (!m_mouseOver) {
        m_mouseOver = true;
        repaint();
    }
}

void CTaskbarNotifier::leaveEvent(QEvent*)
{
    if (m_mouseOver) {
        m_mouseOver = false;
        repaint();
    }
}

void CTaskbarNotifier::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    emit clicked();
    // A popup that waits for its click slides back now, or as soon as it is fully out.
    if (m_stayTime == StayUntilClicked) {
        m_stayTime = 0;
        if (m_state != Hidden && m_state != Appearing && TimerInterval(VanishTimer) < 0)
            OnTimer(StayTimer);
    }
}

CTaskbarNotifier::Timer& CTaskbarNotifier::TimerOf(int id)
{
    return id == AppearTimer ? m_appearTimer : id == StayTimer ? m_stayTimer : m_vanishTimer;
}

void CTaskbarNotifier::StartTimer(int id, int intervalMs)
{
    // A popup that waits for its click has no stay timer.
    if (intervalMs < 0) {
        StopTimer(id);
        return;
    }
    Timer& timer = TimerOf(id);
    timer.interval = intervalMs;
    if (!m_manualTimers)
        timer.timer.start(intervalMs);
}

void CTaskbarNotifier::StopTimer(int id)
{
    Timer& timer = TimerOf(id);
    timer.interval = -1;
    timer.timer.stop();
}

void CTaskbarNotifier::ComputeSteps(int appearMs, int vanishMs)
{
    const int size = SkinSlidingSize();
    auto steps = [this, size](int time, int& interval, int& increment) {
        if (time > m_timerPrecision) {
            const int n = std::min(time / m_timerPrecision, size);
            interval = time / n;
            increment = size / n;
        } else {
            interval = m_timerPrecision;
            increment = size;
        }
    };
    steps(appearMs, m_appearInterval, m_appearIncrement);
    steps(vanishMs, m_vanishInterval, m_vanishIncrement);
}

void CTaskbarNotifier::SetStartGeometry(const QRect& panel)
{
    SetFullGeometry(panel);
    Slide(-SkinSlidingSize());
}

// Fully out: against the panel's inner side, at its right or bottom end.
QRect CTaskbarNotifier::FullGeometry(const QRect& panel) const
{
    switch (m_edge) {
    case Left:
        return QRect(RightOf(panel), BottomOf(panel) - m_skinHeight, m_skinWidth, m_skinHeight);
    case Top:
        return QRect(RightOf(panel) - m_skinWidth, BottomOf(panel), m_skinWidth, m_skinHeight);
    case Right:
        return QRect(panel.x() - m_skinWidth, BottomOf(panel) - m_skinHeight, m_skinWidth, m_skinHeight);
    case Bottom:
        break;
    }
    return QRect(RightOf(panel) - m_skinWidth, panel.y() - m_skinHeight, m_skinWidth, m_skinHeight);
}

void CTaskbarNotifier::SetFullGeometry(const QRect& panel)
{
    const QRect full = FullGeometry(panel);
    m_x = full.x();
    m_y = full.y();
    m_width = full.width();
    m_height = full.height();
}

// Grows (by > 0) or shrinks the popup on its sliding side, keeping the side at the panel in place.
void CTaskbarNotifier::Slide(int by)
{
    switch (m_edge) {
    case Left:
        m_width += by;
        break;
    case Top:
        m_height += by;
        break;
    case Right:
        m_x -= by;
        m_width += by;
        break;
    case Bottom:
        m_y -= by;
        m_height += by;
        break;
    }
}

int CTaskbarNotifier::SlidingSize() const
{
    return m_edge == Left || m_edge == Right ? m_width : m_height;
}

int CTaskbarNotifier::SkinSlidingSize() const
{
    return m_edge == Left || m_edge == Right ? m_skinWidth : m_skinHeight;
}

void CTaskbarNotifier::Place()
{
    // After Retract the window stays hidden.
    if (m_state == Hidden)
        return;
    setGeometry(m_x, m_y, std::max(0, m_width), std::max(0, m_height));
    if (m_canRaise)
        raise();
}

void CTaskbarNotifier::PanelAndScreen(QRect& panel, QRect& screen) const
{
    QRect available;
    if (m_fixedScreen.isValid()) {
        screen = m_fixedScreen;
        available = m_fixedAvailable;
    } else if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        screen = primary->geometry();
        available = primary->availableGeometry();
    }
    panel = PanelRect(screen, available);
}

// The panel as the popup sees it, grown over the area to keep clear where the fully shown popup would
// cover it: the popup then slides out beside that area instead of over it.
QRect CTaskbarNotifier::AvoidingKeepClear(QRect panel) const
{
    const QRect keep = m_keepClear ? m_keepClear() : QRect();
    if (keep.isEmpty())
        return panel;
    if (!FullGeometry(panel).intersects(keep))
        return panel;
    switch (m_edge) {
    case Left:
        panel.setRight(std::max(panel.right(), keep.right()));
        break;
    case Top:
        panel.setBottom(std::max(panel.bottom(), keep.bottom()));
        break;
    case Right:
        panel.setLeft(std::min(panel.left(), keep.left()));
        break;
    case Bottom:
        panel.setTop(std::min(panel.top(), keep.top()));
        break;
    }
    return panel;
}
