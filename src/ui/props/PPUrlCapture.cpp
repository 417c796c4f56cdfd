#include "ui/props/PPUrlCapture.h"

#include "model/UrlRecord.h"

#include <QCheckBox>
#include <QVBoxLayout>

CPPUrlCapture::CPPUrlCapture(QWidget* parent)
    : CUrlPage(tr("Capture"), QIcon(":/sheets/capture.svg"), parent)
    , m_savePage(new QCheckBox(tr("Save page to disk"), this))
{
    m_savePage->setObjectName("savePage");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_savePage);
    layout->addStretch(1);
}

void CPPUrlCapture::LoadControls()
{
    m_savePage->setChecked(m_bSavePage);
}

bool CPPUrlCapture::StoreControls()
{
    m_bSavePage = m_savePage->isChecked();
    return true;
}

void CPPUrlCapture::LoadFromRecord(const Curl& record)
{
    m_bSavePage = record.m_bSavePage;
    LoadControls();
}

void CPPUrlCapture::SaveToRecord(Curl& record) const
{
    record.m_bSavePage = m_bSavePage;
}
