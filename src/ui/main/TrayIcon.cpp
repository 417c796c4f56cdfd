#include "ui/main/TrayIcon.h"
#include "ui/widgets/PlainText.h"

#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

CTrayIcon::CTrayIcon(QObject* parent)
    : QObject(parent)
    , m_icon(new QSystemTrayIcon(this))
{
    QPixmap blank(32, 32);
    blank.fill(Qt::transparent);
    m_blank = QIcon(blank);
    m_frameTimer.setInterval(kFrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, &CTrayIcon::OnFrame);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Most Linux panels restore with one click; the double-click of other desktops works too.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit activated();
    });
}

CTrayIcon::~CTrayIcon() = default;

bool CTrayIcon::IsAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::SetRowIcon(int row, const QIcon& icon)
{
    m_rowIcons[Index(row)] = icon;
    Apply();
}

void CTrayIcon::SetTip(const QString& tip)
{
    if (tip == m_tip)
        return;
    m_tip = tip;
    if (m_icon->isVisible())
        m_icon->setToolTip(PlainToolTip(tip));
}

void CTrayIcon::SetMode(Mode mode)
{
    m_mode = mode;
    Apply();
}

bool CTrayIcon::Show(int row)
{
    m_shownRow = Index(row);
    // An icon without a picture (a missing image plug-in) would sit in the panel unseen.
    if (!IsAvailable() || m_rowIcons[m_shownRow].pixmap(22, 22).isNull()) {
        Hide();
        return false;
    }
    m_icon->setToolTip(PlainToolTip(m_tip));
    m_blankFrame = false;
    m_icon->setIcon(m_rowIcons[m_shownRow]);
    m_icon->show();
    Apply();
    return m_icon->isVisible();
}

void CTrayIcon::Hide()
{
    m_icon->hide();
    m_frameTimer.stop();
    m_blankFrame = false;
}

bool CTrayIcon::IsShown() const
{
    return m_icon->isVisible();
}

QRect CTrayIcon::Geometry() const
{
    return m_icon->isVisible() ? m_icon->geometry() : QRect();
}

void CTrayIcon::SetMenu(QMenu* menu)
{
    m_icon->setContextMenu(menu);
}

void CTrayIcon::OnFrame()
{
    m_blankFrame = !m_blankFrame;
    m_icon->setIcon(m_blankFrame ? m_blank : m_rowIcons[m_shownRow]);
}

// Puts the shown row's image up and runs the frame timer only while the icon is shown and blinks.
void CTrayIcon::Apply()
{
    if (m_mode == Blinking && m_icon->isVisible()) {
        if (!m_frameTimer.isActive())
            m_frameTimer.start();
    } else {
        m_frameTimer.stop();
        m_blankFrame = false;
    }
    m_icon->setIcon(m_blankFrame ? m_blank : m_rowIcons[m_shownRow]);
}
