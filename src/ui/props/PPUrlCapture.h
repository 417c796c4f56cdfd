#pragma once

#include "ui/props/UrlPage.h"

#include "model/CheckInterval.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

// "Capture": whether the downloaded page is kept on disk, whether the page's scripts run first
// (through the browser engine) with the seconds it is given to settle, and how often it is checked:
// on the global schedule or on an interval of its own.
class CPPUrlCapture : public CUrlPage
{
    Q_OBJECT
public:
    explicit CPPUrlCapture(QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;
    void LoadFromRecord(const Curl& record) override;
    void SaveToRecord(Curl& record) const override;

private:
    QCheckBox* m_savePage;
    QCheckBox* m_render;
    QSpinBox* m_renderWait;
    QCheckBox* m_ownInterval;
    QSpinBox* m_everyCount;
    QComboBox* m_everyUnit;
    bool m_bSavePage = true;
    bool m_bRender = false;
    int m_nRenderWait = 2;
    CheckInterval m_every;
};
