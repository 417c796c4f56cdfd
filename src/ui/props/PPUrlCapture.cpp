#include "ui/props/PPUrlCapture.h"

#include "model/UrlRecord.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

CPPUrlCapture::CPPUrlCapture(QWidget* parent)
    : CUrlPage(tr("Capture"), QIcon(":/sheets/capture.svg"), parent)
    , m_savePage(new QCheckBox(tr("Save page to disk"), this))
    , m_render(new QCheckBox(tr("Run the page's scripts before checking"), this))
    , m_renderWait(new QSpinBox(this))
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
    layout->addStretch(1);
    connect(m_render, &QCheckBox::toggled, m_renderWait, &QWidget::setEnabled);
}

void CPPUrlCapture::LoadControls()
{
    m_savePage->setChecked(m_bSavePage);
    m_render->setChecked(m_bRender);
    m_renderWait->setValue(m_nRenderWait);
    m_renderWait->setEnabled(m_bRender);
}

bool CPPUrlCapture::StoreControls()
{
    m_bSavePage = m_savePage->isChecked();
    m_bRender = m_render->isChecked();
    m_nRenderWait = m_renderWait->value();
    return true;
}

void CPPUrlCapture::LoadFromRecord(const Curl& record)
{
    m_bSavePage = record.m_bSavePage;
    m_bRender = record.m_bRender;
    m_nRenderWait = record.m_nRenderWait;
    LoadControls();
}

void CPPUrlCapture::SaveToRecord(Curl& record) const
{
    record.m_bSavePage = m_bSavePage;
    record.m_bRender = m_bRender;
    record.m_nRenderWait = m_nRenderWait;
}
