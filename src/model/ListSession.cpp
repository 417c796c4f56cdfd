#include "model/ListSession.h"

#include "model/TempFileSweep.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "platform/FileUtil.h"

#include <cerrno>
#include <cstring>

namespace {

Error Failure(ErrorKind kind, std::string reason)
{
    return MakeError(kind, std::move(reason));
}

} // namespace

CListSession::CListSession()
{
    m_doc.OnNewDocument();
}

CListSession::~CListSession() = default;

Status CListSession::Lock(int waitMs)
{
    if (m_lock.IsHeld())
        return {};
    const std::string& folder = CVigilPrefs::GetInstance().GetStorageFolder();
    if (const Status made = MakeFolders(folder, 0700); !made)
        return Failure(ErrorKind::Io, "cannot create the storage folder " + folder + ": " + made.error().message);
    if (Status locked = m_lock.Acquire(folder, waitMs); !locked)
        return locked;
    // No save of ours is in progress now: temporary files left by a killed one can go.
    RemoveStaleTemporaryFiles(folder, CVigilPrefs::GetInstance().GetPagesFolder());
    return {};
}

void CListSession::Unlock()
{
    m_lock.Release();
}

Status CListSession::Open(bool forChange)
{
    m_doc.OnNewDocument();
    m_damaged = false;
    m_loadError.clear();
    Status result;
    if (forChange)
        result = Lock();
    if (result) {
        result = m_doc.LoadDefault();
        // The pages that could be read stay in the list to be shown; saving waits for the user.
        m_damaged = !result;
    }
    m_loadError = result ? std::string() : result.error().message;
    m_doc.RefuseDefaultSave(m_damaged ? "the list was not saved: " + m_loadError : std::string());
    return result;
}

Status CListSession::MoveDamagedAside(std::string* movedTo)
{
    if (!m_damaged)
        return {};
    if (!m_lock.IsHeld())
        return Failure(ErrorKind::Internal, "the storage folder is not locked");
    const std::string path = m_doc.GetDefaultPath();
    const Result<std::string> aside
        = MoveAside(path, CVigilPrefs::GetInstance().GetStorageFolder() + "siteVigil.damaged", ".dat");
    if (!aside)
        return Failure(ErrorKind::Io, "cannot move the damaged list " + path + " aside: " + aside.error().message);
    m_damaged = false;
    m_doc.RefuseDefaultSave({});
    m_doc.TakeOverDefaultFile();
    if (movedTo)
        *movedTo = *aside;
    return {};
}

Status CListSession::Save()
{
    if (m_damaged)
        return Failure(ErrorKind::BadInput, "the list was not saved: " + m_loadError);
    if (!m_lock.IsHeld())
        return Failure(ErrorKind::Internal, "the list was not saved: the storage folder is not locked");
    return m_doc.SaveDefault();
}

std::unique_ptr<Curl> CListSession::NewRecord(const std::string& url)
{
    auto record = std::make_unique<Curl>();
    record->UseNewPageDefaults();
    record->m_strURL = url;
    record->m_strName = url;
    return record;
}

void CListSession::ClearChange(Curl& record)
{
    record.SetChanged(false);
    record.m_strChangeReason.clear();
}

size_t CListSession::ClearAllChanges()
{
    for (const auto& record : m_doc.Records()) {
        ClearChange(*record);
        m_doc.NotifyChanged(*record);
    }
    return m_doc.Count();
}
