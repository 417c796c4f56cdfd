// The control channel as the program that holds the storage folder serves it: real sockets in the
// test's own folders, requests from threads, the service's work on the test's thread.
#include "run/ControlService.h"
#include "RecordingFrontEnd.h"
#include "TestEnv.h"
#include "fetch/UrlEngine.h"
#include "model/ListSession.h"
#include "model/VigilPrefs.h"
#include "platform/LocalSocket.h"
#include "run/CheckRun.h"
#include "run/ControlChannel.h"
#include "run/ListRequests.h"
#include "run/RunMessageQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class CTestControlFrontEnd : public IControlFrontEnd
{
public:
    bool busy = false;
    std::vector<std::string> reports;
    bool IsBusy() const override { return busy; }
    void Report(const std::string& text) override { reports.push_back(text); }
};

// A request sent from a thread of its own, as sitevigil-cli would.
class CCall
{
public:
    explicit CCall(ControlRequest request)
        : m_thread([this, request = std::move(request)] {
            reply = SendControlRequest(CVigilPrefs::GetInstance().GetStorageFolder(), request);
            done = true;
        })
    { }
    ~CCall() { m_thread.join(); }
    std::atomic<bool> done = false;
    std::optional<ControlAnswer> reply;

private:
    std::thread m_thread;
};

// A bookmarks file of the given number of web links (and of links that are no web address), written
// into the folder.
std::string WriteBookmarks(const std::string& folder, size_t webLinks, size_t otherLinks, size_t padding = 0)
{
    std::string html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    const std::string pad(padding, 'x');
    for (size_t i = 0; i < webLinks; ++i)
        html += "<DT><A HREF=\"http://site.test/" + std::to_string(i) + "\">Page " + std::to_string(i) + "</A>\n";
    for (size_t i = 0; i < otherLinks; ++i)
        html += "<DT><A HREF=\"javascript:void(" + std::to_string(i) + ")\">Script " + pad + "</A>\n";
    html += "</DL>\n";
    const std::string path = folder + "bookmarks.html";
    WriteFileBytes(path, html);
    return path;
}

ControlRequest ImportRequest(const std::string& file)
{
    ControlRequest request;
    request.verb = ControlVerb::ImportBookmarks;
    request.file = file;
    return request;
}

ControlRequest AddRequest(const std::string& url)
{
    ControlRequest request;
    request.verb = ControlVerb::Add;
    request.changes.url = url;
    return request;
}

// A connected socket to the service, or -1.
int Connect(const std::string& path)
{
    Result<int> fd = ConnectLocalSocket(path);
    return fd ? fd.value() : -1;
}

class ControlService : public testing::Test
{
protected:
    ControlService()
    {
        EXPECT_TRUE(session.Lock().ok());
        EXPECT_TRUE(session.Open(true).ok());
    }
    void Start(CControlServer::Limits limits = {})
    {
        service = std::make_unique<CControlService>(session, run, queue, control, "test program", limits);
        const Status started = service->Start(settings.StorageDir());
        ASSERT_TRUE(started) << started.error().message;
    }
    // Runs the service's work until the call is answered; false after 20 seconds.
    bool Serve(const CCall& call)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!call.done) {
            if (std::chrono::steady_clock::now() > deadline) {
                // The caller still waits for its answer: closing the socket lets it go, so that the
                // test fails instead of hanging where the call is joined.
                service.reset();
                return false;
            }
            queue.WaitAndDispatch(std::chrono::milliseconds(20));
        }
        return true;
    }

    CIsolatedSettings settings;
    CListSession session;
    CRecordingFrontEnd frontEnd;
    CTestControlFrontEnd control;
    CUrlEngine engine;
    CRunMessageQueue queue;
    CCheckRun run{session.Doc(), engine, queue, frontEnd};
    std::unique_ptr<CControlService> service;
};

TEST_F(ControlService, TypedRequestsAreDoneSavedAndAnswered)
{
    Start();
    CCall add(AddRequest("http://a.test/"));
    ASSERT_TRUE(Serve(add));
    ASSERT_TRUE(add.reply);
    EXPECT_EQ(add.reply->outcome, ControlOutcome::Done) << add.reply->error;
    ASSERT_EQ(add.reply->pages.size(), 1u);
    EXPECT_EQ(add.reply->pages[0].label, "@1");
    EXPECT_EQ(session.Doc().Count(), 1u);
    EXPECT_EQ(control.reports, std::vector<std::string>{"Handed over by sitevigil-cli: add"});

    // Bytes that are no request are refused plainly, and the socket stays ours to serve.
    const int fd = Connect(service->SocketPath());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SendAllBytes(fd, "pipe\nadd http://b.test/\n"));
    shutdown(fd, SHUT_WR);
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<size_t>(n));
    close(fd);
    const std::optional<ControlAnswer> refused = DecodeControlAnswer(bytes);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->outcome, ControlOutcome::Refused);
    EXPECT_EQ(session.Doc().Count(), 1u);
}

// A large bookmarks file is read off the program's thread and joins the list in steps, with the
// program's other work between them; a request handed over meanwhile waits and is done after it.
TEST_F(ControlService, ALargeImportJoinsInStepsAndOthersWaitForIt)
{
    Start();
    const size_t links = 2 * kImportStepPages + 5;
    CCall import(ImportRequest(WriteBookmarks(settings.StorageDir(), links, 0)));
    std::unique_ptr<CCall> add;
    bool sawPart = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!import.done && std::chrono::steady_clock::now() < deadline) {
        queue.WaitAndDispatch(std::chrono::milliseconds(20));
        const size_t count = session.Doc().Count();
        if (count > 0 && count < links && !add) {
            sawPart = true;
            add = std::make_unique<CCall>(AddRequest("http://late.test/"));
            while (service->WaitingCount() == 0)
                queue.WaitAndDispatch(std::chrono::milliseconds(20));
        }
    }
    ASSERT_TRUE(import.done);
    EXPECT_TRUE(sawPart);
    ASSERT_TRUE(import.reply);
    EXPECT_EQ(import.reply->outcome, ControlOutcome::Done) << import.reply->error;
    EXPECT_EQ(import.reply->count, links);
    ASSERT_TRUE(add);
    ASSERT_TRUE(Serve(*add));
    EXPECT_EQ(add->reply->outcome, ControlOutcome::Done);
    ASSERT_EQ(session.Doc().Count(), links + 1);
    EXPECT_EQ(session.Doc().RecordAt(links).m_strURL, "http://late.test/");
    // Every page got an id of its own, and the id setting went on past them once.
    std::set<std::string> ids;
    for (const auto& record : session.Doc().Records())
        ids.insert(record->m_strPageID);
    EXPECT_EQ(ids.size(), links + 1);
}

// An answer far beyond any buffer comes whole: here the import names each of 200,000 links it left out.
TEST_F(ControlService, AnswersOfAnySizeArriveWhole)
{
    Start();
    CCall import(ImportRequest(WriteBookmarks(settings.StorageDir(), 1, 200000, 100)));
    ASSERT_TRUE(Serve(import));
    ASSERT_TRUE(import.reply);
    EXPECT_EQ(import.reply->outcome, ControlOutcome::Done) << import.reply->error;
    ASSERT_EQ(import.reply->skipped.size(), 200000u);
    EXPECT_EQ(import.reply->skipped.back().rfind("\"Script x", 0), 0u) << import.reply->skipped.back();
}

// A request over 1 MB is refused before it is read whole; a caller that drips its request holds
// nobody else up, loses its connection at its deadline, and does not keep the server from stopping.
TEST_F(ControlService, CallersThatSendTooMuchOrTooSlowlyHoldNobodyUp)
{
    CControlServer::Limits limits;
    limits.requestMs = 300;
    Start(limits);

    std::atomic<bool> dripping = true;
    std::atomic<bool> dropped = false;
    std::thread dripper([&] {
        const int fd = Connect(service->SocketPath());
        while (dripping && fd >= 0) {
            if (send(fd, "x", 1, MSG_NOSIGNAL) != 1) {
                dropped = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (fd >= 0)
            close(fd);
    });

    CCall add(AddRequest("http://a.test/"));
    ASSERT_TRUE(Serve(add));
    EXPECT_EQ(add.reply->outcome, ControlOutcome::Done);

    ControlRequest huge = AddRequest("http://a.test/");
    huge.changes.name = std::string(kMaxControlRequestBytes, 'n');
    CCall tooLong(huge);
    ASSERT_TRUE(Serve(tooLong));
    ASSERT_TRUE(tooLong.reply);
    EXPECT_EQ(tooLong.reply->outcome, ControlOutcome::Refused);
    EXPECT_NE(tooLong.reply->error.find("1 MB"), std::string::npos) << tooLong.reply->error;

    // The same from a caller that does not check its own size and would send 64 MB: the server stops
    // taking it past the limit instead of holding it all.
    const int fd = Connect(service->SocketPath());
    ASSERT_GE(fd, 0);
    const std::string chunk(65536, 'x');
    size_t sent = 0;
    while (sent < (64u << 20)) {
        const ssize_t n = send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    EXPECT_LT(sent, 4 * kMaxControlRequestBytes);
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<size_t>(n));
    close(fd);
    ASSERT_TRUE(DecodeControlAnswer(bytes));
    EXPECT_EQ(DecodeControlAnswer(bytes)->outcome, ControlOutcome::Refused);

    while (!dropped)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    dripper.join();

    // A new dripper, with the deadline far away: stopping does not wait for it.
    std::atomic<bool> connected = false;
    dripping = true;
    std::thread second([&] {
        const int fd = Connect(service->SocketPath());
        connected = true;
        while (dripping && send(fd, "x", 1, MSG_NOSIGNAL) == 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        close(fd);
    });
    while (!connected)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    service->Stop();
    dripping = false;
    second.join();
    EXPECT_EQ(session.Doc().Count(), 1u);
}

// A request that waits (a dialog is open) is done when the front end is free again, or, when it has
// waited too long, answered with a time-out and never done.
TEST_F(ControlService, AWaitingRequestIsDoneLaterOrGivenUpAndNotDone)
{
    CControlServer::Limits limits;
    limits.waitMs = 200;
    Start(limits);
    control.busy = true;
    {
        CCall add(AddRequest("http://late.test/"));
        ASSERT_TRUE(Serve(add));
        ASSERT_TRUE(add.reply);
        EXPECT_EQ(add.reply->outcome, ControlOutcome::Failed);
        EXPECT_NE(add.reply->error.find("busy"), std::string::npos) << add.reply->error;
    }
    control.busy = false;
    service->RunWaiting();
    EXPECT_EQ(session.Doc().Count(), 0u);

    limits.waitMs = 60000;
    service = nullptr;
    Start(limits);
    control.busy = true;
    CCall add(AddRequest("http://a.test/"));
    while (service->WaitingCount() == 0)
        queue.WaitAndDispatch(std::chrono::milliseconds(20));
    EXPECT_EQ(session.Doc().Count(), 0u);
    control.busy = false;
    service->RunWaiting();
    ASSERT_TRUE(Serve(add));
    EXPECT_EQ(add.reply->outcome, ControlOutcome::Done);
    EXPECT_EQ(session.Doc().Count(), 1u);
}

// A change whose save fails is undone and answered as failed: the list keeps nothing of it to be
// saved later.
TEST_F(ControlService, AChangeThatCannotBeSavedIsUndone)
{
    ASSERT_EQ(ApplyListRequest(session, AddRequest("http://a.test/")).outcome, ControlOutcome::Done);
    ASSERT_EQ(ApplyListRequest(session, AddRequest("http://b.test/")).outcome, ControlOutcome::Done);
    session.Doc().RecordAt(0).MarkChanged("Size changed");
    const auto names = [this] {
        std::string text;
        for (const auto& record : session.Doc().Records())
            text += record->GetName() + (record->GetChanged() ? "*" : "") + " ";
        return text;
    };
    const std::string before = names();
    session.Doc().RefuseDefaultSave("the disk is full");

    ControlRequest edit;
    edit.verb = ControlVerb::Edit;
    edit.pages = {"1"};
    edit.changes.name = "renamed";
    ControlRequest remove;
    remove.verb = ControlVerb::Remove;
    remove.pages = {"1", "2"};
    ControlRequest clear;
    clear.verb = ControlVerb::Clear;
    for (const ControlRequest& request : {AddRequest("http://c.test/"), edit, remove, clear}) {
        const ControlAnswer answer = ApplyListRequest(session, request);
        EXPECT_EQ(answer.outcome, ControlOutcome::Failed) << ControlVerbName(request.verb);
        EXPECT_NE(answer.error.find("the disk is full"), std::string::npos) << answer.error;
        EXPECT_EQ(names(), before) << ControlVerbName(request.verb);
    }
}

// Sockets live where only the user can go: a folder others may enter is not used, and a name another
// user took is refused loudly instead of silently given up.
TEST(LocalSocket, OnlyTheUserCanReachOrTakeTheSocket)
{
    CTempDir storage;
    ASSERT_EQ(PrivateSocketFolder(storage.Path()).value(), storage.Path());
    chmod(storage.Path().c_str(), 0755);
    const Result<std::string> inside = PrivateSocketFolder(storage.Path());
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside.value(), storage.Path() + "siteVigil.run/");
    struct stat st
    {
    };
    ASSERT_EQ(stat(inside.value().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    if (geteuid() != 0)
        GTEST_SKIP() << "taking a name as another user needs root";
    // Another user listens on the name first.
    const std::string path = inside.value() + "squatted.sock";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    chmod(inside.value().c_str(), 0777);
    const pid_t squatter = fork();
    if (squatter == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        Result<int> fd = ListenLocalSocket(path);
        (void)!write(ready[1], fd ? "y" : "n", 1);
        pause();
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');
    EXPECT_FALSE(CheckPrivateFolder(inside.value()));
    const Result<int> taken = ListenLocalSocket(path);
    ASSERT_FALSE(taken);
    EXPECT_EQ(taken.error().kind, ErrorKind::BadInput);
    EXPECT_NE(taken.error().message.find("another user"), std::string::npos) << taken.error().message;
    // A caller learns nothing from it either.
    const Result<int> connected = ConnectLocalSocket(path);
    ASSERT_FALSE(connected);
    EXPECT_EQ(connected.error().kind, ErrorKind::BadInput);
    kill(squatter, SIGKILL);
    waitpid(squatter, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
}

} // namespace

// An edit handed to the program that holds the list carries every option edit takes.
TEST(ControlRequest, EditCarriesEveryPageOption)
{
    ControlRequest edit;
    edit.verb = ControlVerb::Edit;
    edit.pages = {"@1"};
    edit.changes.savePage = false;
    edit.changes.render = true;
    edit.changes.renderWait = 75; // out of range: the receiver refuses it with the reason
    edit.changes.every = "6h";
    const std::optional<ControlRequest> back = DecodeControlRequest(EncodeControlRequest(edit));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->changes.savePage, std::optional<bool>(false));
    EXPECT_EQ(back->changes.render, std::optional<bool>(true));
    EXPECT_EQ(back->changes.renderWait, std::optional<int>(75));
    EXPECT_EQ(back->changes.every, std::optional<std::string>("6h"));
    EXPECT_FALSE(back->changes.url);
}
