#pragma once

#include "diff/ReportFile.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// Writes the parts of a large report on a thread of its own while the next part is made: copying a
// part into the system's file cache takes about as long as making it. Parts smaller than threadFrom
// handed before any larger one are written at once on the caller's thread, so a small report starts
// no thread; so are all parts when no thread can be started.
class CWriteBehind
{
public:
    CWriteBehind(CReportFile& file, std::size_t threadFrom);
    ~CWriteBehind();
    CWriteBehind(const CWriteBehind&) = delete;
    CWriteBehind& operator=(const CWriteBehind&) = delete;

    // Takes the bytes of part for writing, in the order handed. part gets a buffer back whose bytes
    // are of no use but whose size is room to write the next part into without growing it.
    void Hand(std::string& part);
    // Returns once every part handed has been written.
    void Finish();

private:
    void WriteParts();

    CReportFile& m_file;
    const std::size_t m_threadFrom;
    std::thread m_writer;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_pending; // the next part to write, when m_hasPending
    bool m_hasPending = false;
    bool m_finishing = false;
};
