#pragma once

#include "platform/Error.h"

#include <string>
#include <sys/types.h>

// A file replaced whole or not at all: the bytes go to a temporary file in the same folder, which is
// flushed, synced and renamed over the target on Commit. Until then, and whenever a step fails, the
// old file stays as it was; an uncommitted temporary file is removed when the object goes.
class CAtomicFile
{
public:
    // The step a failure happened in, for callers that word their own messages.
    enum class Step
    {
        None,
        Create, // making the temporary file
        Write, // writing, flushing or closing it
        Replace, // renaming it over the target
    };

    CAtomicFile() = default;
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Each step fails with the reason (Io; BadInput for no name, Internal when not open); after a
    // failure the file is discarded.
    Status Open(const std::string& path, mode_t mode = 0600);
    Status Write(const char* data, size_t size);
    Status Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }
    Status Commit();
    void Discard();
    Step FailedStep() const { return m_failedStep; }
    // Starts putting the bytes written since the last call on disk without waiting for them, so that
    // a large file written in parts leaves Commit less to wait for.
    void StartWriteBack();

private:
    Error Fail(Step step, const std::string& what);

    std::string m_path;
    std::string m_temp;
    int m_fd = -1;
    Step m_failedStep = Step::None;
    off_t m_written = 0;
    off_t m_writeBackFrom = 0;
};
