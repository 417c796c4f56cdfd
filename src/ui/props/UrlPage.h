#pragma once

#include "ui/sheets/PropertyPage.h"

class Curl;

// A page of the URL properties sheet: filled from the record when the sheet opens, written back
// into it when the sheet ends with OK.
class CUrlPage : public CPropertyPage
{
    Q_OBJECT
public:
    using CPropertyPage::CPropertyPage;
    virtual void LoadFromRecord(const Curl& record) = 0;
    virtual void SaveToRecord(Curl& record) const = 0;
};
