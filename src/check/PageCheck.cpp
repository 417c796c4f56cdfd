// The page check: download a record's page and decide, by each watch the user chose, whether it changed.

#include "check/PageCheck.h"

#include "check/ChangeRules.h"
#include "check/Checksum.h"
#include "check/PageFiles.h"
#include "check/PageTexts.h"
#include "fetch/PageRenderer.h"
#include "fetch/UrlEngine.h"
#include "platform/Clock.h"
#include "platform/HtmlTitle.h"

namespace {

// One check in progress: the results it builds, the marks it makes and the debug log it writes.
class CJudgement
{
public:
    CJudgement(const CurlSettings& settings, const CurlResults& previous)
        : m_settings(settings)
        , m_previous(previous)
    {
        m_verdict.results = previous;
        m_verdict.results.m_bNewChange = false;
    }

    PageVerdict Judge(FetchOutcome outcome);

private:
    CurlResults& Results() { return m_verdict.results; }
    void Mark(const std::string& reason)
    {
        Results().MarkChanged(reason);
        m_verdict.changes.push_back(reason);
    }
    void TakeDownload(const FetchOutcome& outcome);
    void TakeFailure();
    Status MakeComparedText();
    void JudgeContent(bool firstDownload, const std::string& fileBase, const std::string& comparedFrom);
    std::optional<std::string> ComparedTextOfCopy(const std::string& fileBase) const;
    void JudgeUnchanged(FetchOutcome outcome);
    void JudgePart();
    void SearchText();

    const CurlSettings& m_settings;
    const CurlResults& m_previous;
    PageVerdict m_verdict;
    // What the checksum, the limit texts and the search look at: the page itself, or its visible
    // text; in both cases without the lines the ignore rules drop.
    std::string m_compared;
    CDebugLog m_log;
};

// What the download says for itself: its status, size and error, and the date it carries.
void CJudgement::TakeDownload(const FetchOutcome& outcome)
{
    CurlResults& results = Results();
    results.m_nHttpStatus = outcome.httpStatus;
    results.m_bComplete = outcome.complete || outcome.notModified;
    // An unchanged page keeps the size of its copy.
    if (!outcome.notModified) {
        results.m_nSize = static_cast<int32_t>(outcome.body.size());
        results.m_bDataReceived = outcome.dataReceived;
    }
    results.m_strStatus = FetchStatusText(outcome);
    // A whole page leaves the error text of an earlier failure as it was.
    if (!results.m_bComplete)
        results.m_strError = FetchErrorText(outcome);
    if (!outcome.headRead)
        return;
    // The date of a response whose body was taken counts even when the body then failed to arrive.
    if (!outcome.lastModified) {
        results.m_bLastModifiedKnown = false;
        return;
    }
    const int64_t date = *outcome.lastModified;
    if (results.m_bLastModifiedKnown && date > results.m_timeLastModified && m_settings.m_bWatchDate)
        Mark(ChangeReason::DateChanged(results, date));
    results.m_timeLastModified = date;
    results.m_bLastModifiedKnown = true;
}

PageVerdict CJudgement::Judge(FetchOutcome outcome)
{
    TakeDownload(outcome);
    CurlResults& results = Results();
    // The storage folder is read once for all of this check's files; a page without an id has none.
    const std::string fileBase = FileBaseOf(results.m_strPageID);
    // The header shows the dates as the download left them, before this check counts.
    m_log.Open(fileBase, m_settings, results);
    results.m_timeLastChecked = Clock::Now();
    results.m_nChecks += 1;

    if (outcome.notModified) {
        JudgeUnchanged(std::move(outcome));
        return std::move(m_verdict);
    }

    if (!outcome.complete) {
        TakeFailure();
        return std::move(m_verdict);
    }

    // The record's first successful download has nothing to compare its checksums with.
    const bool firstDownload = results.m_nDownloads == 0;
    results.m_nDownloads += 1;
    // The page text ends at the first zero byte of the body.
    std::string& page = m_verdict.pageText;
    page = std::move(outcome.body);
    if (const size_t zero = page.find('\0'); zero != std::string::npos)
        page.resize(zero);

    // Only a check that follows a failed one can find the page back; a never-checked record cannot.
    const bool previouslyChecked = m_previous.m_nChecks > 0;
    if (m_settings.m_bWatchReachable && previouslyChecked && !m_previous.m_bComplete)
        Mark(ChangeReason::kReachableAgain);
    SetState(results.m_watchState, kStateUnreachable, false);

    // The page and the rules its checksum was made from are those of before: its compared text would
    // be the one that checksum was made of, so making it again (parsing the page) is left out. Not
    // for the watches that judge the text itself.
    const std::string comparedFrom = CopyDigest(page) + "/" + ComparedTextRulesDigest(m_settings);
    if (!firstDownload && !NeedsPageText(m_settings) && comparedFrom == m_previous.m_strComparedFrom) {
        m_verdict.newPageCrc = results.m_dwPageCRC;
        JudgeContent(firstDownload, fileBase, comparedFrom);
    }
    // A page whose text cannot be made (a rule past its budget, a page past the bounds) fails this
    // check with the reason; a selection that matches nothing is a change reason of its own.
    else if (Status made = MakeComparedText(); !made) {
        if (made.error().kind == ErrorKind::NotFound) {
            Mark(ChangeReason::kSelectionNotFound);
        } else {
            results.m_bComplete = false;
            results.m_strError = made.error().message;
            m_log.WriteLine(made.error().message);
            return std::move(m_verdict);
        }
    } else {
        m_verdict.newPageCrc = TextChecksum(m_compared);
        JudgeContent(firstDownload, fileBase, comparedFrom);
    }

    // Saved once the page is judged, so that a version leaving the copies for the history carries the
    // reason of the change that replaced it.
    Status copy;
    const bool keepsCopy = m_settings.m_bSavePage && !fileBase.empty();
    if (keepsCopy) {
        std::string historyNote;
        copy = SavePageCopy(fileBase, page, m_verdict.changes.empty() ? std::string() : m_verdict.changes.back(),
                            &historyNote, &results.m_strCopyDigest);
        if (!historyNote.empty())
            m_log.WriteLine(historyNote);
    }
    // The validators describe the page in the copy: without a fresh copy of this page there is
    // nothing a 304 could stand for.
    const Validators validators = keepsCopy && copy ? outcome.validators : Validators{};
    results.m_strETag = validators.etag;
    results.m_strLastModifiedText = validators.lastModified;

    // The page was judged, but a copy that could not be saved is a failed check: the user must not be
    // told OK while the copies are out of date.
    if (!copy) {
        results.m_bComplete = false;
        results.m_strError = copy.error().message;
        m_log.WriteLine(copy.error().message);
    }
    return std::move(m_verdict);
}

// A failed, refused or cancelled download changes nothing else: checksums, download count and
// copies stay as the last good download left them.
void CJudgement::TakeFailure()
{
    CurlResults& results = Results();
    if (m_settings.m_bWatchUnreachable
        && AnnounceState(m_settings.m_announce, m_previous.m_watchState, kStateUnreachable))
        Mark(results.m_strError);
    SetState(results.m_watchState, kStateUnreachable, true);
}

Status CJudgement::MakeComparedText()
{
    Result<std::string> text = PageComparedText(m_settings, m_verdict.pageText);
    if (!text)
        return text.error();
    m_compared = std::move(*text);
    return {};
}

// The compared text of the current copy, read before this check replaces it; none when there is no
// copy (the page is not saved) or its text cannot be made.
std::optional<std::string> CJudgement::ComparedTextOfCopy(const std::string& fileBase) const
{
    std::optional<std::string> before = ReadCurrentCopyAt(fileBase);
    if (!before)
        return std::nullopt;
    CJudgement earlier(m_settings, m_previous);
    earlier.m_verdict.pageText = std::move(*before);
    if (!earlier.MakeComparedText())
        return std::nullopt;
    return std::move(earlier.m_compared);
}

// The checksum of the compared text is in the verdict, and the text in m_compared unless the page is
// known to be the one the results' checksum was made from.
void CJudgement::JudgeContent(bool firstDownload, const std::string& fileBase, const std::string& comparedFrom)
{
    CurlResults& results = Results();
    const bool differs = m_verdict.newPageCrc != results.m_dwPageCRC && !firstDownload;
    const bool byText = m_settings.m_compare == CompareMode::Text;
    // The earlier text is read only for a difference that a watch asks about.
    std::optional<std::string> before;
    if (differs && (m_settings.m_bWatchContent || (byText && m_settings.m_bWatchSize)))
        before = ComparedTextOfCopy(fileBase);
    if (differs && m_settings.m_bWatchContent) {
        std::optional<LineChanges> lines;
        if (before) {
            lines = CountLineChanges(*before, m_compared);
            m_log.WriteLine("Lines added " + std::to_string(lines->added) + ", removed "
                            + std::to_string(lines->removed));
        }
        if (TriggerFires(m_settings.m_trigger, lines))
            Mark(byText ? TextChangeReason(lines) : ChangeReason::kChecksumChanged);
    }
    // Sizes are compared between two successful downloads only: a record's first download has nothing
    // to compare with. A page compared by its text has the size of its text judged instead.
    if (m_settings.m_bWatchSize && !byText && m_previous.m_nChecks > 0 && m_previous.m_bComplete
        && m_previous.m_nSize != results.m_nSize)
        Mark(ChangeReason::SizeChanged(m_previous.m_nSize, results.m_nSize));
    if (byText && m_settings.m_bWatchSize && before && before->size() != m_compared.size())
        Mark(ChangeReason::TextSizeChanged(before->size(), m_compared.size()));
    // Stored also when content is not watched, so turning the watch on compares with the latest page.
    results.m_dwPageCRC = m_verdict.newPageCrc;
    results.m_strComparedFrom = comparedFrom;

    if (!m_settings.m_bFromStart || !m_settings.m_bToEnd)
        JudgePart();
    if (m_settings.m_bTextSearch || m_settings.m_bTextNotPresent)
        SearchText();
}

void CJudgement::JudgeUnchanged(FetchOutcome outcome)
{
    // The server says the page is the one in the copy: checksums, size and copies stay; only what
    // needs no new body is judged, and the watches that hold at every check of a page (a limit text
    // missing, the search text) are judged again on the text of the copy when the check brought it.
    CurlResults& results = Results();
    results.m_nDownloads += 1;
    if (m_settings.m_bWatchReachable && m_previous.m_nChecks > 0 && !m_previous.m_bComplete)
        Mark(ChangeReason::kReachableAgain);
    if (!outcome.validators.etag.empty())
        results.m_strETag = outcome.validators.etag;
    if (!outcome.validators.lastModified.empty())
        results.m_strLastModifiedText = outcome.validators.lastModified;
    SetState(results.m_watchState, kStateUnreachable, false);
    m_log.WriteLine("Not modified, 304");
    if (!NeedsPageText(m_settings))
        return;
    m_verdict.pageText = std::move(outcome.body);
    if (!MakeComparedText())
        return;
    if (!m_settings.m_bFromStart || !m_settings.m_bToEnd)
        JudgePart();
    if (m_settings.m_bTextSearch || m_settings.m_bTextNotPresent)
        SearchText();
}

void CJudgement::JudgePart()
{
    CurlResults& results = Results();
    std::string missing;
    std::optional<std::string> part = CutPart(m_settings, m_compared, &missing);
    if (!part) {
        // A missing limit text marks its own reason and leaves the stored part checksum alone.
        Mark(missing);
        return;
    }
    m_verdict.partText = std::move(*part);
    m_verdict.newPartCrc = TextChecksum(m_verdict.partText);
    m_log.WriteLine("Partial page watch - Old CRC = " + std::to_string(results.m_dwPartCRC)
                    + " new CRC = " + std::to_string(m_verdict.newPartCrc));
    // No part checksum stored yet (0; the empty part has it too): the first cut part only sets it.
    if (m_verdict.newPartCrc != results.m_dwPartCRC && results.m_dwPartCRC != 0 && results.m_nDownloads > 1)
        Mark(ChangeReason::kPartChanged);
    results.m_dwPartCRC = m_verdict.newPartCrc;
}

void CJudgement::SearchText()
{
    // The compared text is searched: the raw page with its tags, or the visible text. An empty
    // search text is found at once.
    const std::string& text = m_settings.m_strSearchText;
    const size_t at = m_compared.find(text.c_str());
    std::vector<std::string>& state = Results().m_watchState;
    const AnnounceMode announce = m_settings.m_announce;
    if (at != std::string::npos) {
        // With both boxes ticked, only the absence of the text counts.
        if (m_settings.m_bTextSearch && !m_settings.m_bTextNotPresent
            && AnnounceState(announce, m_previous.m_watchState, kStateFound)) {
            Mark(ChangeReason::kTextFound);
            m_log.WriteLine(text + " is present at index " + std::to_string(static_cast<long long>(at)));
        }
        SetState(state, kStateFound, true);
    } else {
        if (m_settings.m_bTextNotPresent && AnnounceState(announce, m_previous.m_watchState, kStateMissing)) {
            Mark(ChangeReason::kTextMissing);
            m_log.WriteLine(text + " not found");
        }
        SetState(state, kStateMissing, true);
    }
}

} // namespace

PageVerdict JudgePage(const CurlSettings& settings, const CurlResults& previous, FetchOutcome outcome)
{
    return CJudgement(settings, previous).Judge(std::move(outcome));
}

bool NeedsPageText(const CurlSettings& settings)
{
    return !settings.m_bFromStart || !settings.m_bToEnd || settings.m_bTextSearch || settings.m_bTextNotPresent;
}

FetchOutcome FetchPage(const Curl& page, CUrlEngine& engine, IFetchProgress* progress)
{
    // The validators are asked back only while the copy they describe is there.
    const std::string fileBase = page.m_bSavePage ? FileBaseOf(page.m_strPageID) : std::string();
    Validators conditional;
    if (HasSavedCopy(fileBase))
        conditional = Validators{page.m_strETag, page.m_strLastModifiedText};
    FetchOutcome outcome = engine.fetch(page, progress, conditional);
    if (outcome.notModified && NeedsPageText(page)) {
        // The watches that judge the text at every check judge that of the copy.
        if (Result<std::string> text = ReadSavedPageText(fileBase)) {
            outcome.body = std::move(*text);
            return outcome;
        }
    } else if (outcome.notModified && HasSavedCopy(fileBase)) {
        return outcome;
    }
    // A 304 that stands for no copy (it went away meanwhile, or no validator was sent) is no answer:
    // the page is asked for once more, unconditionally.
    if (outcome.httpStatus == 304)
        outcome = engine.fetch(page, progress);
    return outcome;
}

PageVerdict CheckPage(Curl& page, CUrlEngine& engine, IFetchProgress* progress)
{
    PageVerdict verdict = JudgePage(page, page, FetchPage(page, engine, progress));
    page.Results() = verdict.results;
    return verdict;
}

FetchOutcome RenderOutcome(const Curl& page, IPageRenderer* renderer)
{
    FetchOutcome outcome;
    if (renderer)
        outcome = renderer->render(MakeRenderRequest(page, page.m_nRenderWait));
    else
        outcome.failure = FetchFailure::RenderUnavailable;
    return outcome;
}

PageVerdict RenderPage(Curl& page, IPageRenderer* renderer)
{
    PageVerdict verdict = JudgePage(page, page, RenderOutcome(page, renderer));
    page.Results() = verdict.results;
    return verdict;
}

std::optional<std::string> CutPart(const CurlSettings& settings, const std::string& page, std::string* missingReason)
{
    size_t start = 0;
    if (!settings.m_bFromStart) {
        start = page.find(settings.m_strStartText.c_str());
        if (start == std::string::npos) {
            if (missingReason)
                *missingReason = ChangeReason::kNoStartText;
            return std::nullopt;
        }
    }
    size_t end = page.size();
    if (!settings.m_bToEnd) {
        // Searched from the start text itself: an end text inside the start text ends the part at once.
        end = page.find(settings.m_strEndText.c_str(), start);
        if (end == std::string::npos) {
            if (missingReason)
                *missingReason = ChangeReason::kNoEndText;
            return std::nullopt;
        }
    }
    return page.substr(start, end - start);
}

std::string GetPageTitle(std::string_view pageText)
{
    return ExtractHtmlTitle(pageText);
}
