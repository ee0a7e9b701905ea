#include "sheeteditor.h"

#include "calcfield.h"
#include "localevalues.h"
#include "wrap.h"
#include "sheettext.h"
#include "textrules.h"
#include "texthelpers.h"
#include "sheetdocument.h"

#include <QFontMetricsF>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <tuple>
#include <array>
#include <cmath>
#include <limits>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

SheetEditor::SheetEditor(CalcField *field, int wrapWidth, QObject *parent)
    : QObject(parent)
    , m_field(field)
    , m_wrapWidth(wrapWidth)
    , m_leadingZeroTimer(new QTimer(this))
{
    m_leadingZeroTimer->setObjectName(QStringLiteral("TimerPointRefresh"));
    m_leadingZeroTimer->setSingleShot(true);
    m_leadingZeroTimer->setInterval(m_leadingZeroDelay);
    connect(m_leadingZeroTimer, &QTimer::timeout, this, &SheetEditor::completeLeadingZero);
    connect(m_field, &SheetView::textChanged, this, &SheetEditor::runCycle);
    connect(m_field, &CalcField::keyStarted, this, &SheetEditor::keyStarted);
    connect(m_field, &CalcField::deletionStarted, this, &SheetEditor::holdLeadingZero);
}

void SheetEditor::readLocale()
{
    m_locale = ReadLocaleValues();
}

int SheetEditor::textWidth(const QString &text) const
{
    // Measured with the field's own font, exactly as the field lays text out. Shaping is dear and
    // every key re-wraps every row, so widths are kept: they depend only on the text and the font.
    // The cache is emptied when the font changes and when it grows past a bound.
    constexpr qsizetype kMaxCachedWidths = 65536;
    const QFont &font = m_field->font();
    if (!(font == m_widthCacheFont) || m_widthCache.size() >= kMaxCachedWidths) {
        m_widthCache.clear();
        m_widthCacheFont = font;
    }
    if (const auto it = m_widthCache.constFind(text); it != m_widthCache.cend())
        return *it;
    // Half-way widths round to even.
    const int width = static_cast<int>(std::nearbyint(QFontMetricsF(font).horizontalAdvance(text)));
    // A copy of its own: the text may be a view into the whole sheet.
    m_widthCache.insert(QString(text.constData(), text.size()), width);
    return width;
}

double SheetEditor::widestSheetCharacter() const
{
    const QFont &font = m_field->font();
    if (m_widestFont != font || m_widest <= 0) {
        const QFontMetricsF metrics(font);
        m_widest = 0;
        for (const char16_t c : kSheetAlphabet) {
            if (c != 0)
                m_widest = std::max(m_widest, metrics.horizontalAdvance(QChar(c)));
        }
        m_widestFont = font;
    }
    return m_widest;
}

bool SheetEditor::isSheetText(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), IsSheetCharacter);
}

bool SheetEditor::rowsAtMost(const QString &text, qsizetype length)
{
    // The text is clean: rows of sheet characters between CR LF pairs.
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(u'\r', start);
        if ((end < 0 ? text.size() : end) - start > length)
            return false;
        if (end < 0)
            return true;
        start = end + 2;
    }
}

void SheetEditor::runCycle()
{
    // Our own writes into the document come back here; they are not a change.
    if (m_writing)
        return;
    SheetDocument *document = m_field->document();
    // Only the stretch the edits since the last cycle touched can differ from that cycle's text.
    const bool edited = document->editedSinceMark();
    const qsizetype head = document->untouchedHead();
    const qsizetype tail = document->untouchedTail();
    const bool typed = document->differsFromMark();
    if (typed)
        emit textTyped();
    // The user's number conventions may have changed since the last key.
    readLocale();

    // Separators, minus runs, foreign characters, empty rows at the ends; then rows longer than
    // the field's design width break after an operator. The field may be wider while the panels
    // below need the room; rows keep the design width all the same. A vertical scroll bar and the
    // field's inner margins take their part of it.
    const int scrollBar = m_field->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_field);
    const int w = m_wrapWidth - scrollBar - 6;
    const double widest = widestSheetCharacter();
    // Rows no longer than this fit for sure: a tape of such rows, the usual case, is checked by
    // one scan for its row breaks.
    const qsizetype surelyFits = widest > 0 ? static_cast<qsizetype>((w - 3) / (widest * 1.1)) : 0;
    // After a cycle of this cleaning and wrap, for the same separator and width, every row an edit
    // did not touch is clean and wrapped: only the touched rows are looked at.
    const bool rowsOnly = !m_restoring && m_lastClean && m_lastCleanSeparator == m_locale.decimalSeparator
        && m_lastSurelyFits == surelyFits;
    // A restore needs only the separator swap, and only where it replaced text: every cycle
    // leaves the whole text clean for the separator it ran with.
    const bool restoredRows = m_restoring && m_lastCleanSeparator == m_locale.decimalSeparator;
    qsizetype from = 0;
    qsizetype to = document->size();
    if ((rowsOnly || restoredRows) && edited)
        std::tie(from, to) = RowsToClean(document->rows(), head, document->size() - tail);
    if (!edited && rowsOnly) {
        finishCycle(false);
        return;
    }
    // An undo step puts back a state a cycle left clean and wrapped: the text stays a clean base
    // for the next key when what it wrote is clean and wrapped for the separator and width now.
    const bool wasClean = restoredRows && m_lastClean && m_lastSurelyFits == surelyFits;
    m_restoredClean = false;
    if (m_restoring && ((restoredRows && !edited) || m_restoredCleanFor == m_locale.decimalChar())) {
        m_restoredClean = wasClean && !edited;
        if (!m_restoredClean)
            m_lastSurelyFits = -1;
        finishCycle(typed);
        return;
    }
    QString s = document->text().mid(from, to - from);
    const QString before = s;
    qsizetype c = m_field->SelStart() - from;
    const TextWidthFunction measure = [this, w, widest](const QString &t) {
        // A row of sheet characters no wider than the widest of them times its length, with
        // room for kerning, fits without being shaped: an upper bound below the width makes
        // every decision of the wrap the same as the exact width would.
        const double bound = t.size() * widest * 1.1 + 2;
        if (bound < w && isSheetText(t))
            return static_cast<int>(bound);
        return textWidth(t);
    };
    const QString breakChars = QString::fromUtf16(kContinuationOperators);
    const auto wrap = [&](const QString &t) {
        return rowsAtMost(t, surelyFits) ? t : WrapText(t, breakChars, kCrLf, w, measure);
    };

    if (m_restoring) {
        s = CleanSheetText(s, c, m_locale, true);
        qsizetype caret = 0;
        m_restoredClean = wasClean && wrap(CleanSheetRows(s, caret, m_locale, from == 0, to == document->size())) == s;
        if (!m_restoredClean)
            m_lastSurelyFits = -1;
    } else {
        s = CleanSheetRows(s, c, m_locale, from == 0, to == document->size());
        const QString wrapped = wrap(s);
        m_lastSurelyFits = surelyFits;
        if (wrapped != s) {
            if (m_caretAfterInsert != 0)
                c = m_caretAfterInsert - from;
            // Carry the caret to the end of its operator-delimited run, wrap that prefix, and
            // shift the caret by what the wrap inserted in front of it.
            qsizetype p = c;
            for (; p >= 0;) {
                if (p >= s.size())
                    break;
                ++p;
                if (IsContinuationOperator(s.at(p - 1)))
                    break;
                if (s.mid(p - 1, 2) == kCrLf)
                    break;
            }
            if (p >= 0) {
                p = std::min(p, s.size());
                c = WrapText(s.left(p), breakChars, kCrLf, w, measure).size() + c - p;
            }
            s = wrapped;
        }
    }

    // The fix-up is one more change of the same step, written only where something changed;
    // the caret is clamped into the text.
    if (s != before) {
        m_writing = true;
        if (rowsOnly || restoredRows)
            document->replace(from, to, s);
        else
            document->setText(s); // only what differs is replaced

        if (!m_restoring)
            m_field->setSelStart(std::clamp<qsizetype>(from + c, 0, document->size()));
        m_writing = false;
    }
    finishCycle(s != before ? document->differsFromMark() : typed);
}

void SheetEditor::finishCycle(bool differs)
{
    SheetDocument *document = m_field->document();
    // What the leading zero's next completion must look at.
    if (document->editedSinceMark()) {
        m_unchangedHead = std::min(m_unchangedHead, document->untouchedHead());
        m_unchangedTail = std::min(m_unchangedTail, document->untouchedTail());
    }
    document->mark();
    // A restored text is taken as it was kept: only a cleaned and wrapped one is a clean base.
    m_lastClean = !m_restoring || m_restoredClean;
    m_lastCleanSeparator = m_locale.decimalSeparator;
    emit sheetChanged(differs, m_restoring);
}

void SheetEditor::restore(const QString &text, qsizetype selStart, qsizetype selLength, bool cleaned)
{
    restoreWith([&] { m_field->setText(text); }, selStart, selLength, cleaned);
}

void SheetEditor::restore(const QString &text, const RowNotes &notes, qsizetype selStart, qsizetype selLength,
                          bool cleaned)
{
    restoreWith([&] { m_field->setSheetText(text, notes); }, selStart, selLength, cleaned);
}

void SheetEditor::restore(const TextRing::Edit &edit, qsizetype selStart, qsizetype selLength)
{
    restoreWith([&] { m_field->setSheetText(edit.from, edit.to, edit.text); }, selStart, selLength, false);
}

void SheetEditor::restoreWith(const std::function<void()> &write, qsizetype selStart, qsizetype selLength,
                              bool cleaned)
{
    m_restoring = true;
    m_restoredCleanFor = cleaned ? m_locale.decimalChar() : QChar();
    write(); // the cycle runs, restricted while restoring
    m_field->setSelStart(selStart);
    m_field->setSelLength(selLength);
    m_field->viewport()->update();
    m_restoring = false;
    m_restoredCleanFor = QChar();
}

void SheetEditor::insertAtCaret(const QString &text)
{
    const qsizetype start = m_field->SelStart();
    const qsizetype length = m_field->SelLength();
    m_caretAfterInsert = start + text.size();
    m_field->document()->replace(start, start + length, text);
    m_caretAfterInsert = 0;
    if (m_field->SelStart() == 0)
        m_field->setSelStart(start + text.size());
    m_field->viewport()->update();
}

void SheetEditor::keyStarted()
{
    m_leadingZeroTimer->stop();
    m_leadingZeroTimer->setInterval(m_leadingZeroDelay);
    m_leadingZeroTimer->start();
}

void SheetEditor::holdLeadingZero()
{
    m_leadingZeroTimer->stop();
}

void SheetEditor::setLeadingZeroDelay(int ms)
{
    m_leadingZeroDelay = ms;
    m_leadingZeroTimer->setInterval(ms);
}

void SheetEditor::completeLeadingZero()
{
    m_leadingZeroTimer->stop();
    SheetDocument *document = m_field->document();
    const QString &text = document->text();
    // The text the last completion left wants no zero anywhere: only the rows changed since may.
    qsizetype from = 0;
    qsizetype to = text.size();
    if (m_completedSeparator == m_locale.decimalSeparator) {
        from = std::min(m_unchangedHead, text.size());
        to = text.size() - std::min(m_unchangedTail, text.size() - from);
    }
    // From here on, what the cycles change (this one's zeros and cleaning first) is looked at.
    m_unchangedHead = m_unchangedTail = std::numeric_limits<qsizetype>::max();
    m_completedSeparator = m_locale.decimalSeparator;
    if (from > to)
        return;
    // Whole rows round the stretch: a number never spans a row break.
    const qsizetype rowsFrom = document->rowStart(document->rowOf(from));
    const qsizetype rowsTo = document->rowEnd(document->rowOf(to));
    const QString rows = text.mid(rowsFrom, rowsTo - rowsFrom);
    qsizetype c = m_field->SelStart() - rowsFrom;
    const QString s = CompleteLeadingZeros(rows, c, m_locale.decimalSeparator, from - rowsFrom, to - rowsFrom);

    // The completed rows are written without a cycle of their own; the cycle then runs once.
    if (s.constData() != rows.constData() && s != rows) {
        m_writing = true;
        document->replace(rowsFrom, rowsTo, s);
        m_writing = false;
        m_field->setSelStart(rowsFrom + c);
        runCycle();
        m_field->viewport()->update();
    }
}
