// The single-copy channel: the folder it may live in, and the peers whose answer it takes.

#include "singlecopy.h"

#include <QtTest>

#include <csignal>
#include <cstring>
#include <functional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Makes path as kind: a folder "private" (0700), "group-open" (0750) or "other-user" (0700,
// nobody's), a "link" to a private folder, or nothing ("none").
bool make(const QString &path, const QString &kind)
{
    const QByteArray native = QFile::encodeName(path);
    if (kind == "link")
        return make(path + ".real", "private") && QFile::link(path + ".real", path);
    return kind == "none"
        || (::mkdir(native.constData(), 0700) == 0 && ::chmod(native.constData(), kind == "group-open" ? 0750 : 0700) == 0
            && (kind != "other-user" || ::chown(native.constData(), 65534, 65534) == 0));
}

// A peer in a process of its own, so that it can be silent, slow or another user while this one
// waits in `run`: it listens at path, reads the message, hands it back through a pipe and
// answers as `answer` says. Returns what it heard.
QByteArray withFakePeer(const QString &path, const QByteArray &answer, const std::function<void()> &run)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A listening socket carries the user who set it listening.
        const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::bind(server, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || (answer == "other-user-ok" && ::setuid(65534) != 0) || ::listen(server, 4) != 0)
            ::_exit(1);
        [[maybe_unused]] auto n = ::write(fds[1], "!", 1);
        const int client = ::accept(server, nullptr, nullptr);
        char heard[64];
        const ssize_t got = ::read(client, heard, sizeof heard);
        n = ::write(fds[1], heard, size_t(got > 0 ? got : 0));
        if (answer == "late-ok")
            ::sleep(2);
        if (answer != "silent")
            n = ::write(client, answer == "no" ? "no\n" : "ok\n", 3);
        ::sleep(5);
        ::_exit(0);
    }
    ::close(fds[1]);
    char ready = 0;
    if (pid < 0 || ::read(fds[0], &ready, 1) != 1)
        return "no peer";
    run();
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    char heard[64];
    const ssize_t n = ::read(fds[0], heard, sizeof heard);
    ::close(fds[0]);
    return QByteArray(heard, n > 0 ? int(n) : 0);
}

} // namespace

class TestSingleCopy : public QObject
{
    Q_OBJECT

private slots:
    // $XDG_RUNTIME_DIR and tallyer-<uid> in the temp folder, each as made; the folder the channel
    // takes: "runtime", "temp" (made private when missing) or none.
    void folderRules_data()
    {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("temp");
        QTest::addColumn<QString>("expected");
        QTest::newRow("runtime-private-used") << "private" << "none" << "runtime";
        QTest::newRow("runtime-unset-temp-made-private") << "unset" << "none" << "temp";
        QTest::newRow("runtime-open-to-group") << "group-open" << "none" << "temp";
        QTest::newRow("runtime-link") << "link" << "none" << "temp";
        QTest::newRow("temp-of-another-user-refused") << "unset" << "other-user" << "";
        QTest::newRow("temp-link-refused") << "unset" << "link" << "";
    }
    void folderRules()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, temp);
        QFETCH(QString, expected);
        if (temp == "other-user" && ::geteuid() != 0)
            QSKIP("only root can give a folder to another user");
        QTemporaryDir dir;
        const QString runtimePath = dir.filePath("run");
        const QString tempPath = dir.filePath(QStringLiteral("tallyer-%1").arg(::getuid()));
        QVERIFY(make(runtimePath, runtime == "unset" ? "none" : runtime) && make(tempPath, temp));
        QCOMPARE(SingleCopyChannel::channelFolder(runtime == "unset" ? QString() : runtimePath, dir.path()),
                 expected == "runtime" ? runtimePath : expected == "temp" ? tempPath : QString());
        struct stat st = {};
        if (expected == "temp")
            QVERIFY(::lstat(QFile::encodeName(tempPath).constData(), &st) == 0 && (st.st_mode & 0777) == 0700);
    }

    // Asked to come forward, a peer counts as a running copy only when it is this user's and
    // answers "ok" within 1.5 seconds.
    void peerAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("answered");
        QTest::newRow("answers-ok") << QByteArray("ok") << true;
        QTest::newRow("answers-no") << QByteArray("no") << false;
        QTest::newRow("never-answers") << QByteArray("silent") << false;
        QTest::newRow("answers-after-two-seconds") << QByteArray("late-ok") << false;
        QTest::newRow("another-user-answers-ok") << QByteArray("other-user-ok") << false;
    }
    void peerAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, answered);
        if (answer == "other-user-ok" && ::geteuid() != 0)
            QSKIP("only root can start a peer of another user");
        QTemporaryDir dir;
        const QString socket = dir.filePath("MavoTallyer.1");
        bool sent = !answered;
        const QByteArray heard = withFakePeer(socket, answer, [&] { sent = SingleCopyChannel::send(socket, "activate"); });
        QCOMPARE(sent, answered);
        // Nothing is said to a peer of another user.
        QCOMPARE(heard, answer == "other-user-ok" ? QByteArray() : QByteArray("activate\n"));
    }
};

QTEST_GUILESS_MAIN(TestSingleCopy)
#include "tst_singlecopy.moc"
