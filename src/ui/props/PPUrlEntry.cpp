#include "ui/props/PPUrlEntry.h"
#include "check/PageTexts.h"

#include "check/PageCheck.h"
#include "model/PageChanges.h"
#include "model/UrlRecord.h"
#include "run/SinglePageJob.h"
#include "ui/props/PPWatchText.h"
#include "ui/sheets/TreePropSheet.h"
#include "ui/widgets/PlainText.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>

namespace {

QLabel* NewMarker(QWidget* parent, const char* name)
{
    auto* marker = new QLabel(parent);
    marker->setObjectName(name);
    marker->setPixmap(QIcon(":/sheets/marker.svg").pixmap(16, 16));
    marker->setFixedSize(16, 16);
    // Keeps its place in the layout while hidden.
    QSizePolicy policy = marker->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    marker->setSizePolicy(policy);
    return marker;
}

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CPPUrlEntry::CPPUrlEntry(Curl& record, CPPWatchText& watchText, QWidget* parent)
    : CUrlPage(tr("Properties"), QIcon(":/sheets/properties.svg"), parent)
    , m_record(record)
    , m_watchText(watchText)
    , m_job(std::make_unique<CSinglePageJob>(m_dispatcher))
    , m_name(new QLineEdit(this))
    , m_url(new QLineEdit(this))
    , m_nameMarker(NewMarker(this, "nameMarker"))
    , m_urlMarker(NewMarker(this, "urlMarker"))
    , m_download(new QPushButton(tr("Download page details"), this))
    , m_busy(new QProgressBar(this))
    , m_lastChecked(MakePlain(new QLabel(this)))
    , m_lastModified(MakePlain(new QLabel(this)))
    , m_changeStatus(MakePlain(new QLabel(this)))
    , m_size(MakePlain(new QLabel(this)))
    , m_status(MakePlain(new QLabel(this)))
{
    m_name->setObjectName("name");
    m_url->setObjectName("url");
    m_download->setObjectName("download");
    m_busy->setObjectName("busy");
    m_status->setObjectName("status");
    m_lastChecked->setObjectName("lastChecked");
    m_lastModified->setObjectName("lastModified");
    m_changeStatus->setObjectName("changeStatus");
    m_size->setObjectName("size");
    m_busy->setTextVisible(false);
    m_busy->setMaximumHeight(14);
    m_busy->hide();
    SetTextColour(m_url, Qt::black);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Name"), this), 0, 0);
    grid->addWidget(m_name, 0, 1);
    grid->addWidget(m_nameMarker, 0, 2);
    grid->addWidget(new QLabel(tr("URL"), this), 1, 0);
    grid->addWidget(m_url, 1, 1);
    grid->addWidget(m_urlMarker, 1, 2);
    auto* download = new QHBoxLayout;
    m_download->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    download->addWidget(m_download);
    download->addWidget(m_busy, 1);
    download->addStretch(0);
    grid->addLayout(download, 2, 1);

    auto* details = new QGroupBox(this);
    auto* rows = new QGridLayout(details);
    const std::pair<const char*, QLabel*> texts[] = {{"Last Checked", m_lastChecked},
                                                     {"Last Modified", m_lastModified},
                                                     {"Change Status", m_changeStatus},
                                                     {"Size", m_size}};
    int row = 0;
    for (const auto& [label, value] : texts) {
        rows->addWidget(new QLabel(tr(label), details), row, 0);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        rows->addWidget(value, row++, 1);
    }
    rows->setColumnStretch(1, 1);
    grid->addWidget(details, 3, 0, 1, 3);
    m_status->setWordWrap(true);
    grid->addWidget(m_status, 4, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(5, 1);

    // Changes made by redisplaying the members are not the user's: the checks run after it.
    connect(m_url, &QLineEdit::textChanged, this, [this] {
        if (m_redisplaying)
            return;
        m_bUrlTyped = true;
        CheckAddress();
    });
    connect(m_name, &QLineEdit::textChanged, this, [this] {
        if (!m_redisplaying)
            CheckName();
    });
    connect(m_download, &QPushButton::clicked, this, &CPPUrlEntry::OnDownload);
}

CPPUrlEntry::~CPPUrlEntry() = default;

void CPPUrlEntry::LoadControls()
{
    const QScopedValueRollback<bool> redisplaying(m_redisplaying, true);
    SetText(m_name, Text(m_strName));
    SetText(m_url, Text(m_strURL));
    m_lastChecked->setText(Text(m_strLastChecked));
    m_lastModified->setText(Text(m_strLastModified));
    m_changeStatus->setText(Text(m_strChangeStatus));
    m_size->setText(Text(m_strSize));
    m_status->setText(Text(m_strStatus));
}

bool CPPUrlEntry::StoreControls()
{
    m_strName = m_name->text().toStdString();
    m_strURL = m_url->text().toStdString();
    return true;
}

void CPPUrlEntry::LoadFromRecord(const Curl& record)
{
    m_strName = record.m_strName;
    m_strURL = record.m_strURL.empty() ? std::string(kEmptyAddress) : record.m_strURL;
    m_strChangeStatus = ChangeText(record);
    m_strLastChecked = LastCheckedText(record);
    m_strLastModified = LastModifiedText(record);
    m_strSize = SizeText(record);
    m_strStatus = record.m_strStatus;
    LoadControls();
}

void CPPUrlEntry::SaveToRecord(Curl& record) const
{
    record.m_strName = m_strName;
    record.m_strURL = m_strURL;
}

void CPPUrlEntry::Initialise()
{
    TakeAddressFromClipboard();
    LoadControls();
    CheckAddress();
    CheckName();
}

void CPPUrlEntry::TakeAddressFromClipboard()
{
    // Only an address field still at its empty form takes a web address the user has just copied.
    if (QString::compare(m_url->text(), QLatin1String(kEmptyAddress), Qt::CaseInsensitive) != 0)
        return;
    const std::string text = QApplication::clipboard()->text().trimmed().toStdString();
    if (!text.empty() && Curl::IsWatchableURL(text))
        m_strURL = text;
}

void CPPUrlEntry::CheckAddress()
{
    StoreControls();
    m_bUrlValid = Curl::IsWatchableURL(m_strURL).ok();
    // Red only for what the user typed: an address not yet entered is no mistake.
    const bool mistake = !m_bUrlValid && m_bUrlTyped;
    if (m_bUrlValid) {
        m_strStatus = "Valid URL";
    } else if (const std::string suggested = SuggestedPageAddress(m_strURL); !suggested.empty()) {
        m_strStatus = "Invalid URL. Did you mean " + suggested + "?";
    } else {
        m_strStatus = "Invalid URL";
    }
    SetTextColour(m_status, mistake ? Qt::red : Qt::black);
    SetTextColour(m_url, mistake ? Qt::red : Qt::black);
    m_download->setEnabled(m_bUrlValid && !IsDownloading());
    m_urlMarker->setVisible(mistake);
    LoadControls();
    UpdateOkButton();
}

void CPPUrlEntry::CheckName()
{
    StoreControls();
    // A name of blanks only would show as an empty row.
    m_bNamePresent = !QString::fromStdString(m_strName).trimmed().isEmpty();
    m_nameMarker->setVisible(!m_bNamePresent);
    UpdateOkButton();
}

void CPPUrlEntry::UpdateOkButton()
{
    if (Sheet())
        Sheet()->OkButton()->setEnabled(m_bNamePresent && m_bUrlValid);
}

bool CPPUrlEntry::IsDownloading() const
{
    return m_job && m_job->IsRunning();
}

void CPPUrlEntry::FocusAddress()
{
    m_url->setFocus();
    m_url->selectAll();
}

void CPPUrlEntry::OnDownload()
{
    if (IsDownloading())
        return;
    m_busy->setRange(0, 0);
    m_busy->show();
    StoreControls();
    // Stored at once: the check reads them, and they stay even if the sheet is then cancelled.
    SaveToRecord(m_record);
    m_record.MarkEdited();
    m_strStatus = "Downloading page details, please wait...";
    SetTextColour(m_status, Qt::black);
    LoadControls();
    if (!m_job->Start(m_record, [this](std::unique_ptr<Curl> checked, std::string pageText) {
            OnDownloaded(std::move(checked), pageText);
        })) {
        StopBusy();
        m_strStatus = "The download could not be started.";
        LoadControls();
        return;
    }
    m_download->setEnabled(false);
}

void CPPUrlEntry::OnDownloaded(std::unique_ptr<Curl> checked, const std::string& pageText)
{
    m_record.ApplyCheckResults(*checked);
    // A page added without a name is named after its title.
    if (m_record.m_strName.empty())
        m_record.m_strName = GetPageTitle(pageText);
    LoadFromRecord(m_record);
    m_watchText.ShowDownloadedPreview(pageText);
    StopBusy();
    CheckAddress();
    CheckName();
    // The address check rewrote the status line; the download's outcome is what the user asked for.
    m_strStatus = StatusText(m_record);
    SetTextColour(m_status, Qt::black);
    LoadControls();
    emit DownloadFinished();
}

void CPPUrlEntry::StopBusy()
{
    m_busy->setRange(0, 1);
    m_busy->hide();
}

void CPPUrlEntry::CancelDownload()
{
    if (!IsDownloading())
        return;
    m_strStatus = "Cancelling download...";
    LoadControls();
    m_job->Cancel();
    StopBusy();
}

void CPPUrlEntry::OnOK()
{
    CancelDownload();
}

void CPPUrlEntry::OnCancel()
{
    CancelDownload();
}
