// Start-up of the calculator as a whole program: one running copy, the locale check, and the
// settings written when the program is told to end.

#include "frmtallyer.h"
#include "globals.h"
#include "mavolabel3d.h"
#include "localevalues.h"
#include "messagesink.h"
#include "singlecopy.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString kProgram = QStringLiteral(TALLYER_PROGRAM_DIR "/tallyer");
const QString kKey = QStringLiteral("SOFTWARE\\Mavo\\Tallyer");

QJsonObject storedSettings()
{
    QFile file(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Mavo/Tallyer.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(kKey).toObject();
}

void writeSettings(const QJsonObject &values)
{
    const QString dir = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Mavo");
    QDir().mkpath(dir);
    QFile file(dir + QStringLiteral("/Tallyer.json"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QJsonObject root;
    root.insert(kKey, values);
    file.write(QJsonDocument(root).toJson());
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondCopyActivatesTheFirstAndEnds();
    void secondCopyOpensWhenAllowed();
    void refusedLocaleShowsItsMessageAndSaves_data();
    void refusedLocaleShowsItsMessageAndSaves();
    void acceptedLocaleStarts();

private:
    MessageSink m_oldSink;
    LocaleSource m_oldSource;
    QStringList m_messages;
};

void tst_Startup::init()
{
    m_messages.clear();
    m_oldSink = setMessageSink([this](const QString &text, MessageIcon) { m_messages << text; });
    m_oldSource = setLocaleSource([] {
        return LocaleSnapshot{QLocale(QLocale::English, QLocale::UnitedStates), true};
    });
    QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Mavo/Tallyer.json"));
}

void tst_Startup::cleanup()
{
    setMessageSink(m_oldSink);
    setLocaleSource(m_oldSource);
    resetProgramGlobals();
}

void tst_Startup::secondCopyActivatesTheFirstAndEnds()
{
    frmTallyer first;
    QVERIFY(first.Form_Load());
    auto *channel = first.findChild<SingleCopyChannel *>();
    QVERIFY(channel);
    QSignalSpy activated(channel, &SingleCopyChannel::activateRequested);
    first.showMinimized();

    QProcess second;
    second.start(kProgram, {});
    QVERIFY(second.waitForStarted());
    // The second copy finds the first, asks it to come forward and ends without a window.
    QTRY_COMPARE_WITH_TIMEOUT(activated.count(), 1, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 15000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_VERIFY(!first.isMinimized());
}

void tst_Startup::secondCopyOpensWhenAllowed()
{
    writeSettings({{"Available2", -1}, {"FormLeft", 300}, {"FormTop", 450}});
    frmTallyer first;
    QVERIFY(first.Form_Load());
    auto *channel = first.findChild<SingleCopyChannel *>();
    QSignalSpy activated(channel, &SingleCopyChannel::activateRequested);

    QProcess second;
    second.start(kProgram, {});
    QVERIFY(second.waitForStarted());
    // It opens a window of its own and keeps running; the first copy is left alone.
    QTRY_COMPARE_WITH_TIMEOUT(channel->otherCopies().size(), 1, 15000);
    QVERIFY(!second.waitForFinished(500));
    QCOMPARE(activated.count(), 0);

    // Asked to end as at logout, it closes the ordinary way and writes its settings.
    second.terminate();
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 15000);
    QCOMPARE(second.exitCode(), 0);
    const QJsonObject stored = storedSettings();
    QCOMPARE(stored.value("FullName").toString(), kProgram);
    QCOMPARE(stored.value("MemoryString").toString().count(u'|'), 11);
    QVERIFY(stored.contains("FormLeft"));
}

void tst_Startup::refusedLocaleShowsItsMessageAndSaves_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("message");
    // Arabic (Saudi Arabia) writes the Arabic decimal separator; Hindi (India) groups 12,34,567.
    QTest::newRow("decimal-separator") << QLocale(QLocale::Arabic, QLocale::SaudiArabia)
                                       << QStringLiteral("Non-standard decimal separator.");
    QTest::newRow("grouping") << QLocale(QLocale::Hindi, QLocale::India)
                              << QStringLiteral("Non-standard digits grouping.");
}

void tst_Startup::refusedLocaleShowsItsMessageAndSaves()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, message);
    setLocaleSource([locale] { return LocaleSnapshot{locale, true}; });

    frmTallyer w;
    QVERIFY(!w.Form_Load());
    QCOMPARE(m_messages.size(), 1);
    const QString text = m_messages.front();
    QVERIFY2(text.startsWith(QStringLiteral("LANGUAGE AND STANDARDS:\n\n") + message), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Mavo Tallyer\n")), qPrintable(text));
    // The settings are saved as at any other end.
    QCOMPARE(storedSettings().value("MemoryString").toString().count(u'|'), 11);
}

void tst_Startup::acceptedLocaleStarts()
{
    // "," decimal, "." grouping by three, "-" sign: a usable locale.
    setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::German, QLocale::Germany), true}; });
    frmTallyer w;
    QVERIFY(w.Form_Load());
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(w.lblRound->Caption(), QStringLiteral("Fix 2"));
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
