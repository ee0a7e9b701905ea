#include "singlecopy.h"

#include "productinfo.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWidget>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <memory>

#include <cstdio>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kSocketPrefix[] = "MavoTallyer.";
// Not matched by the sockets' prefix, so that no look for copies ever takes it for one.
const char kLockName[] = "MavoTallyer-channel.lock";
const int kConnectMs = 1000;
// A copy holds the lock only while it starts; one that holds it longer is stopped or gone.
const int kLockWaitMs = 5000;
const int kStaleLockMs = 10000;
// The longest line either end takes: a word, a file's path percent-encoded (PATH_MAX bytes, three
// characters each at most) and an activation token.
const qint64 kMaxLineBytes = 16384;
const qsizetype kMaxTokenBytes = 400;
const QByteArray kActivate = QByteArrayLiteral("activate");
const QByteArray kOpen = QByteArrayLiteral("open");

// A token as a message may carry it: printable ASCII without spaces, and short.
bool usableToken(const QByteArray &token)
{
    return !token.isEmpty() && token.size() <= kMaxTokenBytes
        && std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 127; });
}

// A folder of this user, not a link, that no one else may enter.
bool isPrivateFolder(const QString &path)
{
    struct stat st = {};
    return path.startsWith(QLatin1Char('/'))
        && ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

// Whether the other end of a connected local socket runs as this user.
bool peerIsThisUser(const QLocalSocket &socket)
{
    ucred peer = {};
    socklen_t size = sizeof peer;
    const auto fd = int(socket.socketDescriptor());
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
        && size == sizeof peer && peer.uid == ::getuid();
}

} // namespace

SingleCopyChannel::SingleCopyChannel(QObject *parent)
    : QObject(parent)
    , m_folder(folder())
{
}

SingleCopyChannel::~SingleCopyChannel()
{
    if (m_server)
        m_server->close();
    unlockSearch();
}

QString SingleCopyChannel::channelFolder(const QString &runtimeDir, const QString &tempDir)
{
    if (isPrivateFolder(runtimeDir))
        return runtimeDir;
    const QString own = QDir(tempDir).filePath(QStringLiteral("tallyer-%1").arg(::getuid()));
    // Made private; a name that is there already must prove it is ours.
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateFolder(own) ? own : QString();
}

QString SingleCopyChannel::folder()
{
    return channelFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath());
}

bool SingleCopyChannel::lockSearch()
{
    if (m_folder.isEmpty()) {
        std::fprintf(stderr, "%s: no private folder for finding another running copy; this copy "
                     "runs on its own\n", ProductInfo::kProductName);
        return false;
    }
    m_lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(QLatin1String(kLockName)));
    m_lock->setStaleLockTime(kStaleLockMs);
    if (m_lock->tryLock(kLockWaitMs))
        return true;
    m_lock.reset();
    return false;
}

void SingleCopyChannel::unlockSearch()
{
    m_lock.reset();
}

bool SingleCopyChannel::listen()
{
    const auto unlock = qScopeGuard([this] { unlockSearch(); });
    if (m_folder.isEmpty())
        return false;
    m_path = QDir(m_folder).filePath(QLatin1String(kSocketPrefix)
                                     + QString::number(QCoreApplication::applicationPid()));
    QLocalServer::removeServer(m_path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_path))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // Only a copy of this user may ask anything.
            if (!peerIsThisUser(*socket)) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine(kMaxLineBytes + 1).trimmed();
                    if (line == "close") {
                        // Answered first: the close ends this copy.
                        socket->write("ok\n");
                        socket->flush();
                        emit closeRequested();
                    } else if (line == kActivate || line.startsWith(kActivate + ' ')) {
                        // The token of the user's start of the other copy lets Wayland give this
                        // window the focus; the platform takes it from the environment.
                        const QByteArray token = line.mid(kActivate.size()).trimmed();
                        if (!token.isEmpty() && activateMessage(token) == line)
                            qputenv("XDG_ACTIVATION_TOKEN", token);
                        emit activateRequested();
                        answerWhenRaised(socket);
                    } else if (line.startsWith(kOpen + ' ')) {
                        const QList<QByteArray> words = line.split(' ');
                        const QString file = QString::fromUtf8(QByteArray::fromPercentEncoding(words.value(1)));
                        if (words.size() > 3 || !file.startsWith(u'/')) {
                            socket->abort();
                            return;
                        }
                        if (usableToken(words.value(2)))
                            qputenv("XDG_ACTIVATION_TOKEN", words.value(2));
                        emit activateRequested();
                        // Once this message is handled: opening may ask a question first.
                        QMetaObject::invokeMethod(this, [this, file] { emit openRequested(file); }, Qt::QueuedConnection);
                        answerWhenRaised(socket);
                    }
                }
                if (socket->bytesAvailable() > kMaxLineBytes)
                    socket->abort();
            });
        }
    });
    return true;
}

QStringList SingleCopyChannel::otherCopies() const
{
    QStringList found;
    if (m_folder.isEmpty())
        return found;
    const QDir dir(m_folder);
    const QStringList names = dir.entryList({QLatin1String(kSocketPrefix) + QLatin1Char('*')},
                                            QDir::System | QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        struct stat st = {};
        if (path == m_path || ::lstat(QFile::encodeName(path).constData(), &st) != 0
            || !S_ISSOCK(st.st_mode))
            continue;
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(kConnectMs)) {
            if (peerIsThisUser(probe))
                found << path;
            probe.abort();
        } else if (probe.error() == QLocalSocket::ConnectionRefusedError
                   || probe.error() == QLocalSocket::ServerNotFoundError) {
            QFile::remove(path); // left behind by a copy that did not end cleanly
        }
    }
    return found;
}

void SingleCopyChannel::answerWhenRaised(QLocalSocket *socket)
{
    auto *poll = new QTimer(socket);
    poll->setInterval(50);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    const auto check = [socket, poll, waited] {
        const bool raised = QGuiApplication::applicationState() == Qt::ApplicationActive;
        if (!raised && !waited->hasExpired(kRaiseWaitMs))
            return;
        poll->stop();
        poll->deleteLater();
        socket->write(raised ? "ok\n" : "not-raised\n");
        socket->flush();
    };
    connect(poll, &QTimer::timeout, socket, check);
    poll->start();
}

QByteArray SingleCopyChannel::activateMessage(const QByteArray &token)
{
    return usableToken(token) ? kActivate + ' ' + token : kActivate;
}

QByteArray SingleCopyChannel::openMessage(const QString &file, const QByteArray &token)
{
    const QByteArray message = kOpen + ' ' + file.toUtf8().toPercentEncoding("/");
    return usableToken(token) ? message + ' ' + token : message;
}

bool SingleCopyChannel::activate(const QStringList &others, const QString &file)
{
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    const QByteArray message = file.isEmpty() ? activateMessage(token) : openMessage(file, token);
    for (const QString &other : others) {
        const Answer answer = send(other, message);
        if (answer == Answer::None)
            continue;
        if (answer == Answer::NotRaised)
            std::fprintf(stderr, "%s: the running copy was asked to come to the front, but the desktop did not "
                         "let it (%s)\n", ProductInfo::kProductName,
                         token.isEmpty() ? "no activation token was given to this start" : "it refused the activation token");
        unlockSearch();
        return true;
    }
    std::fprintf(stderr, "%s: another copy is running but did not answer within %.1f seconds; "
                 "this copy opens its own window\n", ProductInfo::kProductName, kAnswerMs / 1000.0);
    return false;
}

SingleCopyChannel::Answer SingleCopyChannel::send(const QString &socketName, const QByteArray &message)
{
    QLocalSocket socket;
    socket.connectToServer(socketName);
    if (!socket.waitForConnected(kConnectMs) || !peerIsThisUser(socket))
        return Answer::None;
    socket.write(message + '\n');
    const QDeadlineTimer deadline(kAnswerMs);
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || socket.bytesAvailable() > kMaxLineBytes
            || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return Answer::None;
    }
    const QByteArray line = socket.readLine(kMaxLineBytes + 1).trimmed();
    socket.abort();
    return line == "ok" ? Answer::Ok : line == "not-raised" ? Answer::NotRaised : Answer::None;
}

void BringForward(QWidget *window)
{
    if (window->isMinimized()) {
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            window->hide();
        window->showNormal();
    }
    window->show();
    window->raise();
    window->activateWindow();
}
