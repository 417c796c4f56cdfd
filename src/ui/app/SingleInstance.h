#pragma once

#include <string>

// One program per storage folder. The program that holds the folder's lock serves the control channel;
// a second program asks it there to show its window and then ends.
namespace SingleInstance {

enum class HandOver
{
    Shown, // the program that holds the folder brought its window up
    NobodyListens, // no program serves the folder's channel
    Refused, // a program answered, but did not show a window (the reason in why)
};

HandOver AskToShow(const std::string& storageFolder, std::string& why);

} // namespace SingleInstance
