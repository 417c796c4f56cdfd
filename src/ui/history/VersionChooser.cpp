#include "ui/history/VersionChooser.h"

#include "check/PageHistory.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {

QString KindText(VersionKind kind)
{
    switch (kind) {
    case VersionKind::Current:
        return QStringLiteral(" (current copy)");
    case VersionKind::Previous:
        return QStringLiteral(" (previous copy)");
    case VersionKind::History:
        break;
    }
    return {};
}

QString ItemText(const PageVersion& entry)
{
    const HistoryVersion& v = entry.version;
    const QString when = QDateTime::fromSecsSinceEpoch(v.time).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return QStringLiteral("%1: %2%3").arg(v.number).arg(when, KindText(entry.kind));
}

void Select(QComboBox* box, int number)
{
    const int at = box->findData(number);
    if (at >= 0)
        box->setCurrentIndex(at);
}

} // namespace

void CRefreshingCombo::showPopup()
{
    emit aboutToPopup();
    QComboBox::showPopup();
}

CVersionChooser::CVersionChooser(std::function<std::string()> pageBase, QWidget* parent)
    : QWidget(parent)
    , m_pageBase(std::move(pageBase))
    , m_from(new CRefreshingCombo(this))
    , m_to(new CRefreshingCombo(this))
    , m_compare(new QToolButton(this))
{
    m_from->setObjectName("historyFrom");
    m_to->setObjectName("historyTo");
    m_compare->setObjectName("historyCompare");
    m_compare->setText(tr("Compare"));
    m_compare->setToolTip(tr("Show the differences between the two chosen versions"));
    for (QComboBox* box : {m_from, m_to}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->setToolTip(tr("Versions kept of the selected page, oldest first"));
        connect(static_cast<CRefreshingCombo*>(box), &CRefreshingCombo::aboutToPopup, this, &CVersionChooser::Reload);
    }
    connect(m_compare, &QToolButton::clicked, this, [this] {
        if (FromNumber() > 0 && ToNumber() > 0)
            emit compareRequested(FromNumber(), ToNumber());
    });
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 0, 0, 0);
    row->addWidget(new QLabel(tr("Versions:"), this));
    row->addWidget(m_from);
    row->addWidget(new QLabel(tr("with"), this));
    row->addWidget(m_to);
    row->addWidget(m_compare);
    Reload();
}

void CVersionChooser::Reload()
{
    const std::string base = m_pageBase ? m_pageBase() : std::string();
    // Another page: its own default pair rather than the numbers chosen for the last one.
    const bool samePage = base == m_shownBase;
    const int from = samePage ? FromNumber() : 0;
    const int to = samePage ? ToNumber() : 0;
    m_shownBase = base;
    m_from->clear();
    m_to->clear();
    Result<PageVersions> list
        = base.empty() ? Result<PageVersions>(MakeError(ErrorKind::NotFound, {})) : ListPageVersions(base);
    const bool enough = list && list->versions.size() >= 2;
    if (enough) {
        for (const PageVersion& entry : list->versions) {
            m_from->addItem(ItemText(entry), entry.version.number);
            m_to->addItem(ItemText(entry), entry.version.number);
        }
        m_from->setCurrentIndex(m_from->count() - 2);
        m_to->setCurrentIndex(m_to->count() - 1);
        Select(m_from, from);
        Select(m_to, to);
    }
    // The lists stay open to a click, which reads them again for the page selected by then.
    m_compare->setEnabled(enough);
}

int CVersionChooser::FromNumber() const
{
    return m_from->currentIndex() >= 0 ? m_from->currentData().toInt() : 0;
}

int CVersionChooser::ToNumber() const
{
    return m_to->currentIndex() >= 0 ? m_to->currentData().toInt() : 0;
}

bool CVersionChooser::Choose(int from, int to)
{
    Reload();
    if (m_from->findData(from) < 0 || m_to->findData(to) < 0)
        return false;
    Select(m_from, from);
    Select(m_to, to);
    return true;
}
