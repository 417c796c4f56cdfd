#pragma once

#include <string>
#include <unordered_map>
#include <vector>

class Curl;

// Starts the desktop's default web browser for a page: the program of the entry that
// "xdg-settings get default-web-browser" names, with the address in place of its Exec line's field
// codes; "xdg-open" where the desktop names none. The browser is looked up once per record and kept
// while the record lives. Programs get an argument vector, never a shell.
class CBrowserLauncher
{
public:
    // Starts the browser for the record's address and returns at once; failures show nothing.
    void Open(const Curl& record);
    // The argument vector Open starts for the record.
    std::vector<std::string> BrowserArgs(const Curl& record);
    // The record is gone: its kept browser goes with it.
    void Forget(const Curl* record);
    // Records may have gone wholesale: every kept browser goes.
    void ForgetAll() { m_execs.clear(); }

private:
    const std::string& BrowserExec(const Curl& record);

    // The Exec line of each record's browser; empty when the desktop names none.
    std::unordered_map<const Curl*, std::string> m_execs;
};
