#pragma once

#include "ui/props/UrlPage.h"

#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;

// "Watch": what counts as a change of the page.
class CPPUrlWatchWhat : public CUrlPage
{
    Q_OBJECT
public:
    explicit CPPUrlWatchWhat(QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;
    void LoadFromRecord(const Curl& record) override;
    void SaveToRecord(Curl& record) const override;

private:
    struct Flag
    {
        QCheckBox* box;
        bool Curl::*field;
        bool value;
    };
    std::vector<Flag> m_flags;
    QLineEdit* m_searchText;
    std::string m_strSearchText;
};
