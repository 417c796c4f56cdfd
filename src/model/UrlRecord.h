#pragma once

#include "model/CheckInterval.h"
#include "model/CompareOptions.h"
#include "model/RecordExtension.h"
#include "platform/Error.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CArchiveReader;
class CArchiveWriter;

// What the user chose for a monitored page: its name and address, what to watch and how, the
// credentials. The numbers give the field's place in the archive (SITEVIGIL_RECORD_ARCHIVE).
struct CurlSettings
{
    std::string m_strName; // 1
    std::string m_strURL; // 2
    std::string m_strSearchText; // 11
    std::string m_strDescription; // 18
    std::string m_strUserName; // 21
    std::string m_strPassword; // 22
    std::string m_strStartText; // 28
    std::string m_strEndText; // 30
    bool m_bSavePage = true; // 3
    bool m_bWatchUnreachable = false; // 4
    bool m_bWatchReachable = false; // 5
    bool m_bWatchDate = false; // 6
    bool m_bWatchContent = false; // 7
    bool m_bWatchSize = true; // 8
    bool m_bTextSearch = false; // 9
    bool m_bTextNotPresent = false; // 10
    bool m_bAuthenticate = false; // 20
    bool m_bFromStart = true; // 27
    bool m_bToEnd = true; // 29

    // ---- options of the extension block (SITEVIGIL_RECORD_OPTIONS) ----
    // The values here are those of pages from files without the option; a page the user adds takes
    // UseNewPageDefaults.
    CompareMode m_compare = CompareMode::Page; // compare
    std::string m_strSelect; // select: a CSS selector; empty selects the whole page
    std::string m_strXPath; // xpath: an XPath 1.0 expression; empty selects the whole page
    std::vector<std::string> m_ignore; // ignore: lines containing one of these texts are left out
    std::vector<std::string> m_ignoreRegex; // ignoreRegex: lines matching one of these are left out
    ChangeTrigger m_trigger = ChangeTrigger::Any; // trigger
    AnnounceMode m_announce = AnnounceMode::Each; // announce
    // render: checked through the browser engine, its scripts run, the network quiet for renderWait
    // seconds (0 to 60; a file's other values are taken as the nearest).
    bool m_bRender = false; // render
    int32_t m_nRenderWait = 2; // renderWait
    // every: the page's own check interval; global (the seed's one schedule for all) when unset.
    CheckInterval m_every; // every
    // Entries of the block this version does not know (from a newer one): written back unchanged.
    std::vector<ExtensionEntry> m_keptOptions;

    // What a page added from now on (the add dialog, the CLI, an import of bookmarks) starts with.
    void UseNewPageDefaults();

    const std::string& GetName() const { return m_strName; }
    void SetName(const std::string& name) { m_strName = name; }
    const std::string& GetURL() const { return m_strURL; }
    void SetURL(const std::string& url) { m_strURL = url; }

    bool operator==(const CurlSettings&) const = default;
};

// What the checks of a monitored page found: dates, size, checksums, counters, the change mark and its
// reason, the outcome of the last download and the page id. The numbered fields are archived; the
// last three belong to the latest check of this process only.
struct CurlResults
{
    int64_t m_timeLastChecked = 0; // 12
    int64_t m_timeLastModified = 0; // 13
    std::string m_strChangeReason; // 19
    std::string m_strError; // 34
    std::string m_strPageID; // 35
    int32_t m_nSize = 0; // 16
    uint32_t m_dwReserved1 = 0; // 23
    uint32_t m_dwReserved2 = 0; // 24
    uint32_t m_dwPageCRC = 0; // 25
    uint32_t m_dwPartCRC = 0; // 26
    int32_t m_nChecks = 0; // 31
    int32_t m_nDownloads = 0; // 32
    bool m_bLastModifiedKnown = false; // 14
    bool m_bChanged = false; // 15
    bool m_bDataReceived = false; // 17
    bool m_bComplete = false; // 33
    // state (extension block): the state watches' conditions at the last check, for announcing only
    // their flips: "found" or "missing" for the search text, "unreachable" while downloads fail.
    std::vector<std::string> m_watchState;
    // etag, lastModifiedText (extension block): the validators of the page whose copy is kept, as its
    // server sent them, asked back so that an unchanged page comes without a body. Empty when there
    // are none or when the copy is not the page they describe.
    std::string m_strETag;
    std::string m_strLastModifiedText;
    // copyDigest (extension block): the digest of the current copy's bytes (check/PageFiles.h), so an
    // unchanged page is known without reading its copy back; empty when unknown.
    std::string m_strCopyDigest;
    // comparedFrom (extension block): what the page checksum was made from, the digest of the page
    // and that of the rules that made its compared text (check/ChangeRules.h), so a page that comes
    // back the same under the same rules is known unchanged without making its text again. Empty
    // when unknown.
    std::string m_strComparedFrom;

    // ---- the latest check in this process: never archived, never in a snapshot ----
    // The latest check found a change (the change mark stays until the user clears it).
    bool m_bNewChange = false;
    // The last response's HTTP status; 0 when none arrived.
    int m_nHttpStatus = 0;
    // A note on the last download beside its error text ("Proxy error - bad gateway"); usually empty.
    std::string m_strStatus;
    // Seconds since 1970 until which the page's host asked to be left alone, the page's check waiting
    // for it; 0 when it is not waiting.
    int64_t m_timeWaitingForHost = 0;

    const std::string& GetError() const { return m_strError; }
    bool GetChanged() const { return m_bChanged; }
    // Setting the changed flag also sets the new-change flag; clearing it leaves that flag alone.
    void SetChanged(bool changed);
    // Marks the page changed with reason R: changed flag, new-change flag, reason (a later mark replaces it).
    void MarkChanged(const std::string& reason);
    bool GetNewChange() const { return m_bNewChange; }
    bool GetComplete() const { return m_bComplete; }
    int GetHttpStatus() const { return m_nHttpStatus; }
    int GetSize() const { return m_nSize; }

    bool operator==(const CurlResults&) const = default;
};

// The archive order of the persistent fields: X(kind, member) with kind the CArchiveWriter /
// CArchiveReader method suffix. Adding a field means a member above and one line here.
#define SITEVIGIL_RECORD_ARCHIVE(X)                                                                                    \
    X(String, m_strName)                                                                                               \
    X(String, m_strURL)                                                                                                \
    X(Bool, m_bSavePage)                                                                                               \
    X(Bool, m_bWatchUnreachable)                                                                                       \
    X(Bool, m_bWatchReachable)                                                                                         \
    X(Bool, m_bWatchDate)                                                                                              \
    X(Bool, m_bWatchContent)                                                                                           \
    X(Bool, m_bWatchSize)                                                                                              \
    X(Bool, m_bTextSearch)                                                                                             \
    X(Bool, m_bTextNotPresent)                                                                                         \
    X(String, m_strSearchText)                                                                                         \
    X(Time, m_timeLastChecked)                                                                                         \
    X(Time, m_timeLastModified)                                                                                        \
    X(Bool, m_bLastModifiedKnown)                                                                                      \
    X(Bool, m_bChanged)                                                                                                \
    X(Int32, m_nSize)                                                                                                  \
    X(Bool, m_bDataReceived)                                                                                           \
    X(String, m_strDescription)                                                                                        \
    X(String, m_strChangeReason)                                                                                       \
    X(Bool, m_bAuthenticate)                                                                                           \
    X(String, m_strUserName)                                                                                           \
    X(String, m_strPassword)                                                                                           \
    X(UInt32, m_dwReserved1)                                                                                           \
    X(UInt32, m_dwReserved2)                                                                                           \
    X(UInt32, m_dwPageCRC)                                                                                             \
    X(UInt32, m_dwPartCRC)                                                                                             \
    X(Bool, m_bFromStart)                                                                                              \
    X(String, m_strStartText)                                                                                          \
    X(Bool, m_bToEnd)                                                                                                  \
    X(String, m_strEndText)                                                                                            \
    X(Int32, m_nChecks)                                                                                                \
    X(Int32, m_nDownloads)                                                                                             \
    X(Bool, m_bComplete)                                                                                               \
    X(String, m_strError)                                                                                              \
    X(String, m_strPageID)

// The options of the extension block: X(name, member) with the name stored in the file. Adding an
// option means a member above (its initial value is what files without it mean) and one line here;
// its type needs EncodeOptionValue and DecodeOptionValue (model/RecordExtension.h).
#define SITEVIGIL_RECORD_OPTIONS(X)                                                                                    \
    X("compare", m_compare)                                                                                            \
    X("select", m_strSelect)                                                                                           \
    X("xpath", m_strXPath)                                                                                             \
    X("ignore", m_ignore)                                                                                              \
    X("ignoreRegex", m_ignoreRegex)                                                                                    \
    X("trigger", m_trigger)                                                                                            \
    X("announce", m_announce)                                                                                          \
    X("render", m_bRender)                                                                                             \
    X("renderWait", m_nRenderWait)                                                                                     \
    X("every", m_every)                                                                                                \
    X("state", m_watchState)                                                                                           \
    X("etag", m_strETag)                                                                                               \
    X("lastModifiedText", m_strLastModifiedText)                                                                       \
    X("copyDigest", m_strCopyDigest)                                                                                   \
    X("comparedFrom", m_strComparedFrom)

// One monitored page: what the user chose (CurlSettings) and what the checks found (CurlResults).
// The state of a download in progress is not here: it belongs to the fetch (fetch/FetchOutcome.h) and
// the page check (check/PageCheck.h), and dies with them. Texts for people come from
// check/PageTexts.h.
//
// A record in the list is read and written on the front end's thread only. A check works on a work
// copy (MakeWorkCopy) on a worker thread; the front end's thread then takes the results back into
// the list's record with ApplyCheckResults. The serial and the edit generation tie the two together.
class Curl : public CurlSettings, public CurlResults
{
public:
    Curl();
    // Snapshot for the update log and the change e-mail: construction values, then fields 1 to 32;
    // the serial and the edit generation come along.
    Curl(const Curl& source);
    Curl& operator=(const Curl&) = delete;
    ~Curl();

    CurlSettings& Settings() { return *this; }
    const CurlSettings& Settings() const { return *this; }
    CurlResults& Results() { return *this; }
    const CurlResults& Results() const { return *this; }

    // A copy for a check on another thread: every persistent field, the serial and the edit
    // generation.
    std::unique_ptr<Curl> MakeWorkCopy() const;
    // Takes the results of a check of the work copy into this record (the same serial): the dates,
    // size, checksums, counters, download outcome, status and the page id once one was assigned. What
    // the user enters (name, address, watches, texts, credentials) is never taken. The change mark is
    // only ever added: a change the check found marks this record with its reason, and a mark the
    // user cleared while the check ran stays cleared unless the check found a new change.
    void ApplyCheckResults(const Curl& checked);

    // In-memory identity, never archived: unique among the records of this process, kept by copies.
    // Reports of a check carry it, so a late report finds its record, or none once it was removed.
    uint64_t GetSerial() const { return m_nSerial; }
    // Gives the record a serial no other record has (the document does this for a copy it is given).
    void RenewSerial();
    // Counts the user's edits: whoever changes what a check looks at (the properties sheet's OK, the
    // CLI) calls MarkEdited on the list's record. A check whose copy has an older generation judged
    // settings the user has since replaced; its results are dropped.
    uint32_t GetEditGeneration() const { return m_nEditGeneration; }
    // The server's validators are forgotten with it: the next check downloads the page whole, judged
    // by the new settings (and from the new address).
    void MarkEdited();

    // Archive: always writes fields 1 to 35, then the extension block (the options in table order, then
    // the kept entries). Returns false when the record could not be encoded.
    bool Serialize(CArchiveWriter& archive) const;
    // Reads fields 1 to 34, then 35 when the file version has it, then the extension block when the
    // file version has one (1.1 and later); an option whose value this version cannot read keeps its
    // initial value. A page id that is not valid is dropped (the list assigns a fresh one when the page joins it). On a
    // read error the name becomes "Error" and the address "http://127.0.0.1"; fields read before the error keep their
    // values. Returns false in that case (the archive position is then undefined).
    bool ReadFromArchive(CArchiveReader& archive, int major, int minor, int build);

    // Whether the id is one the list makes: 1 to 8 lowercase hexadecimal digits.
    static bool IsValidPageID(const std::string& id);
    // Whether a page with this address can be watched: what the add command accepts, and every other
    // way a page enters the list (imports, the properties sheet) must accept no more. BadInput, with the
    // reason, when it cannot.
    static Status IsWatchableURL(const std::string& url);

private:
    struct WholeCopy
    {
    };
    // Reads the extension block: known options into their members, the others into m_keptOptions.
    bool ReadOptions(CArchiveReader& archive);
    // Copies every persistent field and the serial; the work copy.
    Curl(const Curl& source, WholeCopy);
    uint64_t m_nSerial;
    uint32_t m_nEditGeneration = 0;
};
