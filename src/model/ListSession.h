#pragma once

#include "model/SiteVigilDoc.h"
#include "platform/FolderLock.h"

#include <memory>
#include <string>

class Curl;

// The list of monitored pages as one front end holds it: the storage-folder lock, the document, and
// the rule that a list file that could not be read whole is never saved over. Both front ends use it:
// the CLI for the length of one command, the GUI for the life of its window. Used on the front end's
// thread only.
//
// Opening for change takes the lock first. When the list file is damaged, the readable pages are
// loaded and shown, but Save refuses until the user has decided: MoveDamagedAside keeps the damaged
// file under another name and lets the readable pages be saved in its place.
class CListSession
{
public:
    CListSession();
    ~CListSession();
    CListSession(const CListSession&) = delete;
    CListSession& operator=(const CListSession&) = delete;

    CSiteVigilDoc& Doc() { return m_doc; }
    const CSiteVigilDoc& Doc() const { return m_doc; }

    // Takes the storage-folder lock, creating the folder when missing, and removes the temporary files
    // a killed save left. While another process holds it, waits up to waitMs for it (0: refused at
    // once). Calling it again while held does nothing.
    Status Lock(int waitMs = 0);
    void Unlock();
    bool HoldsLock() const { return m_lock.IsHeld(); }

    // Empties the list and loads it from the storage folder; no file yet gives an empty list. With
    // forChange the lock is taken first (a failure leaves the list empty and not damaged). A file that
    // cannot be read whole leaves its readable pages in the list, makes the session damaged and
    // returns the reason.
    Status Open(bool forChange);
    // True after an Open that could not read the whole file, until MoveDamagedAside succeeds.
    bool IsDamaged() const { return m_damaged; }
    // Why the last Open failed; empty when it succeeded.
    const std::string& LoadError() const { return m_loadError; }
    // Renames the damaged list file to "siteVigil.damaged-<date>-<time>.dat" beside it (never over an
    // earlier one) and allows saving. Needs the lock. The new name is returned in movedTo.
    Status MoveDamagedAside(std::string* movedTo = nullptr);

    // Saves the list to the storage folder atomically. Refused while damaged, and when the lock is
    // not held.
    Status Save();

    // A record with the defaults of a new page's watches (size watched, page saved, the whole page)
    // and the address; the name is the address until the user gives one.
    static std::unique_ptr<Curl> NewRecord(const std::string& url);
    // Clears the record's change mark and its reason.
    static void ClearChange(Curl& record);
    // Clears every page's change mark; returns how many pages there are.
    size_t ClearAllChanges();

private:
    CSiteVigilDoc m_doc;
    CFolderLock m_lock;
    bool m_damaged = false;
    std::string m_loadError;
};
