// The press routine shared by every push-label of the window, the strip test, the result and
// memory panels (copying in digits or in words), the strip button and the options button.

#include "frmtallyer.h"

#include "calcfield.h"
#include "datafolders.h"
#include "loadtext.h"
#include "mavolabel3d.h"

#include "modfunctions.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>

#include <cmath>

namespace {

OptionsDialogOpener g_fnOptionsOpener;

} // namespace

void setOptionsDialogOpener(OptionsDialogOpener opener)
{
    g_fnOptionsOpener = std::move(opener);
}

void frmTallyer::PressLabel(int, MavoLabel3D *label, const QString &strName)
{
    if (!label->Enabled() || label->IsDown())
        return;
    if (anyKeyDown())
        label->setMouseEventsSkip(true); // the mouse must not interfere with a key's press
    label->GoDown();
    if (StripShown() || strName.isEmpty())
        return;
    lblResultLabel->setText(strName);
    lblResultLabel->setVisible(true);
}

bool frmTallyer::StripShown() const
{
    const double tppY = twipsY();
    const double inner = height() * tppY;
    const double fieldBottom = (boxCalc->y() + boxCalc->height()) * tppY;
    return inner > fieldBottom + m_placement.frameSpare + 100;
}

void frmTallyer::labelMouseDown(MavoLabel3D *label, int Button)
{
    if (label == lblResult || label == lblMemory)
        Panel_MouseDown(label, Button);
    else if (label == lblRound)
        lblRound_MouseDown(Button, 0, 0, 0);
    else if (label == lblM)
        PressLabel(Button, label, QStringLiteral("M"));
    else if (label == lblMC)
        PressLabel(Button, label, QStringLiteral("MC"));
    else if (label == lblMR)
        PressLabel(Button, label, QStringLiteral("MR"));
    else if (label == lblMPlus)
        PressLabel(Button, label, QStringLiteral("M+"));
    else if (label == lblMMinus)
        PressLabel(Button, label, QStringLiteral("M-"));
    else
        PressLabel(Button, label, QString());
}

void frmTallyer::labelMouseUp(MavoLabel3D *label, int Button, float X)
{
    if (label == lblResult || label == lblMemory)
        Panel_MouseUp(label);
    else if (label == lblRound)
        lblRound_MouseUp(Button, 0, X, 0);
    else if (label == lblM)
        MemoryStore();
    else if (label == lblMC)
        MemoryClear();
    else if (label == lblMR)
        MemoryRecall();
    else if (label == lblMPlus)
        MemoryAdd();
    else if (label == lblMMinus)
        MemorySubtract();
    else if (label == lblMemMenu)
        PopupMemoryMenu();
    else if (label == lblMoveSize)
        lblMoveSize_MouseUp();
    else if (label == lblOptions)
        lblOptions_MouseUp();
}

void frmTallyer::Panel_MouseDown(MavoLabel3D *panel, int Button)
{
    if (panel->IsDown())
        return;
    // The caption moves down for a copy in digits, right for a copy in words.
    if (Button == 1)
        panel->setCaptionShiftOnDown(2);
    else if (Button == 2)
        panel->setCaptionShiftOnDown(1);
    else
        return;
    PressLabel(1, panel, QString());
}

void frmTallyer::Panel_MouseUp(MavoLabel3D *panel)
{
    CopyPanelText(panel, panel->CaptionShiftOnDown() == 1);
}

void frmTallyer::CopyPanelText(MavoLabel3D *label, bool blnInWords)
{
    const QString t = label->Caption();
    if (!label->IsDown() || t.isEmpty())
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();

    const LocaleValues &loc = m_locale;
    if (!blnInWords) {
        QString digits = t;
        const qsizetype point = loc.decimalSeparator.isEmpty() ? -1 : t.indexOf(loc.decimalSeparator);
        if (point >= 0)
            digits = t.left(point) + TrimChars(t.mid(point), QStringLiteral("0") + loc.decimalSeparator, TrimRight);
        digits = FilterChars(digits, QStringLiteral(" ") + loc.thousandsSeparator, false);
        clipboard->setText(digits);
        return;
    }

    const QString plain = loc.thousandsSeparator.isEmpty() ? t : ReplaceAll(t, loc.thousandsSeparator, QString());
    const QChar point = loc.decimalSeparator.isEmpty() ? QChar(u'.') : loc.decimalSeparator.at(0);
    const std::optional<Currency> amount = Currency::fromText(plain, point);
    if (!amount)
        return; // "Error" and the like: nothing to say in words
    const QString path = DataFilePath(m_options.inWordsFile, QCoreApplication::applicationDirPath());
    bool failed = false;
    const QString words = AmountInWords(
        *amount, path, loc.lcid, failed, LoadText(1150, {QStringLiteral("|1"), QStringLiteral("\n")}),
        LoadText(1151, {QStringLiteral("|1"), QStringLiteral("\n"), QStringLiteral("|2"), path}));
    if (!failed)
        clipboard->setText(words);
}

void frmTallyer::lblMoveSize_MouseUp()
{
    // The strip of memory buttons comes into the window or is cut off again.
    const int onePixel = static_cast<int>(std::lround(twipsX()));
    if (lblMoveSize->Caption() == QLatin1String("<<")) {
        lblMoveSize->setCaption(QStringLiteral(">>"));
        lblMoveSize->setMarginRight(lblMoveSize->MarginRight() - onePixel);
    } else {
        lblMoveSize->setCaption(QStringLiteral("<<"));
        lblMoveSize->setMarginRight(lblMoveSize->MarginRight() + onePixel);
    }
    ResizeToRows(lblMoveSize->Caption() == QLatin1String("<<"), LoWord(fieldLineCount()), false);
    TimerSelWork->start();
}

void frmTallyer::lblOptions_MouseUp()
{
    // 1. A second request while the dialog is open is ignored.
    if (!lblOptions->property("Tag").toString().isEmpty())
        return;
    lblOptions->setProperty("Tag", QStringLiteral("Show"));

    // Every push-label comes back to normal before the dialog opens.
    const QList<MavoLabel3D *> labels = findChildren<MavoLabel3D *>();
    for (MavoLabel3D *l : labels) {
        if (l->IsDown())
            l->GoNormal();
    }
    f_blnKeyDown.fill(false);

    // 3. - 4. The dialog is topmost itself; the calculator must not cover it.
    setAlwaysOnTop(false);
    TimerMyToolTip->stop();
    lblToolTip->setVisible(false);
    lblOptions->GoNormal();

    // 5. - 6. The dialog works on a copy; only OK gives values back.
    QPointer<frmTallyer> self(this);
    std::optional<Options> changed;
    if (g_fnOptionsOpener)
        changed = g_fnOptionsOpener(this, m_options);
    if (!self)
        return;
    lblOptions->setProperty("Tag", QString());
    if (changed)
        m_options = *changed;

    // The window is on top again, if it was, and has the focus back.
    setAlwaysOnTop(m_options.alwaysOnTop);
    raise();
    activateWindow();

    // New options are applied by loading the window again, and the result follows them.
    if (changed) {
        Form_Load();
        if (!f_blnSelection)
            boxCalc_Change();
        else
            TimerSelWork->start();
    }
}
