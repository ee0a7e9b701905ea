// The window's undo ring and its expression history.

#include "frmtallyer.h"

#include "calcfield.h"
#include "sheeteditor.h"

void frmTallyer::takeSnapshot()
{
    m_snapshot = fieldState();
}

TextEntry frmTallyer::fieldState() const
{
    return {boxCalc->Text(), static_cast<qint32>(boxCalc->SelStart()), static_cast<qint32>(boxCalc->SelLength()),
            static_cast<quint8>(roundDigit())};
}

void frmTallyer::RecordState(TextRing &ring, bool record)
{
    if (record) {
        ring.record(m_snapshot);
        return;
    }

    // Adding the field's expression to the history: wholly selected when it comes back.
    ring.toEnd();
    const QString text = boxCalc->Text();
    if (QString(text).remove(QStringLiteral("\r\n")).isEmpty())
        return;
    if (text == ring.newest().text)
        return;
    ring.record({text, 0, static_cast<qint32>(text.size()), static_cast<quint8>(roundDigit())});
}

void frmTallyer::restoreEntry(const TextEntry &entry)
{
    setRoundDigit(entry.round);
    sheet->restore(entry.text, entry.selStart, entry.selLength);
}

void frmTallyer::StepState(TextRing &ring, bool forward, bool record)
{
    if (ring.isEmpty())
        return;

    if (!forward) {
        if (record && ring.atEnd()) {
            // Nothing undone yet: keep the present state, so stepping forward reaches it again.
            RecordState(ring, true);
            ring.back();
        }
    } else if (ring.atEnd()) {
        return;
    }
    // At the oldest (back) or newest (forward) entry the field is put back only if it differs.
    const bool moved = forward ? ring.forward() : ring.back();
    if (moved || fieldState() != ring.current())
        restoreEntry(ring.current());
}
