#include "sheettext.h"

#include "localevalues.h"
#include "texthelpers.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Three minus signs become one: "---" turns into "-" and two spaces, the spaces go; repeated
// until nothing changes, so four become two.
QString collapseMinusRuns(QString s, qsizetype &lngCaret)
{
    for (;;) {
        const qsizetype before = s.size();
        s = ReplaceAll(s, QStringLiteral("---"), QStringLiteral("-  "));
        s = FilterChars(s, QStringLiteral(" "), false, Qt::CaseSensitive, lngCaret);
        if (s.size() == before)
            return s;
    }
}

} // namespace

bool IsContinuationOperator(QChar c)
{
    return QStringView(kContinuationOperators).contains(c);
}

QString CleanSheetText(const QString &strText, qsizetype &lngCaret, bool blnSeparatorsOnly)
{
    const QString sep = localeValues().decimalSeparator;
    const QString foreign = sep == QLatin1String(",") ? QStringLiteral(".") : QStringLiteral(",");
    QString s = collapseMinusRuns(ReplaceAll(strText, foreign, sep), lngCaret);
    if (blnSeparatorsOnly)
        return s;

    s = FilterChars(s, QString::fromUtf16(kSheetAlphabet) + kCrLf, true, Qt::CaseSensitive, lngCaret);

    // Only complete CR LF pairs survive: lone CRs and LFs go.
    s = ReplaceAll(s, kCrLf, QStringLiteral("  "));
    s = FilterChars(s, kCrLf, false, Qt::CaseSensitive, lngCaret);
    s = ReplaceAll(s, QStringLiteral("  "), kCrLf);

    // Dropping a foreign character or a lone CR or LF can join minus signs into a new run of
    // three ("5--x-3"); collapse again, or the cleaned text would still change when cleaned once
    // more and a run of three would stay in the sheet.
    s = collapseMinusRuns(s, lngCaret);

    while (s.startsWith(kCrLf)) {
        s.remove(0, 2);
        lngCaret -= 2;
    }
    while (s.endsWith(kCrLf)) {
        if (s.size() > 2 && IsContinuationOperator(s.at(s.size() - 3)))
            break;
        s.chop(2);
    }
    return s;
}

QString SheetExpression(const QString &strSheet)
{
    QString expression = strSheet;
    for (const QChar op : QStringView(kContinuationOperators))
        expression = ReplaceAll(expression, QString(op) + kCrLf, QString(op));
    return expression;
}
