#pragma once

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

// The notifications of one finished run, called once at its end on the front end's thread with the
// list as it is then: writes to the outbox one row per channel and notification (the new changes for
// the channels that want changes, the pages that started failing or recovered for those that want
// failures, the change e-mail when sendEmail is on and the run found new changes) and brings the
// changes feed up to date. Nothing is delivered here: DeliverOutbox does that, off this thread.
QueuedNotifications QueueRunNotifications(const std::vector<std::unique_ptr<Curl>>& records, int newChanges);

// The first lines of the page's text differences (its last two copies), "" when there are none.
std::string FirstDiffLines(const Curl& page, size_t maxLines = 8);
