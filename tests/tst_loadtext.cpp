#include "localescope.h"

#include <loadtext.h>
#include <texttable.h>

#include <QtTest>

// The texts and the language choice: the quoted texts come back exactly, placeholders are filled
// in order, and the language follows the platform's locale at every call (each row installs its
// own).
class TestLoadText : public QObject
{
    Q_OBJECT

private slots:
    void fillsPlaceholders_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("id");
        QTest::addColumn<QStringList>("pairs");
        QTest::addColumn<QString>("expected");
        const QString nbsp(QChar(0x00A0));
        QTest::newRow("f1-hint-no-break-spaces")
            << "en_US" << 1005 << QStringList{"|1", nbsp} << QString("Press%1F1%1for%1help").arg(nbsp);
        QTest::newRow("empty-list-gives-raw-text")
            << "en_US" << 1381 << QStringList{} << QString("Help file:|1'|2'|1not accessible");
        QTest::newRow("help-missing-russian")
            << "ru_RU" << 1381 << QStringList{"|1", "\n\t", "|2", "/opt/t/tallyerRu.html"}
            << QString("Файл справки:\n\t'/opt/t/tallyerRu.html'\n\tне найден");
        QTest::newRow("odd-list-last-placeholder-becomes-empty")
            << "en_US" << 1381 << QStringList{"|1", " ", "|2"} << QString("Help file: '' not accessible");
        // The bars of "| value |" are not placeholders and stay untouched.
        QTest::newRow("bars-without-digit-are-text")
            << "en_US" << 1140 << QStringList{"|1", "X", "|2", "Y"} << QString("| value |  < 999 999 999 999.995");
        QTest::newRow("pairs-applied-in-order") << "en_US" << 1160 << QStringList{"|1", "|2", "|2", "-"}
            << QString("Overflow of memory -Press 'MC' or 'M'");
        // A path holding the placeholder it replaces is inserted once and kept as it is.
        QTest::newRow("path-containing-its-own-placeholder")
            << "en_US" << 1151 << QStringList{"|1", "\n", "|2", "/tmp/a|2b.txt"}
            << QString("Error of the procedure 'value in words'\nSource file name:\n\n'/tmp/a|2b.txt'");
        QTest::newRow("other-locale-is-english") << "de_DE" << 1390 << QStringList{} << QString("History");
    }
    void fillsPlaceholders()
    {
        QFETCH(QString, locale);
        QFETCH(int, id);
        QFETCH(QStringList, pairs);
        const auto source = useLocaleSource(QLocale(locale));
        QTEST(LoadText(id, pairs), "expected");
    }

    // Every text is there in both languages, English below 2000 and its Russian 1000 above; each
    // pair has the same placeholders, and each Russian text (apart from the maker's line and
    // address) is Russian.
    void tableHoldsEveryTextInBothLanguages()
    {
        const QMap<int, QString> &table = textTable();
        const QList<int> keys = table.keys(), ids = keys.mid(0, keys.size() / 2); // as many of each
        QVERIFY(keys.size() % 2 == 0 && !ids.isEmpty() && ids.last() < 2000 && keys.at(ids.size()) >= 2000);
        const auto placeholders = [](const QString &text) { // "|1" twice and "|2" once: {"|1","|1","|2"}
            static const QRegularExpression re(QStringLiteral("\\|[0-9]"));
            QStringList found;
            for (const QRegularExpressionMatch &m : re.globalMatch(text))
                found << m.captured();
            found.sort();
            return found;
        };
        static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
        for (int id : ids) {
            const int ru = id + 1000;
            QVERIFY2(table.contains(id) && table.contains(ru), qPrintable(QString("missing %1 or %2").arg(id).arg(ru)));
            QVERIFY2(!table[id].trimmed().isEmpty() && !table[ru].trimmed().isEmpty(), qPrintable(QString::number(id)));
            QVERIFY2(placeholders(table[id]) == placeholders(table[ru]), qPrintable(QString::number(id)));
            QVERIFY2(ru == 2310 || ru == 2320 || table[ru].contains(cyrillic), qPrintable(QString::number(ru)));
        }
    }
};

QTEST_GUILESS_MAIN(TestLoadText)
#include "tst_loadtext.moc"
