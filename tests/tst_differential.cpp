// The engine against its independent reference (bench/) on generated texts: a reduced run of
// bench_differential, which `make bench` runs on a million expressions.

#include "differentialcheck.h"

#include <QTest>

using Check = long long (*)(long long count, quint64 seed);
Q_DECLARE_METATYPE(Check)

class TestDifferential : public QObject
{
    Q_OBJECT

private slots:
    void noDifferences_data()
    {
        QTest::addColumn<Check>("check");
        QTest::addColumn<long long>("count");
        QTest::newRow("expressions-and-sheets") << &checkExpressions << 20000LL;
        QTest::newRow("running-subtotals") << &checkTapes << 2000LL;
        QTest::newRow("tape-model-edits") << &checkEdits << 2000LL;
    }
    void noDifferences()
    {
        QFETCH(Check, check);
        QFETCH(long long, count);
        QCOMPARE(check(count, 31), 0LL);
    }
};

QTEST_GUILESS_MAIN(TestDifferential)
#include "tst_differential.moc"
