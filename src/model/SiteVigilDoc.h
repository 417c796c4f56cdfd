#pragma once

#include "model/UrlRecord.h"

#include <list>
#include <memory>
#include <string>

class CArchiveReader;
class CArchiveWriter;

// Result of a load or save: ok, or the reason for the front end to show.
struct DocResult
{
    bool ok = true;
    std::string error;
    explicit operator bool() const { return ok; }
};

// The ordered list of monitored pages and its file "siteVigil.dat".
class CSiteVigilDoc
{
public:
    using RecordList = std::list<std::unique_ptr<Curl>>;

    CSiteVigilDoc();
    ~CSiteVigilDoc();

    // Something that must stop a check run before the list is saved (the list view, the CLI run).
    class IStopBeforeSave
    {
    public:
        virtual ~IStopBeforeSave() = default;
        virtual void StopChecking() = 0;
    };
    void SetStopBeforeSave(IStopBeforeSave* target) { m_pStopBeforeSave = target; }

    void OnNewDocument();
    void DeleteContents();
    const std::string& GetTitle() const { return m_strTitle; }

    // Store writes 1, 0, 50, the count and the records head to tail; load appends them in the same order,
    // so the list keeps its order across saves. Bytes left after the counted records mean the file was
    // not read whole: that is reported like any damaged list.
    void Serialize(CArchiveWriter& archive) const;
    DocResult Serialize(CArchiveReader& archive);

    // A file that cannot be opened leaves the list unchanged; records read are appended in file order.
    DocResult LoadFromFile(const std::string& path);
    // Stops a run first, then saves atomically (temporary file, fsync, rename), owner-only permissions.
    DocResult SaveToFile(const std::string& path);
    DocResult SaveDefault();
    DocResult LoadDefault();
    std::string GetDefaultPath() const;

    void AddRecord(std::unique_ptr<Curl> record);
    // Unlinks the record and hands it back to the caller; null when it is not in the list.
    std::unique_ptr<Curl> RemoveRecord(const Curl* record);
    bool IsDuplicate(const Curl& record) const;

    RecordList& Records() { return m_records; }
    const RecordList& Records() const { return m_records; }

private:
    RecordList m_records;
    std::string m_strTitle;
    IStopBeforeSave* m_pStopBeforeSave = nullptr;
};
