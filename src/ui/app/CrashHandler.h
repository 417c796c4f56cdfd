#pragma once

#include <string>

// Our stand-in for a crash reporter: on a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) a
// report with the signal and a backtrace is written as "crash-<seconds since 1970>.txt" into the
// report folder, and the signal then ends the program as it would have.
namespace CrashHandler {

// The folder is created when missing. False when the handlers could not be installed.
bool Install(const std::string& reportFolder);

// The newest report written since the last call, so that the next start can say where it is;
// empty when there is none. Remembers what it returned in a file in the same folder.
std::string TakeNewReport(const std::string& reportFolder);

} // namespace CrashHandler
