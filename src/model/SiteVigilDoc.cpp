#include "model/SiteVigilDoc.h"

#include "model/Archive.h"
#include "model/VigilPrefs.h"
#include "platform/AtomicFile.h"
#include "platform/FileUtil.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>

namespace {

constexpr const char* kDefaultFileName = "siteVigil.dat";
constexpr size_t kHeaderSize = 16;
// The smallest record: ten empty texts of one byte each and 24 four-byte values. A count larger than
// the rest of the file divided by this cannot be right.
constexpr size_t kMinRecordSize = 10 * 1 + 24 * 4;
// No list comes near this; a larger file is not ours.
constexpr unsigned long long kMaxFileSize = 1ull << 30;
// Files are read and written in pieces of this size, so a large list never sits in memory twice.
constexpr size_t kChunkSize = 1 << 20;

Error Damaged(std::string reason)
{
    return MakeError(ErrorKind::BadInput, std::move(reason));
}

Error IoFailure(std::string reason)
{
    return MakeError(ErrorKind::Io, std::move(reason));
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y && std::tolower(x) != std::tolower(y))
            return false;
    }
    return true;
}

struct Header
{
    int32_t major = 0, minor = 0, build = 0, count = 0;
};

// The version of the program that writes the file, then the number of records.
void WriteHeader(CArchiveWriter& archive, size_t count)
{
    archive.WriteInt32(SITEVIGIL_VERSION_MAJOR);
    archive.WriteInt32(SITEVIGIL_VERSION_MINOR);
    archive.WriteInt32(SITEVIGIL_VERSION_BUILD);
    archive.WriteInt32(static_cast<int32_t>(count));
}

bool ReadHeader(CArchiveReader& archive, Header& header)
{
    return archive.ReadInt32(header.major) && archive.ReadInt32(header.minor) && archive.ReadInt32(header.build)
        && archive.ReadInt32(header.count);
}

// Reads the records after the header, appending each to the list in file order. A record that cannot be
// read still takes its place, as an "Error" record, up to the count; but never more records than the
// remaining bytes could hold, so a hostile count cannot exhaust memory. readRecord reads the next record
// into the given one and returns false when it could not; moreFollows tells, once the counted records
// are read, whether bytes are left over: the file then holds more than was read, and is damaged.
Status ReadRecords(const Header& header, size_t remainingBytes, const std::function<bool(Curl&)>& readRecord,
                   const std::function<bool()>& moreFollows, CSiteVigilDoc::RecordList& records)
{
    if (header.count < 0)
        return Damaged("it is damaged (its page count is negative)");
    const size_t possible = remainingBytes / kMinRecordSize;
    const bool countFits = static_cast<size_t>(header.count) <= possible;
    const size_t toRead = countFits ? static_cast<size_t>(header.count) : possible;
    // Two records sharing an id would share their saved copies: a later one gets a fresh id.
    std::unordered_set<std::string> ids;
    for (const auto& record : records)
        ids.insert(record->m_strPageID);
    size_t failed = 0;
    for (size_t i = 0; i < toRead; ++i) {
        auto record = std::make_unique<Curl>();
        if (!readRecord(*record)) {
            ++failed;
            // With a count that cannot be right, only the records that could be read are kept.
            if (!countFits)
                break;
        }
        if (!record->m_strPageID.empty() && !ids.insert(record->m_strPageID).second)
            record->m_strPageID.clear();
        records.push_back(std::move(record));
    }
    if (!countFits)
        return Damaged("it is damaged (it claims " + std::to_string(header.count) + " pages but can hold at most "
                       + std::to_string(possible) + ")");
    if (failed > 0)
        return Damaged("it is damaged (" + std::to_string(failed) + " of " + std::to_string(header.count)
                       + " pages could not be read)");
    if (moreFollows())
        return Damaged("it is damaged (more data follows its " + std::to_string(header.count) + " pages)");
    return {};
}

// The list file read piece by piece: a window of unread bytes that grows only while one record does
// not fit in it.
class CChunkedFile
{
public:
    explicit CChunkedFile(int fd)
        : m_fd(fd)
    { }

    // Reads at least one more piece into the window; false at the end of the file or on an error.
    bool More()
    {
        m_buffer.erase(0, m_pos);
        m_pos = 0;
        const size_t old = m_buffer.size();
        m_buffer.resize(old + kChunkSize);
        ssize_t n;
        do {
            n = ::read(m_fd, m_buffer.data() + old, kChunkSize);
        } while (n < 0 && errno == EINTR);
        m_buffer.resize(old + (n > 0 ? static_cast<size_t>(n) : 0));
        if (n < 0)
            m_error = errno;
        m_atEnd = n <= 0;
        return n > 0;
    }

    // Runs read on the unread bytes; when it fails before the end of the file, reads more and tries
    // again from the same place. On success the bytes read are consumed.
    bool Read(const std::function<bool(CArchiveReader&)>& read)
    {
        for (;;) {
            CArchiveReader archive(std::string_view(m_buffer).substr(m_pos));
            if (read(archive)) {
                m_pos = m_buffer.size() - archive.Remaining();
                return true;
            }
            if (m_atEnd || !More())
                return false;
        }
    }

    // True when no unread byte is left in the window or the file.
    bool AtEnd()
    {
        while (m_pos == m_buffer.size()) {
            if (m_atEnd || !More())
                return true;
        }
        return false;
    }

    int Error() const { return m_error; }

private:
    int m_fd;
    std::string m_buffer;
    size_t m_pos = 0;
    bool m_atEnd = false;
    int m_error = 0;
};

} // namespace

CSiteVigilDoc::CSiteVigilDoc(PageIds ids)
    : m_pageIds(ids)
{ }

CSiteVigilDoc::~CSiteVigilDoc() = default;

template <typename Call> void CSiteVigilDoc::Tell(Call call)
{
    // An observer may leave while it is told (a view that closes): walk a copy.
    const std::vector<IListObserver*> observers = m_observers;
    for (IListObserver* observer : observers) {
        if (std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end())
            call(*observer);
    }
}

class CSiteVigilDoc::CReplacing
{
public:
    explicit CReplacing(CSiteVigilDoc& doc)
        : m_doc(doc)
    {
        m_doc.Tell([](IListObserver& observer) { observer.BeforeListReplaced(); });
    }
    ~CReplacing()
    {
        m_doc.Tell([](IListObserver& observer) { observer.ListReplaced(); });
    }
    CReplacing(const CReplacing&) = delete;
    CReplacing& operator=(const CReplacing&) = delete;

private:
    CSiteVigilDoc& m_doc;
};

void CSiteVigilDoc::AddObserver(IListObserver* observer)
{
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void CSiteVigilDoc::RemoveObserver(IListObserver* observer)
{
    std::erase(m_observers, observer);
}

void CSiteVigilDoc::NotifyChanged(const Curl& record)
{
    const size_t row = RowOf(&record);
    if (row != kNoRow)
        Tell([row](IListObserver& observer) { observer.RecordChanged(row); });
}

void CSiteVigilDoc::OnNewDocument()
{
    DeleteContents();
    m_strTitle = "Watching the Internet";
}

void CSiteVigilDoc::DeleteContents()
{
    CReplacing replacing(*this);
    m_records.clear();
    m_rowBySerial.clear();
    m_usedIds.clear();
}

void CSiteVigilDoc::Serialize(CArchiveWriter& archive) const
{
    WriteHeader(archive, m_records.size());
    for (const auto& record : m_records)
        record->Serialize(archive);
}

Status CSiteVigilDoc::Serialize(CArchiveReader& archive)
{
    Header header;
    if (!ReadHeader(archive, header))
        return Damaged("it is empty or not a Site Vigil list");
    CReplacing replacing(*this);
    const size_t before = m_records.size();
    Status result = ReadRecords(
        header, archive.Remaining(),
        [&](Curl& record) { return record.ReadFromArchive(archive, header.major, header.minor, header.build); },
        [&] { return archive.Remaining() > 0; }, m_records);
    IndexFrom(before);
    return result;
}

Status CSiteVigilDoc::LoadFromFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return IoFailure("cannot open " + path + ": " + std::strerror(errno));
    struct stat st
    {
    };
    Status result;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        result = IoFailure("cannot read " + path + ": " + std::strerror(S_ISDIR(st.st_mode) ? EISDIR : errno));
    } else if (static_cast<unsigned long long>(st.st_size) > kMaxFileSize) {
        result = Damaged("cannot read the list " + path + ": the file is too large to be a Site Vigil list");
    } else {
        CChunkedFile file(fd);
        Header header;
        CReplacing replacing(*this);
        const size_t before = m_records.size();
        // Once a record has failed the position in the file is lost: every later record fails too.
        bool broken = false;
        if (!file.Read([&](CArchiveReader& archive) { return ReadHeader(archive, header); })) {
            result = Damaged("it is empty or not a Site Vigil list");
        } else {
            const size_t remaining
                = static_cast<size_t>(st.st_size) > kHeaderSize ? static_cast<size_t>(st.st_size) - kHeaderSize : 0;
            result = ReadRecords(
                header, remaining,
                [&](Curl& record) {
                    if (broken) {
                        // As from a failed archive: defaults, named "Error".
                        CArchiveReader none{std::string_view()};
                        record.ReadFromArchive(none, header.major, header.minor, header.build);
                        return false;
                    }
                    broken = !file.Read([&](CArchiveReader& archive) {
                        return record.ReadFromArchive(archive, header.major, header.minor, header.build);
                    });
                    return !broken;
                },
                [&] { return !file.AtEnd(); }, m_records);
        }
        IndexFrom(before);
        if (file.Error() != 0)
            result = IoFailure("cannot read " + path + ": " + std::strerror(file.Error()));
        else if (!result)
            result = MakeError(result.error().kind, "cannot read the list " + path + ": " + result.error().message);
    }
    ::close(fd);
    return result;
}

Status CSiteVigilDoc::SaveToFile(const std::string& path)
{
    // Workers change records while a check runs: stop them before writing.
    if (m_pStopBeforeSave)
        m_pStopBeforeSave->StopChecking();

    // The list holds site passwords in plain text: owner-only permissions.
    CAtomicFile file;
    Status written = file.Open(path, 0600);
    CArchiveWriter archive;
    WriteHeader(archive, m_records.size());
    for (auto it = m_records.begin(); written && it != m_records.end(); ++it) {
        if (!(*it)->Serialize(archive))
            written = IoFailure("a page is too large to be stored");
        if (written && archive.Size() >= kChunkSize) {
            written = file.Write(archive.Data());
            archive.Clear();
        }
    }
    if (written)
        written = file.Write(archive.Data());
    if (written)
        written = file.Commit();
    if (!written)
        return IoFailure("cannot save the list: " + written.error().message);
    return {};
}

std::string CSiteVigilDoc::GetDefaultPath() const
{
    return CVigilPrefs::GetInstance().GetStorageFolder() + kDefaultFileName;
}

Status CSiteVigilDoc::SaveDefault()
{
    m_lastDefaultSave = SaveDefaultNow();
    return m_lastDefaultSave;
}

Status CSiteVigilDoc::SaveDefaultNow()
{
    if (!m_defaultSaveRefusal.empty())
        return MakeError(ErrorKind::BadInput, m_defaultSaveRefusal);
    if (DefaultFileReplaced())
        return MakeError(ErrorKind::Busy,
                         "the list file " + GetDefaultPath()
                             + " was changed by another program since Site Vigil read it, so it was not saved over");
    const std::string& folder = CVigilPrefs::GetInstance().GetStorageFolder();
    if (const Status made = MakeFolders(folder, 0700); !made)
        return IoFailure("cannot save the list: cannot create the folder " + folder + ": " + made.error().message);
    const std::string path = GetDefaultPath();
    Status saved = SaveToFile(path);
    if (saved)
        m_defaultStamp = StampOf(path);
    return saved;
}

CSiteVigilDoc::FileStamp CSiteVigilDoc::StampOf(const std::string& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {true,
            static_cast<uint64_t>(st.st_dev),
            static_cast<uint64_t>(st.st_ino),
            static_cast<int64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

bool CSiteVigilDoc::DefaultFileReplaced() const
{
    if (!m_defaultStamp)
        return false;
    // A file that went away holds nobody's list: saving puts this one back.
    const FileStamp now = StampOf(GetDefaultPath());
    return now.exists && !(now == *m_defaultStamp);
}

Status CSiteVigilDoc::LoadDefault()
{
    // No list file yet (the first start) is not an error: the list stays empty.
    const std::string path = GetDefaultPath();
    const FileStamp before = StampOf(path);
    if (!before.exists && errno == ENOENT) {
        m_defaultStamp = before;
        return {};
    }
    Status loaded = LoadFromFile(path);
    m_defaultStamp = before;
    return loaded;
}

namespace {

uint32_t IdNumber(const std::string& id)
{
    return static_cast<uint32_t>(std::stoul(id, nullptr, 16));
}

} // namespace

Status CSiteVigilDoc::AddRecord(std::unique_ptr<Curl> record, bool advanceSetting)
{
    if (!record)
        return MakeError(ErrorKind::Internal, "no page to add");
    if (m_pageIds == PageIds::Assign) {
        const bool usable
            = Curl::IsValidPageID(record->m_strPageID) && !m_usedIds.contains(IdNumber(record->m_strPageID));
        if (!usable) {
            record->m_strPageID.clear();
            // A page of a batch takes the setting as it was read for the batch's first page.
            if (advanceSetting || !m_batchCounter)
                m_batchCounter = static_cast<uint32_t>(CVigilPrefs::GetInstance().ReadInt(Pref::urlID));
            if (Status assigned = AssignPageId(*record, advanceSetting, *m_batchCounter); !assigned)
                return assigned;
        }
    }
    const size_t row = m_records.size();
    Tell([row](IListObserver& observer) { observer.BeforeRecordAdded(row); });
    m_records.push_back(std::move(record));
    IndexFrom(row);
    Tell([row](IListObserver& observer) { observer.RecordAdded(row); });
    return Status();
}

Status CSiteVigilDoc::AssignPageId(Curl& record, bool advanceSetting)
{
    return AssignPageId(record, advanceSetting, static_cast<uint32_t>(CVigilPrefs::GetInstance().ReadInt(Pref::urlID)));
}

Status CSiteVigilDoc::AssignPageId(Curl& record, bool advanceSetting, uint32_t counter)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    // Unsigned arithmetic: past ffffffff the ids start again at 0, skipping those in use.
    uint32_t next = std::max(counter, m_highestId) + 1u;
    for (size_t tries = 0; m_usedIds.contains(next); ++tries, ++next) {
        if (tries > m_usedIds.size())
            return MakeError(ErrorKind::Busy, "no page id is left for another page in this list");
    }
    char id[16];
    std::snprintf(id, sizeof id, "%x", next);
    record.m_strPageID = id;
    m_highestId = std::max(m_highestId, next);
    // The list remembers the id it gave; the setting carries it on to the next start when it can.
    if (advanceSetting)
        prefs.WriteInt(Pref::urlID.name, static_cast<int>(next));
    return Status();
}

void CSiteVigilDoc::AdvanceIdSetting()
{
    m_batchCounter.reset();
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    if (static_cast<uint32_t>(prefs.ReadInt(Pref::urlID)) < m_highestId)
        prefs.WriteInt(Pref::urlID.name, static_cast<int>(m_highestId));
}

std::unique_ptr<Curl> CSiteVigilDoc::RemoveRecord(const Curl* record)
{
    const size_t row = RowOf(record);
    if (row == kNoRow)
        return nullptr;
    Tell([row](IListObserver& observer) { observer.BeforeRecordRemoved(row); });
    std::unique_ptr<Curl> owned = std::move(m_records[row]);
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(row));
    m_rowBySerial.erase(owned->GetSerial());
    if (Curl::IsValidPageID(owned->m_strPageID)) {
        if (auto used = m_usedIds.find(IdNumber(owned->m_strPageID)); used != m_usedIds.end())
            m_usedIds.erase(used);
    }
    Reindex(row);
    Tell([row](IListObserver& observer) { observer.RecordRemoved(row); });
    return owned;
}

CSiteVigilDoc::RecordList CSiteVigilDoc::TakeAll()
{
    CReplacing replacing(*this);
    m_rowBySerial.clear();
    m_usedIds.clear();
    return std::exchange(m_records, {});
}

size_t CSiteVigilDoc::RowOf(const Curl* record) const
{
    if (!record)
        return kNoRow;
    const auto found = m_rowBySerial.find(record->GetSerial());
    if (found == m_rowBySerial.end() || m_records[found->second].get() != record)
        return kNoRow;
    return found->second;
}

Curl* CSiteVigilDoc::FindBySerial(uint64_t serial) const
{
    const auto found = m_rowBySerial.find(serial);
    return found == m_rowBySerial.end() ? nullptr : m_records[found->second].get();
}

void CSiteVigilDoc::IndexFrom(size_t firstNew)
{
    // A record read from a file may carry a serial already in the list only as a copy would; the
    // fresh records of a load never do, but the index must not depend on it.
    // Ids are checked first for all new records, so that a fresh id never takes one a later record
    // of the same load has.
    for (size_t row = firstNew; row < m_records.size(); ++row) {
        const std::string& id = m_records[row]->m_strPageID;
        if (Curl::IsValidPageID(id)) {
            m_usedIds.insert(IdNumber(id));
            m_highestId = std::max(m_highestId, IdNumber(id));
        }
    }
    for (size_t row = firstNew; row < m_records.size(); ++row) {
        Curl& record = *m_records[row];
        if (m_rowBySerial.contains(record.GetSerial()))
            record.RenewSerial();
        m_rowBySerial.emplace(record.GetSerial(), row);
        // A page read without an id gets one as it joins; a refusal leaves it without files.
        if (m_pageIds == PageIds::Assign && !Curl::IsValidPageID(record.m_strPageID) && AssignPageId(record, false))
            m_usedIds.insert(IdNumber(record.m_strPageID));
    }
}

void CSiteVigilDoc::Reindex(size_t fromRow)
{
    for (size_t row = fromRow; row < m_records.size(); ++row)
        m_rowBySerial[m_records[row]->GetSerial()] = row;
}

bool CSiteVigilDoc::IsDuplicate(const Curl& record) const
{
    for (const auto& other : m_records) {
        if (SameTextIgnoringCase(other->m_strURL, record.m_strURL))
            return true;
    }
    return false;
}
