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

// The cleaned text as it is written: the characters kept so far, with the row ends and the minus
// run that come after them held back until the next character shows what becomes of them.
class ExpressionWriter
{
public:
    explicit ExpressionWriter(qsizetype byteCount)
    {
        // Every byte gives at most one character, except a LF that stays a row end (two), which
        // only a sheet without a value has.
        m_text.reserve(size_t(byteCount));
    }

    void minus() { ++m_minusRun; }

    void rowEnd()
    {
        flushMinusRun();
        ++m_pendingRowEnds;
    }

    void character(char c)
    {
        flushMinusRun();
        write(c);
    }

    std::string finish(bool &independentRows)
    {
        flushMinusRun();
        independentRows = m_independentRows;
        // Row ends after the last character go: after an operator the cleaning keeps one and the
        // joining drops it, after anything else the cleaning drops them all.
        return std::move(m_text);
    }

private:
    // The cleaning collapses "---" to "-" until no run of three is left, after dropping blanks,
    // foreign characters and lone CRs, which can join runs: a run of three or more therefore ends
    // as one sign when its length is odd and as two when it is even.
    void flushMinusRun()
    {
        if (m_minusRun == 0)
            return;
        const qsizetype n = m_minusRun < 3 ? m_minusRun : 2 - m_minusRun % 2;
        m_minusRun = 0;
        for (qsizetype i = 0; i < n; ++i)
            write('-');
    }

    void write(char c)
    {
        // Row ends before the first character are dropped; after a continuation operator they
        // join the rows; after anything else they stay, and the sheet has independent rows.
        if (m_pendingRowEnds > 0) {
            if (m_last != 0 && !IsContinuationOperator(QLatin1Char(m_last))) {
                m_independentRows = true;
                for (qsizetype i = 0; i < m_pendingRowEnds; ++i) {
                    m_text += "\r\n";
                }
            }
            m_pendingRowEnds = 0;
        }
        m_text += c;
        m_last = c;
    }

    std::string m_text;
    char m_last = 0; // the last character written; 0 before the first
    qsizetype m_minusRun = 0;
    qsizetype m_pendingRowEnds = 0;
    bool m_independentRows = false;
};

} // namespace

std::string SheetFileExpression(QByteArrayView bytes, QChar decimalSeparator, bool &independentRows)
{
    // Line ends: the file's LF gets a CR when it has none, and the cleaning keeps only CR LF
    // pairs, so every LF ends a row and every CR is dropped (it is either half of a pair whose LF
    // counts, or a lone CR, which the cleaning drops too).
    const char separator = decimalSeparator == u',' ? ',' : '.';
    ExpressionWriter writer(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        switch (kByteRoles[b]) {
        case ByteRole::Dropped:
            break;
        case ByteRole::Kept:
            writer.character(byte);
            break;
        case ByteRole::Minus:
            writer.minus();
            break;
        case ByteRole::Separator:
            writer.character(separator);
            break;
        case ByteRole::RowEnd:
            writer.rowEnd();
            break;
        }
    }
    return writer.finish(independentRows);
}
