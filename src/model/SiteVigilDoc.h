#pragma once

#include "model/UrlRecord.h"
#include "platform/Error.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CArchiveReader;
class CArchiveWriter;

// The ordered list of monitored pages and its file "siteVigil.dat". Rows are positions from 0; a
// record is found by row, by pointer and by serial in constant time, through every add, remove, import
// and load. Used on the front end's thread only.
class CSiteVigilDoc
{
public:
    using RecordList = std::vector<std::unique_ptr<Curl>>;
    static constexpr size_t kNoRow = static_cast<size_t>(-1);

    // Whether pages get an id when they join the list. A list read only to be copied into another
    // (an import) keeps the ids as read and gives none out.
    enum class PageIds
    {
        Assign,
        Keep,
    };

    explicit CSiteVigilDoc(PageIds ids = PageIds::Assign);
    ~CSiteVigilDoc();

    // Something that must stop a check run before the list is saved (the list view, the CLI run).
    class IStopBeforeSave
    {
    public:
        virtual ~IStopBeforeSave() = default;
        virtual void StopChecking() = 0;
    };
    void SetStopBeforeSave(IStopBeforeSave* target) { m_pStopBeforeSave = target; }

    // Told of every change to the list, on the front end's thread, before and after it is made (an
    // item model needs both). Rows are those of the list at the time of the call. A load, a new list
    // and TakeAll replace the list as a whole.
    class IListObserver
    {
    public:
        virtual ~IListObserver() = default;
        virtual void BeforeRecordAdded(size_t row) { (void)row; }
        virtual void RecordAdded(size_t row) { (void)row; }
        virtual void BeforeRecordRemoved(size_t row) { (void)row; }
        virtual void RecordRemoved(size_t row) { (void)row; }
        // The record's settings or results changed (a check, an edit).
        virtual void RecordChanged(size_t row) { (void)row; }
        virtual void BeforeListReplaced() { }
        virtual void ListReplaced() { }
    };
    // The observer must stay until removed.
    void AddObserver(IListObserver* observer);
    void RemoveObserver(IListObserver* observer);
    // Tells the observers that the record of this list was changed in place.
    void NotifyChanged(const Curl& record);

    void OnNewDocument();
    void DeleteContents();
    const std::string& GetTitle() const { return m_strTitle; }

    // Store writes the program's version (1, 1, 0), the count and the records head to tail; load
    // appends them in the same order, so the list keeps its order across saves. Bytes left after the
    // counted records mean the file was not read whole: that is reported like any damaged list.
    void Serialize(CArchiveWriter& archive) const;
    Status Serialize(CArchiveReader& archive);

    // A file that cannot be opened leaves the list unchanged; records read are appended in file order.
    Status LoadFromFile(const std::string& path);
    // Stops a run first, then saves atomically (temporary file, fsync, rename), owner-only permissions.
    Status SaveToFile(const std::string& path);
    Status SaveDefault();
    // How the last SaveDefault went, whoever called it (the minute's save, a run's end, the user): a
    // front end shows a failing save until one succeeds.
    const Status& LastDefaultSave() const { return m_lastDefaultSave; }
    // While a reason is set, SaveDefault refuses with it: a list file that could not be read whole is
    // never saved over, whoever saves (the minute's save, the end of a run, the user). Empty allows.
    void RefuseDefaultSave(std::string reason) { m_defaultSaveRefusal = std::move(reason); }
    Status LoadDefault();
    std::string GetDefaultPath() const;
    // True when the list file is no longer the one this list last read or wrote: another program
    // put another file in its place or changed it meanwhile (a file that went away is none). SaveDefault then refuses,
    // so that nobody's list is saved over unseen; the front end asks its user and then saves over it
    // (SaveDefaultReplacing) or loads it.
    bool DefaultFileReplaced() const;
    // The user has decided about the file on disk: the next SaveDefault writes over whatever is there.
    void TakeOverDefaultFile() { m_defaultStamp.reset(); }

    // Appends the record at the end. A record whose serial is already in the list (a copy) gets a new
    // one; a record without a valid id, or with one another page of the list has, gets a fresh id
    // (see AssignPageId). Refused, and the record not added, when no id is left. Without
    // advanceSetting the id setting is left as it is: a caller adding many pages advances it once at
    // the end (AdvanceIdSetting) instead of writing the settings for every page.
    Status AddRecord(std::unique_ptr<Curl> record, bool advanceSetting = true);
    // Carries the highest id this list gave out on to the urlID setting.
    void AdvanceIdSetting();
    // Unlinks the record and hands it back to the caller; null when it is not in the list. Later rows
    // move up by one. A check of the record still running reports later; that report is dropped.
    std::unique_ptr<Curl> RemoveRecord(const Curl* record);
    bool IsDuplicate(const Curl& record) const;
    // Empties the list and hands every record to the caller, head to tail.
    RecordList TakeAll();

    size_t Count() const { return m_records.size(); }
    // The record at the row; the row must be below Count().
    Curl& RecordAt(size_t row) const { return *m_records[row]; }
    // The row of a record of this list; kNoRow for null or a record that is not in it.
    size_t RowOf(const Curl* record) const;
    // The record with the serial; null when none (removed, or never in this list).
    Curl* FindBySerial(uint64_t serial) const;

    // Head to tail. Change the list through the operations above only, so that the index stays right.
    const RecordList& Records() const { return m_records; }

    // Gives the record an id no page of this list has: one past the highest of the urlID setting, the
    // ids of this list and the ids this list gave out before, so that a settings file that cannot be
    // written never makes two pages share one. With advanceSetting the setting is advanced (a failure
    // to write it is not fatal: the list itself remembers); a load does not, so that reading a list
    // writes no setting. The error when every id is taken.
    Status AssignPageId(Curl& record, bool advanceSetting = true);

private:
    Status AssignPageId(Curl& record, bool advanceSetting, uint32_t counter);
    // Enters the records from the row on (appended by a load) into the index.
    void IndexFrom(size_t firstNew);
    void Reindex(size_t fromRow);
    Status SaveDefaultNow();

    RecordList m_records;
    // Serial to row. Rows after a removal are renumbered (linear, but only for a removal, never for a
    // lookup).
    std::unordered_map<uint64_t, size_t> m_rowBySerial;
    PageIds m_pageIds;
    // The ids of the list's pages, and the highest id this list has seen or given out.
    std::unordered_multiset<uint32_t> m_usedIds;
    uint32_t m_highestId = 0;
    // The urlID setting as read for pages added without advancing it, until AdvanceIdSetting.
    std::optional<uint32_t> m_batchCounter;
    std::string m_strTitle;
    IStopBeforeSave* m_pStopBeforeSave = nullptr;
    std::vector<IListObserver*> m_observers;
    template <typename Call> void Tell(Call call);
    // Tells BeforeListReplaced now and ListReplaced when it goes out of scope.
    class CReplacing;
    std::string m_defaultSaveRefusal;
    Status m_lastDefaultSave;
    // The list file as this list last read or wrote it (identity, size, time); nothing before the
    // first load or save of the default file, and "absent" when there was no file.
    struct FileStamp
    {
        bool exists = false;
        uint64_t device = 0, inode = 0;
        int64_t size = 0, mtimeNs = 0, ctimeNs = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp StampOf(const std::string& path);
    std::optional<FileStamp> m_defaultStamp;
};
