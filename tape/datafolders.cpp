#include "datafolders.h"

#include "filenames.h"

#include <QDir>
#include <QStandardPaths>

// TALLYER_DATA_FROM_BIN (the data folder relative to the folder of the executables) and
// TALLYER_INSTALL_DATADIR (the same as an absolute path) come from the build.
#ifndef TALLYER_DATA_FROM_BIN
#define TALLYER_DATA_FROM_BIN "../share/tallyer"
#endif
#ifndef TALLYER_INSTALL_DATADIR
#define TALLYER_INSTALL_DATADIR "/usr/local/share/tallyer"
#endif

namespace {

const QString kSubFolder = QStringLiteral("tallyer");

} // namespace

QString UserDataFolder()
{
    // XDG_DATA_HOME, or ~/.local/share when it is unset or not an absolute path.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/')
        + kSubFolder;
}

QStringList DataFolders(const QString &programFolder)
{
    QStringList folders{QDir::cleanPath(programFolder)};
    // The user's folder first, then XDG_DATA_DIRS (relative entries are dropped, an empty or
    // unset variable means /usr/local/share:/usr/share).
    for (const QString &base : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir::cleanPath(base + QLatin1Char('/') + kSubFolder);
    folders << QDir::cleanPath(programFolder + QStringLiteral("/" TALLYER_DATA_FROM_BIN))
            << QDir::cleanPath(QStringLiteral(TALLYER_INSTALL_DATADIR));
    folders.removeDuplicates();
    return folders;
}

QString FindDataFile(const QString &name, const QStringList &folders)
{
    if (name.isEmpty())
        return {};
    for (const QString &folder : folders) {
        const QString path = folder + QLatin1Char('/') + name;
        if (IsReadableRegularFile(path))
            return path;
    }
    return {};
}

QString DataFilePath(const QString &name, const QString &programFolder)
{
    if (name.contains(QLatin1Char('/')))
        return name;
    const QString found = FindDataFile(name, DataFolders(programFolder));
    return found.isEmpty() ? QDir::cleanPath(programFolder) + QLatin1Char('/') + name : found;
}
