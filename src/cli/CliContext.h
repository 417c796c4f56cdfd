#pragma once

#include "cli/CliApp.h"
#include "model/ListSession.h"
#include "platform/Error.h"

#include <ostream>
#include <string>
#include <vector>

class CVigilPrefs;
class Curl;

// What a command gets to work with: its arguments, the output streams, the settings, the list and
// the storage-folder lock. Messages go to err as one line "sitevigil-cli: <command>: <text>".
struct CliContext
{
    CliContext(std::string command, std::vector<std::string> args, std::ostream& out, std::ostream& err,
               bool outIsTerminal = false);

    const std::string command;
    // The arguments after the command name.
    const std::vector<std::string> args;
    std::ostream& out;
    std::ostream& err;
    // out is a terminal: tables get a header row and aligned columns.
    const bool outIsTerminal;

    CVigilPrefs& Prefs();

    // Loads the list from the storage folder. For a command that changes the list (forChange), first
    // takes the storage-folder lock, and refuses a list file that cannot be read whole, so that saving
    // cannot overwrite pages that are still in it. Returns kExitOk, or the exit status after the message.
    int OpenList(bool forChange);
    CListSession& Session() { return m_session; }
    CSiteVigilDoc& Doc() { return m_session.Doc(); }
    const CSiteVigilDoc& Doc() const { return m_session.Doc(); }
    // Saves the list to the storage folder, first giving every page without an id one, so that each
    // page can be named by its id. Returns kExitOk, or kExitFailed after the message.
    int SaveList();
    // Takes the storage-folder lock (creating the folder when missing). Another command of ours that
    // holds it is waited for briefly (kLockWaitMs), as parallel commands each hold it for a moment.
    // Returns kExitOk, or kExitFailed after the message.
    int LockStorage();
    static constexpr int kLockWaitMs = 5000;
    bool HoldsLock() const { return m_session.HoldsLock(); }

    // A page named by its id ("@1a"), its 1-based position in the list or its exact name; null after
    // the message. A text that fits more than one page (a repeated name, a name that is also a
    // position) is refused with the candidates.
    Curl* FindPage(const std::string& page);
    // Every named page, each once, in the order named. kExitOk, or kExitUsage after the message.
    int FindPages(const std::vector<std::string>& pages, std::vector<Curl*>& found);
    // The same, but no names means every page of the list (check, clear).
    int FindPagesOrAll(const std::vector<std::string>& pages, std::vector<Curl*>& found);
    // 1-based position of a record in the list; 0 when it is not there.
    int PositionOf(const Curl* record) const;
    // How the user names the page without doubt: "@id", or "#position" for a page without an id.
    std::string Label(const Curl* record) const;

    // Write the one-line message and return the exit status to end with.
    int Usage(const std::string& message);
    int Fail(const std::string& message);
    void Warn(const std::string& message);

private:
    int Found(Result<std::vector<Curl*>> result, std::vector<Curl*>& found);

    CListSession m_session;
};

// A file named on the command line as a path from the root: the program a command is handed to works
// in another folder.
std::string AbsolutePath(const std::string& path);
