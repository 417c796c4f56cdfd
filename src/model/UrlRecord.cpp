#include "model/UrlRecord.h"

#include "model/Archive.h"
#include "model/VigilPrefs.h"
#include "platform/EnglishTime.h"
#include "platform/UrlCracker.h"

#include <climits>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

// Serialises the read-increment-store of urlID so that two records never get the same id.
std::mutex g_pageIdMutex;

} // namespace

Curl::Curl() = default;

Curl::Curl(const Curl& source)
{
    m_strName = source.m_strName;
    m_strURL = source.m_strURL;
    m_bSavePage = source.m_bSavePage;
    m_bWatchUnreachable = source.m_bWatchUnreachable;
    m_bWatchReachable = source.m_bWatchReachable;
    m_bWatchDate = source.m_bWatchDate;
    m_bWatchContent = source.m_bWatchContent;
    m_bWatchSize = source.m_bWatchSize;
    m_bTextSearch = source.m_bTextSearch;
    m_bTextNotPresent = source.m_bTextNotPresent;
    m_strSearchText = source.m_strSearchText;
    m_timeLastChecked = source.m_timeLastChecked;
    m_timeLastModified = source.m_timeLastModified;
    m_bLastModifiedKnown = source.m_bLastModifiedKnown;
    m_bChanged = source.m_bChanged;
    m_nSize = source.m_nSize;
    m_bDataReceived = source.m_bDataReceived;
    m_strDescription = source.m_strDescription;
    m_strChangeReason = source.m_strChangeReason;
    m_bAuthenticate = source.m_bAuthenticate;
    m_strUserName = source.m_strUserName;
    m_strPassword = source.m_strPassword;
    m_dwReserved1 = source.m_dwReserved1;
    m_dwReserved2 = source.m_dwReserved2;
    m_dwPageCRC = source.m_dwPageCRC;
    m_dwPartCRC = source.m_dwPartCRC;
    m_bFromStart = source.m_bFromStart;
    m_strStartText = source.m_strStartText;
    m_bToEnd = source.m_bToEnd;
    m_strEndText = source.m_strEndText;
    m_nChecks = source.m_nChecks;
    m_nDownloads = source.m_nDownloads;
}

Curl::~Curl()
{
    if (m_pDebugLog)
        std::fclose(m_pDebugLog);
}

bool Curl::Serialize(CArchiveWriter& archive) const
{
    // Check first so that a record is either written whole or not at all.
    for (const std::string* text :
         {&m_strName, &m_strURL, &m_strSearchText, &m_strDescription, &m_strChangeReason, &m_strUserName,
          &m_strPassword, &m_strStartText, &m_strEndText, &m_strError, &m_strPageID}) {
        if (text->size() > UINT32_MAX)
            return false;
    }
    archive.WriteString(m_strName);
    archive.WriteString(m_strURL);
    archive.WriteBool(m_bSavePage);
    archive.WriteBool(m_bWatchUnreachable);
    archive.WriteBool(m_bWatchReachable);
    archive.WriteBool(m_bWatchDate);
    archive.WriteBool(m_bWatchContent);
    archive.WriteBool(m_bWatchSize);
    archive.WriteBool(m_bTextSearch);
    archive.WriteBool(m_bTextNotPresent);
    archive.WriteString(m_strSearchText);
    // Date-times outside the signed 32-bit range are stored as the nearest value that fits (see
    // CArchiveWriter::WriteTime).
    archive.WriteTime(m_timeLastChecked);
    archive.WriteTime(m_timeLastModified);
    archive.WriteBool(m_bLastModifiedKnown);
    archive.WriteBool(m_bChanged);
    archive.WriteInt32(m_nSize);
    archive.WriteBool(m_bDataReceived);
    archive.WriteString(m_strDescription);
    archive.WriteString(m_strChangeReason);
    archive.WriteBool(m_bAuthenticate);
    archive.WriteString(m_strUserName);
    archive.WriteString(m_strPassword);
    archive.WriteUInt32(m_dwReserved1);
    archive.WriteUInt32(m_dwReserved2);
    archive.WriteUInt32(m_dwPageCRC);
    archive.WriteUInt32(m_dwPartCRC);
    archive.WriteBool(m_bFromStart);
    archive.WriteString(m_strStartText);
    archive.WriteBool(m_bToEnd);
    archive.WriteString(m_strEndText);
    archive.WriteInt32(m_nChecks);
    archive.WriteInt32(m_nDownloads);
    archive.WriteBool(m_bComplete);
    archive.WriteString(m_strError);
    archive.WriteString(m_strPageID);
    return true;
}

bool Curl::ReadFromArchive(CArchiveReader& archive, int major, int minor, int build)
{
    (void)minor;
    const bool ok = archive.ReadString(m_strName) && archive.ReadString(m_strURL) && archive.ReadBool(m_bSavePage)
        && archive.ReadBool(m_bWatchUnreachable) && archive.ReadBool(m_bWatchReachable)
        && archive.ReadBool(m_bWatchDate) && archive.ReadBool(m_bWatchContent) && archive.ReadBool(m_bWatchSize)
        && archive.ReadBool(m_bTextSearch) && archive.ReadBool(m_bTextNotPresent) && archive.ReadString(m_strSearchText)
        && archive.ReadTime(m_timeLastChecked) && archive.ReadTime(m_timeLastModified)
        && archive.ReadBool(m_bLastModifiedKnown) && archive.ReadBool(m_bChanged) && archive.ReadInt32(m_nSize)
        && archive.ReadBool(m_bDataReceived) && archive.ReadString(m_strDescription)
        && archive.ReadString(m_strChangeReason) && archive.ReadBool(m_bAuthenticate)
        && archive.ReadString(m_strUserName) && archive.ReadString(m_strPassword) && archive.ReadUInt32(m_dwReserved1)
        && archive.ReadUInt32(m_dwReserved2) && archive.ReadUInt32(m_dwPageCRC) && archive.ReadUInt32(m_dwPartCRC)
        && archive.ReadBool(m_bFromStart) && archive.ReadString(m_strStartText) && archive.ReadBool(m_bToEnd)
        && archive.ReadString(m_strEndText) && archive.ReadInt32(m_nChecks) && archive.ReadInt32(m_nDownloads)
        && archive.ReadBool(m_bComplete) && archive.ReadString(m_strError);
    if (ok) {
        if (m_strURL.empty())
            m_strURL = "http://127.0.0.1";
        // Files of builds before 1199 and of build 842 have no page id; one is assigned on first use.
        const bool hasPageId = build != 842 && (major > 0 || build > 1198);
        if (!hasPageId || archive.ReadString(m_strPageID)) {
            if (!IsValidPageID(m_strPageID))
                m_strPageID.clear();
            return true;
        }
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
