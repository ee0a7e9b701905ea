#pragma once

#include <QString>
#include <QStringList>

// Where the program's data files (words files, help files) are found. A data file is named by
// its bare name (the InWordsFile setting, "tallyerEn.html") and looked up in these folders, the
// first that holds a readable file of that name winning:
//  1. the program's own folder, so a build tree (build/bin) or a copied folder keeps working;
//  2. the user's data folder, $XDG_DATA_HOME/tallyer (~/.local/share/tallyer), for the user's
//     own words files;
//  3. tallyer/ in each folder of $XDG_DATA_DIRS (/usr/local/share and /usr/share by default);
//  4. the folder the build installs the data into: first as seen from the program's folder
//     (bin/../share/tallyer, so an installed tree can be moved or staged), then as the absolute
//     path the build was configured with.
QStringList DataFolders(const QString &programFolder);

// The user's data folder ($XDG_DATA_HOME/tallyer). It may not exist yet.
QString UserDataFolder();

// The full path of the first readable regular file name in folders; empty when none has it.
QString FindDataFile(const QString &name, const QStringList &folders);

// The path a data file is read from, for the program in programFolder: a name with a folder
// in it is taken as it is; a bare name is looked up in DataFolders(); when no folder has it, the
// program's folder and the name, which is where the messages say it was expected.
QString DataFilePath(const QString &name, const QString &programFolder);
