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

    // Every documented text is there in both languages and nothing else is; each pair has the same
    // placeholders, and each Russian text (apart from the maker's line and address) is Russian.
    void tableHoldsEveryTextInBothLanguages()
    {
        QList<int> ids{1005, 1006, 1010, 1020, 1030, 1040, 1045, 1050, 1060, 1065, 1070, 1080,
                       1090, 1100, 1105, 1110, 1120, 1130, 1140, 1150, 1151, 1152, 1153, 1154,
                       1160, 1170, 1180, 1190, 1200, 1205, 1210, 1220, 1230, 1240, 1241, 1250,
                       1251, 1260, 1261, 1265, 1266, 1267, 1270, 1280, 1290, 1300, 1310, 1320,
                       1370, 1380, 1381, 1390, 1400, 1410, 1420, 1421, 1422};
        for (int id = 1430; id <= 1459; ++id) // assistive tools; the tape's file types; the kept tape
            ids << id;
        for (int id = 1470; id <= 1489; ++id) // tapes: files, the printed page, the option, the menu
            ids << id;
        for (int id = 1490; id <= 1499; ++id) // why a result is blank; a tape kept beside
            ids << id;
        ids << 1460; // the text colour beside the font
        for (int id = 1461; id <= 1469; ++id) // confirmations spoken to screen readers; the kept tape
            ids << id;
        const QMap<int, QString> &table = textTable();
        QCOMPARE(table.size(), ids.size() * 2);
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
