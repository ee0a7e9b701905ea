// The channel between running copies: which folder it may live in, and what it makes of a peer
// that answers, answers wrongly, does not answer, or is another user.

#include "singlecopy.h"

#include <QLocalSocket>
#include <QtTest>

#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Makes path as kind: "private" (0700), "group-open" (0750), "open" (0777), "other-user" (0700,
// owned by nobody), "link" (to a private folder), "file"; "missing" and "unset" make nothing.
bool make(const QString &path, const QString &kind)
{
    const QByteArray native = QFile::encodeName(path);
    if (kind == "missing" || kind == "unset")
        return true;
    if (kind == "file")
        return QFile(path).open(QIODevice::WriteOnly);
    if (kind == "link")
        return QDir().mkpath(path + ".target") && ::chmod((native + ".target").constData(), 0700) == 0
            && QFile::link(path + ".target", path);
    const mode_t mode = kind == "group-open" ? 0750 : kind == "open" ? 0777 : 0700;
    if (::mkdir(native.constData(), 0700) != 0 || ::chmod(native.constData(), mode) != 0)
        return false;
    return kind != "other-user" || ::chown(native.constData(), 65534, 65534) == 0;
}

// A peer in a process of its own, so that it can stop, be slow or be another user while this
// one waits: it listens on socketPath, takes one line and does what `answer` says. What it read
// comes back through `heard`.
struct FakePeer
{
    pid_t pid = -1;
    int heard = -1;

    bool start(const QString &socketPath, const QByteArray &answer)
    {
        // Everything the child needs is made here: after fork() it calls the system alone.
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(socketPath);
        std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
        const QByteArray lots(1 << 20, 'o');
        int ready[2];
        if (::pipe(ready) != 0)
            return false;
        pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::bind(server, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
                ::_exit(1);
            // A listening socket carries the user it was set listening by.
            if (answer == "other-user-ok" && ::setuid(65534) != 0)
                ::_exit(1);
            ::listen(server, 4);
            ::write(ready[1], "!", 1);
            const int client = ::accept(server, nullptr, nullptr);
            char line[80] = {};
            qsizetype got = 0;
            while (got < 64 && ::read(client, line + got, 1) == 1 && line[got] != '\n')
                ++got;
            ::write(ready[1], line, size_t(got));
            ::close(ready[1]);
            if (answer == "late-ok")
                ::sleep(2);
            if (answer == "parts-ok") {
                ::write(client, "o", 1);
                ::usleep(100000);
                ::write(client, "k\n", 2);
            } else if (answer == "endless") {
                ::write(client, lots.constData(), size_t(lots.size()));
            } else if (answer.endsWith("ok") || answer == "no") {
                const QByteArray reply = answer == "no" ? "no\n" : "ok\n";
                ::write(client, reply.constData(), size_t(reply.size()));
            }
            if (answer != "hang-up")
                ::sleep(5);
            ::_exit(0);
        }
        ::close(ready[1]);
        heard = ready[0];
        char byte = 0;
        return pid > 0 && ::read(heard, &byte, 1) == 1;
    }
    QByteArray stop()
    {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        char line[80] = {};
        const ssize_t n = ::read(heard, line, sizeof line);
        ::close(heard);
        return QByteArray(line, n > 0 ? int(n) : 0);
    }
};

} // namespace

class TestSingleCopy : public QObject
{
    Q_OBJECT

private slots:
    void folderRules_data()
    {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("temp"); // tallyer-<uid> in the temp folder
        QTest::addColumn<QString>("expected"); // "runtime", "temp" or "none"
        QTest::newRow("runtime-private-used") << "private" << "missing" << "runtime";
        QTest::newRow("runtime-unset-temp-made-private") << "unset" << "missing" << "temp";
        QTest::newRow("runtime-open-to-group") << "group-open" << "missing" << "temp";
        QTest::newRow("runtime-relative") << "relative" << "missing" << "temp";
        QTest::newRow("runtime-link") << "link" << "missing" << "temp";
        QTest::newRow("temp-private-kept") << "unset" << "private" << "temp";
        QTest::newRow("temp-open-to-others-refused") << "unset" << "open" << "none";
        QTest::newRow("temp-of-another-user-refused") << "unset" << "other-user" << "none";
        QTest::newRow("temp-link-refused") << "unset" << "link" << "none";
        QTest::newRow("temp-file-refused") << "unset" << "file" << "none";
    }
    void folderRules()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, temp);
        QFETCH(QString, expected);
        if ((runtime == "other-user" || temp == "other-user") && ::geteuid() != 0)
            QSKIP("only root can give a folder to another user");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString runtimePath = dir.filePath("run");
        const QString tempPath = dir.filePath(QStringLiteral("tallyer-%1").arg(::getuid()));
        QVERIFY(make(runtimePath, runtime == "relative" ? "private" : runtime));
        QVERIFY(make(tempPath, temp));

        // A relative path names a private folder too, but only by the working folder's grace.
        const QString given = runtime == "unset" ? QString()
            : runtime == "relative"              ? QDir::current().relativeFilePath(runtimePath)
                                                 : runtimePath;
        const QString folder = SingleCopyChannel::channelFolder(given, dir.path());
        QCOMPARE(folder, expected == "runtime" ? runtimePath : expected == "temp" ? tempPath : QString());
        if (expected == "temp") {
            struct stat st = {};
            QCOMPARE(::lstat(QFile::encodeName(tempPath).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, mode_t(0700));
        }
    }

    // A copy asked to come forward: only its "ok", within 1.5 seconds, from this user, counts.
    void peerAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("answered");
        QTest::newRow("answers-ok") << QByteArray("ok") << true;
        QTest::newRow("answers-ok-in-two-parts") << QByteArray("parts-ok") << true;
        QTest::newRow("answers-no") << QByteArray("no") << false;
        QTest::newRow("never-answers") << QByteArray("silent") << false;
        QTest::newRow("hangs-up") << QByteArray("hang-up") << false;
        QTest::newRow("answers-after-two-seconds") << QByteArray("late-ok") << false;
        QTest::newRow("endless-line") << QByteArray("endless") << false;
        QTest::newRow("another-user-answers-ok") << QByteArray("other-user-ok") << false;
    }
    void peerAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, answered);
        if (answer == "other-user-ok" && ::geteuid() != 0)
            QSKIP("only root can start a peer of another user");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString socket = dir.filePath("MavoTallyer.1");
        FakePeer peer;
        QVERIFY(peer.start(socket, answer));
        QCOMPARE(SingleCopyChannel::send(socket, "activate"), answered);
        // Nothing is said to a peer of another user.
        QCOMPARE(peer.stop(), answer == "other-user-ok" ? QByteArray() : QByteArray("activate"));
    }

    // The listening end: the two requests are answered "ok" and raise their signals; anything
    // else gets no answer, and a line that never ends loses its connection. Stale sockets of
    // copies that are gone are removed, other files are left alone.
    void listeningEnd_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("activations");
        QTest::addColumn<int>("closes");
        QTest::newRow("activate") << QByteArray("activate\n") << QByteArray("ok\n") << 1 << 0;
        QTest::newRow("close") << QByteArray("close\n") << QByteArray("ok\n") << 0 << 1;
        QTest::newRow("unknown-word") << QByteArray("hello\n") << QByteArray() << 0 << 0;
        QTest::newRow("line-without-end") << QByteArray(200, 'a') << QByteArray() << 0 << 0;
    }
    void listeningEnd()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        QFETCH(int, activations);
        QFETCH(int, closes);
        SingleCopyChannel channel; // in this test's XDG_RUNTIME_DIR
        const QDir folder(SingleCopyChannel::folder());
        QVERIFY(channel.lockSearch());
        QVERIFY(channel.listen());
        QSignalSpy activated(&channel, &SingleCopyChannel::activateRequested);
        QSignalSpy closed(&channel, &SingleCopyChannel::closeRequested);

        // A socket file nobody listens on, and a plain file that only looks like one by its name.
        const QString stale = folder.filePath("MavoTallyer.stale");
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(stale);
        std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFile(folder.filePath("MavoTallyer.txt")).open(QIODevice::WriteOnly));
        QCOMPARE(channel.otherCopies(), QStringList());
        QVERIFY(!QFileInfo::exists(stale));
        QVERIFY(QFileInfo::exists(folder.filePath("MavoTallyer.txt")));

        QLocalSocket client;
        client.connectToServer(folder.filePath(QStringLiteral("MavoTallyer.%1").arg(QCoreApplication::applicationPid())));
        QVERIFY(client.waitForConnected(1000));
        client.write(request);
        if (reply.isEmpty()) {
            QTest::qWait(200);
            QCOMPARE(client.readAll(), QByteArray());
            QCOMPARE(client.state(), request.endsWith('\n') ? QLocalSocket::ConnectedState : QLocalSocket::UnconnectedState);
        } else {
            QTRY_VERIFY(client.canReadLine());
            QCOMPARE(client.readLine(), reply);
        }
        QCOMPARE(activated.count(), activations);
        QCOMPARE(closed.count(), closes);
        QFile::remove(folder.filePath("MavoTallyer.txt"));
    }
};

QTEST_GUILESS_MAIN(TestSingleCopy)
#include "tst_singlecopy.moc"
