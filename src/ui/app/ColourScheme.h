#pragma once

#include <QDBusVariant>
#include <QObject>
#include <QPalette>

#include <optional>

// Follows the desktop's colour scheme: the freedesktop appearance setting "color-scheme" read over
// the settings portal (org.freedesktop.portal.Settings) where one answers, and its changes while the
// program runs; without a portal the Qt platform theme's palette stays as it is. A dark preference
// gets a dark palette, a light one the light palette the program started with. Web pages shown by the
// program (the browser pane, rendered checks) are told the same preference when the engine starts.
class CColourScheme : public QObject
{
    Q_OBJECT
public:
    // 0 no preference, 1 prefer dark, 2 prefer light (the appearance setting's values).
    enum Preference
    {
        NoPreference = 0,
        PreferDark = 1,
        PreferLight = 2
    };

    explicit CColourScheme(QObject* parent = nullptr);

    // Reads the setting (a short call; a missing portal answers at once with an error), applies it and
    // listens for changes. Call it before the first web page is made: the browser engine takes the
    // preference once, when it starts.
    void Follow();
    // The palette for a preference, from the palette the program started with.
    QPalette PaletteFor(Preference preference) const;
    // What the portal said last; none without a portal.
    std::optional<Preference> Portal() const { return m_portal; }

    static QPalette DarkPalette();

private slots:
    void OnSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void Apply(Preference preference);
    static void TellWebEngine(bool dark);

    QPalette m_startPalette;
    std::optional<Preference> m_portal;
};
