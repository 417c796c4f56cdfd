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
    } flags[] = {
        {0, "Unreachable", "watchUnreachable", &Curl::m_bWatchUnreachable},
        {0, "Reachable ", "watchReachable", &Curl::m_bWatchReachable},
        {1, "Date Changed", "watchDate", &Curl::m_bWatchDate},
        {1, "Exact content", "watchContent", &Curl::m_bWatchContent},
        {1, "Size", "watchSize", &Curl::m_bWatchSize},
        {2, "Text search", "textSearch", &Curl::m_bTextSearch},
        {2, "Text NOT present", "textNotPresent", &Curl::m_bTextNotPresent},
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
        groups[flag.group]->addWidget(box);
        m_flags.push_back({box, flag.field, false});
    }
    m_searchText->setObjectName("searchText");
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
