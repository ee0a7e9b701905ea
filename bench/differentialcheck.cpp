// The differential checks shared by bench_differential (a million expressions) and
// tst_differential (a reduced run under CTest). Each returns the number of differences and prints
// the first twenty.

#include "differentialcheck.h"

#include "expressiongenerator.h"
#include "evaluator.h"
#include "localevalues.h"
#include "sheettext.h"
#include "referenceevaluator.h"

#include "calcsession.h"
#include "numberformat.h"
#include "tapefold.h"
#include "tapemodel.h"

#include <chrono>
#include <random>
#include <cstdio>
#include <cstring>

namespace {

bool sameValue(const std::optional<double> &a, const std::optional<double> &b)
{
    return a.has_value() == b.has_value() && (!a || std::memcmp(&*a, &*b, sizeof(double)) == 0);
}

LocaleValues editLocale(int variant)
{
    LocaleValues loc;
    const QChar sep = variant % 4 < 2 ? u'.' : u',';
    loc.decimalSeparator = QString(sep);
    loc.thousandsSeparator = sep == u'.' ? QStringLiteral(",") : QStringLiteral(" ");
    loc.leadingZero = variant % 2 == 0;
    return loc;
}

} // namespace

// Generated expressions evaluated by both, and a tenth as many generated sheets cleaned by both
// (as typed and as an undo restores them) and joined into their expressions, in the four locales.
long long checkExpressions(long long expressions, quint64 seed)
{
    LocaleValues loc;
    loc.thousandsSeparator = QStringLiteral(" ");

    const auto start = std::chrono::steady_clock::now();
    long long checked = 0;
    long long values = 0;
    long long differences = 0;
    const auto report = [&differences](const QString &what, const QString &detail) {
        if (++differences <= 20)
            std::printf("DIFFERENCE %s: %s\n", qPrintable(what), qPrintable(detail));
    };

    // Four locales: "." and "," each with the leading-zero flag set and clear.
    for (int variant = 0; variant < 4; ++variant) {
        const QChar sep = variant < 2 ? u'.' : u',';
        loc.decimalSeparator = QString(sep);
        loc.leadingZero = variant % 2 == 0;
        reference::setLocale(sep, loc.leadingZero);
        ExpressionGenerator gen(seed + variant, sep);
        for (long long i = 0; i < expressions / 4; ++i) {
            const QString text = gen.next();
            bool failedNew = false;
            bool failedRef = false;
            const double valueNew = EvaluateExpression(text, loc, failedNew);
            const double valueRef = reference::EvaluateExpression(text, failedRef);
            ++checked;
            values += failedRef ? 0 : 1;
            if (failedNew != failedRef || std::memcmp(&valueNew, &valueRef, sizeof(double)) != 0)
                report(text, QStringLiteral("new %1 %2, reference %3 %4")
                                 .arg(failedNew).arg(valueNew, 0, 'g', 17).arg(failedRef).arg(valueRef, 0, 'g', 17));
        }
        for (long long i = 0; i < expressions / 40; ++i) {
            const QString text = gen.sheet();
            for (const bool separatorsOnly : {false, true}) {
                qsizetype caretNew = i % (text.size() + 1);
                qsizetype caretRef = caretNew;
                const QString cleanNew = CleanSheetText(text, caretNew, loc, separatorsOnly);
                const QString cleanRef = reference::CleanSheetText(text, caretRef, separatorsOnly);
                if (cleanNew != cleanRef || caretNew != caretRef)
                    report(QString::fromLatin1(text.toUtf8().toPercentEncoding()), QStringLiteral("cleaning"));
            }
            if (SheetExpression(text) != reference::SheetExpression(text))
                report(QString::fromLatin1(text.toUtf8().toPercentEncoding()), QStringLiteral("expression"));
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("differential check: %lld expressions (%lld with a value), %lld sheets, %lld differences, %.1f s\n",
                checked, values, expressions / 40 * 4, differences, seconds);
    return differences;
}

// Every row's subtotal of FoldTape against its prefix evaluated whole, on generated tapes as
// typed and as the sheet cleans them, in the four locales. Returns the number of differences.
long long checkTapes(long long tapes, quint64 seed)
{
    const auto start = std::chrono::steady_clock::now();
    long long rows = 0;
    long long withValue = 0;
    long long differences = 0;
    for (int variant = 0; variant < 4; ++variant) {
        LocaleValues loc;
        const QChar sep = variant < 2 ? u'.' : u',';
        loc.decimalSeparator = QString(sep);
        loc.thousandsSeparator = sep == u'.' ? QStringLiteral(",") : QStringLiteral(" ");
        loc.leadingZero = variant % 2 == 0;
        ExpressionGenerator gen(seed + 7 * variant, sep);
        for (long long i = 0; i < tapes / 4; ++i) {
            QString sheet = gen.tape();
            if (i % 2) {
                qsizetype caret = 0;
                sheet = CleanSheetText(sheet, caret, loc);
            }
            const int decimals = static_cast<int>(i % 10);
            const TapeFold fold = FoldTape(sheet, decimals, loc);
            const QStringList texts = sheet.isEmpty() ? QStringList() : sheet.split(QStringLiteral("\r\n"));
            bool differs = fold.rows.size() != texts.size() || !sameValue(fold.result, SheetValue(sheet, loc));
            qsizetype end = 0;
            for (qsizetype r = 0; !differs && r < texts.size(); ++r) {
                end += texts.at(r).size();
                const std::optional<double> whole = PrefixSubtotal(sheet.left(end), loc);
                const QString wholeText = whole ? FormatResult(*whole, decimals, loc) : QString();
                differs = fold.rows.at(r).text != texts.at(r) || !sameValue(fold.rows.at(r).subtotal, whole)
                    || fold.rows.at(r).subtotalText != wholeText;
                ++rows;
                withValue += whole ? 1 : 0;
                end += 2;
            }
            if (differs && ++differences <= 20)
                std::printf("DIFFERENCE subtotals: %s\n", sheet.toUtf8().toPercentEncoding().constData());
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("subtotal check: %lld tapes, %lld rows (%lld with a subtotal), %lld differences, %.1f s\n",
                tapes / 4 * 4, rows, withValue, differences, seconds);
    return differences;
}

// Random edits of random tapes: rows replaced, inserted and deleted, characters typed and deleted
// inside a row and at its ends (an operator that joins a row to the next one added or taken away),
// rows joined and split, typing at the end, now and then a locale change. A list of rows edited
// alongside is the truth; after every edit the model's value, failure reason and panel text (at a
// random rounding digit) must be those of the whole sheet. Returns the number of differences.
long long checkEdits(long long edits, quint64 seed)
{
    const auto start = std::chrono::steady_clock::now();
    std::mt19937_64 rng(seed);
    const auto pick = [&rng](qsizetype n) { return static_cast<qsizetype>(rng() % static_cast<quint64>(n)); };
    // What is typed: mostly digits and the operators that join rows, now and then anything the
    // sheet can hold, and rarely what it cannot (blanks, letters, lone line-break halves).
    static const QString typed = QStringLiteral("0123456789012345678901234567890123456789++++----**//..,,"
                                                "%%(())\\^<>=+-*/.%()0123456789 M\r\n");
    long long done = 0;
    long long differences = 0;
    long long withValue = 0;
    long long wholeRows = 0;
    long long reasons[10] = {};
    int variant = 0;
    while (done < edits) {
        LocaleValues loc = editLocale(variant);
        ExpressionGenerator gen(seed + static_cast<quint64>(done), loc.decimalChar());
        // A tape of a few to a few hundred rows: an adding machine's column (numbers, operators at
        // the row ends, groups opened on one row and closed rows below, percentages, now and then a
        // power or a comparison), or generated tapes joined by operators or by a row break that
        // is no continuation.
        QString sheet;
        if (pick(5) == 0) {
            sheet = gen.tape();
            for (qsizetype more = pick(4) == 0 ? pick(20) : pick(3); more > 0; --more)
                sheet += (pick(8) == 0 ? QStringLiteral("\r\n") : QString(QChar(u"+-*/"[pick(4)])) + QStringLiteral("\r\n"))
                    + gen.tape();
        } else {
            int depth = 0;
            for (qsizetype i = pick(4) == 0 ? pick(400) + 1 : pick(80) + 1; i > 0; --i) {
                if (pick(12) == 0) {
                    sheet += u'(';
                    ++depth;
                }
                sheet += QString::number(pick(pick(3) ? 1000 : 10000000));
                if (pick(4) == 0)
                    sheet += loc.decimalChar() + QString::number(pick(100));
                if (pick(15) == 0)
                    sheet += QString(QChar(u"^<=>\\"[pick(5)])) + QString::number(pick(4));
                if (depth > 0 && pick(4) == 0) {
                    sheet += u')';
                    --depth;
                }
                if (pick(15) == 0)
                    sheet += u'%';
                if (i > 1) {
                    if (pick(400))
                        sheet += QChar(u"++++--*/"[pick(8)]);
                    sheet += QStringLiteral("\r\n");
                }
            }
            if (pick(3))
                sheet += QString(depth, u')');
        }
        if (pick(2)) {
            qsizetype caret = 0;
            sheet = CleanSheetText(sheet, caret, loc);
        }
        QList<QString> rows = sheet.split(QStringLiteral("\r\n"));
        TapeModel model(loc);
        model.setText(sheet);
        // A row as typed or pasted: mostly one that goes on to the next row.
        const auto newRow = [&]() -> QString {
            QString row;
            switch (pick(8)) {
            case 0: return QString();
            case 1: row = gen.tape().section(QStringLiteral("\r\n"), 0, 0); break;
            case 2: row = gen.next(); break;
            default: row = QString::number(pick(10000)); break;
            }
            if (pick(5) && (row.isEmpty() || !IsContinuationOperator(row.back())))
                row += QChar(u"++-*/"[pick(5)]);
            return row;
        };
        for (int k = pick(20) + 1; k > 0 && done < edits; --k) {
            const qsizetype n = rows.size();
            const qsizetype r = pick(n);
            QString &row = rows[r];
            switch (pick(10)) {
            case 0: // a row replaced
                row = newRow();
                model.replaceRows(r, 1, {row});
                break;
            case 1: { // rows inserted
                QList<QString> added;
                for (qsizetype i = pick(3) + 1; i > 0; --i)
                    added.append(newRow());
                const qsizetype at = pick(n + 1);
                for (qsizetype i = 0; i < added.size(); ++i)
                    rows.insert(at + i, added.at(i));
                model.replaceRows(at, 0, added);
                break;
            }
            case 2: { // rows deleted
                const qsizetype count = std::min<qsizetype>(pick(3) + 1, n - r);
                rows.remove(r, count);
                if (rows.isEmpty())
                    rows.append(QString());
                model.replaceRows(r, count, {});
                break;
            }
            case 3:
            case 4: { // a character typed or deleted inside a row
                qsizetype at = pick(row.size() + 1);
                // Mostly in front of the operator that joins the row to the next.
                if (at == row.size() && at > 0 && r + 1 < n && IsContinuationOperator(row.back()) && pick(4))
                    --at;
                if (pick(3) == 0 && at < row.size())
                    row.remove(at, 1);
                else
                    row.insert(at, typed.at(pick(typed.size())));
                const QList<QString> now = row.split(QStringLiteral("\r\n"));
                model.replaceRows(r, 1, {row});
                rows.remove(r);
                for (qsizetype i = 0; i < now.size(); ++i)
                    rows.insert(r + i, now.at(i));
                break;
            }
            case 5: // two rows joined (the break before row r + 1 deleted)
                if (r + 1 < n) {
                    const QString joined = row + rows.at(r + 1);
                    rows.remove(r, 2);
                    rows.insert(r, joined);
                    model.replaceRows(r, 2, {joined});
                }
                break;
            case 6: { // a row split (Enter), mostly behind an operator
                qsizetype at = pick(row.size() + 1);
                const bool behindOperator = pick(4) != 0;
                for (qsizetype i = at; behindOperator && i < row.size(); ++i) {
                    if (IsContinuationOperator(row.at(i))) {
                        at = i + 1;
                        break;
                    }
                }
                const QString head = row.left(at);
                const QString tail = row.mid(at);
                rows[r] = head;
                rows.insert(r + 1, tail);
                model.replaceRows(r, 1, {head, tail});
                break;
            }
            case 7: { // the operator at a row's end taken away or put there; mostly where a
                      // row break is no continuation, which joins the rows again
                qsizetype at = r;
                const bool repair = pick(4) != 0;
                for (qsizetype i = 0; repair && i + 1 < n; ++i) {
                    if (rows.at(i).isEmpty() || !IsContinuationOperator(rows.at(i).back())) {
                        at = i;
                        break;
                    }
                }
                QString &row = rows[at];
                if (!row.isEmpty() && IsContinuationOperator(row.back()) && pick(3) == 0)
                    row.chop(1);
                else
                    row += QChar(u"+-*/"[pick(4)]);
                model.replaceRows(at, 1, {row});
                break;
            }
            case 8: { // typing at the end of the tape
                QString &last = rows.last();
                last += pick(5) ? QChar(char16_t(u'0' + pick(10))) : typed.at(pick(typed.size() - 2));
                model.replaceRows(rows.size() - 1, 1, {last});
                break;
            }
            default:
                if (pick(10) == 0) { // the regional settings changed
                    variant = (variant + 1 + static_cast<int>(pick(3))) % 4;
                    loc = editLocale(variant);
                    model.setLocale(loc);
                } else { // a character at the start of a row
                    row.prepend(typed.at(pick(typed.size() - 2)));
                    model.replaceRows(r, 1, {row});
                }
                break;
            }
            ++done;
            wholeRows += rows.size();
            const QString text = rows.join(QStringLiteral("\r\n"));
            const QString expression = SheetExpression(text);
            const int decimals = static_cast<int>(pick(10));
            EvalFailure wholeFailure = EvalFailure::None;
            const QString wholeText = ExpressionResultText(expression, decimals, loc, wholeFailure);
            bool failed = false;
            const double wholeValue = EvaluateExpression(expression, loc, failed);
            const std::optional<double> whole = failed ? std::nullopt : std::optional<double>(wholeValue);
            withValue += whole ? 1 : 0;
            ++reasons[static_cast<int>(wholeFailure)];
            EvalFailure modelFailure = EvalFailure::None;
            const QString modelText = model.resultText(decimals, modelFailure);
            const bool differs = model.rowCount() != rows.size() || model.text() != text
                || !sameValue(model.value(), whole) || model.failure() != wholeFailure
                || modelFailure != wholeFailure || modelText != wholeText || model.resultText(decimals) != wholeText;
            if (differs && ++differences <= 20)
                std::printf("DIFFERENCE edit %lld: failure %d/%d text '%s'/'%s': %s\n", done,
                            int(model.failure()), int(wholeFailure), qPrintable(modelText), qPrintable(wholeText),
                            text.toUtf8().toPercentEncoding().constData());
        }
        variant = (variant + 1) % 4;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("tape model check, results by failure reason (None, Empty, Invalid, Incomplete, Unbalanced,"
                " DivisionByZero, NoRealResult, TooLarge, TooSmall, IndependentRows):");
    for (const long long n : reasons)
        std::printf(" %lld", n);
    std::printf("\n");
    std::printf("tape model check: %lld edits (%lld with a value, %.0f rows on average), %lld differences, %.1f s\n",
                done, withValue, done ? double(wholeRows) / double(done) : 0.0, differences, seconds);
    return differences;
}

