// Start-up of the calculator as a whole program: one running copy, the locale check, the
// settings written when the program is told to end, and the tape kept between runs, opened and
// saved.

#include "frmtallyer.h"
#include "localevalues.h"
#include "messagesink.h"
#include "settings.h"
#include "singlecopy.h"
#include "calcfield.h"
#include "calcsession.h"
#include "mavolabel3d.h"
#include "tapeactions.h"
#include "tapestate.h"

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
        QDir(TapeStateFolder()).removeRecursively();
    }

    // What a copy that ends early, or changes nothing, must leave untouched: a kept tape of "7*6".
    static QByteArray keptTapeOfOtherRun()
    {
        return SaveTapeState({QStringLiteral("7*6"), 0, 0, {{QStringLiteral("7*6"), 0, 3, 2}}}) ? keptBytes() : QByteArray();
    }
    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    static QByteArray keptBytes()
    {
        QFile file(TapeStateFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void cleanup()
    {
        setMessageSink(m_oldSink);
        setLocaleSource(m_oldSource);
    }

    void secondCopy_data()
    {
        QTest::addColumn<bool>("allowed"); // the Available2 setting
        QTest::addColumn<bool>("withFile"); // started as `tallyer FILE`
        QTest::newRow("activates-the-first-and-ends") << false << false;
        QTest::newRow("opens-its-own-window-when-allowed") << true << false;
        QTest::newRow("hands-its-file-to-the-first") << false << true;
    }
    void secondCopy()
    {
        QFETCH(bool, allowed);
        QFETCH(bool, withFile);
        QTemporaryDir dir;
        const QString file = dir.filePath("march 5%.tape"); // sent percent-encoded
        QVERIFY(writeFile(file, "12+\n30\n"));
        QVERIFY(Settings::writeBool(Settings::Available2, allowed));
        frmTallyer first;
        QVERIFY(first.Form_Load());
        auto *channel = first.findChild<SingleCopyChannel *>();
        QVERIFY(channel);
        QSignalSpy activated(channel, &SingleCopyChannel::activateRequested);
        first.showMinimized();

        const QByteArray kept = keptTapeOfOtherRun();
        QVERIFY(!kept.isEmpty());
        QProcess second;
        second.start(kProgram, withFile ? QStringList{file} : QStringList());
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
        QTRY_COMPARE(first.findChild<CalcField *>()->Text(), withFile ? "12+\r\n30" : "");
        QCOMPARE(first.windowTitle(), withFile ? "march 5%.tape[*] - Mavo Tallyer" : "Mavo Tallyer");
        // The copy that had a window wrote its settings at the end; one that only activated the
        // first wrote nothing. Neither changed the tape, so neither wrote it.
        QCOMPARE(Settings::readText(Settings::FullName), allowed ? kProgram : QString());
        QCOMPARE(keptBytes(), kept);
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
        const QByteArray kept = keptTapeOfOtherRun();
        std::optional<frmTallyer> w(std::in_place);
        QCOMPARE(w->Form_Load(), message.isEmpty());
        QCOMPARE(m_messages.size(), message.isEmpty() ? 0 : 1);
        if (message.isEmpty())
            return;
        w.reset();
        QCOMPARE(keptBytes(), kept); // a refused start keeps nothing over the last run's tape
        const QString text = m_messages.front();
        QVERIFY2(text.startsWith(QStringLiteral("LANGUAGE AND STANDARDS:\n\n") + message), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Mavo Tallyer\n")), qPrintable(text));
        // The settings are saved as at any other end.
        QCOMPARE(Settings::readText(Settings::MemoryString).count(u'|'), 11);
    }

    // What a start does with a kept state it must not take as it is: rows edited by hand (a
    // formula, a NUL, a direction override, letters) come back cleaned as a paste is, a state that
    // a run did not survive is set aside, and a tape another window kept beside is named.
    void keptTapeChecked_data()
    {
        QTest::addColumn<QByteArray>("mark");    // of a run that restored the state and did not end
        QTest::addColumn<QString>("besideName"); // a tape kept beside, named in the state
        QTest::addColumn<QString>("told");       // in the message at start; empty: no message
        QTest::newRow("hand-edited-rows-cleaned") << QByteArray() << QString() << QString();
        QTest::newRow("run-that-did-not-end") << QByteArray("another-boot 1") << QString() << "did not end normally";
        QTest::newRow("tape-kept-beside-named") << QByteArray() << "beside.txt" << "kept as\n'" + TapeStateFolder() + "/beside.txt'";
    }
    void keptTapeChecked()
    {
        QFETCH(QByteArray, mark);
        QFETCH(QString, besideName);
        QFETCH(QString, told);
        const QString folder = TapeStateFolder() + '/';
        QVERIFY(writeFile(folder + "tape.json", QByteArray("{\"format\": \"tallyer-tape\", \"version\": 1, \"selStart\": 0, \"selLength\": 0, "
                                                       "\"rows\": [\"=HYPERLINK(\\\"http://x\\\";\\\"y\\\")+\", \"5\\u0000+\", \"\\u202e7\"], "
                                                       "\"history\": [{\"rows\": [\"ab12+3\"], \"selStart\": 0, \"selLength\": 0, \"round\": 2}], "
                                                       "\"beside\": \"NAME\"}").replace("NAME", besideName.toUtf8())));
        QVERIFY(writeFile(folder + "beside.txt", "1\n") && (mark.isEmpty() || writeFile(folder + "tape.json.run-1", mark)));
        frmTallyer w;
        QVERIFY(w.Form_Load());
        QVERIFY(!TapeStateFailedLastRun()); // this run's own mark is of a copy running
        QCOMPARE(w.findChild<CalcField *>()->Text(), mark.isEmpty() ? "=(//)+\r\n5+\r\n7" : QString());
        QCOMPARE(w.findChild<CalcSession *>()->history().entries().value(0).text, mark.isEmpty() ? "12+3" : QString());
        QVERIFY2(told.isEmpty() ? m_messages.isEmpty() : m_messages.size() == 1 && m_messages.front().contains(told), qPrintable(m_messages.join('|')));
    }

    // Ctrl+S asks for a name once; a refused file changes nothing and says why. Started again: the
    // same tape, caret, result and file, the undo ring starting there. With keeping off, nothing is kept.
    void tapeAcrossRuns()
    {
        QTemporaryDir dir;
        std::optional<frmTallyer> w(std::in_place);
        QVERIFY(w->Form_Load());
        auto *field = w->findChild<CalcField *>();
        auto *tape = w->findChild<TapeActions *>();
        QStringList asked;
        const QString answer = dir.filePath(QStringLiteral("first"));
        tape->setFileAsker([&](QWidget *, TapeActions::FileUse, const QString &title, const QString &, const QString &) {
            asked << title;
            return answer;
        });
        QTest::keyClicks(field, QStringLiteral("12+"));
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClicks(field, QStringLiteral("30"));
        QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier); // the name is known now
        QCOMPARE(asked.size(), 1);
        QFile saved(dir.filePath(QStringLiteral("first.tape"))); // the extension a tape is given
        QCOMPARE(saved.open(QIODevice::ReadOnly) ? saved.readAll() : QByteArray(), QByteArray("12+\n30\n"));

        QVERIFY(writeFile(dir.filePath(QStringLiteral("binary")), QByteArray("1\0002", 3)));
        QVERIFY(!tape->openFile(dir.filePath(QStringLiteral("binary"))));
        QCOMPARE(field->Text(), QStringLiteral("12+\r\n30"));
        QCOMPARE(m_messages.size(), 1);
        field->setSelStart(5);
        w->close();

        w.emplace();
        QVERIFY(w->Form_Load());
        field = w->findChild<CalcField *>();
        QCOMPARE(field->Text(), QStringLiteral("12+\r\n30"));
        QCOMPARE(field->SelStart(), 5);
        QCOMPARE(w->windowTitle(), "first.tape[*] - Mavo Tallyer"); // its file came back with it
        QCOMPARE(w->findChild<MavoLabel3D *>(QStringLiteral("lblResult"))->Caption(), QStringLiteral("42.00"));
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier); // nothing before the restored tape
        QCOMPARE(field->Text(), QStringLiteral("12+\r\n30"));

        Options off = Options::load();
        off.keepTape = false;
        QVERIFY(off.save());
        w.emplace();
        QVERIFY(w->Form_Load());
        QCOMPARE(w->findChild<CalcField *>()->Text(), QString());
        w->close();
        QVERIFY(!QFile::exists(TapeStateFilePath()) && !QFile::exists(TapeStateTextPath()));
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
