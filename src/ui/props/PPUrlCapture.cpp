#include "ui/props/PPUrlCapture.h"

#include "model/UrlRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The units of the interval's choice, in its order.
constexpr int64_t kUnitSeconds[] = {60, 3600, 86400};

} // namespace

CPPUrlCapture::CPPUrlCapture(QWidget* parent)
    : CUrlPage(tr("Capture"), QIcon(":/sheets/capture.svg"), parent)
    , m_savePage(new QCheckBox(tr("Save page to disk"), this))
    , m_render(new QCheckBox(tr("Run the page's scripts before checking"), this))
    , m_renderWait(new QSpinBox(this))
    , m_ownInterval(new QCheckBox(tr("Check this page on its own interval:"), this))
    , m_everyCount(new QSpinBox(this))
    , m_everyUnit(new QComboBox(this))
{
    m_savePage->setObjectName("savePage");
    m_render->setObjectName("render");
    m_renderWait->setObjectName("renderWait");
    m_renderWait->setRange(0, 60);
    m_renderWait->setSuffix(tr(" s"));
    m_renderWait->setToolTip(tr("How long the page's network must stay quiet after it has loaded"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_savePage);
    layout->addWidget(m_render);
    auto* wait = new QFormLayout;
    wait->addRow(tr("Let it settle for:"), m_renderWait);
    layout->addLayout(wait);

    m_ownInterval->setObjectName("ownInterval");
    m_ownInterval->setToolTip(tr("Otherwise the page is checked with all the others on the global schedule"));
    m_everyCount->setObjectName("every");
    m_everyCount->setRange(1, 9999);
    m_everyUnit->setObjectName("everyUnit");
    m_everyUnit->addItems({tr("Minutes"), tr("Hours"), tr("Days")});
    auto* every = new QHBoxLayout;
    every->addWidget(m_ownInterval);
    every->addWidget(m_everyCount);
    every->addWidget(m_everyUnit);
    every->addStretch(1);
    layout->addLayout(every);
    layout->addStretch(1);
    connect(m_render, &QCheckBox::toggled, m_renderWait, &QWidget::setEnabled);
    connect(m_ownInterval, &QCheckBox::toggled, m_everyCount, &QWidget::setEnabled);
    connect(m_ownInterval, &QCheckBox::toggled, m_everyUnit, &QWidget::setEnabled);
}

void CPPUrlCapture::LoadControls()
{
    m_savePage->setChecked(m_bSavePage);
    m_render->setChecked(m_bRender);
    m_renderWait->setValue(m_nRenderWait);
    m_renderWait->setEnabled(m_bRender);
    // Shown in the largest unit that divides it; a new choice starts at one hour.
    int unit = 1;
    int64_t count = 1;
    if (!m_every.IsGlobal()) {
        unit = 0;
        for (int u = 2; u > 0; --u) {
            if (m_every.seconds % kUnitSeconds[u] == 0) {
                unit = u;
                break;
            }
        }
        count = std::max<int64_t>(1, m_every.seconds / kUnitSeconds[unit]);
    }
    m_ownInterval->setChecked(!m_every.IsGlobal());
    m_everyCount->setValue(static_cast<int>(std::min<int64_t>(count, m_everyCount->maximum())));
    m_everyUnit->setCurrentIndex(unit);
    m_everyCount->setEnabled(!m_every.IsGlobal());
    m_everyUnit->setEnabled(!m_every.IsGlobal());
}

bool CPPUrlCapture::StoreControls()
{
    m_bSavePage = m_savePage->isChecked();
    m_bRender = m_render->isChecked();
    m_nRenderWait = m_renderWait->value();
    const int unit = std::clamp(m_everyUnit->currentIndex(), 0, 2);
    m_every.seconds = m_ownInterval->isChecked()
        ? std::min<int64_t>(m_everyCount->value() * kUnitSeconds[unit], kMaxCheckInterval)
        : 0;
    return true;
}

void CPPUrlCapture::LoadFromRecord(const Curl& record)
{
    m_bSavePage = record.m_bSavePage;
    m_bRender = record.m_bRender;
    m_nRenderWait = record.m_nRenderWait;
    m_every = record.m_every;
    LoadControls();
}

void CPPUrlCapture::SaveToRecord(Curl& record) const
{
    record.m_bSavePage = m_bSavePage;
    record.m_bRender = m_bRender;
    record.m_nRenderWait = m_nRenderWait;
    record.m_every = m_every;
}
