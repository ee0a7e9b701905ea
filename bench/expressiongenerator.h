#pragma once

// Generated expression texts for the differential check of the evaluator against its reference
// implementation: well-formed expressions over the whole operator set (percent forms, comparisons,
// "\", "MOD", "^", runs of minus signs, deep nesting, huge and tiny magnitudes, 15-digit ties),
// the same texts mutated by a few characters, and random strings of the sheet alphabet with some
// foreign characters. Deterministic for a given seed.

#include <QString>

#include <random>

class ExpressionGenerator
{
public:
    explicit ExpressionGenerator(quint64 seed, QChar sep)
        : m_rng(seed), m_sep(sep)
    {
    }

    QString next()
    {
        switch (pick(10)) {
        case 0:
            return fragments();
        case 1:
            return randomText();
        case 2:
        case 3:
        case 4:
            return mutate(expression(pick(5)));
        default:
            return expression(pick(6));
        }
    }

    // A sheet text: rows of operands and operators joined by assorted line breaks, spaces, minus
    // runs, foreign separators and stray characters.
    QString sheet()
    {
        static const char *const breaks[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", "\r\n\r\n", " \r\n", "\n\r"};
        QString s;
        const int rows = pick(8);
        for (int i = 0; i < rows; ++i) {
            if (pick(3) == 0)
                s += QLatin1String(breaks[pick(8)]);
            s += expression(pick(2));
            s += pick(4) ? QString(QChar(u"-+*/^%"[pick(6)])) : QString();
            if (pick(4) == 0)
                s += QString(pick(5), u'-');
            if (pick(5) == 0)
                s += QChar(u" \t.,xM\u00a0"[pick(8)]);
            s += QLatin1String(breaks[pick(8)]);
        }
        return pick(3) ? s : mutate(s);
    }

    // A tape as the sheet holds it: generated expressions joined by operators and cut into rows,
    // mostly after "+ - * /" (so a group opened on one row closes rows below, and "2+3*" meets
    // the "4" of the next row), in some tapes also anywhere; every third an adding
    // machine's plain column of amounts. A row break that is no continuation comes in one tape of
    // four: every row after it has independent rows.
    QString tape()
    {
        QString s;
        if (pick(3) == 0) {
            for (int k = pick(30) + 1; k > 0; --k) {
                if (!s.isEmpty())
                    s += QChar(u"+-*/"[pick(4)]);
                s += number();
            }
        } else {
            for (int k = pick(6) + 1; k > 0; --k) {
                if (!s.isEmpty())
                    s += QChar(u"+-*/^%<"[pick(7)]);
                s += pick(3) ? expression(pick(4)) : next();
            }
        }
        QString rows;
        const bool anywhere = pick(4) == 0;
        for (const QChar c : s) {
            rows += c;
            const bool continues = c == u'+' || c == u'-' || c == u'*' || c == u'/';
            if ((continues && pick(3) != 0) || (anywhere && pick(30) == 0))
                rows += QLatin1String("\r\n");
        }
        return rows;
    }

private:
    int pick(int n) { return static_cast<int>(m_rng() % static_cast<quint64>(n)); }

    QString number()
    {
        static const char *const special[] = {
            "999999999999999", "9999999999999999", "123456789012345.5", "0.1", "0.2", "0.3",
            "2147483647", "2147483648", "2147483647.5", "2.5", "3.5", "1000000000000000",
            "0.00001", "0.0001", "1.005", "100", "0", "00", "0.5", "0.49999999999999994",
            "1E+05", "1e-07", "7.", ".", "0.", "1.2.3"};
        switch (pick(8)) {
        case 0:
            return QString::fromLatin1(special[pick(26)]).replace(u'.', m_sep);
        case 1: {
            QString s;
            for (int k = pick(20) + 1; k > 0; --k)
                s += QChar(u'0' + pick(10));
            return s;
        }
        case 2: {
            QString s = QString::number(pick(1000));
            s += m_sep;
            for (int k = pick(18) + 1; k > 0; --k)
                s += QChar(u'0' + pick(10));
            return s;
        }
        case 3:
            return QString(m_sep) + QString::number(pick(100));
        default:
            return QString::number(pick(pick(3) ? 20 : 100000));
        }
    }

    QString op()
    {
        static const char *const ops[] = {"+", "-", "*", "/", "^", "\\", "MOD", "<", ">", "=",
                                          "<>", "<=", ">=", "^-", "*-", "+-", "--", "---", "----"};
        return QString::fromLatin1(ops[pick(19)]);
    }

    QString expression(int depth)
    {
        QString s;
        if (depth <= 0 || pick(4) == 0) {
            s = number();
        } else if (pick(6) == 0) {
            // A deep chain of nested groups.
            const int n = pick(40) + 1;
            s = QString(n, u'(') + expression(depth - 1) + QString(n, u')');
        } else {
            const int terms = pick(4) + 2;
            s = term(depth);
            for (int i = 1; i < terms; ++i)
                s += op() + term(depth);
        }
        if (pick(6) == 0)
            s.prepend(QString(pick(5) + 1, u'-'));
        if (pick(8) == 0)
            s = QStringLiteral("(") + s + QStringLiteral(")");
        return s;
    }

    QString term(int depth)
    {
        QString t = pick(3) == 0 ? QStringLiteral("(") + expression(depth - 1) + QStringLiteral(")") : number();
        if (pick(7) == 0)
            t += u'%';
        if (pick(12) == 0)
            t = QString(pick(4) + 1, u'-') + t;
        return t;
    }

    QString mutate(QString s)
    {
        static const QString chars = QStringLiteral("0123456789%+-()*/\\^<>=.,MODEe @\t\u00e9");
        for (int k = pick(3) + 1; k > 0; --k) {
            const int at = s.isEmpty() ? 0 : pick(static_cast<int>(s.size()) + 1);
            switch (pick(3)) {
            case 0:
                s.insert(at, chars.at(pick(static_cast<int>(chars.size()))));
                break;
            case 1:
                if (at < s.size())
                    s.remove(at, 1);
                break;
            default:
                if (at < s.size())
                    s[at] = chars.at(pick(static_cast<int>(chars.size())));
                break;
            }
        }
        return s;
    }

    // Pieces where the rewriting rules meet: a unary minus behind a separator (".-0" is ".0"),
    // minus runs behind codes, percent operands next to groups, comparisons run together, and
    // spellings whose halves meet once a pair of minus signs has gone ("<-->" is "<>").
    QString fragments()
    {
        static const char *const pieces[] = {
            "7.-0", ".-0", "-0", "0.-0", "7.-0.0", "(0)", "5%", "(1+2)%", "^-", "--", "---", "MOD-", "\\-",
            "<>", "<=", ">=", "=<", "<>=", "(-", ")-", "2^-2", ".5", "%%", "((", "))", "1", "0", "9.", "-(0)",
            "2*-0", "*%", "+%", "<--", "-->", ">--=", "M--OD", "MO--D"};
        QString s;
        for (int k = pick(4) + 2; k > 0; --k) {
            s += QString::fromLatin1(pieces[pick(37)]).replace(u'.', m_sep);
            if (pick(2))
                s += op();
        }
        return s;
    }

    QString randomText()
    {
        static const QString chars = QStringLiteral("0123456789%+-()*/\\^<>=.,0123456789+-()MODEe @");
        QString s;
        for (int k = pick(30); k > 0; --k)
            s += chars.at(pick(static_cast<int>(chars.size())));
        if (pick(5) == 0)
            s = QString(pick(3), u' ') + s + QString(pick(3), u' ');
        return s;
    }

    std::mt19937_64 m_rng;
    QChar m_sep;
};
