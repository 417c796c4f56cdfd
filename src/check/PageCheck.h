#pragma once

#include <cstdint>
#include <string>

class CUrlEngine;
class Curl;

// The page check: downloads a record's page and decides, by each watch the user chose, whether it
// changed. A change is marked on the record with its reason (Curl::MarkChanged). Everything here works
// on the record it is given, normally a work copy on a worker thread; nothing reaches into the list.

// What the download before the one being judged left in the record. The engine resets the download
// fields when a fetch starts, so CheckPage takes this first; the Size and Reachable watches use it.
struct PreviousDownload
{
    bool checked; // the record had been checked before
    bool complete; // and that check's download succeeded
    int32_t size; // with a body of this many bytes
};
PreviousDownload GetPreviousDownload(const Curl& page);

// Fetches the page with the engine and judges it; runs on the calling (worker) thread.
void CheckPage(Curl& page, CUrlEngine& engine);
// Judges the download now in the record. Without the previous download, Size and Reachable stay quiet.
void EvaluatePage(Curl& page);
void EvaluatePage(Curl& page, const PreviousDownload& previous);
// Cuts the part between the limit texts and computes its checksum; the stored one is left to the
// caller. False when a limit text was missing and no part was cut.
bool ComputePartCRC(Curl& page);
// The text search and the text-not-present watch, over the raw page text.
void SearchText(Curl& page);
// Text of the last title element that yields one; no scripts run.
std::string GetPageTitle(const Curl& page);
