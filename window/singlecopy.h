#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QWidget;
class QLockFile;

// The channel between running copies of the calculator. Every copy listens on a socket of its own
// in a folder that only the user can enter; finding another copy means connecting to one of the
// others. Messages, one line each: "activate" (bring your window to the front), followed by the
// starting copy's activation token when it has one; "open" with a tape file's absolute path
// (percent-encoded, so that any name fits on the line) and the token, which asks the copy to open
// the file and come forward; and "close". The copy that gets "close" answers "ok"; the one that
// gets "activate" or "open" answers "ok" once it is the active application, or
// "not-raised" when the desktop has not let it come forward within a second (Wayland gives the
// focus only for a token from the user's own action). Both ends check that the other end runs as
// the same user.
//
// Start-up takes the channel's lock (lockSearch), looks for the other copies, and either asks one
// of them to come forward (activate) or listens itself (listen); the lock is held from the look
// to the listening, so of copies started at the same instant exactly one listens first.
class SingleCopyChannel : public QObject
{
    Q_OBJECT

public:
    // How long a copy is given to answer: a copy that is stopped or wedged does not. It includes
    // the time an activated copy waits to see whether it came to the front.
    static constexpr int kAnswerMs = 1500;
    static constexpr int kRaiseWaitMs = 1000;

    enum class Answer { None, Ok, NotRaised };

    explicit SingleCopyChannel(QObject *parent = nullptr);
    ~SingleCopyChannel() override;

    // Takes the channel's lock, waiting a few seconds at most (a lock left by a copy that is gone,
    // or held for long by a stopped one, is taken over). False when the channel cannot be used or
    // the lock is not had; the start goes on regardless.
    bool lockSearch();

    // Starts listening and gives the lock back; false when the channel's folder is not usable.
    bool listen();

    // The sockets of the other running copies of this user; stale sockets are removed.
    QStringList otherCopies() const;

    // Asks the first of the copies that answers to come forward, handing it this process's
    // activation token ($XDG_ACTIVATION_TOKEN) and the tape file to open (an absolute path; empty:
    // none), and gives the lock back; true then. A copy that could not come forward is said on
    // stderr. When none answers in time, says so on stderr and returns false: this copy is to open
    // its own window.
    bool activate(const QStringList &others, const QString &file = {});

    // Sends one message and waits for the copy's answer; None when the copy is not this user's,
    // does not answer within kAnswerMs, or answers anything unknown.
    static Answer send(const QString &socketName, const QByteArray &message);

    // The "activate" message with a token: tokens are printable ASCII without spaces, and short;
    // anything else is left out.
    static QByteArray activateMessage(const QByteArray &token);
    // The "open" message for a file, with the token as activateMessage takes it.
    static QByteArray openMessage(const QString &file, const QByteArray &token);

    // The channel's folder for this user: runtimeDir ($XDG_RUNTIME_DIR) when it is a private
    // folder, else "tallyer-<uid>" in tempDir, made private when it is missing. Private means a
    // folder (not a link) of this user that no one else may enter (no group or other bits). Empty
    // when neither is: the name under the temp folder is taken by another user or is open to
    // others, and no channel is used.
    static QString channelFolder(const QString &runtimeDir, const QString &tempDir);

    // channelFolder() of this process's environment.
    static QString folder();

signals:
    void activateRequested();
    // Another copy was started with a tape file: this copy opens it (after coming forward).
    void openRequested(const QString &file);
    void closeRequested();

private:
    void unlockSearch();
    // Answers an "activate" once the application is active, or "not-raised" after kRaiseWaitMs.
    void answerWhenRaised(QLocalSocket *socket);

    QString m_folder;
    QLocalServer *m_server = nullptr;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

// Brings the window to the front, out of the minimised state. Wayland has no request that undoes
// a minimise: there the window is hidden and shown again, a new surface the compositor maps afresh.
void BringForward(QWidget *window);
