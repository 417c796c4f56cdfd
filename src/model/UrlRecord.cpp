#include "model/UrlRecord.h"

#include "model/Archive.h"
#include "platform/UrlCracker.h"

#include <atomic>
#include <climits>

namespace {

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
    : CurlSettings(source)
    , CurlResults(source)
    , m_nSerial(source.m_nSerial)
    , m_nEditGeneration(source.m_nEditGeneration)
{ }

Curl::Curl(const Curl& source)
    : Curl(source, WholeCopy{})
{
    // A snapshot keeps the construction values of fields 33 to 35 and of the latest check's outcome.
    const CurlResults fresh;
    m_bComplete = fresh.m_bComplete;
    m_strError = fresh.m_strError;
    m_strPageID = fresh.m_strPageID;
    m_bNewChange = fresh.m_bNewChange;
    m_nHttpStatus = fresh.m_nHttpStatus;
    m_strStatus = fresh.m_strStatus;
    m_timeWaitingForHost = fresh.m_timeWaitingForHost;
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

void Curl::MarkEdited()
{
    ++m_nEditGeneration;
    m_strETag.clear();
    m_strLastModifiedText.clear();
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
    m_nHttpStatus = checked.m_nHttpStatus;
    m_strStatus = checked.m_strStatus;
    m_timeWaitingForHost = checked.m_timeWaitingForHost;
    m_bNewChange = checked.m_bNewChange;
    m_watchState = checked.m_watchState;
    m_strETag = checked.m_strETag;
    m_strLastModifiedText = checked.m_strLastModifiedText;
    m_strCopyDigest = checked.m_strCopyDigest;
    m_strComparedFrom = checked.m_strComparedFrom;
    if (checked.m_bNewChange)
        MarkChanged(checked.m_strChangeReason);
}

Curl::~Curl() = default;

bool Curl::Serialize(CArchiveWriter& archive) const
{
    std::vector<ExtensionEntry> entries;
#define SITEVIGIL_OPTION_ENTRY(key, member) entries.push_back({key, EncodeOptionValue(member)});
    SITEVIGIL_RECORD_OPTIONS(SITEVIGIL_OPTION_ENTRY)
#undef SITEVIGIL_OPTION_ENTRY
    entries.insert(entries.end(), m_keptOptions.begin(), m_keptOptions.end());
    // Check first so that a record is either written whole or not at all.
    if (!FitsExtensionBlock(entries))
        return false;
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
    WriteExtensionBlock(archive, entries);
    return true;
}

bool Curl::ReadFromArchive(CArchiveReader& archive, int major, int minor, int build)
{
    // Files of builds before 1199 and of build 842 have no page id (field 35); one is assigned on
    // first use.
    const bool hasPageId = build != 842 && (major > 0 || build > 1198);
    bool ok = true;
    m_keptOptions.clear();
#define SITEVIGIL_READ_FIELD(kind, member)                                                                             \
    ok = ok && ((static_cast<const void*>(&member) == &m_strPageID && !hasPageId) || archive.Read##kind(member));
    SITEVIGIL_RECORD_ARCHIVE(SITEVIGIL_READ_FIELD)
#undef SITEVIGIL_READ_FIELD
    if (ok && HasExtensionBlock(major, minor))
        ok = ReadOptions(archive);
    if (ok) {
        if (m_strURL.empty())
            m_strURL = "http://127.0.0.1";
        // A page id that the list cannot have made is dropped: the files it names must stay in the
        // saved-pages folder. The list assigns a fresh one.
        if (!IsValidPageID(m_strPageID))
            m_strPageID.clear();
        return true;
    }
    m_strName = "Error";
    m_strURL = "http://127.0.0.1";
    return false;
}

bool Curl::ReadOptions(CArchiveReader& archive)
{
    std::vector<ExtensionEntry> entries;
    if (!ReadExtensionBlock(archive, entries))
        return false;
    for (ExtensionEntry& entry : entries) {
        bool known = false;
#define SITEVIGIL_OPTION_READ(key, member)                                                                             \
    if (!known && entry.name == key) {                                                                                 \
        known = true;                                                                                                  \
        DecodeOptionValue(entry.value, member);                                                                        \
    }
        SITEVIGIL_RECORD_OPTIONS(SITEVIGIL_OPTION_READ)
#undef SITEVIGIL_OPTION_READ
        if (!known)
            m_keptOptions.push_back(std::move(entry));
    }
    return true;
}

void CurlSettings::UseNewPageDefaults()
{
    m_compare = CompareMode::Text;
    m_announce = AnnounceMode::Change;
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

Status Curl::IsWatchableURL(const std::string& url)
{
    if (const Result<CrackedUrl> parts = CrackUrl(url); !parts)
        return parts.error();
    return {};
}

void CurlResults::SetChanged(bool changed)
{
    m_bChanged = changed;
    if (changed)
        m_bNewChange = true;
}

void CurlResults::MarkChanged(const std::string& reason)
{
    SetChanged(true);
    m_strChangeReason = reason;
}
