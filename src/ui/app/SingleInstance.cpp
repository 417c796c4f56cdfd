#include "ui/app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {
const QByteArray kShow = "show\n";
const QByteArray kShown = "shown\n";
} // namespace

CSingleInstance::CSingleInstance(const QString& storageFolder, QObject* parent)
    : QObject(parent)
    , m_name(ServerName(storageFolder))
{ }

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::ServerName(const QString& storageFolder)
{
    QString folder = QDir(storageFolder).canonicalPath();
    if (folder.isEmpty())
        folder = QDir::cleanPath(storageFolder);
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("site-vigil-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

bool CSingleInstance::HandOver(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kShow);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (socket.bytesAvailable() < kShown.size()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readAll().startsWith(kShown);
}

bool CSingleInstance::Listen()
{
    if (m_server)
        return true;
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnConnection);
    return true;
}

void CSingleInstance::OnConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket]() {
            if (socket->bytesAvailable() < kShow.size())
                return;
            if (socket->readAll().startsWith(kShow)) {
                emit activationRequested();
                socket->write(kShown);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}
