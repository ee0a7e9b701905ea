// The window's undo ring and the program's expression history.

#include "frmtallyer.h"

#include "calcfield.h"
#include "mavolabel3d.h"

void frmTallyer::takeSnapshot()
{
    f_strSnapText = boxCalc->Text();
    f_lngSnapSelStart = static_cast<qint32>(boxCalc->SelStart());
    f_lngSnapSelLength = static_cast<qint32>(boxCalc->SelLength());
    f_bytSnapRound = static_cast<quint8>(roundDigit());
}

void frmTallyer::RecordState(udtTextHistory &ring, int intSize, bool blnRecord, bool blnAdvance)
{
    const int limit = intSize - 1;
    auto advance = [&ring, limit] {
        ring.Cur = ring.Cur >= limit ? 0 : ring.Cur + 1;
        ring.Last = ring.Cur;
        if (ring.Cur == ring.First)
            ring.First = ring.First >= limit ? 0 : ring.First + 1;
    };

    if (blnAdvance) {
        advance();
        return;
    }
    if (blnRecord) {
        const int i = ring.Cur;
        advance();
        ring.Text[i] = f_strSnapText;
        ring.SelStart[i] = f_lngSnapSelStart;
        ring.SelLength[i] = f_lngSnapSelLength;
        ring.Round[i] = f_bytSnapRound;
        return;
    }

    // Adding the field's expression to the history.
    ring.Cur = ring.Last;
    const QString text = boxCalc->Text();
    if (QString(text).remove(QStringLiteral("\r\n")).isEmpty())
        return;
    const int before = ring.Cur == 0 ? limit : ring.Cur - 1;
    if (text == ring.Text[before])
        return;
    const int i = ring.Cur;
    advance();
    ring.Text[i] = text;
    ring.SelLength[i] = static_cast<qint32>(text.size());
    ring.Round[i] = static_cast<quint8>(roundDigit());
}
