#include "tapefile.h"

#include "localevalues.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

TapeFileResult failure(TapeFileError error, const QString &path, const QString &detail = {})
{
    return {error, path, detail};
}

// The user's 8-bit code page: the character set the locale names (ru_RU.KOI8-R), or, in a UTF-8
// locale, which has none, the code page the user's language had on the desktop the program
// comes from: windows-1251 for Russian, windows-1252 (a superset of Latin-1) for the rest. Qt's
// own "System" decoder is UTF-8 on Linux whatever the locale says, so it cannot serve here.
QByteArray eightBitCodeSet()
{
    for (const char *variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        QByteArray value = qgetenv(variable);
        if (value.isEmpty())
            continue;
        const qsizetype dot = value.indexOf('.');
        QByteArray codeSet = dot < 0 ? QByteArray() : value.mid(dot + 1);
        if (const qsizetype at = codeSet.indexOf('@'); at >= 0)
            codeSet.truncate(at);
        const QByteArray plain = codeSet.toUpper().replace("-", "");
        if (!codeSet.isEmpty() && plain != "UTF8")
            return codeSet;
        break; // the first variable set decides, as the C library's locale does
    }
    return ReadLocaleLcid() == kLcidRussian ? QByteArrayLiteral("CP1251") : QByteArrayLiteral("CP1252");
}

// Bytes in an 8-bit code page; a byte the code page leaves undefined becomes U+FFFD.
QString decodeEightBit(const QByteArray &bytes)
{
    iconv_t cd = iconv_open("UTF-16LE", eightBitCodeSet().constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes);
    QString text;
    text.reserve(bytes.size());
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char16_t buffer[4096];
    while (inLeft > 0) {
        char *out = reinterpret_cast<char *>(buffer);
        size_t outLeft = sizeof buffer;
        const size_t converted = iconv(cd, &in, &inLeft, &out, &outLeft);
        text += QStringView(buffer, static_cast<qsizetype>((sizeof buffer - outLeft) / sizeof(char16_t)));
        if (converted == static_cast<size_t>(-1) && errno != E2BIG) {
            // An undefined byte (or one that starts an incomplete sequence) stands for itself no
            // more: it is marked and the rest is read on.
            text += QChar(QChar::ReplacementCharacter);
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return text;
}

// UTF-8 when the bytes are valid UTF-8 (a byte order mark is dropped), else the user's 8-bit
// code page.
QString decodeTape(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeEightBit(bytes);
}

// Lines ended by LF or CR LF become rows joined by CR LF. The line end of the last line ends it
// and starts no row of its own, so "1+\n2\n" is the two rows 1+ and 2.
QString rowsFromLines(const QString &text)
{
    QString sheet;
    sheet.reserve(text.size() + text.size() / 8);
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = text.indexOf(u'\n', start);
        const bool lastLine = end < 0;
        if (lastLine)
            end = n;
        qsizetype rowEnd = end;
        if (!lastLine && rowEnd > start && text.at(rowEnd - 1) == u'\r')
            --rowEnd;
        if (start > 0)
            sheet += QLatin1String("\r\n");
        sheet += QStringView(text).mid(start, rowEnd - start);
        start = end + 1;
    }
    return sheet;
}

} // namespace

TapeFileResult TapeTextFromBytes(QByteArray bytes, const QString &path, QString &sheet)
{
    // The limit is on the rows: a sheet of exactly the limit is saved with a line break after it.
    const qsizetype finalBreak = bytes.endsWith("\r\n") ? 2 : bytes.endsWith('\n') ? 1 : 0;
    if (bytes.size() - finalBreak > kTapeFileLimit)
        return failure(TapeFileError::TooLarge, path);
    if (bytes.contains('\0'))
        return failure(TapeFileError::HoldsNul, path);
    // Each form is let go as soon as the next is made: a long tape is held twice at most.
    QString text = decodeTape(bytes);
    bytes = QByteArray();
    sheet = rowsFromLines(text);
    return {TapeFileError::None, path, {}};
}

TapeFileResult ReadTapeFile(const QString &path, QString &sheet)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failure(TapeFileError::Missing, path);
    if (!info.isFile())
        return failure(TapeFileError::NotAFile, path);
    if (info.size() > kTapeFileLimit + 2)
        return failure(TapeFileError::TooLarge, path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(TapeFileError::Unreadable, path, file.errorString());
    // A byte beyond the limit and a final line break tells a file that grew since it was measured.
    QByteArray bytes = file.read(kTapeFileLimit + 3);
    if (file.error() != QFileDevice::NoError)
        return failure(TapeFileError::Unreadable, path, file.errorString());
    return TapeTextFromBytes(std::move(bytes), path, sheet);
}

QByteArray TapeFileBytes(const QString &sheet, const RowNotes &notes)
{
    QByteArray bytes;
    bytes.reserve(sheet.size() + 1);
    const QByteArray utf8 = sheet.toUtf8();
    const qsizetype n = utf8.size();
    qsizetype row = 0;
    RowNoteCursor cursor(notes);
    const auto endRow = [&] {
        if (const QString note = SanitizedNote(cursor.noteOf(row++)); !note.isEmpty()) {
            bytes += '\t';
            bytes += note.toUtf8();
        }
        bytes += '\n';
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char c = utf8.at(i);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < n && utf8.at(i + 1) == '\n')
                ++i;
            endRow();
        } else {
            bytes += c;
        }
    }
    endRow();
    // One empty row and nothing beside it: no row worth a line.
    if (bytes == "\n")
        bytes.clear();
    return bytes;
}

bool WriteWholeFile(const QString &path, const QByteArray &bytes, QString *reason)
{
    QSaveFile file(path);
    // Unbuffered: every write reaches the file at once and says how much of it did.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            // A short write leaves errno set (EFBIG, ENOSPC) without Qt reporting an error.
            const int cause = errno;
            if (reason) {
                *reason = file.error() != QFileDevice::NoError ? file.errorString()
                                                               : QString::fromLocal8Bit(std::strerror(cause));
            }
            file.cancelWriting();
            return false;
        }
        written += n;
    }
    if (!file.commit()) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    return true;
}

TapeFileResult WriteTapeFile(const QString &path, const QString &sheet, const RowNotes &notes)
{
    QString reason;
    if (!WriteWholeFile(path, TapeFileBytes(sheet, notes), &reason))
        return failure(TapeFileError::Unwritable, path, reason);
    return {TapeFileError::None, path, {}};
}
