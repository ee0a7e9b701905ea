#include "sheetbytes.h"

#include "sheettext.h"

#include <array>

namespace {

// What one byte of a sheet file becomes.
enum class ByteRole : quint8 {
    Dropped,   // outside the sheet alphabet, a CR, or any byte of a non-ASCII character
    Kept,      // a character of the sheet alphabet other than "-" and the separators
    Minus,     // counted: runs of three or more shrink
    Separator, // "." or ",": the decimal separator, whichever was written
    RowEnd,    // LF
};

constexpr std::array<ByteRole, 256> byteRoles()
{
    std::array<ByteRole, 256> roles{};
    for (const char16_t c : kSheetAlphabet) {
        if (c != 0)
            roles[c] = ByteRole::Kept;
    }
    roles['-'] = ByteRole::Minus;
    roles['.'] = ByteRole::Separator;
    roles[','] = ByteRole::Separator;
    roles['\n'] = ByteRole::RowEnd;
    return roles;
}

constexpr std::array<ByteRole, 256> kByteRoles = byteRoles();

} // namespace

// The cleaned text as it is written: the characters kept so far, with the row ends and the minus
// run that come after them held back until the next character shows what becomes of them.
SheetBytesCleaner::SheetBytesCleaner(QChar decimalSeparator)
    : m_separator(decimalSeparator == u',' ? ',' : '.')
{
}

// The cleaning collapses "---" to "-" until no run of three is left, after dropping blanks,
// foreign characters and lone CRs, which can join runs: a run of three or more therefore ends
// as one sign when its length is odd and as two when it is even.
void SheetBytesCleaner::flushMinusRun(std::string &out)
{
    if (m_minusRun == 0)
        return;
    const qsizetype n = m_minusRun < 3 ? m_minusRun : 2 - m_minusRun % 2;
    m_minusRun = 0;
    for (qsizetype i = 0; i < n; ++i)
        write('-', out);
}

void SheetBytesCleaner::write(char c, std::string &out)
{
    // Row ends before the first character are dropped; after a continuation operator they
    // join the rows; after anything else they stay, and the sheet has independent rows.
    if (m_pendingRowEnds > 0) {
        if (m_last != 0 && !IsContinuationOperator(QLatin1Char(m_last))) {
            m_independentRows = true;
            for (qsizetype i = 0; i < m_pendingRowEnds; ++i)
                out += "\r\n";
        }
        m_pendingRowEnds = 0;
    }
    out += c;
    m_last = c;
}

void SheetBytesCleaner::feed(QByteArrayView bytes, std::string &out)
{
    // Line ends: the file's LF gets a CR when it has none, and the cleaning keeps only CR LF
    // pairs, so every LF ends a row and every CR is dropped (it is either half of a pair whose LF
    // counts, or a lone CR, which the cleaning drops too).
    out.reserve(out.size() + size_t(bytes.size()));
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while (p != end) {
        // Most of a sheet is digits, separators and operators with nothing held back before
        // them: those are copied as they come.
        if (m_minusRun == 0 && m_pendingRowEnds == 0) {
            const char *const start = p;
            for (; p != end; ++p) {
                const ByteRole role = kByteRoles[static_cast<unsigned char>(*p)];
                if (role == ByteRole::Kept)
                    out.push_back(*p);
                else if (role == ByteRole::Separator)
                    out.push_back(m_separator);
                else
                    break;
            }
            if (p != start)
                m_last = out.back();
            if (p == end)
                break;
        }
        const char byte = *p++;
        switch (kByteRoles[static_cast<unsigned char>(byte)]) {
        case ByteRole::Dropped:
            break;
        case ByteRole::Kept:
            flushMinusRun(out);
            write(byte, out);
            break;
        case ByteRole::Minus:
            ++m_minusRun;
            break;
        case ByteRole::Separator:
            flushMinusRun(out);
            write(m_separator, out);
            break;
        case ByteRole::RowEnd:
            flushMinusRun(out);
            ++m_pendingRowEnds;
            break;
        }
    }
}

void SheetBytesCleaner::finish(std::string &out, bool &independentRows)
{
    // Row ends after the last character go: after an operator the cleaning keeps one and the
    // joining drops it, after anything else the cleaning drops them all.
    flushMinusRun(out);
    independentRows = m_independentRows;
}

std::string SheetFileExpression(QByteArrayView bytes, QChar decimalSeparator, bool &independentRows)
{
    // Every byte gives at most one character, except a LF that stays a row end (two), which only
    // a sheet without a value has.
    std::string text;
    text.reserve(size_t(bytes.size()));
    SheetBytesCleaner cleaner(decimalSeparator);
    cleaner.feed(bytes, text);
    cleaner.finish(text, independentRows);
    return text;
}
