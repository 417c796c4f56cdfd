#include "ui/props/PPUrlWatchWhat.h"

#include "model/UrlRecord.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

CPPUrlWatchWhat::CPPUrlWatchWhat(QWidget* parent)
    : CUrlPage(tr("Watch"), QIcon(":/sheets/watch.svg"), parent)
    , m_searchText(new QLineEdit(this))
{
    const struct
    {
        int group;
        const char* label;
        const char* name;
        bool Curl::*field;
        const char* tip;
    } flags[] = {
        {0, "Unreachable", "watchUnreachable", &Curl::m_bWatchUnreachable,
         "A change when the page cannot be downloaded (the server is down, the page is gone)"},
        {0, "Reachable ", "watchReachable", &Curl::m_bWatchReachable,
         "A change when the page can be downloaded again after it could not"},
        {1, "Date Changed", "watchDate", &Curl::m_bWatchDate,
         "A change when the server reports a newer Last-Modified date"},
        {1, "Exact content", "watchContent", &Curl::m_bWatchContent,
         "A change when the page's content differs in any byte (or the part chosen under Watch part of page)"},
        {1, "Size", "watchSize", &Curl::m_bWatchSize, "A change when the page's size in bytes differs"},
        {2, "Text search", "textSearch", &Curl::m_bTextSearch, "A change when the text below appears in the page"},
        {2, "Text NOT present", "textNotPresent", &Curl::m_bTextNotPresent,
         "A change when the text below is missing from the page"},
    };
    const char* titles[]
        = {" Monitor Web Site Availability ", " Tell me if any of these details change ", " Text Search "};
    auto* layout = new QVBoxLayout(this);
    QVBoxLayout* groups[3];
    for (int i = 0; i < 3; ++i) {
        auto* group = new QGroupBox(tr(titles[i]), this);
        groups[i] = new QVBoxLayout(group);
        layout->addWidget(group);
    }
    for (const auto& flag : flags) {
        auto* box = new QCheckBox(tr(flag.label), this);
        box->setObjectName(flag.name);
        box->setToolTip(tr(flag.tip));
        groups[flag.group]->addWidget(box);
        m_flags.push_back({box, flag.field, false});
    }
    m_searchText->setObjectName("searchText");
    m_searchText->setToolTip(tr("The text Text search and Text NOT present look for"));
    groups[2]->addWidget(m_searchText);
    layout->addStretch(1);
}

void CPPUrlWatchWhat::LoadControls()
{
    for (const Flag& flag : m_flags)
        flag.box->setChecked(flag.value);
    SetText(m_searchText, QString::fromStdString(m_strSearchText));
}

bool CPPUrlWatchWhat::StoreControls()
{
    for (Flag& flag : m_flags)
        flag.value = flag.box->isChecked();
    m_strSearchText = m_searchText->text().toStdString();
    return true;
}

void CPPUrlWatchWhat::LoadFromRecord(const Curl& record)
{
    for (Flag& flag : m_flags)
        flag.value = record.*flag.field;
    m_strSearchText = record.m_strSearchText;
    LoadControls();
}

void CPPUrlWatchWhat::SaveToRecord(Curl& record) const
{
    for (const Flag& flag : m_flags)
        record.*flag.field = flag.value;
    record.m_strSearchText = m_strSearchText;
}
