#pragma once

#include "notify/Channel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Curl;

// What the end of a run left in the outbox for delivery, and what went wrong on the way.
struct QueuedNotifications
{
    std::string storageFolder;
    std::vector<int64_t> rows; // the outbox rows written for this run
    std::vector<std::string> problems; // the outbox or the feed could not be written, in words
};

// What the notifications of one finished run are made from: the settings they need and copies of the
// pages they may name, taken on the front end's thread with the list as it is at the run's end.
struct RunNotificationInput
{
    std::string storageFolder;
    int newChanges = 0;
    bool sendEmail = false;
    std::vector<Channel> channels; // the enabled ones
    std::vector<std::unique_ptr<Curl>> pages;
    std::vector<std::string> problems; // the channels could not be read
};

// Takes what the run's notifications need from the settings and the list; quick, for the front end's
// thread. Copies only the pages a notification may name: the changed ones, and every page when a
// channel wants to hear of failures and recoveries.
RunNotificationInput CollectRunNotifications(const std::vector<std::unique_ptr<Curl>>& records, int newChanges);

// Writes to the outbox one row per channel and notification (the new changes for the channels that
// want changes, the pages that started failing or recovered for those that want failures, the change
// e-mail when sendEmail is on and the run found new changes) and brings the changes feed up to date.
// Reads the pages' copies for the first lines of their differences, so it may take a while: it reads
// neither the settings nor the list and runs on any thread. Nothing is delivered here: DeliverOutbox
// does that.
QueuedNotifications QueueRunNotifications(const RunNotificationInput& input);
// Both steps at once, on the front end's thread.
QueuedNotifications QueueRunNotifications(const std::vector<std::unique_ptr<Curl>>& records, int newChanges);

// The first lines of the page's text differences (its last two copies), "" when there are none.
std::string FirstDiffLines(const Curl& page, size_t maxLines = 8);
