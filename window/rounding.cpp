// The rounding selector lblRound: "Fix " and the number of decimals shown, 0 to 9.

#include "frmtallyer.h"

#include "hints.h"
#include "mavolabel3d.h"
#include "modfunctions.h"
#include "sheeteditor.h"

#include <QTimer>

void frmTallyer::setRoundDigit(int digit)
{
    m_roundDigit = digit;
    lblRound->setCaption(QStringLiteral("Fix ") + QString::number(digit));
}

void frmTallyer::lblRound_MouseMove()
{
    hints->show(QStringLiteral("lblRound"));
    // The neighbouring result panel drops its hover look when the pointer has moved on to the
    // selector.
    if (lblResult->IsUp()) {
        lblResult->setMouseEventsSkip(true);
        lblResult->GoNormal();
        lblResult->setMouseEventsSkip(false);
    }
}

void frmTallyer::stepRoundDigit(int button)
{
    static const QStringList digits = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    setRoundDigit(NextInList(QString::number(m_roundDigit), digits, button).toInt());
}

void frmTallyer::roundingChanged()
{
    if (f_blnSelection)
        TimerSelWork->start();
    else
        sheet->runCycle();
}
