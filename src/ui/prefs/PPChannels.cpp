#include "ui/prefs/PPChannels.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/ChannelStatus.h"
#include "notify/OutboxDelivery.h"
#include "platform/Clock.h"
#include "ui/widgets/MessageBox.h"
#include "ui/widgets/PlainText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

enum Column
{
    kOn,
    kName,
    kAddress,
    kChanges,
    kFailures,
    kLastDelivery,
    kColumns
};

// A check box centred in its cell.
QWidget* CheckCell(bool checked, const QString& objectName)
{
    auto* cell = new QWidget;
    auto* box = new QCheckBox(cell);
    box->setObjectName(objectName);
    box->setChecked(checked);
    auto* layout = new QHBoxLayout(cell);
    layout->addWidget(box);
    layout->setAlignment(Qt::AlignCenter);
    layout->setContentsMargins(0, 0, 0, 0);
    return cell;
}

bool CellChecked(const QTableWidget* table, int row, int column)
{
    const QWidget* cell = table->cellWidget(row, column);
    const auto* box = cell ? cell->findChild<QCheckBox*>() : nullptr;
    return box && box->isChecked();
}

// Texts of the user and of peers are shown as text, never as markup.
QTableWidgetItem* TextItem(const std::string& text)
{
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    item->setToolTip(item->text().toHtmlEscaped());
    return item;
}

} // namespace

CPPChannels::CPPChannels(QWidget* parent)
    : CPropertyPage(tr("Notifications::Channels"), QIcon(":/sheets/channels.svg"), parent)
    , m_table(new QTableWidget(0, kColumns, this))
    , m_address(new QLineEdit(this))
    , m_name(new QLineEdit(this))
    , m_add(new QPushButton(tr("Add"), this))
    , m_remove(new QPushButton(tr("Remove"), this))
    , m_test(new QPushButton(tr("Test"), this))
    , m_status(MakePlain(new QLabel(this)))
    , m_wait(NewDigitsField())
{
    m_table->setObjectName("channels");
    m_address->setObjectName("channelAddress");
    m_name->setObjectName("channelName");
    m_add->setObjectName("addChannel");
    m_remove->setObjectName("removeChannel");
    m_test->setObjectName("testChannel");
    m_status->setObjectName("channelStatus");
    m_status->setWordWrap(true);
    m_wait->setObjectName("deliveryWait");
    m_wait->setMaximumWidth(60);
    m_table->setHorizontalHeaderLabels(
        {tr("On"), tr("Name"), tr("Address"), tr("Changes"), tr("Failures"), tr("Last delivery")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_address->setPlaceholderText(tr("ntfys://ntfy.sh/topic, matrixs://TOKEN@host/!room:host, desktop://, ..."));
    m_name->setPlaceholderText(tr("name (optional)"));
    m_address->setToolTip(tr("desktop://, json(s)://host/path, ntfy(s)://host/topic[?token=T], "
                             "gotify(s)://host/APPTOKEN, matrix(s)://TOKEN@host/ROOMID, slack(s)://host/path, "
                             "discord(s)://host/path"));
    connect(m_add, &QPushButton::clicked, this, &CPPChannels::OnAdd);
    connect(m_address, &QLineEdit::returnPressed, this, &CPPChannels::OnAdd);
    connect(m_remove, &QPushButton::clicked, this, &CPPChannels::OnRemove);
    connect(m_test, &QPushButton::clicked, this, &CPPChannels::OnTest);

    auto* grid = new QGridLayout(this);
    auto* intro = MakePlain(new QLabel(tr("Besides the e-mail, notifications go to these channels. Each is tried "
                                          "again later when it cannot be reached."),
                                       this));
    intro->setWordWrap(true);
    grid->addWidget(intro, 0, 0, 1, 4);
    grid->addWidget(m_table, 1, 0, 1, 4);
    grid->addWidget(new QLabel(tr("Address"), this), 2, 0);
    grid->addWidget(m_address, 2, 1);
    grid->addWidget(m_name, 2, 2);
    grid->addWidget(m_add, 2, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_remove);
    buttons->addWidget(m_test);
    buttons->addWidget(m_status, 1);
    grid->addLayout(buttons, 3, 0, 1, 4);
    auto* wait = new QHBoxLayout;
    wait->addWidget(new QLabel(tr("Wait for the deliveries at the end of a check at most"), this));
    wait->addWidget(m_wait);
    wait->addWidget(new QLabel(tr("seconds"), this));
    wait->addStretch(1);
    grid->addLayout(wait, 4, 0, 1, 4);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);

    m_deliveryWait = CVigilPrefs::GetInstance().ReadInt(Pref::deliveryWait);
    Result<std::vector<Channel>> loaded = LoadChannels(CVigilPrefs::GetInstance());
    m_loaded = loaded.ok();
    if (loaded)
        m_values = *loaded;
    else
        m_status->setText(QString::fromStdString(loaded.error().message));
    m_lastDeliveries = LastDeliveryTexts(CVigilPrefs::GetInstance().GetStorageFolder(), m_values);
}

CPPChannels::~CPPChannels() = default;

void CPPChannels::LoadControls()
{
    m_wait->setText(QString::number(m_deliveryWait));
    m_table->setRowCount(0);
    for (size_t i = 0; i < m_values.size(); ++i) {
        const Channel& channel = m_values[i];
        const int row = static_cast<int>(i);
        m_table->insertRow(row);
        m_table->setCellWidget(row, kOn, CheckCell(channel.enabled, "enabled"));
        m_table->setItem(row, kName, TextItem(channel.name));
        m_table->setItem(row, kAddress, TextItem(ShownChannelAddress(channel.address)));
        m_table->setCellWidget(row, kChanges, CheckCell(channel.changes, "changes"));
        m_table->setCellWidget(row, kFailures, CheckCell(channel.failures, "failures"));
        m_table->setItem(row, kLastDelivery, TextItem(i < m_lastDeliveries.size() ? m_lastDeliveries[i] : ""));
    }
    m_table->resizeColumnsToContents();
    const bool any = !m_values.empty();
    m_remove->setEnabled(any);
    m_test->setEnabled(any && !m_testing);
}

bool CPPChannels::StoreControls()
{
    int wait = 0;
    if (!ReadInt(m_wait, wait, Pref::deliveryWait.min, Pref::deliveryWait.max))
        return false;
    m_deliveryWait = wait;
    for (int row = 0; row < m_table->rowCount() && row < static_cast<int>(m_values.size()); ++row) {
        Channel& channel = m_values[static_cast<size_t>(row)];
        channel.enabled = CellChecked(m_table, row, kOn);
        channel.changes = CellChecked(m_table, row, kChanges);
        channel.failures = CellChecked(m_table, row, kFailures);
    }
    return true;
}

int CPPChannels::SelectedRow() const
{
    const int row = m_table->currentRow();
    if (row >= 0 && row < static_cast<int>(m_values.size()))
        return row;
    return m_values.size() == 1 ? 0 : -1;
}

void CPPChannels::OnAdd()
{
    StoreControls();
    Channel channel;
    channel.address = m_address->text().trimmed().toStdString();
    channel.name = m_name->text().trimmed().toStdString();
    if (channel.name.empty())
        channel.name = DefaultChannelName(channel.address, m_values);
    if (Status added = AddChannel(m_values, channel); !added) {
        MessageBox::Warning(this, QString::fromStdString(added.error().message));
        m_address->setFocus();
        return;
    }
    m_lastDeliveries.resize(m_values.size() - 1);
    m_lastDeliveries.push_back("never");
    m_address->clear();
    m_name->clear();
    LoadControls();
    m_table->selectRow(static_cast<int>(m_values.size()) - 1);
}

void CPPChannels::OnRemove()
{
    StoreControls();
    const int row = SelectedRow();
    if (row < 0)
        return;
    m_values.erase(m_values.begin() + row);
    if (row < static_cast<int>(m_lastDeliveries.size()))
        m_lastDeliveries.erase(m_lastDeliveries.begin() + row);
    LoadControls();
}

void CPPChannels::OnTest()
{
    StoreControls();
    const int row = SelectedRow();
    if (m_testing || row < 0) {
        if (row < 0)
            m_status->setText(tr("Choose the channel to test."));
        return;
    }
    m_testing = true;
    m_test->setEnabled(false);
    const Channel channel = m_values[static_cast<size_t>(row)];
    m_status->setText(tr("Sending a test message to %1...").arg(QString::fromStdString(channel.name)));
    const int64_t now = Clock::Now();
    const bool started = m_job.Start<Result<std::string>>(
        [channel, now] { return DeliverToChannel(channel, TestNotice(now), TestTransactionId(now), DeliveryLimits{}); },
        [this, name = channel.name](Result<std::string> answer) {
            const QString who = QString::fromStdString(name);
            if (answer)
                OnTestResult(true, tr("Test message delivered to %1: %2").arg(who, QString::fromStdString(*answer)));
            else
                OnTestResult(
                    false,
                    tr("The test message to %1 failed: %2").arg(who, QString::fromStdString(answer.error().message)));
        });
    if (!started)
        OnTestResult(false, tr("The test message could not be started."));
}

void CPPChannels::OnTestResult(bool ok, const QString& result)
{
    m_testing = false;
    m_test->setEnabled(!m_values.empty());
    m_status->setText(result);
    if (!ok)
        MessageBox::Error(this, result);
    emit TestDone(result);
}
