#pragma once

#include <QObject>

#include <memory>

class QLabel;
class QStatusBar;

// The status bar's "CAP", "NUM" and "SCRL" panes. Only an X11 session lets a program read the lock
// keys' state; elsewhere (Wayland, offscreen) the panes are left out rather than shown wrong.
class CLockKeyPanes : public QObject
{
    Q_OBJECT
public:
    explicit CLockKeyPanes(QStatusBar* bar);
    ~CLockKeyPanes() override;

    bool CanTell() const { return m_reader != nullptr; }
    void Refresh();

private:
    class CReader;
    std::unique_ptr<CReader> m_reader;
    QLabel* m_panes[3] = {};
};
