#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

// The channel between running copies of the calculator. Every copy listens on a socket of its own
// in the user's runtime folder ($XDG_RUNTIME_DIR); finding another copy means connecting to one of
// the others. Messages: "activate" (bring your window to the front) and "close".
class SingleCopyChannel : public QObject
{
    Q_OBJECT

public:
    explicit SingleCopyChannel(QObject *parent = nullptr);
    ~SingleCopyChannel() override;

    // Starts listening; false when the runtime folder is not usable.
    bool listen();

    // The sockets of the other running copies that answer; stale sockets are removed.
    QStringList otherCopies() const;

    // Sends one message and waits until it is written; false when the copy does not answer.
    static bool send(const QString &strSocket, const QByteArray &message);

    static QString runtimeFolder();

signals:
    void activateRequested();
    void closeRequested();

private:
    QLocalServer *m_server = nullptr;
    QString m_path;
};
