#include "filenames.h"

#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

bool IsReadableRegularFile(const QString &path)
{
    const QByteArray native = EncodeFileName(path);
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

int OpenRegularFile(const QString &path, FileRead &status)
{
    status = FileRead::Unreadable;
    const QByteArray native = EncodeFileName(path);
    if (native.isEmpty()) {
        status = FileRead::Missing;
        return -1;
    }
    struct stat st = {};
    if (::stat(native.constData(), &st) != 0) {
        if (errno == ENOENT)
            status = FileRead::Missing;
        return -1;
    }
    if (!S_ISREG(st.st_mode))
        return -1;
    // Non-blocking and checked again on the open descriptor: the path may have been replaced
    // between the two looks.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            status = FileRead::Missing;
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    status = FileRead::Read;
    return fd;
}

FileRead ReadRegularFile(const QString &path, qint64 limit, QByteArray &bytes)
{
    bytes.clear();
    FileRead status = FileRead::Unreadable;
    const int fd = OpenRegularFile(path, status);
    if (fd < 0)
        return status;
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        return FileRead::Unreadable;
    if (st.st_size > limit)
        return FileRead::TooLarge;
    return ReadDescriptor(fd, limit, bytes);
}

FileRead ReadDescriptor(int fd, qint64 limit, QByteArray &bytes)
{
    bytes.clear();
    // Grown as the data comes, never past the limit and one byte: a pipe or a file that grows
    // while it is read may hold anything. A regular file starts at its size and one byte, so a
    // long sheet is read in one go instead of being copied at every doubling.
    qint64 start = 64 * 1024;
    struct stat st = {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        start = qint64(st.st_size) + 1;
    bytes.resize(qsizetype(std::min<qint64>(start, limit + 1)));
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > limit) {
                bytes.clear();
                return FileRead::TooLarge;
            }
            bytes.resize(qsizetype(std::min<qint64>(qint64(bytes.size()) * 2, limit + 1)));
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

QString PrintableName(const QString &name)
{
    QString text;
    text.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        const bool byte = isEscape(c) && !(i > 0 && name.at(i - 1).isHighSurrogate());
        if (c == u'\n')
            text += QLatin1String("\\n");
        else if (c == u'\r')
            text += QLatin1String("\\r");
        else if (c == u'\t')
            text += QLatin1String("\\t");
        else if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || byte)
            text += QStringLiteral("\\x%1").arg(byte ? c - kEscapeBase : c, 2, 16, QLatin1Char('0'));
        else
            text += QChar(c);
    }
    return text;
}

namespace {

QString systemReason(int cause)
{
    return QString::fromLocal8Bit(std::strerror(cause));
}

bool identity(const QByteArray &native, struct stat &st)
{
    return !native.isEmpty() && ::stat(native.constData(), &st) == 0;
}

} // namespace

bool SameFile(const QString &path, const QString &other)
{
    struct stat a = {};
    struct stat b = {};
    return identity(EncodeFileName(path), a) && identity(EncodeFileName(other), b) && a.st_dev == b.st_dev
        && a.st_ino == b.st_ino;
}

bool SameFile(const QString &path, int fd)
{
    struct stat a = {};
    struct stat b = {};
    return identity(EncodeFileName(path), a) && ::fstat(fd, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

OutputFile::~OutputFile()
{
    cancel();
}

void OutputFile::cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }
}

bool OutputFile::open(const QString &path, QString &why)
{
    cancel();
    m_target = EncodeFileName(path);
    if (m_target.isEmpty() || m_target.endsWith('/')) {
        why = QStringLiteral("not a file name");
        return false;
    }
    // What stands at the name now, a link followed: only a regular file may be replaced.
    struct stat st = {};
    mode_t mode = 0;
    struct stat link = {};
    if (::stat(m_target.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            why = QStringLiteral("not a regular file");
            return false;
        }
        mode = st.st_mode & 07777;
        if (::lstat(m_target.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
            char resolved[PATH_MAX];
            if (!::realpath(m_target.constData(), resolved)) {
                why = systemReason(errno);
                return false;
            }
            m_target = resolved;
        }
    } else if (errno != ENOENT || ::lstat(m_target.constData(), &link) == 0) {
        // A link to nothing would be replaced by the file, not followed.
        why = errno == ENOENT ? QStringLiteral("a link to a file that does not exist") : systemReason(errno);
        return false;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    QByteArray name = m_target + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        why = systemReason(errno);
        return false;
    }
    m_fd = fd;
    m_temporary = name;
    if (::fchmod(m_fd, mode) != 0) {
        why = systemReason(errno);
        cancel();
        return false;
    }
    return true;
}

bool OutputFile::write(const char *data, qint64 length, QString &why)
{
    while (length > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(length));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            why = n < 0 ? systemReason(errno) : systemReason(ENOSPC);
            cancel();
            return false;
        }
        data += n;
        length -= n;
    }
    return true;
}

bool OutputFile::commit(QString &why)
{
    if (m_fd < 0) {
        why = QStringLiteral("not open");
        return false;
    }
    // On the disk before it takes the old file's place, so a crash leaves one or the other.
    bool done = ::fsync(m_fd) == 0;
    int cause = errno;
    if (::close(m_fd) != 0 && done) {
        done = false;
        cause = errno;
    }
    m_fd = -1;
    if (!done) {
        why = systemReason(cause);
        cancel();
        return false;
    }
    if (::rename(m_temporary.constData(), m_target.constData()) != 0) {
        why = systemReason(errno);
        cancel();
        return false;
    }
    m_temporary.clear();
    return true;
}
