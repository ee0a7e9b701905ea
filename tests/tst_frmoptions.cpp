// The options dialog, driven in-process on the offscreen platform: the checks of its boxes, the
// key preview, OK and Cancel against the settings store, the common dialogs (through a fake
// chooser), help, and the about panel's version text, link and logo. Settings live in a
// temporary folder and every case starts from an empty store.

#include <clsregistry.h>
#include <commondialog.h>
#include <frmoptions.h>
#include <globals.h>
#include <localevalues.h>
#include <messagesink.h>
#include <settings.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString kWordsA = QStringLiteral("InWordsTest a.txt");
const QString kWordsB = QStringLiteral("InWordsTest b.txt");
constexpr qint32 kMissing = 0x7EADBEEF;

// Answers every common dialog with what the test prepared, and notes what it was asked.
class FakeChooser : public CommonDialogChooser
{
public:
    int answer = 1;
    QWidget *owner = nullptr;
    ColorChoice colorAsked, colorGiven;
    FontChoice fontAsked, fontGiven;
    FileChoice fileAsked;
    QString fileGiven;

    int chooseColor(QWidget *o, ColorChoice &c, qint32 &) override
    {
        owner = o, colorAsked = c;
        if (answer == 1)
            c.Color = colorGiven.Color, c.Custom = colorGiven.Custom;
        return answer;
    }
    int chooseFont(QWidget *o, FontChoice &f, qint32 &) override
    {
        owner = o, fontAsked = f;
        if (answer == 1)
            f = fontGiven;
        return answer;
    }
    int chooseOpenFile(QWidget *o, FileChoice &f, qint32 &) override
    {
        owner = o, fileAsked = f;
        if (answer == 1)
            f.FullName = fileGiven;
        return answer;
    }
};

qint32 storedLong(const char *name)
{
    bool blnError = false;
    const qint32 value = clsRegistry::instance().GetLong(HKEY_CURRENT_USER, Settings::kKey,
                                                         QLatin1String(name), kMissing, blnError);
    return blnError ? kMissing : value;
}

QString storedText(const char *name)
{
    bool blnError = false;
    const QString value = clsRegistry::instance().GetString(HKEY_CURRENT_USER, Settings::kKey,
                                                            QLatin1String(name), {}, blnError);
    return blnError ? QStringLiteral("<missing>") : value;
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

QImage logoImage(int frame)
{
    return QImage(QStringLiteral(":/logo/logo%1.png").arg(101 + frame)).convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestFrmOptions : public QObject
{
    Q_OBJECT

public:
    // The dialog as the main window opens it: shown and active.
    std::unique_ptr<frmOptions> open()
    {
        auto dlg = std::make_unique<frmOptions>();
        dlg->show();
        if (!QTest::qWaitForWindowActive(dlg.get()))
            return nullptr;
        dlg->optTimerMavoWave->stop(); // the logo ticks only when a test says so
        return dlg;
    }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void loadsTextsAndValues_data();
    void loadsTextsAndValues();
    void focusShowsHintInBold_data();
    void focusShowsHintInBold();
    void boxRepair_data();
    void boxRepair();
    void rowLimitsRefuseEachOther();
    void keyFilter_data();
    void keyFilter();
    void helpContexts();

    void okStoresEverySetting();
    void okRepairsBoxBeingEdited_data();
    void okRepairsBoxBeingEdited();
    void defaultThenCancelOrOk_data();
    void defaultThenCancelOrOk();
    void cancelledChoosersChangeNothing();

    void versionHover();
    void linkOpensAddress();
    void logoPhases();
    void logoLoopGoesOnAfterReopen();

    void openUrl(const QUrl &url) { m_urls.append(url); }

private:
    QTemporaryDir m_config;
    FakeChooser m_chooser;
    QList<QUrl> m_urls;
    int m_messages = 0;
};

void TestFrmOptions::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    // Two words files in the program's folder (the test's own folder here).
    for (const QString &name : {kWordsA, kWordsB}) {
        QFile file(QDir(QCoreApplication::applicationDirPath()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    setMessageSink([this](const QString &, MessageIcon) { ++m_messages; });
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
}

void TestFrmOptions::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    for (const QString &name : {kWordsA, kWordsB})
        QFile::remove(QDir(QCoreApplication::applicationDirPath()).filePath(name));
}

void TestFrmOptions::init()
{
    QFile::remove(clsRegistry::instance().filePath());
    resetProgramGlobals();
    g_strProductName = QStringLiteral("Mavo Tallyer");
    g_blnAlwaysOnTop = true;
    g_lngRoundTo = 2;
    g_lngMinRows = 3;
    g_lngMaxRows = 10;
    g_strInWordsFile = kWordsA;
    g_udtAppearance = {QStringLiteral("Tahoma"), 12, false, false, 0x80000012u, 0x80000018u,
                       QStringLiteral("5") + QChar(0) + QStringLiteral("6")};
    LocaleValues &loc = localeValues();
    loc.lcid = kLcidEnglish;
    loc.decimalSeparator = QStringLiteral(".");
    loc.helpFileName = QStringLiteral(TALLYER_PROGRAM_DIR "/tallyerEn.html");
    m_chooser = FakeChooser();
    setCommonDialogChooser(&m_chooser);
    m_urls.clear();
    m_messages = 0;
}

void TestFrmOptions::cleanup()
{
    setCommonDialogChooser(nullptr);
    if (QTextBrowser *browser = helpBrowser())
        delete browser->window();
}

// ---- Loading, boxes and keys ---------------------------------------------------------------

void TestFrmOptions::loadsTextsAndValues_data()
{
    QTest::addColumn<int>("lcid");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("avail2");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("english") << kLcidEnglish << "Mavo Tallyer - Options" << "To open 2 programs and more" << "Cancel";
    QTest::newRow("russian") << kLcidRussian << "Mavo Tallyer - Настройки"
                             << "Разрешить 2 и более копий программы" << "Отмена";
}

void TestFrmOptions::loadsTextsAndValues()
{
    QFETCH(int, lcid);
    QFETCH(QString, title);
    QFETCH(QString, avail2);
    QFETCH(QString, cancel);
    localeValues().lcid = lcid;
    auto dlg = open();
    QVERIFY(dlg);
    QCOMPARE(dlg->windowTitle(), title);
    QCOMPARE(dlg->chkAvail2->text(), avail2);
    QCOMPARE(dlg->btnCancel->text(), cancel);
    QCOMPARE(dlg->btnOK->text(), QStringLiteral("OK"));
    QVERIFY(dlg->btnOK->isDefault());
    QVERIFY(dlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint)); // even with always-on-top off
    QCOMPARE(QApplication::focusWidget(), dlg->chkAlwaysOnTop);
    QVERIFY(dlg->chkAlwaysOnTop->isChecked());
    QVERIFY(!dlg->chkAvail2->isChecked());
    QCOMPARE(dlg->boxRound->text(), QStringLiteral("2"));
    QCOMPARE(dlg->boxMinRows->text(), QStringLiteral("3"));
    QCOMPARE(dlg->boxMaxRows->text(), QStringLiteral("10"));
    QCOMPARE(dlg->boxInWordsFile->text(), kWordsA);
}

void TestFrmOptions::focusShowsHintInBold_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::newRow("round") << "boxRound" << "To approximate up to (signs after a comma)" << "(0 to 9)";
    QTest::newRow("min-rows") << "boxMinRows" << "Minimum rows quantity" << "(1 to rows maximum)";
    QTest::newRow("max-rows") << "boxMaxRows" << "Maximum rows quantity" << "(rows minimum to 99)";
    QTest::newRow("words-file") << "boxInWordsFile" << "in words" << "click ->";
}

void TestFrmOptions::focusShowsHintInBold()
{
    QFETCH(QString, box);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    auto dlg = open();
    QVERIFY(dlg);
    auto *edit = dlg->findChild<QLineEdit *>(box);
    auto *label = dlg->findChild<QLabel *>(QString(box).replace("box", "lbl"));
    QCOMPARE(label->text(), caption);
    const QSize before = dlg->size();

    edit->setFocus(Qt::MouseFocusReason);
    QCOMPARE(label->text(), hint);
    QVERIFY(edit->font().bold());
    QTRY_COMPARE(edit->selectedText(), edit->text());
    QCOMPARE(dlg->size(), before);

    dlg->chkAlwaysOnTop->setFocus(Qt::TabFocusReason);
    QCOMPARE(label->text(), caption);
    QVERIFY(!edit->font().bold());
}

void TestFrmOptions::boxRepair_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    // The boxes start with 2, 3 and 10 and the words file a.
    QTest::newRow("round-two-digits") << "boxRound" << "12" << "2";
    QTest::newRow("round-empty") << "boxRound" << "" << "2";
    QTest::newRow("round-letter") << "boxRound" << "x" << "2";
    QTest::newRow("round-digit") << "boxRound" << "7" << "7";
    QTest::newRow("min-zero") << "boxMinRows" << "0" << "3";
    QTest::newRow("min-leading-zero") << "boxMinRows" << "05" << "5";
    QTest::newRow("min-letters") << "boxMinRows" << "abc" << "3";
    QTest::newRow("min-above-max") << "boxMinRows" << "11" << "3";
    QTest::newRow("min-equal-max") << "boxMinRows" << "10" << "10";
    QTest::newRow("min-fraction-cut") << "boxMinRows" << " 2.7 " << "2";
    QTest::newRow("min-negative") << "boxMinRows" << "-4" << "3";
    QTest::newRow("max-100") << "boxMaxRows" << "100" << "10";
    QTest::newRow("max-99") << "boxMaxRows" << "99" << "99";
    QTest::newRow("max-below-min") << "boxMaxRows" << "2" << "10";
    QTest::newRow("max-exponent") << "boxMaxRows" << "1e1" << "10";
    QTest::newRow("max-007") << "boxMaxRows" << "007" << "7";
    QTest::newRow("words-missing") << "boxInWordsFile" << "InWordsNone.txt" << kWordsA;
    QTest::newRow("words-other") << "boxInWordsFile" << kWordsB << kWordsB;
    QTest::newRow("words-with-folder") << "boxInWordsFile" << "../tests/" + kWordsB << kWordsA;
}

void TestFrmOptions::boxRepair()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, left);
    auto dlg = open();
    QVERIFY(dlg);
    QCOMPARE(leaveBox(*dlg, dlg->findChild<QLineEdit *>(box), typed), left);
    QCOMPARE(m_messages, 0); // repaired silently
}

void TestFrmOptions::rowLimitsRefuseEachOther()
{
    auto dlg = open();
    QVERIFY(dlg);
    QCOMPARE(leaveBox(*dlg, dlg->boxMinRows, "8"), QStringLiteral("8"));
    QCOMPARE(leaveBox(*dlg, dlg->boxMaxRows, "5"), QStringLiteral("10"));
    QCOMPARE(leaveBox(*dlg, dlg->boxMinRows, "3"), QStringLiteral("3"));
    QCOMPARE(leaveBox(*dlg, dlg->boxMaxRows, "5"), QStringLiteral("5"));
}

void TestFrmOptions::keyFilter_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before"); // keys before the typed text: "F1", "^V", "+Ins", "^C"
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::newRow("digits-only") << "boxMinRows" << "" << "a1 b2.-" << "12";
    QTest::newRow("words-file-takes-all") << "boxInWordsFile" << "" << "a1 b.-" << "a1 b.-";
    QTest::newRow("after-f1") << "boxMaxRows" << "F1" << "x4" << "4";
    QTest::newRow("after-ctrl-c") << "boxMaxRows" << "^C" << "x4" << "4";
    QTest::newRow("ctrl-v-pastes-then-filters") << "boxMaxRows" << "^V" << "x4" << "94";
    QTest::newRow("shift-insert-pastes-then-filters") << "boxRound" << "+Ins" << "x4" << "94";
}

void TestFrmOptions::keyFilter()
{
    QFETCH(QString, box);
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    auto dlg = open();
    QVERIFY(dlg);
    QGuiApplication::clipboard()->setText(QStringLiteral("9"));
    auto *edit = dlg->findChild<QLineEdit *>(box);
    edit->setFocus(Qt::TabFocusReason);
    edit->clear();
    if (before == "F1")
        QTest::keyClick(edit, Qt::Key_F1);
    else if (before == "^C" || before == "^V")
        QTest::keyClick(edit, before == "^C" ? Qt::Key_C : Qt::Key_V, Qt::ControlModifier);
    else if (before == "+Ins")
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), text);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), text.chopped(1));

    // The space bar still works a check box; Escape still cancels.
    QTest::keyClick(dlg->chkAvail2, Qt::Key_Space);
    QVERIFY(dlg->chkAvail2->isChecked());
    QTest::keyClick(dlg->chkAvail2, Qt::Key_Escape);
    QCOMPARE(dlg->result(), int(QDialog::Rejected));
    QVERIFY(!dlg->isVisible());
}

void TestFrmOptions::helpContexts()
{
    auto dlg = open();
    QVERIFY(dlg);
    QTest::keyClick(dlg->boxRound, Qt::Key_F1, Qt::ShiftModifier); // not plain F1: no help
    QVERIFY(!helpBrowser());
    QTest::keyClick(dlg->boxRound, Qt::Key_F1);
    QVERIFY(helpBrowser());
    QCOMPARE(helpBrowser()->source().fragment(), QStringLiteral("2000"));
    dlg->btnHelp->click();
    QCOMPARE(helpBrowser()->source().fragment(), QStringLiteral("1000"));
    QCOMPARE(m_messages, 0);
}

// ---- OK, Cancel and the common dialogs -----------------------------------------------------

void TestFrmOptions::okStoresEverySetting()
{
    auto dlg = open();
    QVERIFY(dlg);
    m_chooser.fontGiven = {QStringLiteral("DejaVu Sans"), 14, true, true, false, false, 0x0000FFu, 0, 0, 0};
    dlg->btnFont->click();
    QCOMPARE(m_chooser.owner, dlg.get());
    QCOMPARE(m_chooser.fontAsked.FontName, QStringLiteral("Tahoma"));
    QCOMPARE(m_chooser.fontAsked.PointSize, 12.0);
    QCOMPARE(m_chooser.fontAsked.FontColor, 0x80000012u);
    QCOMPARE(m_chooser.fontAsked.Min, 8);
    QCOMPARE(m_chooser.fontAsked.Max, 50);
    QCOMPARE(m_chooser.fontAsked.flags | 2, 0x802143); // printer fonts go without a printer

    for (int i = 0; i < 16; ++i)
        m_chooser.colorGiven.Custom[i] = 100 + i;
    m_chooser.colorGiven.Color = 0x00FF00u;
    dlg->btnBackColor->click();
    QCOMPARE(m_chooser.colorAsked.flags, 1);
    QCOMPARE(m_chooser.colorAsked.Color, 0x80000018u);
    QCOMPARE(m_chooser.colorAsked.Custom[0], 5u);
    QCOMPARE(m_chooser.colorAsked.Custom[1], 6u);

    m_chooser.fileGiven = QStringLiteral("/elsewhere/InWordsRubles rus.txt");
    dlg->btnChangeInWordsFile->click();
    QCOMPARE(m_chooser.fileAsked.flags, 6);
    QCOMPARE(m_chooser.fileAsked.Title, QStringLiteral("Choice of the file for the procedure 'value in words'"));
    QCOMPARE(m_chooser.fileAsked.Folder, QCoreApplication::applicationDirPath());
    const QList<QPair<QString, QString>> filters{{"Special files (InWords*.txt)", "InWords*.txt"},
                                                 {"All files (*.*)", "*.*"}};
    QCOMPARE(m_chooser.fileAsked.Filters, filters);
    QCOMPARE(dlg->boxInWordsFile->text(), QStringLiteral("InWordsRubles rus.txt")); // unchecked

    QTest::keyClick(dlg->chkAlwaysOnTop, Qt::Key_Space);
    QTest::keyClick(dlg->chkAvail2, Qt::Key_Space);
    leaveBox(*dlg, dlg->boxRound, "5");
    leaveBox(*dlg, dlg->boxMaxRows, "20");
    leaveBox(*dlg, dlg->boxMinRows, "4");
    dlg->btnOK->click();

    QCOMPARE(dlg->result(), int(QDialog::Accepted));
    QVERIFY(g_blnSettingsChanged);
    QVERIFY(!g_blnAlwaysOnTop);
    QVERIFY(g_blnManyCopies);
    QCOMPARE(g_lngRoundTo, 5);
    QCOMPARE(g_lngMinRows, 4);
    QCOMPARE(g_lngMaxRows, 20);
    QCOMPARE(g_strInWordsFile, QStringLiteral("InWordsRubles rus.txt"));
    QCOMPARE(g_udtAppearance.FontName, QStringLiteral("DejaVu Sans"));
    QCOMPARE(g_udtAppearance.BackColor, 0x00FF00u);

    // Integers read back as integers, texts as texts.
    QCOMPARE(storedLong("AlwaysOnTop"), 0);
    QCOMPARE(storedLong("Available2"), -1);
    QCOMPARE(storedLong("RoundTo"), 5);
    QCOMPARE(storedLong("MinRows"), 4);
    QCOMPARE(storedLong("MaxRows"), 20);
    QCOMPARE(storedText("InWordsFile"), QStringLiteral("InWordsRubles rus.txt"));
    QCOMPARE(storedText("FontName"), QStringLiteral("DejaVu Sans"));
    QCOMPARE(storedLong("FontSize"), 14);
    QCOMPARE(storedLong("FontBold"), -1);
    QCOMPARE(storedLong("FontItalic"), -1);
    QCOMPARE(storedLong("FontColor"), 0x0000FF);
    QCOMPARE(storedLong("BackColor"), 0x00FF00);
    QCOMPARE(storedText("ColorsCustom"),
             QStringLiteral("100|101|102|103|104|105|106|107|108|109|110|111|112|113|114|115"));
}

void TestFrmOptions::okRepairsBoxBeingEdited_data()
{
    QTest::addColumn<bool>("enter");
    QTest::newRow("enter-in-box") << true;
    QTest::newRow("ok-button") << false;
}

void TestFrmOptions::okRepairsBoxBeingEdited()
{
    auto dlg = open();
    QVERIFY(dlg);
    dlg->boxMinRows->setFocus(Qt::TabFocusReason);
    dlg->boxMinRows->setText(QStringLiteral("0"));
    QFETCH(bool, enter);
    if (enter)
        QTest::keyClick(dlg->boxMinRows, Qt::Key_Return);
    else
        QTest::mouseClick(dlg->btnOK, Qt::LeftButton);
    QCOMPARE(dlg->result(), int(QDialog::Accepted));
    QCOMPARE(g_lngMinRows, 3);
    QCOMPARE(storedLong("MinRows"), 3);
}

void TestFrmOptions::defaultThenCancelOrOk_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("cancel") << false;
    QTest::newRow("ok") << true;
}

void TestFrmOptions::defaultThenCancelOrOk()
{
    QFETCH(bool, ok);
    auto dlg = open();
    QVERIFY(dlg);
    dlg->btnDefault->click();
    (ok ? dlg->btnOK : dlg->btnCancel)->click();
    QCOMPARE(g_blnSettingsChanged, ok);
    if (!ok) {
        QCOMPARE(g_udtAppearance.FontName, QStringLiteral("Tahoma"));
        QCOMPARE(g_udtAppearance.BackColor, 0x80000018u);
        QVERIFY(!QFile::exists(clsRegistry::instance().filePath()));
        return;
    }
    QCOMPARE(storedText("FontName"), QStringLiteral("MS Sans Serif"));
    QCOMPARE(storedLong("FontSize"), 10);
    QCOMPARE(storedLong("FontBold"), 0);
    QCOMPARE(storedLong("FontItalic"), 0);
    QCOMPARE(quint32(storedLong("FontColor")), 0x80000012u);
    QCOMPARE(quint32(storedLong("BackColor")), 0x80000005u);
    QCOMPARE(storedText("ColorsCustom"), QStringLiteral("5|6")); // untouched by the default
    QCOMPARE(storedLong("AlwaysOnTop"), -1);
    QCOMPARE(storedLong("RoundTo"), 2);
}

void TestFrmOptions::cancelledChoosersChangeNothing()
{
    auto dlg = open();
    QVERIFY(dlg);
    m_chooser.answer = 0;
    m_chooser.fontGiven.FontName = QStringLiteral("Ignored");
    m_chooser.fileGiven = QStringLiteral("/x/InWordsIgnored.txt");
    dlg->btnFont->click();
    dlg->btnBackColor->click();
    dlg->btnChangeInWordsFile->click();
    QCOMPARE(dlg->f_udtAppearance.FontName, QStringLiteral("Tahoma"));
    QCOMPARE(dlg->f_udtAppearance.BackColor, 0x80000018u);
    QCOMPARE(dlg->f_udtAppearance.ColorsCustom, g_udtAppearance.ColorsCustom);
    QCOMPARE(dlg->boxInWordsFile->text(), kWordsA);
}

// ---- About panel ---------------------------------------------------------------------------

void TestFrmOptions::versionHover()
{
    auto dlg = open();
    QVERIFY(dlg);
    const QString shortText = QStringLiteral("Mavo Tallyer   3.9");
    QCOMPARE(dlg->lblVersion->text(), shortText);
    QTest::mouseMove(dlg->lblVersion, dlg->lblVersion->rect().center());
    QTRY_COMPARE(dlg->lblVersion->text(), QStringLiteral("Mavo Tallyer   3.9.13"));
    QTest::mouseMove(dlg->lblMaker, dlg->lblMaker->rect().center());
    QTRY_COMPARE(dlg->lblVersion->text(), shortText);

    // Straight out of the frame from the label: the long text stays.
    QTest::mouseMove(dlg->lblVersion, dlg->lblVersion->rect().center());
    QTRY_VERIFY(dlg->lblVersion->text().endsWith(QStringLiteral("3.9.13")));
    QTest::mouseMove(dlg->btnOK, dlg->btnOK->rect().center());
    QTest::qWait(0);
    QVERIFY(dlg->lblVersion->text().endsWith(QStringLiteral("3.9.13")));
}

void TestFrmOptions::linkOpensAddress()
{
    auto dlg = open();
    QVERIFY(dlg);
    QCOMPARE(dlg->lblWWW->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QVERIFY(dlg->lblWWW->font().underline());
    QCOMPARE(dlg->lblWWW->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(dlg->lblWWW, Qt::LeftButton, {}, dlg->lblWWW->rect().center());
    QCOMPARE(m_urls, QList<QUrl>{QUrl(QStringLiteral("https://mavo.example/tallyer"))});
}

void TestFrmOptions::logoPhases()
{
    auto dlg = std::make_unique<frmOptions>();
    QVERIFY(dlg->optTimerMavoWave->isActive());
    QCOMPARE(dlg->optTimerMavoWave->interval(), 100);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    dlg->optTimerMavoWave->stop();

    const int firstFrame = frmOptions::logoFrameIndex();
    for (int tick = 1; tick <= 20; ++tick) {
        dlg->optTimerMavoWave_Timer();
        const QString at = QStringLiteral("tick %1").arg(tick);
        QCOMPARE(dlg->picLogo->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
                 logoImage((firstFrame + tick - 1) % 8));
        QCOMPARE(frmOptions::logoFrameIndex(), (firstFrame + tick) % 8);
        QVERIFY2(dlg->picLogo->isVisible() == (tick >= 3), qPrintable(at));
        if (tick >= 3)
            QVERIFY2(dlg->picLogo->width() == 7 * qMin(tick - 2, 8), qPrintable(at));
    }
    // Whole and in the frame's top right corner, 3 pixels from its edge.
    QCOMPARE(dlg->picLogo->geometry().right(), dlg->frameAbout->width() - 3 - 1);
    QCOMPARE(dlg->f_lngLogoPhase, -1);
}

void TestFrmOptions::logoLoopGoesOnAfterReopen()
{
    int frameAtClose = 0;
    {
        auto dlg = open();
        QVERIFY(dlg);
        for (int tick = 0; tick < 13; ++tick)
            dlg->optTimerMavoWave_Timer();
        frameAtClose = frmOptions::logoFrameIndex();
        dlg->btnCancel->click();
    }
    auto dlg = open();
    QVERIFY(dlg);
    QCOMPARE(dlg->f_lngLogoPhase, 0);
    QVERIFY(!dlg->picLogo->isVisible());
    dlg->optTimerMavoWave_Timer();
    QCOMPARE(dlg->picLogo->pixmap().toImage().convertToFormat(QImage::Format_ARGB32), logoImage(frameAtClose));
    QVERIFY(!dlg->picLogo->isVisible());
}

QTEST_MAIN(TestFrmOptions)
#include "tst_frmoptions.moc"
