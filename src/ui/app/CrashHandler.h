#pragma once

#include <string>

// Our stand-in for a crash reporter: on a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) a
// report with the signal and a backtrace is written as "crash-2026-12-09T10-42-05.txt" (the time in
// UTC; "-2", "-3", ... after it for more crashes within that second) into the report folder, and the
// signal then ends the program as it would have.
namespace CrashHandler {

// The folder is created when missing. False when the handlers could not be installed.
bool Install(const std::string& reportFolder);

// The newest report written since the last call, so that the next start can say where it is;
// empty when there is none. Remembers what it returned in a file in the same folder. When the
// report was written by this same program file, the frames the handler could only give as
// addresses are named from the program's symbols, and the report is rewritten with those names.
std::string TakeNewReport(const std::string& reportFolder);

// The report file's name for a time in seconds since 1970 and a number within that second (1 for
// the first): "crash-2026-12-09T10-42-05.txt", then "crash-2026-12-09T10-42-05-2.txt".
std::string ReportName(long long secondsSince1970, int number);

} // namespace CrashHandler
