#pragma once

#include "platform/Error.h"

#include <string>

// One program per storage folder. The program that holds the folder's lock serves the control channel;
// a second program asks it there to show its window and then ends.
namespace SingleInstance {

// Done when the program that holds the folder brought its window up. NotFound when no program serves
// the folder's channel; Busy, with that program's reason, when it answered but showed no window.
Status AskToShow(const std::string& storageFolder);

} // namespace SingleInstance
