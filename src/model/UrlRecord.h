#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class CArchiveReader;
class CArchiveWriter;
class Curl;

// Receives the progress of a download in whole kilobytes (the "view to notify" of a record).
// Called on the worker thread that fetches the record.
class IUrlProgressTarget
{
public:
    virtual ~IUrlProgressTarget() = default;
    virtual void OnUrlProgress(int kilobytes, Curl* record) = 0;
};

// The persistent fields of a monitored page: fields 1 to 35 of its archive, in the order of
// SITEVIGIL_RECORD_ARCHIVE below. Declared here once: the work copy of a check, the snapshot, the
// archive and the tests all take the fields from this struct. Small fields are grouped so that
// 100,000 records do not carry padding between them; the numbers give the archive order.
struct CurlFields
{
    std::string m_strName; // 1
    std::string m_strURL; // 2
    bool m_bSavePage = true; // 3
    bool m_bWatchUnreachable = false; // 4
    bool m_bWatchReachable = false; // 5
    bool m_bWatchDate = false; // 6
    bool m_bWatchContent = false; // 7
    bool m_bWatchSize = true; // 8
    bool m_bTextSearch = false; // 9
    bool m_bTextNotPresent = false; // 10
    std::string m_strSearchText; // 11
    int64_t m_timeLastChecked = 0; // 12
    int64_t m_timeLastModified = 0; // 13
    bool m_bLastModifiedKnown = false; // 14
    bool m_bChanged = false; // 15
    bool m_bDataReceived = false; // 17
    int32_t m_nSize = 0; // 16
    std::string m_strDescription; // 18
    std::string m_strChangeReason; // 19
    std::string m_strUserName; // 21
    std::string m_strPassword; // 22
    uint32_t m_dwReserved1 = 0; // 23
    uint32_t m_dwReserved2 = 0; // 24
    uint32_t m_dwPageCRC = 0; // 25
    uint32_t m_dwPartCRC = 0; // 26
    bool m_bAuthenticate = false; // 20
    bool m_bFromStart = true; // 27
    bool m_bToEnd = true; // 29
    bool m_bComplete = false; // 33
    int32_t m_nChecks = 0; // 31
    int32_t m_nDownloads = 0; // 32
    std::string m_strStartText; // 28
    std::string m_strEndText; // 30
    std::string m_strError; // 34
    std::string m_strPageID; // 35

    bool operator==(const CurlFields&) const = default;
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

// One monitored page: what the user entered, what the last checks found and the working state of a
// download in progress. Fields are public as the engine, the page check and the dialogs work on them
// directly.
//
// A record in the list is read and written on the front end's thread only. A check works on a work
// copy (MakeWorkCopy) on a worker thread; the front end's thread then takes the results back into
// the list's record with ApplyCheckResults. The serial and the edit generation tie the two together.
class Curl : public CurlFields
{
public:
    Curl();
    // Snapshot for the update log and the change e-mail: construction values, then fields 1 to 32;
    // the serial and the edit generation come along.
    Curl(const Curl& source);
    Curl& operator=(const Curl&) = delete;
    ~Curl();

    // A copy for a check on another thread: every persistent field, the serial and the edit
    // generation; no working field, no body.
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
    void MarkEdited() { ++m_nEditGeneration; }

    // Archive: always writes fields 1 to 35. Returns false when the record could not be encoded.
    bool Serialize(CArchiveWriter& archive) const;
    // Reads fields 1 to 34, then 35 when the file version has it; a page id that is not valid is dropped
    // (a fresh one is assigned on first use). On a read error the name becomes "Error" and the address
    // "http://127.0.0.1"; fields read before the error keep their values.
    // Returns false in that case (the archive position is then undefined).
    bool ReadFromArchive(CArchiveReader& archive, int major, int minor, int build);

    // Formatted texts for the list and the dialogs.
    std::string GetChangeText() const;
    std::string GetStatusText() const;
    std::string GetSizeText() const;
    std::string GetLastCheckedText() const;
    std::string GetLastModifiedText() const;
    // "%A, %B %d, %Y %H:%M:%S" in local time, English names whatever the locale; "" when it cannot be formatted.
    static std::string FormatDateTime(int64_t seconds);

    // Assigns an id from the urlID setting on first use; never changes afterwards. An id that the
    // counter cannot have made is replaced: the files it names must stay in the saved-pages folder.
    const std::string& GetPageID();
    // Whether the id is one the urlID counter makes: 1 to 8 lowercase hexadecimal digits.
    static bool IsValidPageID(const std::string& id);
    // Whether a page with this address can be watched: what the add command accepts, and every other
    // way a page enters the list (imports, the properties sheet) must accept no more. The reason is set
    // when it cannot.
    static bool IsWatchableURL(const std::string& url, std::string* reason = nullptr);
    // Splits m_strURL into host, port and object path. False (and nothing changed) when rejected.
    bool CrackURL();

    // Accessors (the fields are also public).
    const std::string& GetName() const { return m_strName; }
    void SetName(const std::string& name) { m_strName = name; }
    const std::string& GetURL() const { return m_strURL; }
    void SetURL(const std::string& url) { m_strURL = url; }
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
    const std::string& GetHost() const { return m_strHost; }
    unsigned GetPort() const { return m_nPort; }
    const std::string& GetPath() const { return m_strPath; }
    void SetNotifyTarget(IUrlProgressTarget* target) { m_pNotifyTarget = target; }

    // Body of the download in progress: always followed by one zero byte; its length is m_nSize.
    const char* GetBody() const { return m_body.c_str(); }
    // Appends the bytes received, sets the data-received flag, then calls OnProgress when the size
    // in whole kilobytes changed (or on the first read), so that each 5 KB step reports at most once.
    void AppendBody(const char* data, size_t count);
    // Frees the body; size and data-received flag become 0.
    void EmptyBody();
    // Frees the downloaded bytes and the page and part texts once a check has been judged. The size and
    // data-received flag stay: they are results of the check, shown in the list.
    void ReleaseDownloadedText();
    // Posts progress to the notify target when (m_nSize / 1024) is a multiple of 5.
    void OnProgress();
    // The engine's Last-Modified update for a response that carried the header: marks a change when
    // the date is later than a known one and the date is watched, then stores it as known.
    void OnLastModified(int64_t lastModified);

    // ---- working fields: never archived, never copied ----
    uint32_t m_dwNewPageCRC = 0;
    uint32_t m_dwNewPartCRC = 0;
    int m_nHttpStatus = 0;
    bool m_bNewChange = false;
    uint16_t m_nPort = 0;
    std::string m_strPage;
    std::string m_strPart;
    std::string m_strStatus;
    std::string m_strHost;
    std::string m_strPath;
    IUrlProgressTarget* m_pNotifyTarget = nullptr;
    // The per-page debug log of the check in progress (see check/PageFiles.h).
    std::FILE* m_pDebugLog = nullptr;

private:
    struct WholeCopy
    {
    };
    // Copies every persistent field and the serial; the work copy.
    Curl(const Curl& source, WholeCopy);
    std::string m_body;
    uint64_t m_nSerial;
    uint32_t m_nEditGeneration = 0;
};
