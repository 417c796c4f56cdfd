#pragma once

#include <QObject>
#include <QString>

#include <functional>

class CMyListView;
class CSiteVigilDoc;

// The actions of our desktop notifications ("Show differences", "Open page"), as the notification
// server reports them on the session bus: the pages named in the action are selected in the list and
// the window comes up; for one page the differences are shown in the pane or the page opens in the
// browser, for several the list shows them selected.
class CDesktopActions : public QObject
{
    Q_OBJECT
public:
    CDesktopActions(CMyListView& list, const CSiteVigilDoc& doc, std::function<void()> bringUp,
                    QObject* parent = nullptr);

    // Listens for ActionInvoked on the session bus; false when there is none.
    bool Listen();
    // Carries out one action key ("show-differences:1a,2b"); false when it names no page of the list.
    bool Handle(const QString& key);

private slots:
    void OnActionInvoked(uint id, const QString& key);

private:
    CMyListView& m_list;
    const CSiteVigilDoc& m_doc;
    std::function<void()> m_bringUp;
};
