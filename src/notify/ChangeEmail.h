#pragma once

#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"

#include <memory>
#include <string>
#include <vector>

// The two e-mails of the program. Each returns what the user must be shown: empty when there is
// nothing to show, else one of the message texts. Both read their settings themselves and block
// the calling thread while the SMTP exchange runs: a front end runs them as a background job
// (run/BackgroundJob.h) on records and values it has copied, never on its own thread.

// Lists every record marked as changed, in the order given.
std::string SendChangeEmail(const std::vector<std::unique_ptr<Curl>>& records);
// Sends "Test body" with the stored e-mail settings; refuses when a required setting is empty.
std::string SendTestEmail();
// The same with the values being edited (the preferences page sends before it saves).
std::string SendTestEmail(const EmailPrefs& values);

// What the test e-mail shows when it went out.
inline constexpr const char* kTestEmailSentText = "Test email sent.\nCheck your email inbox to see if it worked\n";
