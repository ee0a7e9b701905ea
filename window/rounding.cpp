// The rounding selector lblRound: "Fix " and the number of decimals shown, 0 to 9.

#include "frmtallyer.h"

#include "mavolabel3d.h"
#include "modfunctions.h"

#include <QTimer>

namespace {

const QStringList &digitList()
{
    static const QStringList digits = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    return digits;
}

} // namespace

int frmTallyer::roundDigit() const
{
    return lblRound->property("Tag").toString().toInt();
}

void frmTallyer::setRoundDigit(const QString &strDigit)
{
    lblRound->setProperty("Tag", strDigit);
    lblRound->setCaption(QStringLiteral("Fix ") + strDigit);
}

void frmTallyer::lblRound_MouseDown(int Button, int, float, float)
{
    PressLabel(Button, lblRound, QString());
}

void frmTallyer::lblRound_MouseMove(int, int, float, float)
{
    ShowHint(QStringLiteral("lblRound"));
    // The neighbouring result panel drops its hover look when the pointer has moved on to the
    // selector.
    if (lblResult->IsUp()) {
        lblResult->setMouseEventsSkip(true);
        lblResult->GoNormal();
        lblResult->setMouseEventsSkip(false);
    }
}

void frmTallyer::lblRound_MouseUp(int Button, int, float X, float)
{
    // A release from the keyboard (X below 0) comes after Ctrl+digit has set the digit already.
    if (X >= 0)
        setRoundDigit(NextInList(lblRound->property("Tag").toString(), digitList(), Button));
    if (f_blnSelection)
        TimerSelWork->start();
    else
        boxCalc_Change();
}
