#include "loadtext.h"
#include "textid.h"

#include "texttable.h"

#include <localevalues.h>

#include <QFile>

namespace {

QMap<int, QString> parseTable()
{
    QMap<int, QString> table;
    QFile file(QStringLiteral(":/texts/strings.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return table;
    const QString content = QString::fromUtf8(file.readAll());
    const QStringList lines = content.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (ok && !table.contains(id))
            table.insert(id, line.mid(tab + 1));
    }
    return table;
}

} // namespace

const QMap<int, QString> &textTable()
{
    static const QMap<int, QString> table = parseTable();
    return table;
}

QString LoadText(int id, const QStringList &replacements)
{
    // The language is chosen anew at every call, so a change of the regional settings shows in
    // the next message.
    const int tableId = ReadLocaleLcid() == kLcidRussian ? id + kRussianTextOffset : id;
    QString text = textTable().value(tableId);

    // Each placeholder is replaced in one pass over the text. Text that a replacement brings in
    // is never searched again for the same placeholder, so a file path that happens to contain
    // "|2" cannot make this loop forever.
    for (qsizetype i = 0; i < replacements.size(); i += 2) {
        const QString &placeholder = replacements.at(i);
        if (placeholder.isEmpty())
            continue;
        const QString replacement = i + 1 < replacements.size() ? replacements.at(i + 1) : QString();
        text.replace(placeholder, replacement);
    }
    return text;
}

QString Text(TextId id, std::initializer_list<QString> values)
{
    QStringList pairs;
    int n = 0;
    for (const QString &value : values)
        pairs << QStringLiteral("|%1").arg(++n) << value;
    return LoadText(static_cast<int>(id), pairs);
}
