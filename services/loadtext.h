#pragma once

#include <QString>
#include <QStringList>

// The program's user-visible texts. id is the English id (1005 ... 1499); the Russian text,
// id + 1000, is taken when the user's locale, read anew at every call (ReadLocaleLcid), is Russian
// (1049). replacements holds pairs: placeholder, replacement, ... applied in order, each replacing
// every occurrence; a pair with no replacement uses the empty text.
QString LoadText(int id, const QStringList &replacements = {});
