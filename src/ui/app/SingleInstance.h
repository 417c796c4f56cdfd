#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One program per storage folder. The program that holds the folder's lock listens on a local socket
// named after the folder; a second program asks it to show its window and then ends.
class CSingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit CSingleInstance(const QString& storageFolder, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // The socket's name: the user and the folder, so that other users and folders do not meet.
    static QString ServerName(const QString& storageFolder);

    // Asks the program that owns the folder to bring its window up. True when it said it did.
    bool HandOver(int timeoutMs = 3000);
    // Listens for later programs. Only the holder of the folder's lock may call it: a socket left
    // behind by a program that crashed is removed first.
    bool Listen();

signals:
    void activationRequested();

private:
    void OnConnection();

    QString m_name;
    QLocalServer* m_server = nullptr;
};
