// The leading zero: a number typed as a bare decimal separator and digits (.5) gets its zero a
// moment after the last key, so typing is never interrupted.

#include "frmtallyer.h"

#include "calcfield.h"
#include "modfunctions.h"

#include <QTimer>

void frmTallyer::TimerPointRefresh_Timer()
{
    // 1. - 2. A line feed in front makes the start of the text the start of a row.
    const QString t = boxCalc->Text();
    qsizetype c = boxCalc->SelStart();
    QString s = QLatin1Char('\n') + t;
    const QString point = localeValues().decimalSeparator;

    // 3. The zero goes in front of the separator; a caret behind the separator moves with it.
    if (!point.isEmpty()) {
        static const QString kStarters[] = {QStringLiteral("-"), QStringLiteral("+"), QStringLiteral("*"),
                                            QStringLiteral("/"), QStringLiteral("\n"), QStringLiteral("(")};
        for (const QString &k : kStarters) {
            const QString pattern = k + point;
            qsizetype from = 0;
            for (;;) {
                const qsizetype at = s.indexOf(pattern, from);
                if (at < 0)
                    break;
                const qsizetype p = at + 1; // 1-based position of the starter
                s.insert(p, QLatin1Char('0'));
                if (c >= p)
                    ++c;
                from = p;
            }
        }
    }

    // 4. - 5.
    s.remove(0, 1);
    if (s != boxCalc->Text()) {
        f_blnWriting = true;
        boxCalc->setText(s);
        f_blnWriting = false;
        boxCalc->setSelStart(c);
        boxCalc_Change();
        boxCalc->viewport()->update();
    }

    // 6.
    TimerPointRefresh->stop();
}
