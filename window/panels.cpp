// The press routine shared by every push-label of the window, the strip test, the result and
// memory panels (copying in digits or in words), the strip button and the options button.

#include "frmtallyer.h"

#include "calcfield.h"
#include "datafolders.h"
#include "loadtext.h"
#include "hints.h"
#include "mavolabel3d.h"
#include "modfunctions.h"
#include "sheeteditor.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>

#include <cmath>

void frmTallyer::PressLabel(MavoLabel3D *label, const QString &strName)
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

void frmTallyer::labelMouseDown(MavoLabel3D *label, int button)
{
    if (label == lblResult || label == lblMemory)
        Panel_MouseDown(label, button);
    else if (label == lblM || label == lblMC || label == lblMR || label == lblMPlus || label == lblMMinus)
        PressLabel(label, label->Caption()); // the memory buttons name themselves over the panel
    else
        PressLabel(label, QString());
}

void frmTallyer::labelMouseUp(MavoLabel3D *label, int button)
{
    if (label == lblResult || label == lblMemory) {
        CopyPanelText(label, label->CaptionShiftOnDown() == MavoLabel3D::ShiftRight);
    } else if (label == lblRound) {
        stepRoundDigit(button);
        roundingChanged();
    } else if (label == lblM) {
        MemoryStore();
    } else if (label == lblMC) {
        MemoryClear();
    } else if (label == lblMR) {
        MemoryRecall();
    } else if (label == lblMPlus) {
        MemoryArithmetic(MemoryBank::Operation::Add);
    } else if (label == lblMMinus) {
        MemoryArithmetic(MemoryBank::Operation::Subtract);
    }
    else if (label == lblMemMenu)
        PopupMemoryMenu();
    else if (label == lblMoveSize)
        lblMoveSize_MouseUp();
    else if (label == lblOptions)
        lblOptions_MouseUp();
}

void frmTallyer::Panel_MouseDown(MavoLabel3D *panel, int button)
{
    if (panel->IsDown())
        return;
    // The caption moves down for a copy in digits, right for a copy in words.
    if (button == MavoLabel3D::LeftButton)
        panel->setCaptionShiftOnDown(MavoLabel3D::ShiftDown);
    else if (button == MavoLabel3D::RightButton)
        panel->setCaptionShiftOnDown(MavoLabel3D::ShiftRight);
    else
        return;
    PressLabel(panel, QString());
}

void frmTallyer::CopyPanelText(MavoLabel3D *label, bool blnInWords)
{
    const QString t = label->Caption();
    if (!label->IsDown() || t.isEmpty())
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();

    const LocaleValues &loc = sheet->locale();
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
    // A second request while the dialog is open is ignored.
    if (m_optionsOpen)
        return;
    m_optionsOpen = true;

    // Every push-label comes back to normal before the dialog opens.
    const QList<MavoLabel3D *> labels = findChildren<MavoLabel3D *>();
    for (MavoLabel3D *l : labels) {
        if (l->IsDown())
            l->GoNormal();
    }
    m_keyDown.fill(false);

    // The dialog is topmost itself; the calculator must not cover it.
    setAlwaysOnTop(false);
    hints->hide(false);
    lblOptions->GoNormal();

    // The dialog works on a copy; only OK gives values back.
    QPointer<frmTallyer> self(this);
    std::optional<Options> changed;
    if (m_optionsOpener)
        changed = m_optionsOpener(this, m_options);
    if (!self)
        return;
    m_optionsOpen = false;
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
            sheet->runCycle();
        else
            TimerSelWork->start();
    }
}
