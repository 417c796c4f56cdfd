#pragma once

#include "ui/sheets/TreePropSheet.h"

#include <QString>
#include <functional>
#include <utility>
#include <vector>

class CPPGeneral;
class CPPPrompting;
class CPPConnection;
class CPPPopup;
class CPPSound;
class CPPEmail;
class CPPChannels;
class CPPGlobalSchedule;
class CPPProxy;
class CPPNotifications;

// What the preferences' Test buttons and OK need of the main window.
struct PreferencesHooks
{
    // The popup notifier's announcement.
    std::function<void(const QString& text, int appearMs, int stayMs, int vanishMs)> showPopup;
    // 0 silent, 1 the program's own sound, 2 the file.
    std::function<void(int preference, const QString& file)> playSound;
    // Re-arms the schedule timer from the saved schedule settings.
    std::function<void()> rearmSchedule;
};

// The "Preferences" sheet: nine pages loaded from the settings when constructed (which stores any
// missing key with its page default). exec() returns Accepted or Rejected; on OK the groups are saved
// in page order and the schedule is re-armed, always. Cancel stores nothing.
class CPreferencesSheet : public CTreePropSheet
{
    Q_OBJECT
public:
    CPreferencesSheet(const PreferencesHooks& hooks, QWidget* parent = nullptr);
    ~CPreferencesSheet() override;

    CPPGeneral& General() const { return *m_general; }
    CPPPrompting& Prompting() const { return *m_prompting; }
    CPPConnection& Connection() const { return *m_connection; }
    CPPPopup& Popup() const { return *m_popup; }
    CPPSound& Sound() const { return *m_sound; }
    CPPEmail& Email() const { return *m_email; }
    CPPChannels& Channels() const { return *m_channels; }
    CPPGlobalSchedule& Schedule() const { return *m_schedule; }
    CPPProxy& Proxy() const { return *m_proxy; }
    CPPNotifications& Notifications() const { return *m_notifications; }

    // What the Notifications page shows of the other pages, as they are now.
    std::vector<std::pair<QString, QString>> NotificationOverview() const;

protected:
    // Saves the groups in page order, then re-arms the schedule.
    void OnSheetOK() override;

private:
    PreferencesHooks m_hooks;
    CPPGeneral* m_general;
    CPPPrompting* m_prompting;
    CPPConnection* m_connection;
    CPPPopup* m_popup;
    CPPSound* m_sound;
    CPPEmail* m_email;
    CPPChannels* m_channels;
    CPPGlobalSchedule* m_schedule;
    CPPProxy* m_proxy;
    CPPNotifications* m_notifications;
};
