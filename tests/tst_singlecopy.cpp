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
        const QByteArray line = answer == "no" || answer == "not-raised" ? answer + '\n' : QByteArray("ok\n");
        if (answer != "silent")
            n = ::write(client, line.constData(), size_t(line.size()));
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
    // answers within 1.5 seconds: "ok", or "not-raised" when the desktop kept it behind.
    void peerAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("expected"); // SingleCopyChannel::Answer
        using A = SingleCopyChannel::Answer;
        QTest::newRow("answers-ok") << QByteArray("ok") << int(A::Ok);
        QTest::newRow("answers-not-raised") << QByteArray("not-raised") << int(A::NotRaised);
        QTest::newRow("answers-no") << QByteArray("no") << int(A::None);
        QTest::newRow("never-answers") << QByteArray("silent") << int(A::None);
        QTest::newRow("answers-after-two-seconds") << QByteArray("late-ok") << int(A::None);
        QTest::newRow("another-user-answers-ok") << QByteArray("other-user-ok") << int(A::None);
    }
    void peerAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, expected);
        if (answer == "other-user-ok" && ::geteuid() != 0)
            QSKIP("only root can start a peer of another user");
        QTemporaryDir dir;
        const QString socket = dir.filePath("MavoTallyer.1");
        auto sent = SingleCopyChannel::Answer::None;
        const QByteArray message = SingleCopyChannel::activateMessage("wl-token_42");
        const QByteArray heard = withFakePeer(socket, answer, [&] { sent = SingleCopyChannel::send(socket, message); });
        QCOMPARE(int(sent), expected);
        // Nothing is said to a peer of another user.
        QCOMPARE(heard, answer == "other-user-ok" ? QByteArray() : QByteArray("activate wl-token_42\n"));
    }

    // Only a plausible token travels: printable, no spaces, not overlong.
    void activationTokens_data()
    {
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("none") << QByteArray() << QByteArray("activate");
        QTest::newRow("plain") << QByteArray("abc-123_XYZ") << QByteArray("activate abc-123_XYZ");
        QTest::newRow("with-space") << QByteArray("abc def") << QByteArray("activate");
        QTest::newRow("control-character") << QByteArray("abc\ndef") << QByteArray("activate");
        QTest::newRow("400-bytes") << QByteArray(400, 'x') << "activate " + QByteArray(400, 'x');
        QTest::newRow("401-bytes") << QByteArray(401, 'x') << QByteArray("activate");
    }
    void activationTokens()
    {
        QFETCH(QByteArray, token);
        QTEST(SingleCopyChannel::activateMessage(token), "message");
    }

    // The running copy takes the token into its environment, where the platform looks for it,
    // and, not being the active application here, answers that it was not raised.
    void runningCopyTakesToken()
    {
        QTemporaryDir dir;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
        ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
        qunsetenv("XDG_ACTIVATION_TOKEN");
        SingleCopyChannel running;
        QVERIFY(running.lockSearch());
        QVERIFY(running.listen());
        QSignalSpy activated(&running, &SingleCopyChannel::activateRequested);
        const QStringList sockets = QDir(dir.path()).entryList({"MavoTallyer.*"}, QDir::System);
        QCOMPARE(sockets.size(), 1);
        // The asking copy runs in a thread of its own: the answer needs this thread's events.
        auto answer = SingleCopyChannel::Answer::None;
        QElapsedTimer took;
        took.start();
        std::unique_ptr<QThread> asker(QThread::create([&] {
            answer = SingleCopyChannel::send(dir.filePath(sockets.at(0)), "activate tok-7");
        }));
        asker->start();
        QTRY_VERIFY(asker->isFinished());
        QCOMPARE(activated.size(), 1);
        QCOMPARE(qgetenv("XDG_ACTIVATION_TOKEN"), QByteArray("tok-7"));
        QCOMPARE(int(answer), int(SingleCopyChannel::Answer::NotRaised));
        QVERIFY(took.elapsed() >= SingleCopyChannel::kRaiseWaitMs);
        qunsetenv("XDG_ACTIVATION_TOKEN");
    }
};

QTEST_GUILESS_MAIN(TestSingleCopy)
#include "tst_singlecopy.moc"
