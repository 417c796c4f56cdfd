#include "ui/app/ColourScheme.h"

#include "ui/widgets/Colours.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStyle>
#include <QStyleFactory>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

// Read answers a variant that holds the value's variant; ReadOne and the signal the value's.
QVariant Unwrapped(QVariant value)
{
    for (int depth = 0; depth < 3 && value.canConvert<QDBusVariant>(); ++depth)
        value = value.value<QDBusVariant>().variant();
    return value;
}

CColourScheme::Preference FromSetting(const QVariant& value)
{
    bool ok = false;
    const uint number = Unwrapped(value).toUInt(&ok);
    return ok && number <= 2 ? static_cast<CColourScheme::Preference>(number) : CColourScheme::NoPreference;
}

} // namespace

CColourScheme::CColourScheme(QObject* parent)
    : QObject(parent)
    , m_startPalette(QApplication::palette())
{ }

void CColourScheme::Follow()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
        call << kGroup << kKey;
        // The portal answers at once or not at all; the window must not wait for it.
        const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            m_portal = FromSetting(reply.arguments().constFirst());
            Apply(*m_portal);
        }
        bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                    SLOT(OnSettingChanged(QString, QString, QDBusVariant)));
    }
    // With the portal's answer applied, or without one the platform theme's palette.
    TellWebEngine(Colours::IsDark(QApplication::palette()));
}

void CColourScheme::TellWebEngine(bool dark)
{
    // The engine reads its switches when the first page is made and has no call to change them later,
    // so a switch of the desktop while the program runs reaches its pages at the next start. The switch
    // sets what pages see as prefers-color-scheme and the engine's own colours (form fields, scroll
    // bars); pages that declare no dark look stay as they are.
    static const QByteArray kDarkSwitch = QByteArrayLiteral("--force-dark-mode");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!dark || flags.split(' ').contains(kDarkSwitch))
        return;
    flags += flags.isEmpty() ? kDarkSwitch : ' ' + kDarkSwitch;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

void CColourScheme::OnSettingChanged(const QString& group, const QString& key, const QDBusVariant& value)
{
    if (group != kGroup || key != kKey)
        return;
    m_portal = FromSetting(value.variant());
    Apply(*m_portal);
}

QPalette CColourScheme::PaletteFor(Preference preference) const
{
    const bool startedDark = Colours::IsDark(m_startPalette);
    if (preference == PreferDark && !startedDark)
        return DarkPalette();
    if (preference == PreferLight && startedDark)
        return QApplication::style()->standardPalette();
    return m_startPalette;
}

void CColourScheme::Apply(Preference preference)
{
    const QPalette palette = PaletteFor(preference);
    if (Colours::IsDark(palette) && !Colours::IsDark(m_startPalette)) {
        // Fusion draws every control from the palette; other styles may keep light parts.
        if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
            QApplication::setStyle(fusion);
    }
    QApplication::setPalette(palette);
}

QPalette CColourScheme::DarkPalette()
{
    QPalette dark;
    const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230), disabled(127, 127, 127);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, QColor(43, 47, 66));
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, QColor(160, 160, 160));
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::BrightText, QColor(255, 110, 100));
    dark.setColor(QPalette::Light, QColor(70, 70, 74));
    dark.setColor(QPalette::Midlight, QColor(58, 58, 62));
    dark.setColor(QPalette::Mid, QColor(38, 38, 40));
    dark.setColor(QPalette::Dark, QColor(20, 20, 22));
    dark.setColor(QPalette::Shadow, Qt::black);
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(110, 170, 255));
    dark.setColor(QPalette::LinkVisited, QColor(180, 140, 255));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, disabled);
    return dark;
}
