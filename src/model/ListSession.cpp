#include "model/ListSession.h"

#include "model/TempFileSweep.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "platform/FileUtil.h"

#include <cerrno>
#include <cstring>

namespace {

DocResult Failure(std::string reason)
{
    return DocResult{false, std::move(reason)};
}

} // namespace

CListSession::CListSession()
{
    m_doc.OnNewDocument();
}

CListSession::~CListSession() = default;

DocResult CListSession::Lock(int waitMs)
{
    if (m_lock.IsHeld())
        return {};
    const std::string& folder = CVigilPrefs::GetInstance().GetStorageFolder();
    if (!MakeFolders(folder, 0700))
        return Failure("cannot create the storage folder " + folder + ": " + std::strerror(errno));
    std::string error;
    if (!m_lock.Acquire(folder, error, waitMs))
        return Failure(error);
    // No save of ours is in progress now: temporary files left by a killed one can go.
    RemoveStaleTemporaryFiles(folder, CVigilPrefs::GetInstance().GetPagesFolder());
    return {};
}

void CListSession::Unlock()
{
    m_lock.Release();
}

DocResult CListSession::Open(bool forChange)
{
    m_doc.OnNewDocument();
    m_damaged = false;
    m_loadError.clear();
    DocResult result;
    if (forChange)
        result = Lock();
    if (result) {
        result = m_doc.LoadDefault();
        // The pages that could be read stay in the list to be shown; saving waits for the user.
        m_damaged = !result;
    }
    m_loadError = result.error;
    m_doc.RefuseDefaultSave(m_damaged ? "the list was not saved: " + m_loadError : std::string());
    return result;
}

DocResult CListSession::MoveDamagedAside(std::string* movedTo)
{
    if (!m_damaged)
        return {};
    if (!m_lock.IsHeld())
        return Failure("the storage folder is not locked");
    const std::string path = m_doc.GetDefaultPath();
    std::string aside;
    const std::string error
        = MoveAside(path, CVigilPrefs::GetInstance().GetStorageFolder() + "siteVigil.damaged", ".dat", aside);
    if (!error.empty())
        return Failure("cannot move the damaged list " + path + " aside: " + error);
    m_damaged = false;
    m_doc.RefuseDefaultSave({});
    m_doc.TakeOverDefaultFile();
    if (movedTo)
        *movedTo = aside;
    return {};
}

DocResult CListSession::Save()
{
    if (m_damaged)
        return Failure("the list was not saved: " + m_loadError);
    if (!m_lock.IsHeld())
        return Failure("the list was not saved: the storage folder is not locked");
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
