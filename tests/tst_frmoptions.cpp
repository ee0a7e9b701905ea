// The options dialog on the offscreen platform, a fake chooser behind its common dialogs. Every case
// starts from an empty settings store.

#include <clsregistry.h>
#include <commondialog.h>
#include <frmoptions.h>
#include <localevalues.h>
#include <messagesink.h>
#include <settings.h>

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

const QString kWordsA = QStringLiteral("InWordsTest a.txt");
const QString kWordsB = QStringLiteral("InWordsTest b.txt");
// What every case gives the dialog.
const Options kGiven{.alwaysOnTop = true, .manyCopies = false, .roundTo = 2, .minRows = 3, .maxRows = 10,
                     .inWordsFile = kWordsA,
                     .appearance = {QStringLiteral("Tahoma"), 12, false, false, 0x80000012u, 0x80000018u,
                                    QStringLiteral("5") + QChar(0) + QStringLiteral("6")}};

// Answers every common dialog with what the test prepared and notes what it was asked.
struct FakeChooser : CommonDialogChooser
{
    QWidget *owner = nullptr;
    ColorChoice colorAsked, colorGiven;
    FontChoice fontAsked, fontGiven;
    FileChoice fileAsked;
    QString fileGiven;
    int colorAnswer = 1; // 1 OK, 0 cancel

    int chooseColor(QWidget *o, ColorChoice &c, qint32 &) override
    {
        owner = o, colorAsked = c, c = colorAnswer == 1 ? colorGiven : c;
        return colorAnswer;
    }
    int chooseFont(QWidget *o, FontChoice &f, qint32 &) override
    {
        owner = o, fontAsked = f, f = fontGiven;
        return 1;
    }
    int chooseOpenFile(QWidget *o, FileChoice &f, qint32 &) override
    {
        owner = o, fileAsked = f, f.FullName = fileGiven;
        return fileGiven.isEmpty() ? 0 : 1; // nothing to give: cancelled
    }
};

// Writes the bytes to the path, its folder made first; null bytes: no file there at all.
bool writeFile(const QString &path, const QByteArray &bytes = "")
{
    QFile::remove(path);
    QFile file(path);
    return bytes.isNull()
        || (QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QTextBrowser *helpBrowser()
{
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String("helpBrowser"))
            return static_cast<QTextBrowser *>(w);
    return nullptr;
}

// Gives the box the focus, puts the text in as a paste would, and tabs away.
QString leaveBox(frmOptions &dlg, QLineEdit *box, const QString &text)
{
    box->setFocus(Qt::TabFocusReason);
    box->setText(text);
    dlg.chkAvail2->setFocus(Qt::TabFocusReason);
    return box->text();
}

} // namespace

class TestFrmOptions : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    FakeChooser m_chooser;
    std::unique_ptr<frmOptions> m_dlg; // opened by init() on the settings it prepares
    QList<QUrl> m_urls;
    int m_messages = 0;

public slots:
    void openUrl(const QUrl &url) { m_urls.append(url); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.filePath("data")));
        // The system's data folders: one with a words file, one with none; and the user's own.
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_config.filePath("shared") + ':' + m_config.filePath("empty")));
        for (const char *name : {"shared/tallyer/InWordsShared.txt", "empty/tallyer/x.txt", "data/tallyer/InWordsUser.txt"})
            QVERIFY(writeFile(m_config.filePath(name)));
        for (const QString &name : {kWordsA, kWordsB}) // in the program's folder: the test's own
            QVERIFY(writeFile(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name));
        // The help file is named after the program, here the test, and found in the data folders.
        const QString help = m_config.filePath("data/tallyer/") + programBaseName() + "En.html";
        QVERIFY(QFile::copy(QStringLiteral(TALLYER_PROGRAM_DIR "/tallyerEn.html"), help));
        setMessageSink([this](const QString &, MessageIcon) { ++m_messages; });
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    }

    void cleanupTestCase()
    {
        setLocaleSource({});
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        for (const QString &name : {kWordsA, kWordsB})
            QFile::remove(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
    }

    void init()
    {
        QFile::remove(clsRegistry::instance().filePath());
        setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::English, QLocale::UnitedStates), true}; });
        m_chooser = FakeChooser();
        setCommonDialogChooser(&m_chooser);
        m_messages = 0;
        // As the main window shows it: visible and active. Its logo ticks only when a test says so.
        m_dlg = std::make_unique<frmOptions>(kGiven);
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
        m_dlg->optTimerMavoWave->stop();
    }

    void cleanup()
    {
        m_dlg.reset();
        setCommonDialogChooser(nullptr);
        if (QTextBrowser *browser = helpBrowser())
            delete browser->window();
    }

    void loadedValuesAndRowLimits()
    {
        QVERIFY(m_dlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(m_dlg->chkAlwaysOnTop->isChecked() && !m_dlg->chkAvail2->isChecked());
        QCOMPARE((QStringList{m_dlg->boxRound->text(), m_dlg->boxMinRows->text(), m_dlg->boxMaxRows->text(),
                              m_dlg->boxInWordsFile->text()}),
                 (QStringList{"2", "3", "10", kWordsA}));
        // Each row limit is checked against the other box's current value, not the stored 3 and 10.
        QCOMPARE((QStringList{leaveBox(*m_dlg, m_dlg->boxMaxRows, "6"), leaveBox(*m_dlg, m_dlg->boxMinRows, "8"),
                              leaveBox(*m_dlg, m_dlg->boxMinRows, "5"), leaveBox(*m_dlg, m_dlg->boxMaxRows, "4")}),
                 (QStringList{"6", "3", "5", "6"}));
        m_dlg->btnCancel->click();
        QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(clsRegistry::instance().filePath())); // nothing stored
    }

    void boxRepair_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("left");
        // The boxes start with 2, 3, 10 and the words file a.
        QTest::newRow("round-two-digits") << "boxRound" << "12" << "2";
        QTest::newRow("min-zero") << "boxMinRows" << "0" << "3";
        QTest::newRow("min-above-max") << "boxMinRows" << "11" << "3";
        QTest::newRow("min-equal-max") << "boxMinRows" << "10" << "10";
        QTest::newRow("max-100") << "boxMaxRows" << "100" << "10";
        QTest::newRow("max-99") << "boxMaxRows" << "99" << "99";
        QTest::newRow("words-missing") << "boxInWordsFile" << "InWordsNone.txt" << kWordsA;
        QTest::newRow("words-other") << "boxInWordsFile" << kWordsB << kWordsB;
        QTest::newRow("words-with-folder") << "boxInWordsFile" << "../tests/" + kWordsB << kWordsA;
    }

    void boxRepair()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, left);
        // Each box's caption, and the hint that stands in its place while the box has the focus.
        static const QMap<QString, QPair<QString, QString>> captions{
            {"boxRound", {"To approximate up to (signs after a comma)", "(0 to 9)"}},
            {"boxMinRows", {"Minimum rows quantity", "(1 to rows maximum)"}},
            {"boxMaxRows", {"Maximum rows quantity", "(rows minimum to 99)"}},
            {"boxInWordsFile", {"in words", "click ->"}}};
        auto *edit = m_dlg->findChild<QLineEdit *>(box);
        auto *label = m_dlg->findChild<QLabel *>(QString(box).replace("box", "lbl"));
        edit->setFocus(Qt::MouseFocusReason);
        QCOMPARE(label->text(), captions[box].second);
        QVERIFY(edit->font().bold());
        QTRY_COMPARE(edit->selectedText(), edit->text());
        edit->setText(typed);       // as a paste would put it
        m_dlg->chkAvail2->setFocus(Qt::TabFocusReason);
        QCOMPARE(edit->text(), left);
        QCOMPARE(label->text(), captions[box].first);
        QVERIFY(!edit->font().bold());
        QCOMPARE(m_messages, 0); // repaired silently
    }

    // The number boxes take digits only, but a paste (Ctrl+V) and Backspace go through; the words file box
    // takes anything.
    void keyFilter()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("9"));
        for (const auto &[edit, text] : {std::pair{m_dlg->boxMaxRows, "912"}, {m_dlg->boxInWordsFile, "9a1 b2.-"}}) {
            edit->setFocus(Qt::TabFocusReason);
            edit->clear();
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClicks(edit, "a1 b2.-");
            QTest::keyClick(edit, Qt::Key_Backspace);
            QCOMPARE(edit->text(), QString(text).chopped(1));
        }
    }

    void helpContexts()
    {
        QTest::keyClick(m_dlg->boxRound, Qt::Key_F1);
        QVERIFY(helpBrowser());
        QCOMPARE(helpBrowser()->source().fragment(), QStringLiteral("2000"));
        m_dlg->btnHelp->click();
        QCOMPARE(helpBrowser()->source().fragment(), QStringLiteral("1000"));
    }

    void okStoresEverySetting()
    {
        m_chooser.fontGiven = {QStringLiteral("DejaVu Sans"), 14, true, true, false, false, 0x0000FFu, 0, 0, 0};
        m_dlg->btnFont->click();
        QCOMPARE(m_chooser.owner, m_dlg.get());
        QCOMPARE((QVariantList{m_chooser.fontAsked.FontName, m_chooser.fontAsked.PointSize}), (QVariantList{"Tahoma", 12.0}));
        m_chooser.colorGiven = {0x00FF00u, {100, 101}, 0};
        m_dlg->btnBackColor->click();
        const ColorChoice &colour = m_chooser.colorAsked;
        QCOMPARE((QVariantList{colour.flags, colour.Color, colour.Custom[1]}), (QVariantList{1, 0x80000018u, 6u}));
        m_chooser.fileGiven = QStringLiteral(TALLYER_PROGRAM_DIR "/InWordsRubles rus.txt");
        m_dlg->btnChangeInWordsFile->click();
        const FileChoice &file = m_chooser.fileAsked;
        QCOMPARE((QVariantList{file.flags, file.Title, file.Folder}),
                 (QVariantList{6, "Choice of the file for the procedure 'value in words'",
                               QCoreApplication::applicationDirPath()})); // where words file a is
        QCOMPARE(file.Filters, (QList<QPair<QString, QString>>{{"Special files (InWords*.txt)", "InWords*.txt"},
                                                               {"All files (*.*)", "*.*"}}));
        QTest::keyClick(m_dlg->chkAlwaysOnTop, Qt::Key_Space);
        QTest::keyClick(m_dlg->chkAvail2, Qt::Key_Space);
        QVERIFY(m_dlg->chkKeepTape->isChecked()); // kGiven keeps the tape, as the default does
        QTest::keyClick(m_dlg->chkKeepTape, Qt::Key_Space);
        leaveBox(*m_dlg, m_dlg->boxRound, "5");
        leaveBox(*m_dlg, m_dlg->boxMaxRows, "20");
        // Enter in a box being edited: the box is repaired before the values are taken.
        m_dlg->boxMinRows->setFocus(Qt::TabFocusReason);
        m_dlg->boxMinRows->setText(QStringLiteral("0"));
        QTest::keyClick(m_dlg->boxMinRows, Qt::Key_Return);
        const QString custom = (QStringList{"100", "101"} + QStringList(14, "0")).join(QChar(0));
        const Options taken{.alwaysOnTop = false, .manyCopies = true, .roundTo = 5, .minRows = 3, .maxRows = 20,
                            .inWordsFile = QStringLiteral("InWordsRubles rus.txt"), // the bare name
                            .appearance = {QStringLiteral("DejaVu Sans"), 14, true, true, 0x0000FFu, 0x00FF00u, custom},
                            .keepTape = false};
        QCOMPARE(m_dlg->options(), taken);
        QCOMPARE(Options::load(), taken); // every value stored (their stored form: tst_clsregistry)
    }

    // A words file chosen from another folder is copied into the user's words folder, so that its
    // bare name finds it; what stands in the way is asked about or told.
    void chosenWordsFileIsCopied_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("chosen"); // the chosen file's bytes; null: it cannot be read
        QTest::addColumn<QByteArray>("before"); // the user's folder's file of that name; null: none
        QTest::addColumn<int>("answer");        // to the question whether to replace it; 0: not asked
        QTest::addColumn<QByteArray>("after");  // the user's folder's file afterwards
        const QByteArray none, mine("[Zero]=mine"), old("[Zero]=old");
        const int yes = QMessageBox::Yes, no = QMessageBox::No;
        QTest::newRow("copied") << "InWordsMine.txt" << mine << none << 0 << mine;
        QTest::newRow("same-bytes-not-asked") << "InWordsMine.txt" << mine << mine << 0 << mine;
        QTest::newRow("other-file-replaced-on-yes") << "InWordsMine.txt" << mine << old << yes << mine;
        QTest::newRow("other-file-kept-on-no") << "InWordsMine.txt" << mine << old << no << old;
        QTest::newRow("unreadable-told") << "InWordsGone.txt" << none << none << 0 << none;
        // The program's folder comes first in the lookup: a copy would never be found.
        QTest::newRow("program-folder-wins-told") << kWordsB << mine << none << 0 << none;
    }

    void chosenWordsFileIsCopied()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, chosen);
        QFETCH(QByteArray, before);
        QFETCH(int, answer);
        QFETCH(QByteArray, after);
        const QString target = m_config.filePath("data/tallyer/") + name;
        m_chooser.fileGiven = m_config.filePath("elsewhere/") + name;
        QVERIFY(writeFile(m_chooser.fileGiven, chosen) && writeFile(target, before));
        int asked = 0;
        QTimer answerer; // the question runs its own event loop inside the click
        answerer.callOnTimeout([&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                ++asked;
                box->button(QMessageBox::StandardButton(answer))->click();
            }
        });
        answerer.start(10);
        m_dlg->btnChangeInWordsFile->click();
        const bool taken = !after.isNull() && after == chosen; // the box shows the chosen name
        QCOMPARE(asked, answer ? 1 : 0);
        QCOMPARE(m_dlg->boxInWordsFile->text(), taken ? name : kWordsA);
        QCOMPARE(m_messages, taken || answer ? 0 : 1); // told why it was not taken
        QFile file(target);
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), after);
    }

    void defaultLook()
    {
        m_dlg->btnDefault->click();
        m_dlg->btnOK->click();
        // The custom colours are not part of the default look.
        const udtAppearance plain{QStringLiteral("MS Sans Serif"), 10, false, false, 0x80000012u, 0x80000005u,
                                  kGiven.appearance.ColorsCustom};
        QCOMPARE(Options::load().appearance, plain);
    }

    // "To change ..." starts in the folder of the saved words file, the user's when it is not
    // found; the side bar leads to every folder words files are found in, in lookup order.
    void chooserFolders_data()
    {
        QTest::addColumn<QString>("inUse");
        QTest::addColumn<QString>("start"); // in the test's folder; empty: the program's folder
        QTest::newRow("shipped-in-program-folder") << kWordsA << "";
        QTest::newRow("users-own") << "InWordsUser.txt" << "data/tallyer";
        QTest::newRow("not-found-users-folder") << "InWordsNone.txt" << "data/tallyer";
    }

    void chooserFolders()
    {
        QFETCH(QString, inUse);
        QFETCH(QString, start);
        Options options = kGiven;
        options.inWordsFile = inUse;
        frmOptions(options).btnChangeInWordsFile->click();
        const QString program = QCoreApplication::applicationDirPath();
        QCOMPARE(m_chooser.fileAsked.Folder, start.isEmpty() ? program : m_config.filePath(start));
        QCOMPARE(m_chooser.fileAsked.Places.mid(0, 3),
                 (QStringList{program, m_config.filePath("data/tallyer"), m_config.filePath("shared/tallyer")}));
        QVERIFY(!m_chooser.fileAsked.Places.contains(m_config.filePath("empty/tallyer")));
    }

    // The text colour is chosen beside the font (Alt+C), starting on the colour the field shows,
    // with the custom colours the background shares; OK stores it, the next dialog starts on it.
    void textColourRoundTrip_data()
    {
        QTest::addColumn<quint32>("given"); // the working FontColor
        QTest::addColumn<int>("answer");    // the colour dialog's: 1 OK (red), 0 cancel
        QTest::newRow("system-text-to-chosen-red") << 0x80000012u << 1;
        QTest::newRow("cancel-keeps-system-text") << 0x80000012u << 0;
        // White highlighted text reads on no yellow: the field shows it black too.
        QTest::newRow("unreadable-system-text-shown-black") << 0x8000000Eu << 0;
    }

    void textColourRoundTrip()
    {
        QFETCH(quint32, given);
        QFETCH(int, answer);
        const quint32 shown = 0, stored = answer ? 0x0000FFu : given; // black on tooltip yellow
        m_dlg->f_udtAppearance.FontColor = given;
        m_chooser.colorGiven = {0x0000FFu, {7, 8}, 0};
        m_chooser.colorAnswer = answer;
        QTest::keyClick(m_dlg->windowHandle(), Qt::Key_C, Qt::AltModifier); // clicks once shown pressed
        QTRY_COMPARE(m_chooser.colorAsked.flags, 1);
        QCOMPARE((QList<quint32>{m_chooser.colorAsked.Color, m_chooser.colorAsked.Custom[0]}), (QList<quint32>{shown, 5u}));
        m_dlg->btnOK->click();
        const udtAppearance look = Options::load().appearance;
        QCOMPARE((QList<quint32>{look.FontColor, look.BackColor}), (QList<quint32>{stored, kGiven.appearance.BackColor}));
        QCOMPARE(look.ColorsCustom.startsWith(QStringLiteral("7") + QChar(0) + "8"), bool(answer));
        frmOptions(Options::load()).btnFontColor->click();
        QCOMPARE(m_chooser.colorAsked.Color, answer ? stored : shown);
    }

    // The version grows its build number under the pointer; the link opens the web page. The logo
    // shows after a few ticks, its wave going on in a reopened dialog.
    void aboutPanel()
    {
        QTest::mouseMove(m_dlg->lblVersion, m_dlg->lblVersion->rect().center());
        QTRY_COMPARE(m_dlg->lblVersion->text(), QStringLiteral("Mavo Tallyer   3.9.13"));
        QTest::mouseClick(m_dlg->lblWWW, Qt::LeftButton, {}, m_dlg->lblWWW->rect().center());
        QCOMPARE(m_urls, QList<QUrl>{QUrl(QStringLiteral("https://mavo.example/tallyer"))});
        const int first = frmOptions::logoFrameIndex();
        for (int tick = 1; tick <= 12; ++tick)
            m_dlg->optTimerMavoWave_Timer();
        QVERIFY(m_dlg->picLogo->isVisible());
        frmOptions reopened(kGiven);
        QVERIFY(reopened.optTimerMavoWave->isActive());
        QCOMPARE(frmOptions::logoFrameIndex(), (first + 12) % 8);
    }
};

QTEST_MAIN(TestFrmOptions)
#include "tst_frmoptions.moc"
