// What assistive tools see of the main window: every push-label a named button with a hint and
// actions that do what a click does, in both languages, and the result announced once the user
// pauses, not at every key.

#include "windowtest.h"

#include <accessibility.h>
#include <calcfield.h>
#include <messagesink.h>

#include <QAccessible>
#include <QClipboard>
#include <QRegularExpression>
#include <QSignalSpy>

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

QStringList actions(MavoLabel3D *label)
{
    return QAccessible::queryAccessibleInterface(label)->actionInterface()->actionNames();
}

void act(MavoLabel3D *label, int index)
{
    QAccessible::queryAccessibleInterface(label)->actionInterface()->doAction(actions(label).value(index));
}

} // namespace

class TestAccessibility : public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(useTemporaryFolders());
        setMessageSink([](const QString &, MessageIcon) {});
    }
    void init()
    {
        QVERIFY(emptyStore());
        useLocale(kUs);
    }
    void cleanup() { resetProgramGlobals(); }

    void pushLabels_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("names"); // of lblMoveSize, lblMemMenu, lblRound, lblOptions
        QTest::newRow("english") << kUs
                                 << QStringList{"Show memory buttons", "Memory cell 1", "Rounding: 2 decimals", "Options"};
        QTest::newRow("russian") << QLocale(QLocale::Russian, QLocale::Russia)
                                 << QStringList{"Показать кнопки памяти", "Ячейка памяти 1", "Округление: 2 знака", "Настройки"};
    }
    void pushLabels()
    {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, names);
        useLocale(locale);
        auto w = openWindow();
        QVERIFY(w);
        g_strInWordsFile = QStringLiteral(TALLYER_PROGRAM_DIR "/InWordsDollars eng.txt");
        const bool russian = locale.language() == QLocale::Russian;
        static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
        const QList<MavoLabel3D *> labels = {w->lblMoveSize, w->lblMemMenu, w->lblRound, w->lblOptions, w->lblResult,
                                              w->lblMemory, w->lblM, w->lblMC, w->lblMR, w->lblMPlus, w->lblMMinus};
        for (qsizetype i = 0; i < labels.size(); ++i) {
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(labels[i]);
            const QString name = iface->text(QAccessible::Name);
            const QString description = iface->text(QAccessible::Description);
            QVERIFY2(iface->role() == QAccessible::Button, qPrintable(labels[i]->objectName()));
            QVERIFY2(name.contains(cyrillic) == russian && description.contains(cyrillic) == russian, qPrintable(name));
            if (i < names.size())
                QCOMPARE(name, names[i]);
            // The strip is folded away: its buttons are not showing and offer nothing to press.
            const bool strip = i >= 6;
            QCOMPARE(iface->state().invisible, strip);
            QCOMPARE(actions(labels[i]).value(0), strip ? QString() : QAccessibleActionInterface::pressAction());
        }

        // ">>" unfolds the strip, as a click does.
        act(w->lblMoveSize, 0);
        QTRY_COMPARE(w->lblMoveSize->Caption(), QStringLiteral("<<"));
        QVERIFY(!QAccessible::queryAccessibleInterface(w->lblM)->state().invisible);
        QTest::keyClicks(w->boxCalc, QStringLiteral("6*7"));
        act(w->lblM, 0);
        QTRY_COMPARE(w->lblMemory->Caption(), russian ? QStringLiteral("42,00") : QStringLiteral("42.00"));
        QTest::keyClicks(w->boxCalc, QStringLiteral("+"));
        act(w->lblMR, 0);
        QTRY_COMPARE(w->boxCalc->Text(), QStringLiteral("6*7+42"));
        // Fix: the left button adds a decimal, the right one takes one away.
        QCOMPARE(actions(w->lblRound).size(), 2);
        act(w->lblRound, 0);
        QTRY_COMPARE(w->lblRound->Caption(), QStringLiteral("Fix 3"));
        act(w->lblRound, 1);
        QTRY_COMPARE(w->lblRound->Caption(), QStringLiteral("Fix 2"));
        // The memory panel copies in digits, and in words with its second action.
        act(w->lblMemory, 0);
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("42"));
        act(w->lblMemory, 1);
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Forty two dollars 00 cents"));

        QAccessibleInterface *mc = QAccessible::queryAccessibleInterface(w->lblMC);
        w->lblMC->GoDown();
        QVERIFY(mc->state().pressed);
        w->lblMC->setEnabledFlag(false);
        QVERIFY(mc->state().disabled);
        QVERIFY(actions(w->lblMC).isEmpty());
    }

    // Typing a number key by key changes the result at every key; it is announced once, after
    // the pause, as the panel shows it: a notification that comes up with the words as its name.
    void resultAnnouncedOncePerPause()
    {
        auto w = openWindow();
        QVERIFY(w);
        auto *announcer = w->findChild<ResultAnnouncer *>();
        QVERIFY(announcer);
        QSignalSpy announced(announcer, &ResultAnnouncer::announced);
        QTest::keyClicks(w->boxCalc, QStringLiteral("1607.5"));
        QCOMPARE(w->lblResult->Caption(), QStringLiteral("1,607.50"));
        QCOMPARE(announced.count(), 0);
        QTRY_COMPARE(announced.count(), 1);
        QCOMPARE(announced[0][0].toString(), QStringLiteral("1,607.50"));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(announcer);
        QCOMPARE(iface->role(), QAccessible::Notification);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("1,607.50"));
        QVERIFY(!iface->state().invisible);

        QTest::keyClick(w->boxCalc, Qt::Key_Plus);
        QTRY_COMPARE(announced.count(), 2);
        QCOMPARE(announced[1][0].toString(), QStringLiteral("no result"));
        // A change that comes back to what was said last is not said again.
        QTest::keyClicks(w->boxCalc, QStringLiteral("1"));
        QTest::keyClick(w->boxCalc, Qt::Key_Backspace);
        const auto *pause = announcer->findChild<QTimer *>();
        QVERIFY(pause && pause->isActive());
        QTRY_VERIFY(!pause->isActive());
        QCOMPARE(announced.count(), 2);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
