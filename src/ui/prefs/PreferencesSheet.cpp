#include "ui/prefs/PreferencesSheet.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/Channel.h"
#include "ui/prefs/PPChannels.h"
#include "ui/prefs/PPConnection.h"
#include "ui/prefs/PPEmail.h"
#include "ui/prefs/PPGeneral.h"
#include "ui/prefs/PPGlobalSchedule.h"
#include "ui/prefs/PPNotifications.h"
#include "ui/prefs/PPPopup.h"
#include "ui/prefs/PPPrompting.h"
#include "ui/prefs/PPProxy.h"
#include "ui/prefs/PPSound.h"

CPreferencesSheet::CPreferencesSheet(const PreferencesHooks& hooks, QWidget* parent)
    : CTreePropSheet(tr("Preferences"), parent)
    , m_hooks(hooks)
    , m_general(new CPPGeneral(this))
    , m_prompting(new CPPPrompting(this))
    , m_connection(new CPPConnection(this))
    , m_popup(new CPPPopup(hooks.showPopup, this))
    , m_sound(new CPPSound(hooks.playSound, this))
    , m_email(new CPPEmail(this))
    , m_channels(new CPPChannels(this))
    , m_schedule(new CPPGlobalSchedule(this))
    , m_proxy(new CPPProxy(this))
    , m_notifications(new CPPNotifications([this] { return NotificationOverview(); }, this))
{
    // Each load stores the keys it did not find with the page defaults, whatever the sheet's end.
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.LoadGeneral(m_general->m_values);
    prefs.LoadConfirmations(m_prompting->m_values);
    prefs.LoadConnection(m_connection->m_values);
    prefs.LoadPopup(m_popup->m_values);
    prefs.LoadSound(m_sound->m_values);
    prefs.LoadEmail(m_email->m_values);
    prefs.LoadSchedule(m_schedule->m_values);
    prefs.LoadProxy(m_proxy->m_values);
    prefs.LoadRunCommand(m_notifications->m_values);
    // The folder this run works in, even if the setting has been changed since the start.
    m_general->m_values.installDir = prefs.GetStorageFolder();

    SetDefaultImages(QIcon(":/sheets/folder.svg"), QIcon(":/sheets/folder-open.svg"));
    for (CPropertyPage* page :
         std::initializer_list<CPropertyPage*>{m_general, m_prompting, m_connection, m_popup, m_sound, m_email,
                                               m_channels, m_schedule, m_proxy, m_notifications})
        AddPage(page);
    resize(620, 420);
}

CPreferencesSheet::~CPreferencesSheet() = default;

std::vector<std::pair<QString, QString>> CPreferencesSheet::NotificationOverview() const
{
    const PopupPrefs& popup = m_popup->m_values;
    const SoundPrefs& sound = m_sound->m_values;
    const EmailPrefs& email = m_email->m_values;
    const QString off = tr("Off");
    std::vector<std::pair<QString, QString>> lines;
    lines.emplace_back(
        tr("Popup window"),
        !popup.popupNotify ? off
            : popup.autoClosePopupNotify
            ? (popup.popupDuration == 1 ? tr("On, for 1 second") : tr("On, for %1 seconds").arg(popup.popupDuration))
            : tr("On, until clicked"));
    lines.emplace_back(tr("Sound"),
                       sound.soundPreference == 1 ? tr("The default sound")
                           : sound.soundPreference == 2
                           ? tr("The file %1").arg(QString::fromStdString(sound.soundFilename))
                           : off);
    lines.emplace_back(tr("E-mail"),
                       email.sendEmail ? tr("To %1").arg(QString::fromStdString(email.emailRecipients)) : off);
    QStringList channels;
    for (const Channel& channel : m_channels->m_values) {
        if (!channel.enabled)
            continue;
        QStringList what;
        if (channel.changes)
            what << tr("changes");
        if (channel.failures)
            what << tr("failures");
        channels << tr("%1 (%2)").arg(QString::fromStdString(channel.name),
                                      what.isEmpty() ? tr("nothing") : what.join(QStringLiteral(", ")));
    }
    lines.emplace_back(tr("Channels"), channels.isEmpty() ? off : channels.join(QStringLiteral("; ")));
    return lines;
}

void CPreferencesSheet::OnSheetOK()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.SaveGeneral(m_general->m_values);
    prefs.SaveConfirmations(m_prompting->m_values);
    prefs.SaveConnection(m_connection->m_values);
    prefs.SavePopup(m_popup->m_values);
    prefs.SaveSound(m_sound->m_values);
    prefs.SaveEmail(m_email->m_values);
    // Channels that could not be read are left as stored, never replaced by an empty list.
    if (m_channels->m_loaded)
        SaveChannels(prefs, m_channels->m_values);
    prefs.WriteInt(Pref::deliveryWait.name, m_channels->m_deliveryWait);
    prefs.SaveSchedule(m_schedule->m_values);
    prefs.SaveProxy(m_proxy->m_values);
    prefs.SaveRunCommand(m_notifications->m_values);
    // Always, even when no schedule value changed.
    if (m_hooks.rearmSchedule)
        m_hooks.rearmSchedule();
}
