#include "clsregistry.h"

#include <filenames.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cmath>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long a write waits for another running copy to finish its own write. Writes take
// milliseconds; the window must never stall longer than this for a settings call, so a copy that
// holds the lock for longer makes the write fail (and the caller report it) instead.
constexpr int kLockTimeoutMs = 250;

// A lock file that names no process is abandoned once it is this old: a copy killed between
// creating the lock and writing its process id into it leaves it so, and QLockFile would only give
// it up after 30 s. A live copy fills the lock within microseconds of creating it.
constexpr qint64 kNamelessLockAgeMs = 100;

// The lock's first line is the process id of its holder (QLockFile's format).
bool lockNamesAProcess(const QByteArray &content)
{
    const qsizetype end = content.indexOf('\n');
    bool ok = false;
    const qint64 pid = content.left(end < 0 ? content.size() : end).trimmed().toLongLong(&ok);
    return ok && pid > 0;
}

// QLockFile::tryLock(timeout) sleeps 100 ms, then 200, 400 ... between attempts, so a copy that
// writes several values in a row can starve another one until its timeout runs out. Short,
// slightly varied waits give both copies their turn. QLockFile itself takes over a lock whose
// process no longer runs; an empty or nameless one is removed here.
bool takeLock(QLockFile &lock, const QString &lockPath)
{
    const QByteArray native = QFile::encodeName(lockPath);
    QDeadlineTimer deadline(kLockTimeoutMs);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError)
            return false;
        struct stat st = {};
        if (::lstat(native.constData(), &st) == 0) {
            if (!S_ISREG(st.st_mode))
                return false; // not a lock of ours; reading it might block
            QByteArray content;
            if (st.st_size < 4096 && ReadRegularFile(lockPath, 4096, content) == FileRead::Read
                && !lockNamesAProcess(content)) {
                const qint64 ageMs =
                    QFileInfo(lockPath).lastModified().msecsTo(QDateTime::currentDateTime());
                if ((ageMs >= kNamelessLockAgeMs || ageMs < 0) && QFile::remove(lockPath))
                    continue;
            }
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(1 + QRandomGenerator::global()->bounded(5));
    }
    return true;
}

// The settings document is a few kilobytes; anything far bigger is not loaded into memory whole.
// Nothing larger is ever written either, or the next start could not read it back.
constexpr qint64 kMaxDocumentBytes = 16 * 1024 * 1024;

QString defaultStorePath()
{
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Mavo/Tallyer.json");
}

// A REG_DWORD holds four bytes, so both the signed and the unsigned reading of a 32-bit value
// are accepted (a hand-edited colour may well be written 2147483672 rather than -2147483624).
bool toLong(const QJsonValue &value, qint32 &lngValue)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::trunc(number))
        return false;
    if (number < double(std::numeric_limits<qint32>::min())
        || number > double(std::numeric_limits<quint32>::max()))
        return false;
    lngValue = qint32(quint32(qint64(number)));
    return true;
}

} // namespace

clsRegistry::clsRegistry(const QString &filePath)
    : m_filePath(filePath)
{
}

// What tells one version of the store file from another without reading it: QSaveFile puts a
// new file (a new inode) in place, an editor may rewrite it in place (a new size or time).
clsRegistry::FileStamp clsRegistry::stampOf(const QString &path, bool &regular, int &errorNumber)
{
    const QByteArray native = EncodeFileName(path);
    struct stat st = {};
    if (::stat(native.constData(), &st) != 0) {
        errorNumber = errno;
        regular = false;
        return {};
    }
    errorNumber = 0;
    regular = S_ISREG(st.st_mode);
    return {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

clsRegistry &clsRegistry::instance()
{
    static clsRegistry registry(defaultStorePath());
    return registry;
}

clsRegistry::ReadState clsRegistry::readDocument(QJsonObject &root) const
{
    root = QJsonObject();
    bool regular = false;
    int error = 0;
    const FileStamp stamp = stampOf(m_filePath, regular, error);
    if (error == ENOENT)
        return ReadState::Missing;
    if (error != 0 || !regular)
        return ReadState::Unreadable;
    // Every setting is read on its own; the file is read and parsed again only when it changed.
    if (m_cache && m_cache->stamp == stamp) {
        root = m_cache->root;
        return m_cache->state;
    }
    m_cache.reset();

    QByteArray bytes;
    ReadState state = ReadState::Valid;
    switch (ReadRegularFile(m_filePath, kMaxDocumentBytes, bytes)) {
    case FileRead::Missing:
        return ReadState::Missing;
    case FileRead::Unreadable:
        return ReadState::Unreadable;
    case FileRead::TooLarge:
        state = ReadState::TooLarge;
        break;
    case FileRead::Read: {
        // An empty file holds nothing worth keeping aside; setting it aside would only push out
        // an earlier damaged copy that may still be of use.
        if (bytes.trimmed().isEmpty()) {
            state = ReadState::Missing;
            break;
        }
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
        if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
            state = ReadState::Corrupt;
            break;
        }
        root = doc.object();
        break;
    }
    }
    // The stamp taken before the read: a change during the read shows at the next look.
    m_cache = Cache{stamp, state, root};
    return state;
}

QJsonValue clsRegistry::readValue(const QString &strSubKey, const QString &strValueName) const
{
    QJsonObject root;
    if (readDocument(root) != ReadState::Valid)
        return QJsonValue(QJsonValue::Undefined);
    const QJsonValue key = root.value(strSubKey);
    if (!key.isObject())
        return QJsonValue(QJsonValue::Undefined);
    return key.toObject().value(strValueName);
}

bool clsRegistry::writeValues(const QString &strSubKey, const QJsonObject &values)
{
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath()))
        return false;

    const QString lockPath = m_filePath + QStringLiteral(".lock");
    QLockFile lock(lockPath);
    if (!takeLock(lock, lockPath))
        return false;

    // Re-read inside the lock: another running copy may have written since we last looked.
    QJsonObject root;
    const ReadState state = readDocument(root);
    // A store we cannot read, or one too large to read whole, is never replaced: its other
    // programs' keys would be lost with it.
    if (state == ReadState::Unreadable || state == ReadState::TooLarge)
        return false;

    // A key path that holds anything but an object cannot have values; it becomes a key.
    QJsonObject key = root.value(strSubKey).toObject();
    for (auto it = values.begin(); it != values.end(); ++it)
        key.insert(it.key(), it.value());
    root.insert(strSubKey, key);

    // Compact: the document is read back by this program, and indenting a large one (another
    // program's values beside ours) would make it several times larger. A document the next
    // start could not read is not written at all.
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Compact);
    if (bytes.size() > kMaxDocumentBytes)
        return false;

    // Unbuffered, so that a full disk fails the write itself: QSaveFile::commit() does not notice a
    // buffer that could not be flushed, and would put an empty or cut file in place of the store.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size() || (::fsync(file.handle()) != 0 && errno != EINVAL)) {
        file.cancelWriting();
        return false;
    }
    if (state == ReadState::Corrupt) {
        // Keep the damaged document beside the store rather than overwrite it; the newest damaged
        // one replaces an older copy. If it cannot be set aside, nothing is written.
        const QString corrupt = corruptFilePath();
        if ((QFile::exists(corrupt) && !QFile::remove(corrupt))
            || !QFile::rename(m_filePath, corrupt)) {
            file.cancelWriting();
            return false;
        }
    }
    m_cache.reset();
    if (!file.commit())
        return false;
    // What was written is what the next read would find.
    bool regular = false;
    int error = 0;
    const FileStamp stamp = stampOf(m_filePath, regular, error);
    if (error == 0 && regular)
        m_cache = Cache{stamp, ReadState::Valid, root};
    return true;
}

bool clsRegistry::SetValues(RegistryHive hKey, const QString &strSubKey, const QJsonObject &values)
{
    Q_UNUSED(hKey);
    return writeValues(strSubKey, values);
}

bool clsRegistry::SetString(RegistryHive hKey, const QString &strSubKey,
                            const QString &strValueName, const QString &strValue)
{
    Q_UNUSED(hKey);
    return writeValues(strSubKey, QJsonObject{{strValueName, strValue}});
}

QString clsRegistry::GetString(RegistryHive hKey, const QString &strSubKey,
                               const QString &strValueName, const QString &strDefault,
                               bool &blnError) const
{
    Q_UNUSED(hKey);
    blnError = true;
    const QJsonValue value = readValue(strSubKey, strValueName);
    if (!value.isString())
        return strDefault;
    const QString strValue = value.toString();
    // The stored form is the UTF-8 text and its terminating zero; it must fit the buffer.
    if (strValue.toUtf8().size() + 1 > kTextBufferBytes)
        return strDefault;
    blnError = false;
    return strValue;
}

bool clsRegistry::SetLong(RegistryHive hKey, const QString &strSubKey,
                          const QString &strValueName, qint32 lngValue)
{
    Q_UNUSED(hKey);
    return writeValues(strSubKey, QJsonObject{{strValueName, qint64(lngValue)}});
}

qint32 clsRegistry::GetLong(RegistryHive hKey, const QString &strSubKey,
                            const QString &strValueName, qint32 lngDefault, bool &blnError) const
{
    Q_UNUSED(hKey);
    blnError = true;
    qint32 lngValue = 0;
    if (!toLong(readValue(strSubKey, strValueName), lngValue))
        return lngDefault;
    blnError = false;
    return lngValue;
}
