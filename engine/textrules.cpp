#include "textrules.h"

#include "texthelpers.h"

#include <algorithm>

namespace {

// Digits, "," and "." make one class for the Ctrl jumps; everything else, and any position
// outside the text, the other.
bool isRunCharacter(const QString &text, qsizetype oneBased)
{
    if (oneBased < 1 || oneBased > text.size())
        return false;
    const QChar c = text.at(oneBased - 1);
    return c.isDigit() || c == u',' || c == u'.';
}

} // namespace

QString CompleteLeadingZeros(const QString &text, qsizetype &caret, const QString &point)
{
    return CompleteLeadingZeros(text, caret, point, 0, text.size());
}

QString CompleteLeadingZeros(const QString &text, qsizetype &caret, const QString &point, qsizetype from,
                             qsizetype to)
{
    if (point.isEmpty())
        return text;
    if (point.size() == 1) {
        // One scan for the separator: a zero goes in front of each one that follows an operator,
        // a "(" or a row start. A text that needs none is given back as it is. A tape has a
        // separator on nearly every row: the scan is a plain loop, not a search per separator.
        const auto starter = [](char16_t c) {
            return c == u'-' || c == u'+' || c == u'*' || c == u'/' || c == u'\n' || c == u'(';
        };
        const char16_t separator = point.front().unicode();
        const auto *chars = reinterpret_cast<const char16_t *>(text.constData());
        const qsizetype last = std::min(to, text.size() - 1);
        QString out;
        qsizetype copied = 0;
        const qsizetype original = caret;
        for (qsizetype at = std::max<qsizetype>(0, from); at <= last; ++at) {
            if (chars[at] != separator || (at > 0 && !starter(chars[at - 1])))
                continue;
            out += QStringView(text).mid(copied, at - copied);
            out += QLatin1Char('0');
            copied = at;
            if (original > at)
                ++caret;
        }
        if (copied == 0 && out.isEmpty())
            return text;
        out += QStringView(text).mid(copied);
        return out;
    }
    // A line feed in front makes the start of the text the start of a row.
    QString s = QLatin1Char('\n') + text;
    static const QString kStarters[] = {QStringLiteral("-"), QStringLiteral("+"), QStringLiteral("*"),
                                        QStringLiteral("/"), QStringLiteral("\n"), QStringLiteral("(")};
    for (const QString &starter : kStarters) {
        const QString pattern = starter + point;
        qsizetype from = 0;
        for (;;) {
            const qsizetype at = s.indexOf(pattern, from);
            if (at < 0)
                break;
            // Behind the starter at 0-based index at, which in the text (one shorter) is the
            // caret position in front of the separator.
            const qsizetype p = at + 1;
            s.insert(p, QLatin1Char('0'));
            if (caret >= p)
                ++caret;
            from = p;
        }
    }
    return s.mid(1);
}

qsizetype RunJumpTarget(const QString &text, qsizetype selStart, qsizetype selLength, bool forward)
{
    // p is the 1-based position of the character the jump starts on.
    qsizetype p = forward ? selStart + selLength + 1 : selStart;
    if (p > 0) {
        const bool cls = isRunCharacter(text, p);
        for (;;) {
            p += forward ? 1 : -1;
            if (p == 0 || p > text.size() || isRunCharacter(text, p) != cls)
                break;
        }
        if (forward)
            --p;
    }
    return std::clamp<qsizetype>(p, 0, text.size());
}

TextSpan RunToDelete(const QString &text, qsizetype caret, bool forward)
{
    const qsizetype other = RunJumpTarget(text, caret, 0, forward);
    return {std::min(caret, other), std::abs(other - caret)};
}

TextSpan NumberAtClick(const QString &text, qsizetype clickPos, const QString &point)
{
    auto inNumber = [&text, &point](qsizetype oneBased) {
        if (oneBased < 1 || oneBased > text.size())
            return false;
        const QChar c = text.at(oneBased - 1);
        return c.isDigit() || QString(c) == point;
    };
    const qsizetype c = std::clamp<qsizetype>(clickPos, 0, text.size());
    qsizetype end = c;
    for (qsizetype p = c + 1; inNumber(p); ++p)
        end = p;
    qsizetype start = c;
    for (qsizetype p = c; inNumber(p); --p)
        start = p - 1;
    return {start, end - start};
}

QString ConvertGrouping(const QString &text, const QString &oldSeparator, const QString &newSeparator)
{
    const bool negative = text.startsWith(QLatin1String("- "));
    const QString rest = negative ? text.mid(2) : text;
    const QString converted = ReplaceAll(rest, oldSeparator, newSeparator);
    return negative ? QStringLiteral("- ") + converted : converted;
}

QString ConvertDecimal(const QString &text, const QString &oldSeparator, const QString &newSeparator)
{
    const qsizetype at = oldSeparator.isEmpty() ? -1 : text.lastIndexOf(oldSeparator);
    if (at < 0)
        return text;
    QString out = text;
    out.replace(at, oldSeparator.size(), newSeparator);
    return out;
}
