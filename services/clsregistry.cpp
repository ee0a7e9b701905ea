#include "clsregistry.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <cmath>
#include <limits>

namespace {

// How long a write waits for another running copy to finish its own write. Writes take
// milliseconds; a lock left by a crashed copy is found stale by QLockFile and taken over.
constexpr int kLockTimeoutMs = 10000;

// QLockFile::tryLock(timeout) sleeps 100 ms, then 200, 400 ... between attempts, so a copy that
// writes several values in a row can starve another one until its timeout runs out. Short,
// slightly varied waits give both copies their turn.
bool takeLock(QLockFile &lock)
{
    QDeadlineTimer deadline(kLockTimeoutMs);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(1 + QRandomGenerator::global()->bounded(5));
    }
    return true;
}

// The settings document is a few kilobytes; anything far bigger is not ours and is not loaded
// into memory whole.
constexpr qint64 kMaxDocumentBytes = 16 * 1024 * 1024;

QString defaultStorePath()
{
    QString strConfig = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (strConfig.isEmpty())
        strConfig = QDir::homePath() + QStringLiteral("/.config");
    return strConfig + QStringLiteral("/Mavo/Tallyer.json");
}

// A REG_DWORD holds four bytes, so both the signed and the unsigned reading of a 32-bit value
// are accepted (a hand-edited colour may well be written 2147483672 rather than -2147483624).
bool toLong(const QJsonValue &value, qint32 &lngValue)
{
    if (!value.isDouble())
        return false;
    const double dbl = value.toDouble();
    if (!std::isfinite(dbl) || dbl != std::trunc(dbl))
        return false;
    if (dbl < double(std::numeric_limits<qint32>::min())
        || dbl > double(std::numeric_limits<quint32>::max()))
        return false;
    lngValue = qint32(quint32(qint64(dbl)));
    return true;
}

} // namespace

clsRegistry::clsRegistry(const QString &strFilePath)
    : m_strFilePath(strFilePath)
{
}

clsRegistry &clsRegistry::instance()
{
    static clsRegistry registry(defaultStorePath());
    return registry;
}

clsRegistry::ReadState clsRegistry::readDocument(QJsonObject &objRoot) const
{
    objRoot = QJsonObject();
    QFile file(m_strFilePath);
    if (!file.exists())
        return ReadState::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return ReadState::Unreadable;
    if (file.size() > kMaxDocumentBytes)
        return ReadState::Corrupt;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return ReadState::Corrupt;
    objRoot = doc.object();
    return ReadState::Valid;
}

QJsonValue clsRegistry::readValue(const QString &strSubKey, const QString &strValueName) const
{
    QJsonObject objRoot;
    if (readDocument(objRoot) != ReadState::Valid)
        return QJsonValue(QJsonValue::Undefined);
    const QJsonValue key = objRoot.value(strSubKey);
    if (!key.isObject())
        return QJsonValue(QJsonValue::Undefined);
    return key.toObject().value(strValueName);
}

bool clsRegistry::writeValue(const QString &strSubKey, const QString &strValueName,
                             const QJsonValue &value)
{
    const QFileInfo info(m_strFilePath);
    if (!QDir().mkpath(info.absolutePath()))
        return false;

    QLockFile lock(m_strFilePath + QStringLiteral(".lock"));
    if (!takeLock(lock))
        return false;

    // Re-read inside the lock: another running copy may have written since we last looked.
    QJsonObject objRoot;
    const ReadState state = readDocument(objRoot);
    if (state == ReadState::Unreadable)
        return false;   // a store we cannot read is never replaced blindly
    if (state == ReadState::Corrupt) {
        // Keep the damaged document beside the store rather than overwrite it; the newest damaged
        // one replaces an older copy. If it cannot be set aside, nothing is written.
        const QString strCorrupt = corruptFilePath();
        if (QFile::exists(strCorrupt) && !QFile::remove(strCorrupt))
            return false;
        if (!QFile::rename(m_strFilePath, strCorrupt))
            return false;
        objRoot = QJsonObject();
    }

    // A key path that holds anything but an object cannot have values; it becomes a key.
    QJsonObject objKey = objRoot.value(strSubKey).toObject();
    objKey.insert(strValueName, value);
    objRoot.insert(strSubKey, objKey);

    QSaveFile file(m_strFilePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = QJsonDocument(objRoot).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool clsRegistry::SetString(RegistryHive hKey, const QString &strSubKey,
                            const QString &strValueName, const QString &strValue)
{
    Q_UNUSED(hKey);
    return writeValue(strSubKey, strValueName, QJsonValue(strValue));
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
    return writeValue(strSubKey, strValueName, QJsonValue(qint64(lngValue)));
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
