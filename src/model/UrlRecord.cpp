#include "model/UrlRecord.h"

#include "model/Archive.h"
#include "model/VigilPrefs.h"
#include "platform/EnglishTime.h"
#include "platform/UrlCracker.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

// Serialises the read-increment-store of urlID so that two records never get the same id.
std::mutex g_pageIdMutex;

// A text's length is stored in 32 bits; every other field always fits.
bool FitsArchive(const std::string& text)
{
    return text.size() <= UINT32_MAX;
}
template <class T> bool FitsArchive(const T&)
{
    return true;
}

#define SITEVIGIL_COUNT_FIELD(kind, member) +1
static_assert(0 SITEVIGIL_RECORD_ARCHIVE(SITEVIGIL_COUNT_FIELD) == 35, "a record archives fields 1 to 35");
#undef SITEVIGIL_COUNT_FIELD

uint64_t NextSerial()
{
    static std::atomic<uint64_t> last{0};
    return ++last;
}

} // namespace

Curl::Curl()
    : m_nSerial(NextSerial())
{ }

Curl::Curl(const Curl& source, WholeCopy)
    : CurlFields(source)
    , m_nSerial(source.m_nSerial)
    , m_nEditGeneration(source.m_nEditGeneration)
{ }

Curl::Curl(const Curl& source)
    : Curl(source, WholeCopy{})
{
    // A snapshot keeps the construction values of fields 33 to 35.
    const CurlFields fresh;
    m_bComplete = fresh.m_bComplete;
    m_strError = fresh.m_strError;
    m_strPageID = fresh.m_strPageID;
}

std::unique_ptr<Curl> Curl::MakeWorkCopy() const
{
    // Every persistent field, fields 33 to 35 included.
    return std::unique_ptr<Curl>(new Curl(*this, WholeCopy{}));
}

void Curl::RenewSerial()
{
    m_nSerial = NextSerial();
}

void Curl::ApplyCheckResults(const Curl& checked)
{
    m_timeLastChecked = checked.m_timeLastChecked;
    m_timeLastModified = checked.m_timeLastModified;
    m_bLastModifiedKnown = checked.m_bLastModifiedKnown;
    m_nSize = checked.m_nSize;
    m_bDataReceived = checked.m_bDataReceived;
    m_dwPageCRC = checked.m_dwPageCRC;
    m_dwPartCRC = checked.m_dwPartCRC;
    m_bComplete = checked.m_bComplete;
    m_nChecks = checked.m_nChecks;
    m_nDownloads = checked.m_nDownloads;
    m_strError = checked.m_strError;
    if (m_strPageID.empty())
        m_strPageID = checked.m_strPageID;
    m_dwNewPageCRC = checked.m_dwNewPageCRC;
    m_dwNewPartCRC = checked.m_dwNewPartCRC;
    m_nHttpStatus = checked.m_nHttpStatus;
    m_strStatus = checked.m_strStatus;
    m_bNewChange = checked.m_bNewChange;
    if (checked.m_bNewChange)
        MarkChanged(checked.m_strChangeReason);
}

Curl::~Curl()
{
    if (m_pDebugLog)
        std::fclose(m_pDebugLog);
}

bool Curl::Serialize(CArchiveWriter& archive) const
{
    // Check first so that a record is either written whole or not at all.
#define SITEVIGIL_CHECK_FIELD(kind, member)                                                                            \
    if (!FitsArchive(member))                                                                                          \
        return false;
    SITEVIGIL_RECORD_ARCHIVE(SITEVIGIL_CHECK_FIELD)
#undef SITEVIGIL_CHECK_FIELD
    // Date-times outside the signed 32-bit range are stored as the nearest value that fits (see
    // CArchiveWriter::WriteTime).
#define SITEVIGIL_WRITE_FIELD(kind, member) archive.Write##kind(member);
    SITEVIGIL_RECORD_ARCHIVE(SITEVIGIL_WRITE_FIELD)
#undef SITEVIGIL_WRITE_FIELD
    return true;
}

bool Curl::ReadFromArchive(CArchiveReader& archive, int major, int minor, int build)
{
    (void)minor;
    // Files of builds before 1199 and of build 842 have no page id (field 35); one is assigned on
    // first use.
    const bool hasPageId = build != 842 && (major > 0 || build > 1198);
    bool ok = true;
#define SITEVIGIL_READ_FIELD(kind, member)                                                                             \
    ok = ok && ((static_cast<const void*>(&member) == &m_strPageID && !hasPageId) || archive.Read##kind(member));
    SITEVIGIL_RECORD_ARCHIVE(SITEVIGIL_READ_FIELD)
#undef SITEVIGIL_READ_FIELD
    if (ok) {
        if (m_strURL.empty())
            m_strURL = "http://127.0.0.1";
        // A page id that our counter cannot have made is dropped: the files it names must stay in the
        // saved-pages folder. A fresh one is assigned on first use.
        if (!IsValidPageID(m_strPageID))
            m_strPageID.clear();
        return true;
    }
    m_strName = "Error";
    m_strURL = "http://127.0.0.1";
    return false;
}

std::string Curl::GetChangeText() const
{
    return m_bChanged ? "  Changed - " + m_strChangeReason : "  Unchanged ";
}

std::string Curl::GetStatusText() const
{
    if (m_nChecks == 0)
        return "Never visited";
    return m_bComplete ? "OK" : "Failed - " + m_strError;
}

std::string Curl::GetSizeText() const
{
    return m_bDataReceived ? std::to_string(m_nSize) + " bytes" : "Unknown";
}

std::string Curl::GetLastCheckedText() const
{
    std::string text;
    if (m_nChecks != 0)
        text = FormatDateTime(m_timeLastChecked);
    return text.empty() ? "Never" : text;
}

std::string Curl::GetLastModifiedText() const
{
    if (m_nDownloads == 0)
        return "Unknown - never visited";
    return m_bLastModifiedKnown ? FormatDateTime(m_timeLastModified) : "Not supported by website";
}

std::string Curl::FormatDateTime(int64_t seconds)
{
    return FormatEnglishLocalTime(seconds, "%A, %B %d, %Y %H:%M:%S");
}

bool Curl::IsValidPageID(const std::string& id)
{
    if (id.empty() || id.size() > 8)
        return false;
    for (char c : id) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

bool Curl::IsWatchableURL(const std::string& url, std::string* reason)
{
    CrackedUrl parts;
    return CrackUrl(url, parts, reason);
}

const std::string& Curl::GetPageID()
{
    if (!IsValidPageID(m_strPageID)) {
        std::lock_guard lock(g_pageIdMutex);
        CVigilPrefs& prefs = CVigilPrefs::GetInstance();
        // Unsigned arithmetic: the counter wraps instead of overflowing.
        const auto next = static_cast<uint32_t>(prefs.ReadInt(Pref::urlID)) + 1u;
        prefs.WriteInt(Pref::urlID.name, static_cast<int>(next));
        char id[16];
        std::snprintf(id, sizeof id, "%x", next);
        m_strPageID = id;
    }
    return m_strPageID;
}

bool Curl::CrackURL()
{
    CrackedUrl parts;
    if (!CrackUrl(m_strURL, parts))
        return false;
    m_strHost = std::move(parts.host);
    m_nPort = parts.port;
    m_strPath = std::move(parts.path);
    return true;
}

void Curl::SetChanged(bool changed)
{
    m_bChanged = changed;
    if (changed)
        m_bNewChange = true;
}

void Curl::MarkChanged(const std::string& reason)
{
    SetChanged(true);
    m_strChangeReason = reason;
}

void Curl::AppendBody(const char* data, size_t count)
{
    // Only the bytes actually received are kept; the size is a 32-bit count, so a body stops growing
    // at the largest size it can record.
    const int kilobytesBefore = m_bDataReceived ? m_nSize / 1024 : -1;
    const size_t room = static_cast<size_t>(INT32_MAX) - m_body.size();
    if (count > room)
        count = room;
    if (count > 0)
        m_body.append(data, count);
    m_nSize = static_cast<int32_t>(m_body.size());
    m_bDataReceived = true;
    // Many small reads within one kilobyte would report the same step again and again.
    if (m_nSize / 1024 != kilobytesBefore)
        OnProgress();
}

void Curl::EmptyBody()
{
    std::string().swap(m_body);
    m_nSize = 0;
    m_bDataReceived = false;
}

void Curl::ReleaseDownloadedText()
{
    std::string().swap(m_body);
    std::string().swap(m_strPage);
    std::string().swap(m_strPart);
}

void Curl::OnProgress()
{
    const int kilobytes = m_nSize / 1024;
    if (kilobytes % 5 == 0 && m_pNotifyTarget)
        m_pNotifyTarget->OnUrlProgress(kilobytes, this);
}

void Curl::OnLastModified(int64_t lastModified)
{
    if (m_bLastModifiedKnown && lastModified > m_timeLastModified && m_bWatchDate) {
        const std::string was = GetLastModifiedText();
        const std::string reason
            = "Date changed has been updated - was " + was + ", now " + FormatDateTime(lastModified);
        MarkChanged(reason);
    }
    m_timeLastModified = lastModified;
    m_bLastModifiedKnown = true;
}
