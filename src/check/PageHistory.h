#pragma once

#include "check/HistoryIndex.h"
#include "platform/Error.h"

#include <cstdint>
#include <string>
#include <vector>

// The history of a page: the versions older than its previous copy, kept compressed.
//
// On disk, beside the page's own files (base = savedPages/<page id>, see PageFiles.h):
//
//   savedPages/<id>/index       the index (HistoryIndex.h), replaced whole through an atomic save and
//                               never read past kMaxIndexBytes
//   savedPages/<id>/<N>.gz      version N as gzip (zcat reads it); numbers only ever rise
//   savedPages/<id>/<N>.html    version N unpacked for a comparison, replaced by the next one
//
// The current copy (<id>.html) and the previous copy (<id>_previous.html) stay as they always were.
// When the copies rotate, the outgoing previous copy joins the history under the number `next`, with
// the time it was saved and the reason of the change that replaced it. The versions are numbered in
// one row with the copies: after the last kept version come the previous copy (number `next`) and
// the current copy (`next` + 1, or `next` when there is no previous copy), so a number keeps naming
// the same version while it moves from copy to history.
//
// Limits: at most `versions` kept per page; all pages' versions together at most `budgetBytes`
// (compressed). The oldest go first: for the budget, the oldest version of any page. A version that
// alone is larger than the budget is not kept, and nothing else goes for it.
//
// Damage: an index that cannot be read is rebuilt from the version files (their reasons are lost);
// a version whose file is missing is left out of the list and of the next saved index; a version
// whose file is damaged (cut short, not gzip) is listed, and reading it fails with BadInput.
// Index updates of all pages are serialised within the process; reading needs no lock.

struct HistoryLimits
{
    int versions = 10;
    uint64_t budgetBytes = 500ull << 20;

    // historyVersions and historyBudgetMB as the settings hold them now.
    static HistoryLimits FromSettings();
};

// Records the rotation about to happen: the previous copy (if any) joins the history, the current
// copy becomes the previous one and the new copy, saved because of reason, the current one. Called
// before the copies are renamed; a failure here leaves the copies to rotate all the same, and says why
// the history missed the version.
Status KeepOutgoingCopy(const std::string& base, const std::string& reason, const HistoryLimits& limits);

enum class VersionKind
{
    History,
    Previous,
    Current,
};

struct PageVersion
{
    HistoryVersion version;
    VersionKind kind = VersionKind::History;
};

struct PageVersions
{
    std::vector<PageVersion> versions; // oldest first, the current copy last
    // Versions the index names whose files are gone.
    int missing = 0;
};

// Every version of the page, the two copies included. NotFound when the page has no copy at all.
Result<PageVersions> ListPageVersions(const std::string& base);

// A file holding version number of the page as it was saved: a copy's own file, or the version
// unpacked into the history folder. NotFound for a number the page does not have, BadInput when the
// version's file is damaged. Versions unpacked earlier are removed, but for alsoKeep (the other side
// of a comparison).
Result<std::string> PageVersionFile(const std::string& base, int number, int alsoKeep = 0);

// The history folder of the page (base + "/").
std::string HistoryFolderOf(const std::string& base);
// Forgets what is known of the pages' history sizes, so the budget is counted afresh from disk (after
// pages were moved away or their files changed behind the program's back).
void ForgetHistoryUsage();
