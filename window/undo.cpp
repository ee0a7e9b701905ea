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

bool frmTallyer::matchesEntry(const udtTextHistory &ring, int intSlot) const
{
    return boxCalc->Text() == ring.Text[intSlot] && boxCalc->SelStart() == ring.SelStart[intSlot]
        && boxCalc->SelLength() == ring.SelLength[intSlot] && roundDigit() == ring.Round[intSlot];
}

void frmTallyer::restoreEntry(const udtTextHistory &ring, int intSlot)
{
    f_blnRestoring = true;
    setRoundDigit(QString::number(ring.Round[intSlot]));
    boxCalc->replaceText(ring.Text[intSlot]); // the cycle runs, restricted while restoring
    boxCalc->setSelStart(ring.SelStart[intSlot]);
    boxCalc->setSelLength(ring.SelLength[intSlot]);
    boxCalc->viewport()->update();
    f_blnRestoring = false;
}

void frmTallyer::StepState(udtTextHistory &ring, int intSize, bool blnForward, bool blnRecord)
{
    const int limit = intSize - 1;
    const auto back = [limit](int slot) { return slot <= 0 ? limit : slot - 1; };
    const auto forth = [limit](int slot) { return slot >= limit ? 0 : slot + 1; };

    if (ring.isEmpty())
        return;

    if (!blnForward) {
        if (blnRecord && ring.Cur == ring.Last) {
            // Nothing undone yet: keep the present state, so stepping forward reaches it again.
            RecordState(ring, intSize, true, false);
            ring.Cur = back(ring.Cur);
        }
        if (ring.Cur == ring.First) {
            if (!matchesEntry(ring, ring.Cur))
                restoreEntry(ring, ring.Cur);
            return;
        }
        ring.Cur = back(ring.Cur);
        restoreEntry(ring, ring.Cur);
        return;
    }

    if (ring.Cur == ring.Last)
        return;
    const bool newest = ring.Cur == ring.Last - 1 || (ring.Cur == limit && ring.Last == 0);
    if (newest) {
        if (!matchesEntry(ring, ring.Cur))
            restoreEntry(ring, ring.Cur);
        return;
    }
    ring.Cur = forth(ring.Cur);
    restoreEntry(ring, ring.Cur);
}
