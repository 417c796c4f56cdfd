#include "ui/main/SplitFrame.h"

#include "check/PageFiles.h"
#include "check/TextDiffReport.h"
#include "check/VersionReport.h"
#include "model/UrlRecord.h"
#include "notify/UpdateLog.h"
#include "ui/history/VersionChooser.h"
#include "ui/list/PaneContent.h"
#include "ui/main/BrowserView.h"
#include "ui/main/ToolbarIcons.h"

#include <QAction>
#include <QFileInfo>
#include <QToolBar>

#include <iterator>
#include <memory>

CSplitFrame::CSplitFrame(std::function<Curl*()> firstSelected, std::string storageFolder, QWidget* parent)
    : QMainWindow(parent)
    , m_firstSelected(std::move(firstSelected))
    , m_storageFolder(std::move(storageFolder))
{
    setWindowFlags(Qt::Widget);
    QToolBar* bar = addToolBar(QStringLiteral("Browser"));
    bar->setMovable(false);
    bar->setIconSize(QSize(20, 20));
    struct ButtonInfo
    {
        const char* icon;
        const char* tip;
        void (CSplitFrame::*slot)();
    };
    static const ButtonInfo buttons[] = {
        {"local-page", "Show locally saved page", &CSplitFrame::ShowLocalPage},
        {"internet-page", "Show page from internet", &CSplitFrame::ShowInternetPage},
        {"differences", "Show differences between last 2 versions", &CSplitFrame::ShowDifferences},
        {"differences", "Show the changed words of the compared text", &CSplitFrame::ShowTextDifferences},
        {"update-log", "Show the log of all changes detected", &CSplitFrame::ShowUpdateLog},
    };
    for (int i = 0; i < static_cast<int>(std::size(buttons)); ++i) {
        m_actions[i] = bar->addAction(ToolbarIcon(buttons[i].icon), QString::fromLatin1(buttons[i].tip));
        m_actions[i]->setToolTip(QString::fromLatin1(buttons[i].tip));
        connect(m_actions[i], &QAction::triggered, this, buttons[i].slot);
    }
    m_chooser = new CVersionChooser(
        [this] {
            Curl* record = m_firstSelected();
            return record ? GetFileBase(*record) : std::string();
        },
        bar);
    bar->addWidget(m_chooser);
    connect(m_chooser, &CVersionChooser::compareRequested, this, &CSplitFrame::CompareVersions);
    auto* blank = new QWidget(this);
    blank->setAutoFillBackground(true);
    blank->setBackgroundRole(QPalette::Base);
    setCentralWidget(blank);
}

CBrowserView& CSplitFrame::View()
{
    if (!m_view) {
        m_view = new CBrowserView(this);
        setCentralWidget(m_view);
    }
    return *m_view;
}

void CSplitFrame::ShowLocalPage()
{
    if (Curl* record = m_firstSelected())
        Show(SavedCopyContent(*record));
}

void CSplitFrame::ShowInternetPage()
{
    if (Curl* record = m_firstSelected())
        View().ShowPage(QString::fromStdString(record->GetURL()));
}

void CSplitFrame::ShowDifferences()
{
    if (Curl* record = m_firstSelected()) {
        // The report is made from the two copies as they are now, off this thread; it is shown if its
        // page is still the one selected when it is ready.
        const uint64_t serial = record->GetSerial();
        m_chooser->Reload();
        m_reportJob.Start(GetFileBase(*record), [this, serial](bool made) {
            if (Curl* shown = m_firstSelected(); shown && shown->GetSerial() == serial)
                Show(DiffReportContent(*shown, made));
        });
    }
}

void CSplitFrame::ShowTextDifferences()
{
    Curl* record = m_firstSelected();
    if (!record)
        return;
    // Made from the two copies with the page's options as they are now, off this thread.
    const uint64_t serial = record->GetSerial();
    const std::string base = GetFileBase(*record);
    const CurlSettings settings = record->Settings();
    auto why = std::make_shared<std::string>();
    m_reportJob.StartWith(
        [base, settings, why] {
            const Status made = MakeTextDiffReportAt(base, settings);
            if (!made)
                *why = made.error().message;
            return made.ok();
        },
        [this, serial, why](bool) {
            if (Curl* shown = m_firstSelected(); shown && shown->GetSerial() == serial)
                Show(TextDiffContent(*shown, *why));
        });
}

void CSplitFrame::CompareVersions(int from, int to)
{
    Curl* record = m_firstSelected();
    if (!record)
        return;
    const uint64_t serial = record->GetSerial();
    const std::string base = GetFileBase(*record);
    // Why the report was not made, filled on the job's thread and read once it has reported back.
    auto why = std::make_shared<std::string>();
    m_reportJob.StartWith(
        [base, from, to, why] {
            const Status made = MakeVersionsReportAt(base, from, to);
            if (!made)
                *why = made.error().message;
            return made.ok();
        },
        [this, serial, why](bool made) {
            Curl* shown = m_firstSelected();
            if (!shown || shown->GetSerial() != serial)
                return;
            if (made)
                Show(DiffReportContent(*shown, true));
            else
                Show({{}, QString::fromStdString(shown->GetName()), QString::fromStdString(*why)});
        });
}

void CSplitFrame::ShowUpdateLog()
{
    CUpdateLog log(m_storageFolder);
    // Before the first change the page does not exist yet: show the empty log rather than an error.
    if (!QFileInfo::exists(QString::fromStdString(log.GetPagePath())) && log.LoadLog())
        log.RenderLog();
    View().ShowPage(QString::fromStdString(log.GetPagePath()));
}

void CSplitFrame::Show(const PaneContent& content)
{
    if (!content.url.isEmpty())
        View().ShowUrl(content.url);
    else
        View().ShowNotice(content.heading, content.text);
}
