#include <loadtext.h>
#include <texttable.h>

#include <localevalues.h>

#include <QRegularExpression>
#include <QScopeGuard>
#include <QtTest>

// The texts and the language choice: the quoted texts come back exactly, placeholders are filled
// in order, and the language follows the locale identifier at every call.
class TestLoadText : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_savedLcid = localeValues().lcid; }
    void cleanup() { localeValues().lcid = m_savedLcid; }

    void fillsPlaceholders_data();
    void fillsPlaceholders();
    void languageFollowsLoadLocaleSettings();
    void everyEnglishTextHasItsRussianTwin();
    void everyDocumentedIdIsPresent();

private:
    int m_savedLcid = 0;
};

void TestLoadText::fillsPlaceholders_data()
{
    QTest::addColumn<int>("lcid");
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("pairs");
    QTest::addColumn<QString>("expected");

    const QString nbsp(QChar(0x00A0));
    QTest::newRow("f1-hint-english-no-break-spaces")
        << kLcidEnglish << 1005 << QStringList{"|1", nbsp}
        << QString("Press%1F1%1for%1help").arg(nbsp);
    QTest::newRow("f1-hint-russian-no-break-spaces")
        << kLcidRussian << 1005 << QStringList{"|1", nbsp}
        << QString("Для%1справки%1нажмите%1F1").arg(nbsp);
    QTest::newRow("empty-list-gives-raw-text")
        << kLcidEnglish << 1381 << QStringList{} << QString("Help file:|1'|2'|1not accessible");
    QTest::newRow("help-missing-english")
        << kLcidEnglish << 1381 << QStringList{"|1", "\n\t", "|2", "/opt/t/tallyerEn.html"}
        << QString("Help file:\n\t'/opt/t/tallyerEn.html'\n\tnot accessible");
    QTest::newRow("help-missing-russian")
        << kLcidRussian << 1381 << QStringList{"|1", "\n\t", "|2", "/opt/t/tallyerRu.html"}
        << QString("Файл справки:\n\t'/opt/t/tallyerRu.html'\n\tне найден");
    QTest::newRow("odd-list-last-placeholder-becomes-empty")
        << kLcidEnglish << 1381 << QStringList{"|1", " ", "|2"}
        << QString("Help file: '' not accessible");
    QTest::newRow("limit-error-russian-as-quoted")
        << kLcidRussian << 1150 << QStringList{"|1", "\n"}
        << QString("Ошибка процедуры 'число прописью'\nДля обработки должно быть:\n\n"
                   "| число | < 999 999 999 999.995");
    QTest::newRow("limit-error-english-as-quoted")
        << kLcidEnglish << 1150 << QStringList{"|1", "\n"}
        << QString("Error of the procedure 'value in words'\nFor processings should be:\n\n"
                   "| value | < 999 999 999 999.995");
    // The bars of "| value |" are not placeholders and stay untouched.
    QTest::newRow("bars-without-digit-are-text")
        << kLcidEnglish << 1140 << QStringList{"|1", "X", "|2", "Y"}
        << QString("| value |  < 999 999 999 999.995");
    QTest::newRow("memory-overflow-two-lines")
        << kLcidEnglish << 1160 << QStringList{"|1", "\n"} << QString("Overflow of memory \nPress 'MC' or 'M'");
    QTest::newRow("pairs-applied-in-order")
        << kLcidEnglish << 1160 << QStringList{"|1", "|2", "|2", "-"}
        << QString("Overflow of memory -Press 'MC' or 'M'");
    // A path holding the placeholder it replaces is inserted once and kept as it is.
    QTest::newRow("path-containing-its-own-placeholder")
        << kLcidEnglish << 1151 << QStringList{"|1", "\n", "|2", "/tmp/a|2b.txt"}
        << QString("Error of the procedure 'value in words'\nSource file name:\n\n'/tmp/a|2b.txt'");
    QTest::newRow("locale-setup-message-two-placeholders")
        << kLcidEnglish << 1200 << QStringList{"|1", "\n", "|2", "Mavo Tallyer\n"}
        << QString("Non-standard decimal separator.\nFor normal work Mavo Tallyer\n"
                   " it is necessary to use '.' or ','.");
    QTest::newRow("other-locale-is-english")
        << 1031 << 1390 << QStringList{} << QString("History");
    QTest::newRow("history-russian-as-quoted")
        << kLcidRussian << 1390 << QStringList{} << QString("История выражений");
}

void TestLoadText::fillsPlaceholders()
{
    QFETCH(int, lcid);
    QFETCH(int, id);
    QFETCH(QStringList, pairs);
    QFETCH(QString, expected);

    localeValues().lcid = lcid;
    QCOMPARE(LoadText(id, pairs), expected);
}

void TestLoadText::languageFollowsLoadLocaleSettings()
{
    const LocaleValues saved = localeValues();
    LocaleSource old = setLocaleSource([] {
        return LocaleSnapshot{QLocale(QLocale::Russian, QLocale::Russia), true};
    });
    auto restore = qScopeGuard([&] {
        setLocaleSource(old);
        localeValues() = saved;
    });

    LoadLocaleSettings();
    QCOMPARE(LoadText(1400), QString("Очистить все"));

    setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::German, QLocale::Germany), true}; });
    LoadLocaleSettings();
    QCOMPARE(LoadText(1400), QString("Clears all"));
}

// Placeholders of a text, counted: "|1" twice and "|2" once gives {"|1","|1","|2"}.
static QStringList placeholdersOf(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("\\|[0-9]"));
    QStringList found;
    for (const QRegularExpressionMatch &m : re.globalMatch(text))
        found << m.captured();
    found.sort();
    return found;
}

void TestLoadText::everyEnglishTextHasItsRussianTwin()
{
    const QMap<int, QString> &table = textTable();
    QVERIFY(!table.isEmpty());
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const int id = it.key();
        QVERIFY2((id >= 1005 && id <= 1400) || (id >= 2005 && id <= 2400),
                 qPrintable(QString("id %1 out of both ranges").arg(id)));
        QVERIFY2(!it.value().trimmed().isEmpty(), qPrintable(QString("id %1 is empty").arg(id)));
        const int twin = id < 2000 ? id + kRussianTextOffset : id - kRussianTextOffset;
        QVERIFY2(table.contains(twin), qPrintable(QString("id %1 has no twin %2").arg(id).arg(twin)));
        QVERIFY2(placeholdersOf(it.value()) == placeholdersOf(table.value(twin)),
                 qPrintable(QString("placeholders of %1 and %2 differ").arg(id).arg(twin)));
        if (id >= 2005 && id != 2310 && id != 2320) {
            // Each Russian text (apart from the maker's line and address) is really Russian.
            static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
            QVERIFY2(it.value().contains(cyrillic),
                     qPrintable(QString("id %1 has no Russian text").arg(id)));
        }
    }
}

void TestLoadText::everyDocumentedIdIsPresent()
{
    const QList<int> ids{1005, 1006, 1010, 1020, 1030, 1040, 1045, 1050, 1060, 1065, 1070, 1080,
                         1090, 1100, 1105, 1110, 1120, 1130, 1140, 1150, 1151, 1152, 1153, 1154,
                         1160, 1170, 1180, 1190, 1200, 1205, 1210, 1220, 1230, 1240, 1241, 1250,
                         1251, 1260, 1261, 1265, 1266, 1267, 1270, 1280, 1290, 1300, 1310, 1320,
                         1370, 1380, 1381, 1390, 1400};
    const QMap<int, QString> &table = textTable();
    for (int id : ids) {
        QVERIFY2(table.contains(id), qPrintable(QString("missing %1").arg(id)));
        QVERIFY2(table.contains(id + kRussianTextOffset),
                 qPrintable(QString("missing %1").arg(id + kRussianTextOffset)));
    }
    QCOMPARE(table.size(), ids.size() * 2);
}

QTEST_GUILESS_MAIN(TestLoadText)
#include "tst_loadtext.moc"
