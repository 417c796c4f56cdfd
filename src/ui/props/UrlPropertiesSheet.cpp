#include "ui/props/UrlPropertiesSheet.h"

#include "model/UrlRecord.h"
#include "ui/props/PPUrlAuthentication.h"
#include "ui/props/PPUrlCapture.h"
#include "ui/props/PPUrlCompare.h"
#include "ui/props/PPUrlEntry.h"
#include "ui/props/PPUrlWatchWhat.h"
#include "ui/props/PPWatchText.h"

CUrlPropertiesSheet::CUrlPropertiesSheet(Curl& record, bool isNewPage, QWidget* parent)
    : CTreePropSheet(tr("URL Properties"), parent)
    , m_record(record)
    , m_watch(new CPPUrlWatchWhat(this))
    , m_watchText(new CPPWatchText(this))
    , m_compare(new CPPUrlCompare(this))
    , m_auth(new CPPUrlAuthentication(this))
    , m_capture(new CPPUrlCapture(this))
{
    m_entry = new CPPUrlEntry(record, *m_watchText, this);
    SetDefaultImages(QIcon(":/sheets/folder.svg"), QIcon(":/sheets/folder-open.svg"));
    for (CUrlPage* page : Pages()) {
        page->LoadFromRecord(record);
        AddPage(page);
    }
    m_entry->Initialise();
    // A new page starts at its address, which is what the user came to enter.
    if (isNewPage)
        m_entry->FocusAddress();
    resize(600, 460);
}

CUrlPropertiesSheet::~CUrlPropertiesSheet() = default;

std::array<CUrlPage*, 6> CUrlPropertiesSheet::Pages() const
{
    return {m_entry, m_watch, m_watchText, m_auth, m_capture, m_compare};
}

void CUrlPropertiesSheet::OnSheetOK()
{
    for (CUrlPage* page : Pages())
        page->SaveToRecord(m_record);
    // A check of the old settings that is still running must not report into the edited record.
    m_record.MarkEdited();
}
