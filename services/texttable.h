#pragma once

#include <QMap>
#include <QString>

// The compiled-in string table (resources/texts/strings.tsv), parsed once on first use:
// id -> text, English ids 1005 ... 1499 and their Russian twins 2005 ... 2499. LoadText is the
// way to fetch a text; the table itself is exposed for the check that both languages are
// complete.
const QMap<int, QString> &textTable();

// The offset from an English text id to its Russian twin.
constexpr int kRussianTextOffset = 1000;
