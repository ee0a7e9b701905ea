#include "filenames.h"

#include <QScopeGuard>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Lone low surrogates stand for the bytes 0x80 ... 0xFF that are not part of valid UTF-8.
constexpr char16_t kEscapeBase = 0xDC00;

bool isEscape(char16_t c)
{
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

// The length of the valid UTF-8 sequence at bytes[i], or 0 when none starts there: no overlong
// forms, no encoded surrogates, nothing above U+10FFFF.
qsizetype validSequence(const QByteArray &bytes, qsizetype i)
{
    const auto at = [&bytes](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;   // overlong below U+0800
        else if (lead == 0xED)
            high = 0x9F;  // U+D800 ... U+DFFF
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;   // overlong below U+10000
        else if (lead == 0xF4)
            high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    if (at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

QString DecodeFileName(const QByteArray &name)
{
    QString text;
    text.reserve(name.size());
    qsizetype i = 0;
    while (i < name.size()) {
        const qsizetype length = validSequence(name, i);
        if (length == 0) {
            text += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(name[i])));
            ++i;
        } else {
            text += QString::fromUtf8(name.constData() + i, length);
            i += length;
        }
    }
    return text;
}

QByteArray EncodeFileName(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        // A low surrogate that follows a high one is half of a real character.
        if (!isEscape(c) || (i > 0 && name.at(i - 1).isHighSurrogate()))
            continue;
        bytes += QStringView(name).mid(runStart, i - runStart).toUtf8();
        bytes += char(c - kEscapeBase);
        runStart = i + 1;
    }
    bytes += QStringView(name).mid(runStart).toUtf8();
    return bytes;
}

QString PrintableFileName(const QString &name)
{
    QString shown;
    shown.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            shown += c;
            shown += name.at(++i);
            continue;
        }
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\r' || u == u'\t') {
            shown += u == u'\n' ? QLatin1String("\\n") : u == u'\r' ? QLatin1String("\\r") : QLatin1String("\\t");
        } else if (isEscape(u)) {
            shown += QStringLiteral("\\x%1").arg(u - kEscapeBase, 2, 16, QLatin1Char('0'));
        } else if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
            shown += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        } else if (c.isSurrogate() || c.category() == QChar::Other_Format || c.category() == QChar::Separator_Line
                   || c.category() == QChar::Separator_Paragraph) {
            shown += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        } else {
            shown += c;
        }
    }
    return shown;
}

bool IsReadableRegularFile(const QString &strPath)
{
    const QByteArray native = EncodeFileName(strPath);
    struct stat st = {};
    if (native.isEmpty() || ::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

FileRead ReadRegularFile(const QString &strPath, qint64 lngLimit, QByteArray &bytes)
{
    bytes.clear();
    const QByteArray native = EncodeFileName(strPath);
    if (native.isEmpty())
        return FileRead::Missing;
    struct stat st = {};
    if (::stat(native.constData(), &st) != 0)
        return errno == ENOENT ? FileRead::Missing : FileRead::Unreadable;
    if (!S_ISREG(st.st_mode))
        return FileRead::Unreadable;
    // Non-blocking and checked again on the open descriptor: the path may have been replaced
    // between the two looks.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? FileRead::Missing : FileRead::Unreadable;
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return FileRead::Unreadable;
    if (st.st_size > lngLimit)
        return FileRead::TooLarge;
    return ReadDescriptor(fd, lngLimit, bytes);
}

FileRead ReadDescriptor(int fd, qint64 lngLimit, QByteArray &bytes)
{
    bytes.clear();
    // Grown as the data comes, never past the limit and one byte: a pipe or a file that grows
    // while it is read may hold anything. A regular file starts at its size and one byte, so a
    // long sheet is read in one go instead of being copied at every doubling.
    qint64 start = 64 * 1024;
    struct stat st = {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        start = qint64(st.st_size) + 1;
    bytes.resize(qsizetype(std::min<qint64>(start, lngLimit + 1)));
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > lngLimit) {
                bytes.clear();
                return FileRead::TooLarge;
            }
            bytes.resize(qsizetype(std::min<qint64>(qint64(bytes.size()) * 2, lngLimit + 1)));
        }
        const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            bytes.clear();
            return FileRead::Unreadable;
        }
        if (n == 0)
            break;
        filled += n;
    }
    bytes.resize(filled);
    return FileRead::Read;
}
