#include "singlecopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

const char kSocketPrefix[] = "MavoTallyer.";
const int kTimeoutMs = 1000;

} // namespace

SingleCopyChannel::SingleCopyChannel(QObject *parent)
    : QObject(parent)
{
}

SingleCopyChannel::~SingleCopyChannel()
{
    if (m_server)
        m_server->close();
}

QString SingleCopyChannel::runtimeFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

bool SingleCopyChannel::listen()
{
    m_path = QDir(runtimeFolder()).filePath(QLatin1String(kSocketPrefix)
                                            + QString::number(QCoreApplication::applicationPid()));
    QLocalServer::removeServer(m_path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_path))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine().trimmed();
                    if (line == "activate")
                        emit activateRequested();
                    else if (line == "close")
                        emit closeRequested();
                }
            });
        }
    });
    return true;
}

QStringList SingleCopyChannel::otherCopies() const
{
    QStringList found;
    const QDir dir(runtimeFolder());
    const QStringList names = dir.entryList({QLatin1String(kSocketPrefix) + QLatin1Char('*')},
                                            QDir::System | QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        if (path == m_path)
            continue;
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(kTimeoutMs)) {
            found << path;
            probe.disconnectFromServer();
        } else if (probe.error() == QLocalSocket::ConnectionRefusedError
                   || probe.error() == QLocalSocket::ServerNotFoundError) {
            QFile::remove(path); // left behind by a copy that did not end cleanly
        }
    }
    return found;
}

bool SingleCopyChannel::send(const QString &strSocket, const QByteArray &message)
{
    QLocalSocket socket;
    socket.connectToServer(strSocket);
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(message + '\n');
    const bool ok = socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kTimeoutMs);
    return ok;
}
