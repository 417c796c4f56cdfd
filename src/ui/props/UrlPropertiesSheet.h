#pragma once

#include "ui/sheets/TreePropSheet.h"

#include <array>

class Curl;
class CPPUrlEntry;
class CPPUrlWatchWhat;
class CPPWatchText;
class CPPUrlAuthentication;
class CPPUrlCapture;
class CPPUrlCompare;
class CUrlPage;

// The "URL Properties" sheet over one record: six pages filled from the record when constructed.
// exec() returns Accepted or Rejected; on OK the pages are copied back into the record in order.
// The caller adds or refreshes the page afterwards. "Download page details" stores the name and
// address into the record at once and the check's results when it ends, even if the sheet is then
// cancelled. Everything here touches the record on the GUI thread only, so the sheet may be open
// while a check run is in progress.
class CUrlPropertiesSheet : public CTreePropSheet
{
    Q_OBJECT
public:
    CUrlPropertiesSheet(Curl& record, bool isNewPage, QWidget* parent = nullptr);
    ~CUrlPropertiesSheet() override;

    CPPUrlEntry& Entry() const { return *m_entry; }
    CPPUrlWatchWhat& WatchWhat() const { return *m_watch; }
    CPPWatchText& WatchText() const { return *m_watchText; }
    CPPUrlAuthentication& Authentication() const { return *m_auth; }
    CPPUrlCompare& Compare() const { return *m_compare; }
    CPPUrlCapture& Capture() const { return *m_capture; }

protected:
    // Copies the pages back into the record in page order.
    void OnSheetOK() override;

private:
    // In page order.
    std::array<CUrlPage*, 6> Pages() const;

    Curl& m_record;
    CPPUrlEntry* m_entry;
    CPPUrlWatchWhat* m_watch;
    CPPWatchText* m_watchText;
    CPPUrlCompare* m_compare;
    CPPUrlAuthentication* m_auth;
    CPPUrlCapture* m_capture;
};
