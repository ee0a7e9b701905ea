#include "sheeteditor.h"

#include "calcfield.h"
#include "localevalues.h"
#include "wrap.h"
#include "sheettext.h"
#include "textrules.h"
#include "texthelpers.h"

#include <QFontMetricsF>
#include <QStyle>
#include <QTimer>

#include <algorithm>
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
    // Our own writes into the field come back here; they are not a change.
    if (m_writing)
        return;
    // The text before the key and the one after it are compared once for all who follow it; the
    // field knows what its edits since the last cycle left alone, which saves even that.
    const CommonEndsMemo memo;
    if (CommonEnds untouched; m_field->changeSinceMark(m_lastText, untouched))
        RememberCommonTextEnds(m_lastText, m_field->sheetText(), untouched);
    const bool typed = m_field->Text() != m_lastText;
    if (typed)
        emit textTyped();
    // The user's number conventions may have changed since the last key.
    readLocale();
    QString s = m_field->Text();
    qsizetype c = m_field->SelStart();

    // Separators, minus runs, foreign characters, line breaks, empty rows. After the last cycle's
    // clean text, only the rows a key touched need looking at.
    const bool afterClean = !m_restoring && m_lastClean && m_lastCleanSeparator == m_locale.decimalSeparator;
    const QString before = m_lastText;
    QStringView touched; // the rows the key touched, when the cleaning found them clean
    s = afterClean ? CleanEditedSheetText(before, s, c, m_locale, &touched) : CleanSheetText(s, c, m_locale, m_restoring);

    // Rows longer than the field's design width break after an operator. The field may be wider
    // while the panels below need the room; rows keep the design width all the same. A vertical
    // scroll bar and the field's inner margins take their part of it.
    if (!m_restoring) {
        const int scrollBar = m_field->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_field);
        const int w = m_wrapWidth - scrollBar - 6;
        const double widest = widestSheetCharacter();
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
        // Rows no longer than the bound lets through fit for sure: a tape of such rows, the usual
        // case, is checked by one scan for its row breaks.
        const qsizetype surelyFits = widest > 0 ? static_cast<qsizetype>((w - 3) / (widest * 1.1)) : 0;
        // Only the rows a key touched, when the last cycle found every row that short.
        const bool rowsFit = afterClean && m_lastSurelyFits == surelyFits
            ? rowsAtMost((touched.isNull() ? EditedRows(before, s) : touched).toString(), surelyFits)
            : rowsAtMost(s, surelyFits);
        const QString wrapped = rowsFit ? s : WrapText(s, breakChars, kCrLf, w, measure);
        m_lastSurelyFits = rowsFit ? surelyFits : -1;
        if (wrapped != s) {
            if (m_caretAfterInsert != 0)
                c = m_caretAfterInsert;
            // Carry the caret to the end of its operator-delimited run, wrap that prefix, and
            // shift the caret by what the wrap inserted in front of it.
            qsizetype p = c;
            for (;;) {
                if (p >= s.size())
                    break;
                ++p;
                if (IsContinuationOperator(s.at(p - 1)))
                    break;
                if (s.mid(p - 1, 2) == kCrLf)
                    break;
            }
            p = std::min(p, s.size());
            c = WrapText(s.left(p), breakChars, kCrLf, w, measure).size() + c - p;
            s = wrapped;
        }
    }

    // Write back only when something changed; the caret is clamped into the text.
    const bool written = s != m_field->Text();
    if (written) {
        m_writing = true;
        m_field->setText(s);
        if (!m_restoring)
            m_field->setSelStart(std::clamp<qsizetype>(c, 0, s.size()));
        m_field->viewport()->update();
        m_writing = false;
    }

    const QString text = m_field->Text();
    const bool differs = written ? text != m_lastText : typed;
    // What the leading zero's next completion must look at.
    const CommonEnds change = CommonTextEnds(m_lastText, text);
    m_unchangedHead = std::min(m_unchangedHead, change.head);
    m_unchangedTail = std::min(m_unchangedTail, change.tail);
    m_lastText = text;
    m_field->markUnchanged();
    // A restored text is taken as it was kept: only a cleaned and wrapped one is a clean base.
    m_lastClean = !m_restoring; // the field holds s now, written back or not
    m_lastCleanSeparator = m_locale.decimalSeparator;
    if (m_restoring)
        m_lastSurelyFits = -1;
    emit sheetChanged(differs, m_restoring);
}

void SheetEditor::restore(const QString &text, qsizetype selStart, qsizetype selLength)
{
    m_restoring = true;
    m_field->setText(text); // only what differs is replaced; the cycle runs, restricted while restoring
    m_field->setSelStart(selStart);
    m_field->setSelLength(selLength);
    m_field->viewport()->update();
    m_restoring = false;
}

void SheetEditor::insertAtCaret(const QString &text)
{
    const qsizetype start = m_field->SelStart();
    const qsizetype length = m_field->SelLength();
    const QString old = m_field->Text();
    m_caretAfterInsert = start + text.size();
    m_field->setText(old.left(start) + text + old.mid(start + length));
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

void SheetEditor::writeQuietly(const QString &text)
{
    m_writing = true;
    m_field->setText(text);
    m_writing = false;
}

void SheetEditor::completeLeadingZero()
{
    qsizetype c = m_field->SelStart();
    const QString text = m_field->Text();
    // The text the last completion left wants no zero anywhere: only what changed since may.
    qsizetype from = 0;
    qsizetype to = text.size();
    if (m_completedSeparator == m_locale.decimalSeparator) {
        from = std::min(m_unchangedHead, text.size());
        to = text.size() - std::min(m_unchangedTail, text.size());
    }
    const QString s = CompleteLeadingZeros(text, c, m_locale.decimalSeparator, from, to);
    // From here on, what the cycles change (this one's zeros and cleaning first) is looked at.
    m_unchangedHead = m_unchangedTail = std::numeric_limits<qsizetype>::max();
    m_completedSeparator = m_locale.decimalSeparator;

    // The completed text is written without a cycle of its own; the cycle then runs once.
    if (s.constData() != text.constData() && s != text) {
        writeQuietly(s);
        m_field->setSelStart(c);
        runCycle();
        m_field->viewport()->update();
    }
    m_leadingZeroTimer->stop();
}
