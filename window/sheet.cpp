// The evaluation cycle of the calculation sheet, row wrapping and the window height that follows
// the rows.

#include "frmtallyer.h"

#include "calcfield.h"
#include "mavolabel3d.h"
#include "modfunctions.h"

#include <QFontMetricsF>
#include <QHash>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Round half to even, as the width conversion wants.
int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

int frmTallyer::TextWidthPixels(const QString &strText) const
{
    // Measured with the field's own font, exactly as the field lays text out. Shaping is dear and
    // every key re-wraps every row, so widths are kept: they depend only on the text and the font.
    // The cache is emptied when the font changes and when it grows past a bound.
    constexpr qsizetype kMaxCachedWidths = 65536;
    const QFont font = boxCalc->font();
    if (!(font == m_widthCacheFont) || m_widthCache.size() >= kMaxCachedWidths) {
        m_widthCache.clear();
        m_widthCacheFont = font;
    }
    if (const auto it = m_widthCache.constFind(strText); it != m_widthCache.cend())
        return *it;
    const int width = roundHalfEven(QFontMetricsF(font).horizontalAdvance(strText));
    m_widthCache.insert(strText, width);
    return width;
}

qint32 frmTallyer::fieldLineCount() const
{
    boxCalc->resumeRedraw();
    // Callers keep the low 16 bits of the count; a tape of more than 32,767 rows would read as
    // a negative count and shrink the window to its fewest rows, so the count stops there.
    return std::min<qint32>(boxCalc->visualLineCount(), 32767);
}

void frmTallyer::boxCalc_Change()
{
    // Our own writes into the field come back here; they are not a change.
    if (f_blnWriting)
        return;
    // A real change of the text, not a bare re-evaluation, ends the F1 greeting.
    if (boxCalc->Text() != f_strLastText) {
        f_blnTyped = true;
        f_tmrLastTyped.start();
    }
    // The user's number conventions may have changed since the last key.
    f_blnEdited = true;
    m_locale = ReadLocaleValues();
    // The text and the caret as the field has them now.
    QString s = boxCalc->Text();
    qsizetype c = boxCalc->SelStart();

    // 4. - 10. Separators, minus runs, foreign characters, line breaks, empty rows.
    s = CleanSheetText(s, c, m_locale, f_blnRestoring);

    // 11. - 12. Wrapping, main window only.
    if (!f_blnRestoring && !m_blnIsHistory) {
        // The field's design width in pixels, less a vertical scroll bar and the field's inner
        // margins. The field itself may be wider while the panels below need the room; rows keep
        // the design width all the same.
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, boxCalc);
        const int w = kDesignFieldWidth - scrollBar - 6;
        const TextWidthFunction measure = [this](const QString &t) { return TextWidthPixels(t); };
        const QString breakChars = QString::fromUtf16(kContinuationOperators);
        const QString wrapped = WrapText(s, breakChars, kCrLf, w, measure);
        if (wrapped != s) {
            if (f_lngCaretAfterInsert != 0)
                c = f_lngCaretAfterInsert;
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
        g_udtHistory.toEnd();
    }

    // 13. Write back only when something changed; the caret is clamped into the text.
    if (s != boxCalc->Text()) {
        f_blnWriting = true;
        boxCalc->setText(s);
        if (!f_blnRestoring)
            boxCalc->setSelStart(std::clamp<qsizetype>(c, 0, s.size()));
        boxCalc->viewport()->update();
        f_blnWriting = false;
    }

    // 14. Rows.
    const qint16 rows = LoWord(fieldLineCount());
    if (rows != f_intRows) {
        f_intRows = rows;
        ResizeToRows(lblMoveSize->Caption() == QLatin1String("<<"), rows, false);
    }

    // The sub result, once per cycle, before the expression is evaluated.
    if (!m_blnIsHistory)
        TimerSelWork_Timer();

    // The rows as one expression, evaluated and shown in the result panel.
    f_strExpression = SheetExpression(s);
    lblResult->setCaption(ExpressionResultText(f_strExpression));

    // A real change goes into the undo ring.
    if (!m_blnIsHistory) {
        const QString text = boxCalc->Text();
        if (text != f_strLastText) {
            if (!f_blnRestoring) {
                RecordState(f_udtUndo, true);
                takeSnapshot();
            }
        }
        f_strLastText = text;
    }
}

void frmTallyer::ResizeToRows(bool blnShowStrip, qint16 intRows, bool blnHeightOnly)
{
    const double tppX = twipsX();
    const double tppY = twipsY();

    // The rounding selector has no caption before the first placement.
    const bool firstPlacement = lblRound->Caption().isEmpty();
    // A hint would stand in the wrong place once the height changes.
    TimerMyToolTip->stop();
    lblToolTip->setVisible(false);
    // The rows shown stay within the options' limits.
    qint32 rows = std::max<qint32>(intRows, m_options.minRows);
    rows = std::min<qint32>(rows, m_options.maxRows);
    // Only a normal window can take a new height.
    if (isMinimized() || isMaximized())
        showNormal();

    // 5. - 6. Heights in twips: the caption bar, the field's top and height, the spare part of
    // the window beside them, and the strip when it is shown.
    const double fieldHeight = boxCalc->height() * tppY;
    double d = m_placement.rowHeight * rows + 120 - fieldHeight;
    // The frame spare is measured on the client area, so the frame's lower border (known once
    // the window is shown) is counted with the caption bar, or the bottom would leave the screen.
    const int lowerBorder = std::max(0, frameGeometry().bottom() - geometry().bottom());
    const double caption = (captionBarPixels() + lowerBorder) * tppY;
    double h = caption + boxCalc->y() * tppY + fieldHeight + d + m_placement.frameSpare
        + (blnShowStrip ? m_placement.stripHeight : 0);

    // Where the window stands: its saved place the first time, its last place after.
    float left = m_placement.formLeft;
    float top = m_placement.formTop;
    if (firstPlacement) {
        ReadFormPosition(left, top);
        m_placement.formLeft = left;
        m_placement.formTop = top;
    }
    ClampLeft(left);
    if (top < 0)
        top = 0;

    // 8. A window that would leave the screen at the bottom moves up; one taller than the screen
    // goes to the top and shows fewer rows.
    if (top + h > m_placement.screenHeight) {
        if (h < m_placement.screenHeight) {
            top = static_cast<float>(m_placement.screenHeight - h);
        } else {
            top = 0;
            do {
                d -= m_placement.rowHeight;
                h -= m_placement.rowHeight;
            } while (h > m_placement.screenHeight && m_placement.rowHeight > 0);
        }
    }

    // The field, the window and the panels below take the new height; the move this causes is
    // not recorded as the user's.
    m_holdPosition = true;
    const int dPixels = static_cast<int>(std::lround(d / tppY));
    if (dPixels != 0)
        boxCalc->resize(boxCalc->width(), std::max(1, boxCalc->height() + dPixels));
    const int clientHeight = std::max(1, static_cast<int>(std::lround((h - caption) / tppY)));
    if (!blnHeightOnly) {
        if (m_blnIsHistory) {
            // The history window opens in the middle of the screen; stepping to an entry with
            // more rows then grows it downward from where it is, moving up only as far as the
            // screen's bottom edge demands.
            const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
            resize(width(), clientHeight);
            if (!isVisible()) {
                move(screen.x() + (screen.width() - frameGeometry().width()) / 2,
                     screen.y() + (screen.height() - frameGeometry().height()) / 2);
            } else if (frameGeometry().bottom() > screen.bottom()) {
                move(x(), std::max(screen.top(), y() - (frameGeometry().bottom() - screen.bottom())));
            }
        } else {
            resize(width(), clientHeight);
            move(static_cast<int>(std::lround(left / tppX)), static_cast<int>(std::lround(top / tppY)));
        }
    } else {
        resize(width(), clientHeight);
    }
    if (dPixels != 0) {
        lblF1Label->move(lblF1Label->x(), lblF1Label->y() + dPixels);
        frame2->move(frame2->x(), frame2->y() + dPixels);
    }
    m_holdPosition = false;
}
