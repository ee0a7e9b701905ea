#include <helplinks.h>
#include <loadtext.h>
#include <messageboxsink.h>
#include <showhelp.h>

#include <localevalues.h>
#include <messagesink.h>

#include <QAbstractTextDocumentLayout>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Requests = QList<std::pair<int, int>>; // interface language, help topic

// The interface language the texts are taken in (the platform's locale as the program sees it).
void useLanguage(int lcid)
{
    const QLocale locale(lcid == kLcidRussian ? QLocale::Russian : QLocale::English);
    setLocaleSource([locale] { return LocaleSnapshot{locale, true}; });
}

// Top of the text block that carries the named anchor, in document coordinates; -1 if none.
qreal anchorTop(QTextBrowser *browser, const QString &name)
{
    QTextDocument *doc = browser->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().anchorNames().contains(name))
                return doc->documentLayout()->blockBoundingRect(block).top();
        }
    }
    return -1;
}

} // namespace

// Help and message boxes. Nothing here may wait for a person: the missing-file message goes
// through a test sink, and the one real message box is answered by a timer.
class TestShowHelp : public QObject
{
    Q_OBJECT

    QList<QPair<QString, MessageIcon>> m_shown;
    QTemporaryDir m_dir;
    static bool writeFile(const QString &path, const QByteArray &bytes);
    MessageSink m_oldSink;
    LocaleSource m_oldSource;

private slots:
    void init()
    {
        m_shown.clear();
        m_oldSource = setLocaleSource({});
        useLanguage(kLcidEnglish);
        m_oldSink = setMessageSink([this](const QString &text, MessageIcon icon) { m_shown.append({text, icon}); });
    }
    void cleanup()
    {
        setMessageSink(m_oldSink);
        setLocaleSource(m_oldSource);
    }

    void missingHelpFileIsReported_data()
    {
        QTest::addColumn<QString>("helpFile");
        QTest::addColumn<QString>("named"); // the path the message names
        QTest::newRow("bare-name-named-with-program-folder")
            << "noSuchHelpEn.html" << QCoreApplication::applicationDirPath() + "/noSuchHelpEn.html";
        QTest::newRow("folder-named-as-given-is-no-help-file") << TALLYER_PROGRAM_DIR << TALLYER_PROGRAM_DIR;
        // One byte past the 1 MiB a help page may have.
        const QString big = m_dir.filePath("bigEn.html");
        writeFile(big, QByteArray(kMaxHelpFileBytes + 1, ' '));
        QTest::newRow("oversized-help-file") << big << big;
        // Line breaks, a tab, an escape, a right-to-left override and a byte of a name not UTF-8.
        QTest::newRow("controls-shown-escaped") << m_dir.filePath(QString("a\nb\r\tc\x1b\u202E") + QChar(0xDCFF))
                                                << m_dir.filePath("a\\nb\\r\\tc\\x1b\\u202e\\xff");
    }
    void missingHelpFileIsReported()
    {
        QFETCH(QString, helpFile);
        QFETCH(QString, named);
        QWidget owner;
        QCOMPARE(ShowHelp(&owner, helpFile, HH_HELP_CONTEXT, 1000), nullptr);
        const QString expected = QString("Help file:\n\t'%1'\n\tnot accessible").arg(named);
        QCOMPARE(m_shown, (QList<QPair<QString, MessageIcon>>{{expected, MessageIcon::Exclamation}}));
        QVERIFY(!owner.findChild<QTextBrowser *>());
    }

    // Each row asks for help once or more (language and topic): every request shows the one help
    // window, titled in the language and scrolled so that the topic's heading is at the top (as far
    // as it can be); another language loads the other file into the same window.
    void opensAtContextAnchor_data()
    {
        QTest::addColumn<Requests>("requests");
        QTest::addColumn<bool>("underModal"); // asked from the options dialog
        QTest::newRow("english-main-window") << Requests{{kLcidEnglish, 1000}} << false;
        QTest::newRow("russian-options-dialog") << Requests{{kLcidRussian, 2000}} << true;
        QTest::newRow("same-window-scrolls-back-up") << Requests{{kLcidEnglish, 2000}, {kLcidEnglish, 1000}} << false;
        QTest::newRow("language-change-reloads-same-window")
            << Requests{{kLcidEnglish, 2000}, {kLcidRussian, 1000}} << false;
    }
    void opensAtContextAnchor()
    {
        QFETCH(Requests, requests);
        QFETCH(bool, underModal);
        QWidget owner;
        owner.show();
        // The options dialog is modal and passes the main window as owner; a help window that
        // belonged to the main window would then take no input, so it belongs to the dialog.
        QDialog options(&owner);
        options.setModal(true);
        options.setVisible(underModal);
        QTRY_COMPARE(QApplication::activeModalWidget(), underModal ? &options : nullptr);
        QTextBrowser *first = nullptr;
        for (const auto &[lcid, context] : requests) {
            const bool russian = lcid == kLcidRussian;
            const QString helpFile = TALLYER_PROGRAM_DIR + QString(russian ? "/tallyerRu.html" : "/tallyerEn.html");
            useLanguage(lcid);
            QTextBrowser *browser = ShowHelp(&owner, helpFile, HH_HELP_CONTEXT, context);
            QVERIFY(browser && (!first || browser == first));
            first = browser;
            QTRY_VERIFY(browser->window()->isVisible());
            QCOMPARE(browser->window()->parentWidget(), underModal ? static_cast<QWidget *>(&options) : &owner);
            QCOMPARE(browser->window()->windowTitle(), "Mavo Tallyer - " + QString(russian ? "Справка" : "Help"));
            QCOMPARE(browser->toPlainText().contains(QStringLiteral("Главное окно")), russian);

            // Both topics exist in each file, the options topic well below the top.
            const qreal top1000 = anchorTop(browser, "1000");
            const qreal top2000 = anchorTop(browser, "2000");
            QVERIFY(top1000 > 0 && top2000 > top1000 + browser->viewport()->height());
            QScrollBar *bar = browser->verticalScrollBar();
            const qreal wanted = qMin<qreal>(context == 1000 ? top1000 : top2000, bar->maximum());
            QTRY_VERIFY2(qAbs(bar->value() - wanted) <= 20,
                         qPrintable(QString("scrolled to %1, topic at %2").arg(bar->value()).arg(wanted)));
        }
        QVERIFY(m_shown.isEmpty());
    }

    // The real help window on a page naming a device, a FIFO, pictures outside its folder (one
    // by path, one in a sibling folder sharing the folder's name, one through a link) and one past
    // the bound, and a style sheet from the FIFO: the document gets nothing for any of them, and
    // the largest picture allowed whole.
    void pageReadsBounded()
    {
        QTemporaryDir dir;
        const QDir root(dir.path());
        QVERIFY(root.mkdir("help") && root.mkdir("help2"));
        QVERIFY(writeFile(root.filePath("outside.png"), "o") && writeFile(root.filePath("help2/sibling.png"), "s"));
        QVERIFY(QFile::link(root.filePath("outside.png"), root.filePath("help/link.png")));
        const QByteArray largest(kMaxHelpFileBytes, 'p');
        QVERIFY(writeFile(root.filePath("help/largest"), largest) && writeFile(root.filePath("help/big"), largest + 'p'));
        const QByteArray fifo = QFile::encodeName(root.filePath("help/fifo"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        // A reader waiting on the FIFO is let go with a few bytes, so a fault shows as a failure,
        // not a hang; one reading /dev/zero to its end runs out of room at once.
        std::atomic<bool> done = false;
        std::thread writer([&] {
            sigset_t pipe; // a reader gone before the write: no signal for it
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            for (pthread_sigmask(SIG_BLOCK, &pipe, nullptr); !done; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
                if (const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK); fd >= 0)
                    (void)!::write(fd, "fifo", 4), ::close(fd);
            }
        });
        const auto stop = qScopeGuard([&] { done = true; writer.join(); });
        rlimit room{};
        getrlimit(RLIMIT_AS, &room);
        const auto restore = qScopeGuard([room] { setrlimit(RLIMIT_AS, &room); });
        QFile statm("/proc/self/statm"); // the pages mapped first
        if (statm.open(QIODevice::ReadOnly))
            room.rlim_cur = statm.readAll().split(' ')[0].toULongLong() * ::sysconf(_SC_PAGESIZE) + (rlim_t(1) << 30);
        setrlimit(RLIMIT_AS, &room);

        const QStringList names{"file:///dev/zero", "fifo", root.filePath("outside.png"), "../help2/sibling.png",
                                "link.png", "big", "largest"};
        const QString page = "<link rel=stylesheet type=text/css href=fifo?css><p>page</p><img src=" + names.join("><img src=") + '>';
        QVERIFY(writeFile(root.filePath("help/pageEn.html"), page.toUtf8()));
        QWidget owner;
        QTextBrowser *browser = ShowHelp(&owner, root.filePath("help/pageEn.html"), HH_HELP_CONTEXT, 1000);
        QVERIFY(browser);
        browser->viewport()->grab(); // pictures are loaded as the page is laid out and drawn
        for (const QString &name : names) {
            QCOMPARE(browser->document()->resource(QTextDocument::ImageResource, QUrl(name)),
                     QVariant(name == "largest" ? largest : QByteArray()));
        }
        QCOMPARE(browser->document()->resource(QTextDocument::StyleSheetResource, QUrl("fifo?css")), QVariant(QByteArray()));
        // A click on a link to a local file outside the help leaves the page as it is.
        const QUrl shown = browser->source();
        emit browser->anchorClicked(QUrl("file:///etc/passwd"));
        QCOMPARE(browser->source(), shown);
        browser->window()->close();
    }

    // The installed sink shows a modal box titled with the program's name, with OK alone and the
    // icon of the message's kind, and waits for it to be answered.
    void messageBoxes()
    {
        installMessageBoxSink();
        QStringList seen;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << QString("%1|%2|%3|%4").arg(box->windowTitle(), box->text()).arg(box->icon()).arg(box->standardButtons().toInt());
                box->button(QMessageBox::Ok)->click();
            }
        });
        answer.start(20);
        for (MessageIcon icon : {MessageIcon::Information, MessageIcon::Exclamation, MessageIcon::Critical})
            showMessage(LoadText(1160, {"|1", "\n"}), icon);
        const QString box = QStringLiteral("Mavo Tallyer|Overflow of memory \nPress 'MC' or 'M'|%1|1024"); // 1024: Ok
        QCOMPARE(seen, QStringList({box.arg(QMessageBox::Information), box.arg(QMessageBox::Warning),
                                    box.arg(QMessageBox::Critical)}));
        QVERIFY(m_shown.isEmpty());
    }
};

bool TestShowHelp::writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QTEST_MAIN(TestShowHelp)
#include "tst_showhelp.moc"
