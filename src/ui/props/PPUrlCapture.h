#pragma once

#include "ui/props/UrlPage.h"

class QCheckBox;

// "Capture": whether the downloaded page is kept on disk.
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
    bool m_bSavePage = true;
};
