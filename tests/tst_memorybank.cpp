#include "localescope.h"
#include "memorybank.h"

#include <QTest>

// The memory cells' rules: a MemoryString loaded, a few operations, the current caption and the string saved.
class tst_MemoryBank : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<QString>("separators"); // of the locale: decimal, then thousands
        QTest::addColumn<QString>("savedWith"); // MemorySeparators of the loaded string
        QTest::addColumn<QString>("loaded");
        // "M 8.00" store, "MC", "M+ 1" / "M- 1" with that result at 2 decimals, "select 7", "clear all"
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("caption"); // of the current cell
        QTest::addColumn<QString>("saved");

        // Values saved and read with "." decimals and "," grouping unless a row says otherwise.
        auto row = [](const char *name, const QString &loaded, const QStringList &steps,
                      const char *separators = ".,", const char *savedWith = ".,") -> QTestData & {
            return QTest::newRow(name) << QString::fromUtf8(separators) << QString::fromUtf8(savedWith) << loaded
                                       << steps;
        };
        row("store-into-chosen-cell-only", "", {"select 3", "M 8.00"}) << "M3\t8.00" << "M3|8.00|||8.00|||||||";
        row("clear-drops-the-tab", "M2|1.00|1.00|2.00", {"MC"}) << "M2" << "M2||1.00|||||||||";
        row("store-empty-keeps-the-tab", "", {"MC", "M "}) << "M1\t" << "M1|||||||||||";
        row("add-to-empty-counts-zero", "", {"MC", "M+ 5"}) << "M1\t5.00" << "M1|5.00|5.00|||||||||";
        row("subtract-takes-result-from-memory", "M1|2.00|2.00", {"M- 5"})
            << "M1\t- 3.00" << "M1|- 3.00|- 3.00|||||||||";
        row("add-grouped-values", "M4|1,234.50||||1,234.50", {"M+ 1.00"})
            << "M4\t1,235.50" << "M4|1,235.50||||1,235.50||||||";
        row("clear-all-keeps-current", "M7|7|1|2|3|4|5|6|7|8|9|10", {"clear all"}) << "M7" << "M7|||||||||||";
        row("fourteen-fields-cut", "M2|9.00|1|2|3|4|5|6|7|8|9|10|11|12", {})
            << "M2\t2" << "M2|9.00|1|2|3|4|5|6|7|8|9|10";
        row("empty-panel-keeps-first-cell", "M2||5.00|", {}) << "M1\t5.00" << "M1||5.00|||||||||";
        row("unknown-cell-falls-back-to-first", "M11|3|4", {}) << "M1\t4" << "M1|3|4|||||||||";
        // With a space for grouping, a "," left in the memory text is a decimal symbol; M+ reads it.
        row("add-reads-other-decimal-symbol", "M1|0,5|0,5", {"M+ 1"}, ". ", ". ")
            << "M1\t1.50" << "M1|1.50|1.50|||||||||";
        // Read under the other locale's separators, both ways (the Russian grouping is a no-break space).
        row("saved-point-read-under-comma", "M2|3,215.00|1,234,567.5|- 12.5|Error|3,215", {}, ",.")
            << "M2\t- 12,5" << "M2|3.215,00|1.234.567,5|- 12,5|Error|3.215||||||";
        row("saved-comma-read-under-point", QStringLiteral("M1|3\u00a0215,000|3\u00a0215,000|- 0,50"), {}, ".,",
            ",\u00a0") << "M1\t3,215.000" << "M1|3,215.000|3,215.000|- 0.50||||||||";
        // Saved before separators were recorded: as the text tells, else as the locale reads it (3,215).
        row("unrecorded-separators-inferred", QStringLiteral("M1|1.234,5|1.234,5|1\u00a0234,5|3,215|12,5|0,500"), {},
            ".,", "") << "M1\t1,234.5" << "M1|1,234.5|1,234.5|1,234.5|3,215|12.5|0.500|||||";
    }

    void rules()
    {
        QFETCH(QString, separators);
        QFETCH(QString, savedWith);
        QFETCH(QString, loaded);
        QFETCH(QStringList, steps);
        const LocaleValues locale = testLocale(separators.left(1), separators.mid(1), true);

        MemoryBank bank;
        // The panel shows what the window would show: the restored panel, then each step's value.
        QString panel = bank.restore(loaded, savedWith, locale).value_or(QString());
        for (const QString &step : std::as_const(steps)) {
            const QString argument = step.section(u' ', 1);
            if (step.startsWith(u"M+") || step.startsWith(u"M-")) {
                const auto operation = step[1] == u'+' ? MemoryBank::Operation::Add : MemoryBank::Operation::Subtract;
                // No value is an overflow, on which the window stores "Error".
                bank.store(MemoryBank::combine(operation, argument, panel, 2, locale).value_or(QStringLiteral("Error")));
            } else if (step == u"MC") {
                bank.clear();
            } else if (step.startsWith(u"M ")) {
                bank.store(argument);
            } else if (step.startsWith(u"select ")) {
                bank.select(argument.toInt());
            } else {
                bank.clearAll();
            }
            panel = bank.value(bank.current());
        }
        QTEST(bank.caption(bank.current()), "caption");
        QTEST(bank.memoryString(panel), "saved");
    }
};

QTEST_GUILESS_MAIN(tst_MemoryBank)
#include "tst_memorybank.moc"
