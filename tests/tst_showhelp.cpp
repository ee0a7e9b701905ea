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

#include <sys/stat.h>

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

    // A link clicked on /data/a/tallyerEn.html, the data folders being /data/a and
    // /usr/share/tallyer; an empty target: nothing happens.
    void linkTargets_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("target");
        const auto row = [](const char *name, const char *link, HelpLinkAction action, const char *target = "") {
            QTest::newRow(name) << link << int(action) << target;
        };
        row("fragment-scrolls", "#2000", HelpLinkAction::Scroll, "file:///data/a/tallyerEn.html#2000");
        row("other-help-page-shown", "tallyerRu.html#1000", HelpLinkAction::Show, "file:///data/a/tallyerRu.html#1000");
        row("https-to-browser", "https://example.org/help?x=1", HelpLinkAction::Browse, "https://example.org/help?x=1");
        row("sibling-folder-sharing-the-prefix", "file:///data/ab/x.html", HelpLinkAction::Ignore);
        row("local-file-elsewhere", "file:///etc/passwd", HelpLinkAction::Ignore);
        row("words-file-in-folder-is-no-page", "InWordsDollars%20eng.txt", HelpLinkAction::Ignore);
    }
    void linkTargets()
    {
        QFETCH(QString, link);
        QFETCH(int, action);
        QFETCH(QString, target);
        QUrl resolved;
        const QStringList folders{"/data/a", "/usr/share/tallyer"};
        QCOMPARE(int(HelpLinkTarget(QUrl(link), QUrl("file:///data/a/tallyerEn.html"), folders, resolved)), action);
        QCOMPARE(resolved, QUrl(target));
    }

    // What the help window reads for a name on its page, the page standing in a folder of its own
    // where each row makes "x" first: a file of `size` bytes, a link to one outside, or a FIFO.
    void resourcesLoaded_data()
    {
        QTest::addColumn<QString>("made");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("largest-picture-beside-page") << "file" << int(kMaxHelpFileBytes) << "x" << true;
        QTest::newRow("picture-past-the-bound") << "file" << int(kMaxHelpFileBytes) + 1 << "x" << false;
        QTest::newRow("link-to-a-file-outside") << "link-out" << 3 << "x" << false;
        QTest::newRow("fifo-never-waited-on") << "fifo" << 0 << "x" << false;
    }
    void resourcesLoaded()
    {
        QFETCH(QString, made);
        QFETCH(int, size);
        QFETCH(QString, name);
        QFETCH(bool, loaded);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("help"));
        const QString help = dir.filePath("help/pageEn.html");
        const QByteArray content(size, 'p');
        QVERIFY(writeFile(help, "<p>page</p>") && writeFile(dir.filePath("outside"), content));
        if (made == "file")
            QVERIFY(writeFile(dir.filePath("help/x"), content));
        else if (made == "link-out")
            QVERIFY(QFile::link(dir.filePath("outside"), dir.filePath("help/x")));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("help/x")).constData(), 0600), 0);

        QWidget owner;
        QTextBrowser *browser = ShowHelp(&owner, help, HH_HELP_CONTEXT, 1000);
        QVERIFY(browser);
        QCOMPARE(browser->loadResource(QTextDocument::ImageResource, QUrl(name)), loaded ? QVariant(content) : QVariant());
        // A click on a link to a local file outside the help leaves the page as it is.
        const QUrl page = browser->source();
        emit browser->anchorClicked(QUrl("file:///etc/passwd"));
        QCOMPARE(browser->source(), page);
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
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                    seen << QString("%1|%2|%3|%4|%5").arg(box->windowTitle(), box->text()).arg(box->icon())
                                .arg(box->isModal()).arg(box->standardButtons().toInt());
                    box->button(QMessageBox::Ok)->click();
                }
            }
        });
        answer.start(20);
        for (MessageIcon icon : {MessageIcon::Information, MessageIcon::Exclamation, MessageIcon::Critical})
            showMessage(LoadText(1160, {"|1", "\n"}), icon);
        const QString box = QStringLiteral("Mavo Tallyer|Overflow of memory \nPress 'MC' or 'M'|%1|1|1024"); // 1024: Ok
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
