#pragma once

#include "ui/props/UrlPage.h"

class QCheckBox;
class QSpinBox;

// "Capture": whether the downloaded page is kept on disk, and whether the page's scripts run first
// (through the browser engine) with the seconds it is given to settle.
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
    bool m_bSavePage = true;
    bool m_bRender = false;
    int m_nRenderWait = 2;
};
