#include "ui/notify/DesktopActions.h"

#include "model/SiteVigilDoc.h"
#include "notify/DesktopBus.h"
#include "ui/list/MyListView.h"

#include <QAction>
#include <QDBusConnection>
#include <QItemSelectionModel>

#include <algorithm>

CDesktopActions::CDesktopActions(CMyListView& list, const CSiteVigilDoc& doc, std::function<void()> bringUp,
                                 QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_doc(doc)
    , m_bringUp(std::move(bringUp))
{ }

bool CDesktopActions::Listen()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // From any sender: the daemon or this program's delivery thread may have sent the notification.
    return bus.connect(QString(), "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked",
                       this, SLOT(OnActionInvoked(uint, QString)));
}

void CDesktopActions::OnActionInvoked(uint, const QString& key)
{
    Handle(key);
}

bool CDesktopActions::Handle(const QString& key)
{
    std::string verb;
    std::vector<std::string> ids;
    if (!ParseDesktopAction(key.toStdString(), verb, ids))
        return false;
    std::vector<int> rows;
    for (size_t row = 0; row < m_doc.Count(); ++row) {
        const std::string& id = m_doc.RecordAt(row).m_strPageID;
        if (!id.empty() && std::find(ids.begin(), ids.end(), id) != ids.end())
            rows.push_back(static_cast<int>(row));
    }
    if (rows.empty())
        return false;
    QItemSelectionModel* selection = m_list.selectionModel();
    selection->clearSelection();
    for (int row : rows)
        selection->select(m_list.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->setCurrentIndex(m_list.model()->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
    m_list.scrollTo(m_list.model()->index(rows.front(), 0));
    if (m_bringUp)
        m_bringUp();
    if (rows.size() == 1) {
        const ListCommand command
            = verb == kActionShowDifferences ? ListCommand::ShowDifferences : ListCommand::OpenInBrowser;
        if (QAction* action = m_list.Action(command); action && action->isEnabled())
            action->trigger();
    }
    return true;
}
