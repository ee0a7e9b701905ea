#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// The hive a key lives in. The program only ever uses the current user's settings; the hive is
// kept as a parameter so callers read like the registry calls they stand for.
enum class RegistryHive { CurrentUser };
inline constexpr RegistryHive HKEY_CURRENT_USER = RegistryHive::CurrentUser;

// The per-user settings store: named text and 32-bit integer values under key paths such as
// "SOFTWARE\\Mavo\\Tallyer", kept in one JSON document:
//
//   { "SOFTWARE\\Mavo\\Tallyer": { "RoundTo": 2, "FontName": "Tahoma", "": "default value" } }
//
// An integer value is a JSON integer (the registry's 4-byte REG_DWORD), a text value a JSON
// string (REG_SZ); the key's default (unnamed) value has the name "". No operation reports an
// error to the user or throws: a read falls back to the caller's default and leaves blnError
// true, a write returns false.
//
// Writes are atomic (QSaveFile) and serialised between running copies by a lock file; the
// document is re-read inside the lock, so two copies writing different values both keep theirs.
// A write that fails (a full disk, a read-only folder, the lock held by another copy for more than
// a moment) returns false and leaves the stored document as it was. No call blocks for longer than
// a fraction of a second: a lock left by a copy that is gone is taken over at once, and a store
// that is not a regular file (a FIFO, a device) reads as unreadable and is never replaced.
// A document that is not valid JSON reads as empty; the next write keeps it beside the store as
// "Tallyer.json.corrupt" before replacing it. An empty file reads as a missing one.
//
// The file is read and parsed once and kept; it is read again only when it changed on disk (its
// size, modification time or inode), so another copy's writes are seen. It is written compactly
// and with every key of other programs kept. A document of more than 16 MiB (the most that is
// read) is never written: a store that large reads as empty and is left as it is, and a write
// whose result would pass that size fails and changes nothing.
class clsRegistry
{
public:
    // A store on the given file; the shared instance lives in the user's configuration folder.
    explicit clsRegistry(const QString &filePath);

    // The program's store, $XDG_CONFIG_HOME/Mavo/Tallyer.json (~/.config by default), created on
    // first use.
    static clsRegistry &instance();

    // Texts read back from the store go through a buffer of this many bytes, terminating zero
    // included: a text of 16 384 UTF-8 bytes or more reads as missing.
    static constexpr qsizetype kTextBufferBytes = 16384;

    bool SetString(RegistryHive hKey, const QString &strSubKey, const QString &strValueName,
                   const QString &strValue);
    QString GetString(RegistryHive hKey, const QString &strSubKey, const QString &strValueName,
                      const QString &strDefault, bool &blnError) const;
    bool SetLong(RegistryHive hKey, const QString &strSubKey, const QString &strValueName,
                 qint32 lngValue);
    qint32 GetLong(RegistryHive hKey, const QString &strSubKey, const QString &strValueName,
                   qint32 lngDefault, bool &blnError) const;

    // Several values in one write: all of them are stored, or none. Each is a JSON string (a text
    // value) or an integer in the range of qint32 (a 32-bit value).
    bool SetValues(RegistryHive hKey, const QString &strSubKey, const QJsonObject &values);

    QString filePath() const { return m_filePath; }
    QString corruptFilePath() const { return m_filePath + QStringLiteral(".corrupt"); }

private:
    // The identity of one version of the file: device, inode, size, modification time (ns).
    struct FileStamp
    {
        qint64 device = 0;
        qint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const FileStamp &) const = default;
    };
    // The stamp of the file now; errorNumber is the failure of stat (0 when it worked).
    static FileStamp stampOf(const QString &path, bool &regular, int &errorNumber);

    enum class ReadState { Missing, Valid, Corrupt, TooLarge, Unreadable };

    // The document as last read or written, and the version of the file it came from.
    struct Cache
    {
        FileStamp stamp;
        ReadState state;
        QJsonObject root;
    };

    ReadState readDocument(QJsonObject &root) const;
    QJsonValue readValue(const QString &strSubKey, const QString &strValueName) const;
    bool writeValues(const QString &strSubKey, const QJsonObject &values);

    QString m_filePath;
    mutable std::optional<Cache> m_cache;
};
