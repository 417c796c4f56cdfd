#include "run/ControlService.h"

#include "model/ListSession.h"
#include "model/PageLookup.h"
#include "run/CheckRun.h"
#include "run/FrontEndDispatcher.h"
#include "run/ListRequests.h"

CControlService::CControlService(CListSession& session, CCheckRun& run, IFrontEndDispatcher& dispatcher,
                                 IControlFrontEnd& frontEnd, std::string hostName, CControlServer::Limits limits)
    : m_session(session)
    , m_run(run)
    , m_frontEnd(frontEnd)
    , m_hostName(std::move(hostName))
    , m_dispatcher(dispatcher)
    , m_reader(dispatcher)
    , m_server(
          dispatcher,
          [this](const ControlRequest& request, const std::shared_ptr<CControlTicket>& ticket) {
              OnRequest(request, ticket);
          },
          limits)
{ }

CControlService::~CControlService()
{
    *m_alive = false;
    Stop();
}

Status CControlService::Start(const std::string& storageFolder)
{
    return m_server.Start(storageFolder);
}

void CControlService::Stop()
{
    m_server.Stop();
    m_waiting.clear();
    m_checks.clear();
    m_import.reset();
}

void CControlService::OnRequest(const ControlRequest& request, const std::shared_ptr<CControlTicket>& ticket)
{
    // Bringing the window up is safe whatever the program is doing.
    if (request.verb == ControlVerb::ShowWindow) {
        if (!ticket->Take())
            return;
        ticket->Answer(m_frontEnd.ShowWindow() ? ControlAnswer{}
                                               : ControlAnswer::Refuse("the running " + m_hostName + " has no window"));
        return;
    }
    m_waiting.push_back({request, ticket});
    RunWaiting();
}

bool CControlService::Free() const
{
    return !m_run.IsRunning() && !m_run.IsEndingRun() && m_checks.empty() && !Importing() && !m_frontEnd.IsBusy();
}

void CControlService::RunWaiting()
{
    while (!m_waiting.empty() && Free()) {
        Waiting next = std::move(m_waiting.front());
        m_waiting.pop_front();
        // A request given up (its caller left, or it waited too long) is not done at all.
        if (next.ticket->Take())
            Do(next.request, next.ticket);
    }
}

void CControlService::Do(const ControlRequest& request, const std::shared_ptr<CControlTicket>& ticket)
{
    if (request.verb == ControlVerb::Check) {
        StartCheck(request, ticket);
        return;
    }
    if (request.verb == ControlVerb::ImportBookmarks) {
        StartImport(request, ticket);
        return;
    }
    m_frontEnd.BeforeListChange();
    const ControlAnswer answer = ApplyListRequest(m_session, request);
    m_frontEnd.AfterListChange();
    Answer(request, *ticket, answer);
}

void CControlService::Answer(const ControlRequest& request, CControlTicket& ticket, const ControlAnswer& answer)
{
    std::string text = std::string("Handed over by sitevigil-cli: ") + ControlVerbName(request.verb);
    if (answer.outcome != ControlOutcome::Done)
        text += " (refused, exit status " + std::to_string(static_cast<int>(answer.outcome)) + ")";
    m_frontEnd.Report(text);
    ticket.Answer(answer);
}

void CControlService::StartCheck(const ControlRequest& request, const std::shared_ptr<CControlTicket>& ticket)
{
    Result<std::vector<Curl*>> pages = FindPages(m_session.Doc(), request.pages, true);
    if (!pages) {
        ticket->Answer(ControlAnswer::Refuse(pages.error().message));
        return;
    }
    if (pages.value().empty()) {
        ticket->Answer({});
        return;
    }
    if (!m_run.CheckPages(pages.value())) {
        ticket->Answer(ControlAnswer::Fail("the check could not start"));
        return;
    }
    m_frontEnd.Report("Handed over by sitevigil-cli: check of " + std::to_string(pages.value().size())
                      + (pages.value().size() == 1 ? " page" : " pages"));
    m_checks.push_back(ticket);
}

void CControlService::OnRunEnd()
{
    if (m_checks.empty())
        return;
    ControlAnswer answer = DescribeRun(m_session.Doc(), m_run);
    answer.program = m_hostName;
    if (!m_run.LastSaveResult().ok()) {
        answer.outcome = ControlOutcome::Failed;
        answer.error = m_run.LastSaveResult().error().message;
    }
    for (const std::shared_ptr<CControlTicket>& ticket : m_checks)
        ticket->Answer(answer);
    m_checks.clear();
}

void CControlService::StartImport(const ControlRequest& request, const std::shared_ptr<CControlTicket>& ticket)
{
    auto import = std::make_unique<Import>();
    import->request = request;
    import->ticket = ticket;
    m_import = std::move(import);
    const bool started = m_reader.Start<Result<BookmarkPages>>(
        [file = request.file] { return ReadBookmarkPagesFile(file); },
        [this, alive = std::weak_ptr<bool>(m_alive)](Result<BookmarkPages> read) {
            if (alive.expired() || !m_import)
                return;
            if (!m_session.IsDamaged()) {
                m_import->countBefore = m_session.Doc().Count();
                if (!read)
                    m_import->readError = read.error();
                m_import->steps
                    = std::make_unique<CImportSteps>(m_session.Doc(), read ? std::move(*read) : BookmarkPages{}, false);
            }
            ImportStep();
        });
    if (!started) {
        m_import.reset();
        ticket->Answer(ControlAnswer::Fail("the bookmarks file could not be read: no thread could be started"));
    }
}

void CControlService::ImportStep()
{
    Import& import = *m_import;
    if (import.steps && !import.steps->Done()) {
        m_frontEnd.BeforeListChange();
        import.steps->Step(kImportStepPages);
        m_frontEnd.AfterListChange();
        // The next step waits behind whatever else the front end has to do meanwhile.
        m_dispatcher.Post([this, alive = std::weak_ptr<bool>(m_alive)] {
            if (!alive.expired() && m_import)
                ImportStep();
        });
        return;
    }
    std::unique_ptr<Import> done = std::move(m_import);
    ControlAnswer answer;
    if (!done->steps) {
        answer = ApplyListRequest(m_session, done->request); // a damaged list: refused there
    } else {
        m_frontEnd.BeforeListChange();
        Result<ImportResult> result = done->readError ? Result<ImportResult>(*done->readError) : done->steps->Finish();
        answer = FinishImportRequest(m_session, done->request, std::move(result), done->countBefore);
        m_frontEnd.AfterListChange();
    }
    Answer(done->request, *done->ticket, answer);
    RunWaiting();
}
