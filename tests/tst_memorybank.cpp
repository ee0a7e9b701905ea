#include "localescope.h"
#include "memorybank.h"

#include <QSignalSpy>
#include <QTest>

// The rules of the ten memory cells, each row a MemoryString loaded under a locale, a few
// operations, and the caption of the current cell and the MemoryString saved afterwards.
class tst_MemoryBank : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<QString>("separators"); // locale: decimal, then thousands separator
        QTest::addColumn<QString>("savedWith");  // MemorySeparators of the loaded string
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<int>("decimals");
        // "M 8.00" store, "MC", "M+ 1" and "M- 1" with that result, "select 7", "clear all"
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("caption"); // of the current cell
        QTest::addColumn<int>("overflows");
        QTest::addColumn<QString>("saved");

        const QString us = QStringLiteral(".,");
        QTest::newRow("store-into-chosen-cell-only") << us << us << "" << 2 << QStringList{"select 3", "M 8.00"}
                                                    << "M3\t8.00" << 0 << "M3|8.00|||8.00|||||||";
        QTest::newRow("clear-drops-the-tab") << us << us << "M2|1.00|1.00|2.00" << 2 << QStringList{"MC"}
                                             << "M2" << 0 << "M2||1.00|||||||||";
        QTest::newRow("store-empty-keeps-the-tab") << us << us << "" << 2 << QStringList{"MC", "M "}
                                                   << "M1\t" << 0 << "M1|||||||||||";
        QTest::newRow("add-to-empty-counts-zero") << us << us << "" << 0 << QStringList{"MC", "M+ 5"}
                                                  << "M1\t5" << 0 << "M1|5|5|||||||||";
        QTest::newRow("subtract-to-zero-empties-value") << us << us << "M1|5|5" << 0 << QStringList{"M- 5"}
                                                        << "M1\t" << 0 << "M1|||||||||||";
        QTest::newRow("subtract-takes-result-from-memory") << us << us << "M1|2.00|2.00" << 2 << QStringList{"M- 5"}
                                                           << "M1\t- 3.00" << 0 << "M1|- 3.00|- 3.00|||||||||";
        QTest::newRow("add-grouped-values") << us << us << "M4|1,234.50||||1,234.50" << 2 << QStringList{"M+ 1.00"}
                                            << "M4\t1,235.50" << 0 << "M4|1,235.50||||1,235.50||||||";
        // The thousands separator is a space here, so a "," left in the memory text is a decimal
        // symbol, which M+ turns into the locale's.
        QTest::newRow("add-reads-other-decimal-symbol") << ". " << ". " << "M1|0,5|0,5" << 2 << QStringList{"M+ 1"}
                                                        << "M1\t1.50" << 0 << "M1|1.50|1.50|||||||||";
        QTest::newRow("overflow-past-fifteen-digits")
            << us << us << "M1|999,999,999,999,999|999,999,999,999,999" << 0 << QStringList{"M+ 1"}
            << "M1\tError" << 1 << "M1|Error|Error|||||||||";
        QTest::newRow("error-overflows-again-until-stored") << us << us << "M1|Error|Error" << 0
                                                            << QStringList{"M- 1", "M+ 1", "M 1"}
                                                            << "M1\t1" << 2 << "M1|1|1|||||||||";
        QTest::newRow("select-shows-value-of-cell") << us << us << "M1|1|1|2|3" << 2 << QStringList{"select 2"}
                                                    << "M2\t2" << 0 << "M2|2|1|2|3|||||||";
        QTest::newRow("clear-all-keeps-current") << us << us << "M7|7|1|2|3|4|5|6|7|8|9|10" << 2
                                                 << QStringList{"clear all"} << "M7" << 0 << "M7|||||||||||";
        QTest::newRow("fourteen-fields-cut") << us << us << "M2|9.00|1|2|3|4|5|6|7|8|9|10|11|12" << 2
                                             << QStringList() << "M2\t2" << 0 << "M2|9.00|1|2|3|4|5|6|7|8|9|10";
        QTest::newRow("empty-panel-keeps-first-cell") << us << us << "M2||5.00|" << 2 << QStringList()
                                                      << "M1\t5.00" << 0 << "M1||5.00|||||||||";
        QTest::newRow("unknown-cell-falls-back-to-first") << us << us << "M11|3|4" << 2 << QStringList()
                                                          << "M1\t4" << 0 << "M1|3|4|||||||||";
        // Saved with "." decimals and "," grouping, read where "," is the decimal separator and
        // "." the grouping, and the other way round (the Russian grouping is a no-break space).
        QTest::newRow("saved-point-read-under-comma")
            << ",." << us << "M2|3,215.00|1,234,567.5|- 12.5|Error|3,215" << 2 << QStringList()
            << "M2\t- 12,5" << 0 << "M2|3.215,00|1.234.567,5|- 12,5|Error|3.215||||||";
        QTest::newRow("saved-comma-read-under-point")
            << us << QStringLiteral(",\u00a0") << QStringLiteral("M1|3\u00a0215,000|3\u00a0215,000|- 0,50") << 2
            << QStringList() << "M1\t3,215.000" << 0 << "M1|3,215.000|3,215.000|- 0.50||||||||";
        // Saved before the separators were recorded: read from the text where it tells, as the
        // locale reads it where it cannot (3,215 is 3215 grouped, or 3.215).
        QTest::newRow("unrecorded-separators-inferred")
            << us << "" << QStringLiteral("M1|1.234,5|1.234,5|1\u00a0234,5|3,215|12,5|0,500") << 2 << QStringList()
            << "M1\t1,234.5" << 0 << "M1|1,234.5|1,234.5|1,234.5|3,215|12.5|0.500|||||";
    }

    void rules()
    {
        QFETCH(QString, separators);
        QFETCH(QString, savedWith);
        QFETCH(QString, loaded);
        QFETCH(int, decimals);
        QFETCH(QStringList, steps);
        LocaleScope locale(separators.left(1), separators.mid(1), true);

        MemoryBank bank;
        QSignalSpy changed(&bank, &MemoryBank::changed);
        // The panel shows what the window would show: the restored panel, then each step's value.
        QString panel = bank.restore(loaded, savedWith).value_or(QString());
        int overflows = 0;
        for (const QString &step : std::as_const(steps)) {
            const QString argument = step.section(u' ', 1);
            const int before = changed.count();
            if (step.startsWith(QLatin1String("M+ ")) || step.startsWith(QLatin1String("M- "))) {
                const auto operation = step.startsWith(QLatin1String("M+")) ? MemoryBank::Operation::Add
                                                                             : MemoryBank::Operation::Subtract;
                const std::optional<QString> text = MemoryBank::combine(operation, argument, panel, decimals);
                overflows += text ? 0 : 1;
                bank.store(text.value_or(QStringLiteral("Error")));
            } else if (step.startsWith(QLatin1String("M "))) {
                bank.store(argument);
            } else if (step == QLatin1String("MC")) {
                bank.clear();
            } else if (step.startsWith(QLatin1String("select "))) {
                bank.select(argument.toInt());
            } else if (step == QLatin1String("clear all")) {
                bank.clearAll();
            } else {
                QFAIL(qPrintable(step));
            }
            QCOMPARE(changed.count(), before + 1);
            panel = bank.value(bank.current());
        }
        QTEST(bank.caption(bank.current()), "caption");
        QTEST(overflows, "overflows");
        QTEST(bank.memoryString(panel), "saved");
    }
};

QTEST_GUILESS_MAIN(tst_MemoryBank)
#include "tst_memorybank.moc"
