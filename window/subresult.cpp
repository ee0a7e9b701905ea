// The sub result: the value of the selected part of the sheet, shown grey in the result panel.

#include "frmtallyer.h"

#include "calcfield.h"
#include "colorvalue.h"
#include "mavolabel3d.h"
#include "hints.h"
#include "modfunctions.h"
#include "sheeteditor.h"

#include <QTimer>

namespace {

constexpr quint32 kSysColorButtonShadow = 0x80000010u;
const QString kCrLf = QStringLiteral("\r\n");

} // namespace

void frmTallyer::TimerSelWork_Timer()
{
    // A selection made of line breaks only is no selection.
    const QString sel = boxCalc->SelText();
    f_blnSelection = !TrimChars(sel, kCrLf, TrimLeft).isEmpty();

    // A hint shown over the panels goes with any change of the selection.
    hints->hide();

    if (f_blnSelection) {
        // Evaluate only when the selection or the rounding changed.
        if (m_roundDigit != f_udtSubResult.Round || sel != f_udtSubResult.Sel) {
            EvaluateSelection(sel);
            f_udtSubResult = {sel, lblResult->Caption(), m_roundDigit};
        } else {
            if (lblResult->ForeColor() != kSysColorButtonShadow)
                lblResult->setForeColor(kSysColorButtonShadow);
            if (lblResult->Caption() != f_udtSubResult.Caption)
                lblResult->setCaption(f_udtSubResult.Caption);
        }
    } else {
        // No selection: the result of the whole sheet, in the ordinary colour.
        if (lblResult->ForeColor() != kSysColorButtonText)
            lblResult->setForeColor(kSysColorButtonText);
        lblResult->setCaption(ExpressionResultText(f_strExpression));
        f_udtSubResult = {};
    }
    // Nothing is left to do until the field draws again.
    TimerSelWork->stop();
}

void frmTallyer::EvaluateSelection(const QString &strSel)
{
    const QString result = ExpressionResultText(SheetExpression(TrimChars(strSel, kCrLf, TrimBoth)));
    lblResult->setForeColor(kSysColorButtonShadow);
    lblResult->setCaption(result);
}

QString frmTallyer::ExpressionResultText(const QString &strExpression) const
{
    if (strExpression.contains(kCrLf))
        return QString();
    const int decimals = roundDigit();
    const LocaleValues &loc = sheet->locale();
    for (const ResultMemo &memo : m_resultMemo) {
        if (memo.decimals == decimals && memo.leadingZero == loc.leadingZero && memo.decimal == loc.decimalSeparator
            && memo.thousands == loc.thousandsSeparator && memo.expression == strExpression)
            return memo.text;
    }
    bool failed = false;
    const double value = EvaluateExpression(strExpression, loc, failed);
    const QString text = failed ? QString() : FormatResult(value, decimals, loc);
    m_resultMemo[m_resultMemoNext] = {strExpression, decimals, loc.decimalSeparator, loc.thousandsSeparator,
                                      loc.leadingZero, text};
    m_resultMemoNext = 1 - m_resultMemoNext;
    return text;
}
