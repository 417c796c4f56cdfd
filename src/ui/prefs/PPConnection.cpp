#include "ui/prefs/PPConnection.h"

#include "model/PrefKeys.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CPPConnection::CPPConnection(QWidget* parent)
    : CPropertyPage(tr("Connection"), QIcon(":/sheets/connection.svg"), parent)
    , m_threads(new QComboBox(this))
    , m_priority(new QComboBox(this))
    , m_timeout(NewDigitsField())
    , m_retries(NewDigitsField())
    , m_userAgent(new QLineEdit(this))
    , m_hostConcurrency(NewDigitsField())
    , m_hostDelay(NewDigitsField())
    , m_renderParallel(NewDigitsField())
    , m_renderMemory(NewDigitsField())
{
    m_renderParallel->setObjectName("renderParallel");
    m_renderMemory->setObjectName("renderMemoryMB");
    m_renderParallel->setMaximumWidth(60);
    m_renderMemory->setMaximumWidth(80);
    m_threads->setObjectName("numThreads");
    m_priority->setObjectName("threadPriority");
    m_timeout->setObjectName("connectTimeout");
    m_retries->setObjectName("connectRetryCount");
    m_userAgent->setObjectName("userAgent");
    m_hostConcurrency->setObjectName("hostConcurrency");
    m_hostDelay->setObjectName("hostDelayMs");
    m_hostConcurrency->setMaximumWidth(60);
    m_hostDelay->setMaximumWidth(60);
    // Shown as the number of threads; stored as that number minus one.
    for (int count = Pref::numThreads.min + 1; count <= Pref::numThreads.max + 1; ++count)
        m_threads->addItem(QString::number(count));
    m_priority->addItems({tr("Lowest"), tr("Low"), tr("Normal")});
    m_timeout->setMaximumWidth(60);
    m_retries->setMaximumWidth(60);

    auto* ie6 = new QPushButton(tr("IE6"), this);
    ie6->setObjectName("ie6");
    connect(ie6, &QPushButton::clicked, this, [this] { SetUserAgent(kUserAgentIE6); });
    auto* firefox = new QPushButton(tr("Mozilla Firefox"), this);
    firefox->setObjectName("firefox");
    connect(firefox, &QPushButton::clicked, this, [this] { SetUserAgent(kUserAgentFirefox); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Number Threads"), this), 0, 0);
    grid->addWidget(m_threads, 0, 1);
    grid->addWidget(new QLabel(tr("Thread priority"), this), 1, 0);
    grid->addWidget(m_priority, 1, 1);
    grid->addWidget(new QLabel(tr("Connect Timeout"), this), 2, 0);
    auto* timeout = new QHBoxLayout;
    timeout->addWidget(m_timeout);
    timeout->addWidget(new QLabel(tr("seconds"), this));
    timeout->addStretch(1);
    grid->addLayout(timeout, 2, 1);
    grid->addWidget(new QLabel(tr("Retry Count"), this), 3, 0);
    grid->addWidget(m_retries, 3, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("Requests at a time to one host"), this), 4, 0);
    grid->addWidget(m_hostConcurrency, 4, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("Pause between two requests to one host"), this), 5, 0);
    auto* delay = new QHBoxLayout;
    delay->addWidget(m_hostDelay);
    delay->addWidget(new QLabel(tr("milliseconds"), this));
    delay->addStretch(1);
    grid->addLayout(delay, 5, 1);
    grid->addWidget(new QLabel(tr("User Agent String"), this), 6, 0, 1, 2);
    grid->addWidget(m_userAgent, 7, 0, 1, 2);
    auto* agents = new QHBoxLayout;
    agents->addStretch(1);
    agents->addWidget(ie6);
    agents->addWidget(firefox);
    grid->addLayout(agents, 8, 0, 1, 2);
    grid->addWidget(new QLabel(tr("Pages rendered at once"), this), 9, 0);
    grid->addWidget(m_renderParallel, 9, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("Rendering memory limit"), this), 10, 0);
    auto* memory = new QHBoxLayout;
    memory->addWidget(m_renderMemory);
    memory->addWidget(new QLabel(tr("MB"), this));
    memory->addStretch(1);
    grid->addLayout(memory, 10, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(9, 1);
}

void CPPConnection::LoadControls()
{
    m_threads->setCurrentIndex(m_values.numThreads);
    m_priority->setCurrentIndex(m_values.threadPriority);
    m_timeout->setText(QString::number(m_values.connectTimeout));
    m_retries->setText(QString::number(m_values.connectRetryCount));
    m_hostConcurrency->setText(QString::number(m_values.hostConcurrency));
    m_hostDelay->setText(QString::number(m_values.hostDelayMs));
    m_userAgent->setText(QString::fromStdString(m_values.userAgent));
    m_renderParallel->setText(QString::number(m_values.renderParallel));
    m_renderMemory->setText(QString::number(m_values.renderMemoryMB));
}

bool CPPConnection::StoreControls()
{
    // Fields are taken in the order they are shown, so the first bad one gets the focus.
    ConnectionPrefs values = m_values;
    values.numThreads = ComboIndex(m_threads, m_values.numThreads);
    values.threadPriority = ComboIndex(m_priority, m_values.threadPriority);
    if (!ReadInt(m_timeout, values.connectTimeout, Pref::connectTimeout.min, Pref::connectTimeout.max)
        || !ReadInt(m_retries, values.connectRetryCount, Pref::connectRetryCount.min, Pref::connectRetryCount.max)
        || !ReadInt(m_hostConcurrency, values.hostConcurrency, Pref::hostConcurrency.min, Pref::hostConcurrency.max)
        || !ReadInt(m_hostDelay, values.hostDelayMs, Pref::hostDelayMs.min, Pref::hostDelayMs.max))
        return false;
    values.userAgent = m_userAgent->text().toStdString();
    if (!ReadInt(m_renderParallel, values.renderParallel, Pref::renderParallel.min, Pref::renderParallel.max)
        || !ReadInt(m_renderMemory, values.renderMemoryMB, Pref::renderMemoryMB.min, Pref::renderMemoryMB.max))
        return false;
    m_values = values;
    return true;
}

void CPPConnection::SetUserAgent(const char* userAgent)
{
    m_values.userAgent = userAgent;
    LoadControls();
}
