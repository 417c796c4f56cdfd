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
    m_rows[0].tip = m_rows[1].tip = QStringLiteral("Site Vigil");
    m_frameTimer.setInterval(kFrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, &CTrayIcon::OnFrame);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            emit doubleClicked();
    });
}

CTrayIcon::~CTrayIcon() = default;

bool CTrayIcon::IsAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::SetRowIcon(int row, const QIcon& icon)
{
    m_rows[Index(row)].icon = icon;
    Apply();
}

void CTrayIcon::SetTip(int row, const QString& tip)
{
    m_rows[Index(row)].tip = tip;
    if (Index(row) == m_shownRow && m_icon->isVisible())
        m_icon->setToolTip(PlainToolTip(tip));
}

void CTrayIcon::SetMode(int row, Mode mode)
{
    m_rows[Index(row)].mode = mode;
    Apply();
}

void CTrayIcon::Show(int row)
{
    m_shownRow = Index(row);
    m_icon->setToolTip(PlainToolTip(m_rows[m_shownRow].tip));
    m_icon->show();
    Apply();
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

void CTrayIcon::SetMenu(QMenu* menu)
{
    m_icon->setContextMenu(menu);
}

void CTrayIcon::OnFrame()
{
    m_blankFrame = !m_blankFrame;
    m_icon->setIcon(m_blankFrame ? m_blank : m_rows[m_shownRow].icon);
}

// Puts the shown row's image up and runs the frame timer only while that row is shown and blinks.
void CTrayIcon::Apply()
{
    const Row& row = m_rows[m_shownRow];
    if (row.mode == Blinking && m_icon->isVisible()) {
        if (!m_frameTimer.isActive())
            m_frameTimer.start();
    } else {
        m_frameTimer.stop();
        m_blankFrame = false;
    }
    m_icon->setIcon(m_blankFrame ? m_blank : row.icon);
}
