// Start-up of the calculator as a whole program: one running copy, the locale check, and the
// settings written when the program is told to end.

#include "frmtallyer.h"
#include "localevalues.h"
#include "messagesink.h"
#include "settings.h"
#include "singlecopy.h"

#include <QtTest>

static const QString kProgram = QStringLiteral(TALLYER_PROGRAM_DIR "/tallyer");

class tst_Startup : public QObject
{
    Q_OBJECT

    MessageSink m_oldSink;
    LocaleSource m_oldSource;
    QStringList m_messages;

private slots:
    void init()
    {
        m_messages.clear();
        m_oldSink = setMessageSink([this](const QString &text, MessageIcon) { m_messages << text; });
        m_oldSource = setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::English, QLocale::UnitedStates), true}; });
        QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Mavo/Tallyer.json"));
    }
    void cleanup()
    {
        setMessageSink(m_oldSink);
        setLocaleSource(m_oldSource);
    }

    void secondCopy_data()
    {
        QTest::addColumn<bool>("allowed"); // the Available2 setting
        QTest::newRow("activates-the-first-and-ends") << false;
        QTest::newRow("opens-its-own-window-when-allowed") << true;
    }
    void secondCopy()
    {
        QFETCH(bool, allowed);
        QVERIFY(Settings::writeBool(Settings::Available2, allowed));
        frmTallyer first;
        QVERIFY(first.Form_Load());
        auto *channel = first.findChild<SingleCopyChannel *>();
        QVERIFY(channel);
        QSignalSpy activated(channel, &SingleCopyChannel::activateRequested);
        first.showMinimized();

        QProcess second;
        second.start(kProgram, {});
        if (allowed) {
            // It keeps running beside the first, which is left alone; asked to end as at logout, it
            // closes the ordinary way.
            QTRY_COMPARE_WITH_TIMEOUT(channel->otherCopies().size(), 1, 15000);
            QVERIFY(!second.waitForFinished(500));
            second.terminate();
        }
        // Not allowed, the second copy finds the first, asks it to come forward and ends without a window.
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 15000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE(activated.count(), allowed ? 0 : 1);
        QTRY_COMPARE(first.isMinimized(), allowed);
        // The copy that had a window wrote its settings at the end.
        QCOMPARE(Settings::readText(Settings::FullName), allowed ? kProgram : QString());
    }

    void localeCheck_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("message"); // empty: the locale is accepted
        // Arabic (Saudi Arabia) writes the Arabic decimal separator; Hindi (India) groups 12,34,567.
        QTest::newRow("decimal-separator")
            << QLocale(QLocale::Arabic, QLocale::SaudiArabia) << QString("Non-standard decimal separator.");
        QTest::newRow("grouping") << QLocale(QLocale::Hindi, QLocale::India) << QString("Non-standard digits grouping.");
        // "," decimal, "." grouping by three, "-" sign: a usable locale.
        QTest::newRow("german-accepted") << QLocale(QLocale::German, QLocale::Germany) << QString();
    }
    void localeCheck()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, message);
        setLocaleSource([locale] { return LocaleSnapshot{locale, true}; });
        frmTallyer w;
        QCOMPARE(w.Form_Load(), message.isEmpty());
        QCOMPARE(m_messages.size(), message.isEmpty() ? 0 : 1);
        if (message.isEmpty())
            return;
        const QString text = m_messages.front();
        QVERIFY2(text.startsWith(QStringLiteral("LANGUAGE AND STANDARDS:\n\n") + message), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Mavo Tallyer\n")), qPrintable(text));
        // The settings are saved as at any other end.
        QCOMPARE(Settings::readText(Settings::MemoryString).count(u'|'), 11);
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
