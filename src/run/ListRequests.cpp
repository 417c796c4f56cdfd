#include "run/ListRequests.h"

#include "check/PageFiles.h"
#include "check/RemovedPages.h"
#include "model/BrowserImport.h"
#include "model/ListImport.h"
#include "model/ListSession.h"
#include "model/PageLookup.h"
#include "run/CheckRun.h"

#include <algorithm>
#include <memory>

namespace {

// Every page has its id from the moment it joined the list, so each can be named by it.
Status Save(CListSession& session)
{
    return session.Save();
}

// What a page holds, kept so that a change the save refused can be undone.
struct PageFields
{
    explicit PageFields(const Curl& page)
        : settings(page.Settings())
        , results(page.Results())
    { }
    void RestoreTo(Curl& page) const
    {
        page.Settings() = settings;
        page.Results() = results;
    }
    CurlSettings settings;
    CurlResults results;
};

ControlAnswer SaveFailed(const Status& saved, const std::string& undone)
{
    return ControlAnswer::Fail(saved.error().message + "; " + undone);
}

ControlAnswer Add(CListSession& session, const ControlRequest& request)
{
    if (!request.changes.url)
        return ControlAnswer::Refuse("give exactly one address");
    auto record = CListSession::NewRecord(*request.changes.url);
    if (const Status applied = request.changes.ApplyTo(*record); !applied)
        return ControlAnswer::Refuse(applied.error().message);
    CSiteVigilDoc& doc = session.Doc();
    ControlAnswer answer;
    if (doc.IsDuplicate(*record))
        answer.warnings.push_back(record->m_strURL + " is already in the list; added again");
    Curl* added = record.get();
    if (const Status joined = doc.AddRecord(std::move(record)); !joined)
        return ControlAnswer::Fail(joined.error().message + "; the page was not added");
    if (const Status saved = Save(session); !saved) {
        doc.RemoveRecord(added);
        return SaveFailed(saved, "the page was not added");
    }
    answer.pages.push_back(DescribePage(doc, *added));
    return answer;
}

ControlAnswer Edit(CListSession& session, const ControlRequest& request)
{
    if (request.pages.size() != 1)
        return ControlAnswer::Refuse(request.pages.empty() ? "which page? (edit PAGE --OPTION VALUE...)"
                                                           : "one page at a time");
    if (request.changes.Empty())
        return ControlAnswer::Refuse("nothing to change: give at least one option (see sitevigil-cli help edit)");
    Result<Curl*> found = FindPage(session.Doc(), request.pages.front());
    if (!found)
        return ControlAnswer::Refuse(found.error().message);
    Curl& page = *found.value();
    // The changes are tried on a copy first, so that a refused edit leaves the page as it was.
    Curl trial(page);
    if (const Status applied = request.changes.ApplyTo(trial); !applied)
        return ControlAnswer::Refuse(applied.error().message);
    const PageFields before(page);
    request.changes.ApplyTo(page);
    // A check of the page that started before the edit judged the old settings: its results are dropped.
    page.MarkEdited();
    session.Doc().NotifyChanged(page);
    if (const Status saved = Save(session); !saved) {
        before.RestoreTo(page);
        session.Doc().NotifyChanged(page);
        return SaveFailed(saved, "the page was not changed");
    }
    ControlAnswer answer;
    answer.pages.push_back(DescribePage(session.Doc(), page));
    return answer;
}

// Puts removed records back where they were: the list is rebuilt in its old order.
void PutBack(CSiteVigilDoc& doc, std::vector<std::pair<size_t, std::unique_ptr<Curl>>> removed)
{
    CSiteVigilDoc::RecordList rest = doc.TakeAll();
    std::sort(removed.begin(), removed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t next = 0;
    auto back = removed.begin();
    for (size_t row = 0; next < rest.size() || back != removed.end(); ++row) {
        if (back != removed.end() && back->first == row)
            doc.AddRecord(std::move((back++)->second));
        else
            doc.AddRecord(std::move(rest[next++]));
    }
}

ControlAnswer Remove(CListSession& session, const ControlRequest& request)
{
    if (request.pages.empty())
        return ControlAnswer::Refuse("name the pages to remove (position from 1 or exact name)");
    CSiteVigilDoc& doc = session.Doc();
    // All names are resolved before anything is removed, so positions refer to the list as it was.
    Result<std::vector<Curl*>> found = FindPages(doc, request.pages, false);
    if (!found)
        return ControlAnswer::Refuse(found.error().message);
    ControlAnswer answer;
    std::vector<std::pair<size_t, std::unique_ptr<Curl>>> removed;
    for (Curl* page : found.value()) {
        answer.pages.push_back(DescribePage(doc, *page));
        removed.emplace_back(doc.RowOf(page), nullptr);
    }
    // Removed from the last row up, so that the rows noted stay those of the list as it was.
    std::vector<size_t> order(removed.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return removed[a].first > removed[b].first; });
    for (const size_t i : order)
        removed[i].second = doc.RemoveRecord(&doc.RecordAt(removed[i].first));
    if (const Status saved = Save(session); !saved) {
        PutBack(doc, std::move(removed));
        return SaveFailed(saved, "no page was removed");
    }
    // Only once the list is saved without them: their files go to removed/, history included.
    const std::string pagesFolder = GetPagesFolder();
    for (const auto& page : removed) {
        if (Status moved = MovePageFilesToRemoved(pagesFolder, page.second->m_strPageID); !moved)
            answer.warnings.push_back(moved.error().message);
    }
    return answer;
}

ControlAnswer Clear(CListSession& session, const ControlRequest& request)
{
    Result<std::vector<Curl*>> found = FindPages(session.Doc(), request.pages, true);
    if (!found)
        return ControlAnswer::Refuse(found.error().message);
    ControlAnswer answer;
    std::vector<PageFields> before;
    for (Curl* page : found.value()) {
        before.emplace_back(*page);
        answer.count += page->GetChanged() ? 1 : 0;
        CListSession::ClearChange(*page);
        session.Doc().NotifyChanged(*page);
    }
    if (const Status saved = Save(session); !saved) {
        for (size_t i = 0; i < before.size(); ++i) {
            before[i].RestoreTo(*found.value()[i]);
            session.Doc().NotifyChanged(*found.value()[i]);
        }
        return SaveFailed(saved, "no change mark was cleared");
    }
    for (Curl* page : found.value())
        answer.pages.push_back(DescribePage(session.Doc(), *page));
    return answer;
}

Result<ImportResult> ImportInto(CSiteVigilDoc& doc, const ControlRequest& request)
{
    if (request.verb == ControlVerb::ImportList)
        return ImportListFile(doc, request.file);
    if (request.verb == ControlVerb::ImportBookmarks)
        return ImportBookmarksFile(doc, request.file);
    if (request.verb == ControlVerb::ImportFirefox || request.verb == ControlVerb::ImportChromium)
        return ImportBrowserProfile(
            doc, request.verb == ControlVerb::ImportFirefox ? BrowserFamily::Firefox : BrowserFamily::Chromium,
            request.file, request.pages);
    return ImportFavorites(doc, request.file);
}

ControlAnswer Import(CListSession& session, const ControlRequest& request)
{
    const size_t before = session.Doc().Count();
    return FinishImportRequest(session, request, ImportInto(session.Doc(), request), before);
}

} // namespace

ControlAnswer ApplyListRequest(CListSession& session, const ControlRequest& request)
{
    // A program that holds the list has it open already, damaged or not: a damaged list is never saved
    // over, so a change to it is refused rather than kept unsaved.
    if (session.IsDamaged())
        return ControlAnswer::Refuse(session.LoadError() + "; nothing was changed");
    switch (request.verb) {
    case ControlVerb::Add:
        return Add(session, request);
    case ControlVerb::Edit:
        return Edit(session, request);
    case ControlVerb::Remove:
        return Remove(session, request);
    case ControlVerb::Clear:
        return Clear(session, request);
    case ControlVerb::ImportList:
    case ControlVerb::ImportBookmarks:
    case ControlVerb::ImportFavorites:
    case ControlVerb::ImportFirefox:
    case ControlVerb::ImportChromium:
        return Import(session, request);
    case ControlVerb::ShowWindow:
    case ControlVerb::Check:
        break;
    }
    return ControlAnswer::Refuse("this request is not a change of the list");
}

bool FoundChange(const Curl& page)
{
    return page.GetNewChange() && page.GetChanged();
}

std::string FailureText(const Curl& page)
{
    if (!page.GetError().empty())
        return page.GetError();
    if (page.GetHttpStatus() != 0)
        return "the download failed (HTTP status " + std::to_string(page.GetHttpStatus()) + ")";
    return "the download failed";
}

AnsweredPage DescribePage(const CSiteVigilDoc& doc, const Curl& page)
{
    AnsweredPage answered;
    answered.label = PageLabel(doc, &page);
    answered.position = static_cast<uint32_t>(PagePosition(doc, &page));
    answered.name = page.GetName();
    answered.url = page.GetURL();
    answered.changed = FoundChange(page);
    answered.changeReason = page.m_strChangeReason;
    answered.failed = !page.GetComplete();
    if (answered.failed)
        answered.failure = FailureText(page);
    return answered;
}

ControlAnswer DescribeRun(const CSiteVigilDoc& doc, const CCheckRun& run)
{
    // The run names its pages by serial; a page removed since is no longer there.
    ControlAnswer answer;
    for (const uint64_t serial : run.RunPages()) {
        if (const Curl* page = doc.FindBySerial(serial))
            answer.pages.push_back(DescribePage(doc, *page));
    }
    answer.count = run.RunPages().size();
    return answer;
}

ControlAnswer FinishImportRequest(CListSession& session, const ControlRequest& request, Result<ImportResult> imported,
                                  size_t countBefore)
{
    CSiteVigilDoc& doc = session.Doc();
    const size_t before = countBefore;
    if (!imported)
        return ControlAnswer::Refuse(imported.error().message + "; nothing was imported");
    ImportResult& result = *imported;
    ControlAnswer answer;
    answer.count = result.added;
    answer.skipped = std::move(result.skipped);
    if (result.alreadyWatched > 0)
        answer.warnings.push_back(std::to_string(result.alreadyWatched)
                                  + (result.alreadyWatched == 1 ? " page was" : " pages were")
                                  + " already watched and left out");
    // A bookmarks file without a single web link is most likely the wrong file (a page saved by
    // mistake, an export in another format): say so rather than report success with nothing imported.
    const bool browser = request.verb == ControlVerb::ImportFirefox || request.verb == ControlVerb::ImportChromium;
    if (browser && result.added == 0 && result.alreadyWatched == 0) {
        answer.outcome = ControlOutcome::Refused;
        answer.error = "there are no web bookmarks (http or https) in " + request.file + "; nothing was imported";
        return answer;
    }
    if (request.verb == ControlVerb::ImportBookmarks && result.added == 0) {
        answer.outcome = ControlOutcome::Refused;
        answer.error = "there are no web links (http or https) in " + request.file + "; nothing was imported";
        return answer;
    }
    if (result.added == 0)
        return answer;
    if (const Status saved = Save(session); !saved) {
        while (doc.Count() > before)
            doc.RemoveRecord(&doc.RecordAt(doc.Count() - 1));
        return SaveFailed(saved, "nothing was imported");
    }
    return answer;
}
