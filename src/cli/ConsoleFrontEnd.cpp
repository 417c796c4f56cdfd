#include "cli/ConsoleFrontEnd.h"

#include "model/UrlRecord.h"
#include "platform/TerminalText.h"
#include "platform/Utf8.h"

#include <ctime>
#include <ostream>

namespace {
// Cuts a UTF-8 text to at most maxBytes without splitting a character.
std::string CutText(const std::string& text, size_t maxBytes)
{
    return text.substr(0, Utf8CutLength(text, maxBytes));
}

std::string TimeStamp()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S ", &local);
    return text;
}
} // namespace

CConsoleFrontEnd::CConsoleFrontEnd(std::ostream& out, std::ostream& err, Options options)
    : m_out(out)
    , m_err(err)
    , m_options(options)
{ }

void CConsoleFrontEnd::Note(const std::string& text)
{
    if (m_options.logStatus)
        Log(m_out, text);
}

void CConsoleFrontEnd::Warn(const std::string& text)
{
    Log(m_err, text);
}

void CConsoleFrontEnd::OnRunStarted(const RunStartedEvent& event)
{
    m_total = event.pages;
    m_done = 0;
    m_current.clear();
}

void CConsoleFrontEnd::OnScheduledRunDue()
{
    Note("Scheduled check started...");
}

void CConsoleFrontEnd::OnPageStarted(const Curl& record)
{
    m_current = TerminalText(record.GetName().empty() ? record.GetURL() : record.GetName());
    DrawProgress();
}

void CConsoleFrontEnd::OnPageChecked(const PageCheckedEvent& event)
{
    m_done = event.checked;
    // Pages taken into the run on the way make it longer than it started.
    m_total = event.total;
    DrawProgress();
}

void CConsoleFrontEnd::OnRunEnded(const RunEndedEvent& event)
{
    ClearProgress();
    // The countdown is logged again once after each run.
    m_timeLeftPending = true;
    if (!event.stopped)
        Note("Completed checks");
}

void CConsoleFrontEnd::OnNextCheck(const NextCheckEvent& event)
{
    // The countdown changes every second; the log gets it once after start-up and after each run.
    if (m_timeLeftPending)
        Note(event.text);
    m_timeLeftPending = false;
}

void CConsoleFrontEnd::OnProblem(ProblemSeverity severity, const std::string& text)
{
    (void)severity;
    Log(m_err, text);
}

void CConsoleFrontEnd::Ask(const std::string& question, std::function<void(bool)> answered)
{
    Log(m_out, question + " Yes");
    answered(true);
}

void CConsoleFrontEnd::ShowSummary(const std::string& text, bool boxWanted, std::function<void()> done)
{
    (void)boxWanted;
    ClearProgress();
    m_out << TerminalText(text, true) << std::flush;
    done();
}

void CConsoleFrontEnd::DrawProgress()
{
    if (!m_options.progressLine)
        return;
    std::string line = "[" + std::to_string(m_done) + "/" + std::to_string(m_total) + "] " + m_current;
    size_t width = m_options.columns > 1 ? static_cast<size_t>(m_options.columns - 1) : 79;
    m_err << '\r' << CutText(line, width) << "\x1b[K" << std::flush;
    m_progressShown = true;
}

void CConsoleFrontEnd::ClearProgress()
{
    if (!m_progressShown)
        return;
    m_err << "\r\x1b[K" << std::flush;
    m_progressShown = false;
}

void CConsoleFrontEnd::Log(std::ostream& stream, const std::string& text)
{
    bool redraw = m_progressShown;
    ClearProgress();
    std::string line = TerminalText(m_options.logStatus ? TimeStamp() + text : text, true);
    stream << line;
    if (line.empty() || line.back() != '\n')
        stream << '\n';
    stream << std::flush;
    if (redraw)
        DrawProgress();
}
