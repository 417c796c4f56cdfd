#pragma once

#include "model/VigilPrefs.h"

#include <QObject>
#include <QString>
#include <functional>

// Sends the test e-mail with the given values on a thread of its own and hands the text to show to
// done, on the GUI thread, as long as receiver still exists.
void StartTestEmail(const EmailPrefs& values, QObject* receiver, std::function<void(const QString&)> done);
