#pragma once

#include "platform/AtomicFile.h"

#include <string>
#include <string_view>

// Writes a report file as a whole, in parts as it is made, through an atomic file: until Commit
// succeeds the file keeps its previous content, and a writer destroyed without Commit leaves nothing
// behind. Failures are told on standard error in the words the program uses for its reports.
class CReportFile
{
public:
    // Creates the temporary file. Writes "error : cannot create <path>" to standard error on failure.
    bool Open(const std::string& path);
    // Appends to the temporary file; a failure is remembered and reported by Commit.
    void Write(std::string_view bytes);
    // Flushes and renames. Writes "error : cannot write <path>" or "error : cannot create <path>" to
    // standard error on failure, and the file is left as it was.
    bool Commit();

private:
    void ReportFailure(CAtomicFile::Step step) const;

    CAtomicFile m_file;
    std::string m_path;
    bool m_open = false;
    bool m_writeFailed = false;
};
