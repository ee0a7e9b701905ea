// The leading zero: a number typed as a bare decimal separator and digits (.5) gets its zero a
// moment after the last key, so typing is never interrupted.

#include "frmtallyer.h"

#include "calcfield.h"
#include "modfunctions.h"
#include "textrules.h"

#include <QTimer>

void frmTallyer::TimerPointRefresh_Timer()
{
    qsizetype c = boxCalc->SelStart();
    const QString s = CompleteLeadingZeros(boxCalc->Text(), c, m_locale.decimalSeparator);

    // The completed text is written without a cycle of its own; the cycle then runs once.
    if (s != boxCalc->Text()) {
        f_blnWriting = true;
        boxCalc->setText(s);
        f_blnWriting = false;
        boxCalc->setSelStart(c);
        boxCalc_Change();
        boxCalc->viewport()->update();
    }

    // One-shot: the next key re-arms it.
    TimerPointRefresh->stop();
}
