#pragma once

// Turns SIGINT and SIGTERM into a readable descriptor (a self-pipe), so that a headless front end
// notices them in its poll loop and stops a run and saves on its own thread; the handler only
// writes one byte. The previous handlers come back when the object is destroyed. One at a time.
class CStopSignals
{
public:
    CStopSignals();
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    // False when the pipe or a handler could not be set up.
    bool IsValid() const { return m_valid; }
    // Readable once a stop signal has arrived.
    int Fd() const { return m_readFd; }
    // True once a stop signal has arrived (also after it was read from the descriptor).
    bool Received();

private:
    int m_readFd = -1;
    bool m_valid = false;
};
