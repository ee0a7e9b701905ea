#pragma once

#include <QByteArray>
#include <QString>

// File names as the file system gives them, and reading files that may be hostile.
//
// A Linux file name is a string of bytes, UTF-8 by custom but not by rule. QFile::decodeName
// turns the bytes of a name that is not valid UTF-8 into U+FFFD, after which no file of that
// name can be opened again. DecodeFileName keeps every such byte instead, as the lone surrogate
// U+DC80 ... U+DCFF (the byte plus 0xDC00, the convention of Python's "surrogateescape"), and
// EncodeFileName gives the very same bytes back. For valid UTF-8 both agree with
// QFile::decodeName and QFile::encodeName. Files named so are opened through the helpers below
// (or through EncodeFileName and the system calls), never through QFile or QFileInfo.

QString DecodeFileName(const QByteArray &name);
QByteArray EncodeFileName(const QString &name);

// A name as a message or a title shows it. A line break or a tab would split or shift the text
// round it, another control or format character (a right-to-left override) would hide or
// reorder part of the name, and a byte kept by DecodeFileName has no glyph: each is written as an
// escape, \n, \r, \t, \xNN (a control character below U+0100, or the byte kept), \uNNNN (any
// other). Everything else is shown as it is.
QString PrintableFileName(const QString &name);

// True when the path names a regular file (a link is followed) that can be opened for reading;
// it is closed again at once.
bool IsReadableRegularFile(const QString &path);

enum class FileRead { Missing, Read, TooLarge, Unreadable };

// Reads a regular file of at most limit bytes. Anything else (a FIFO, a device, a socket, a
// folder, or a link to one) is Unreadable, found out without blocking: opening a FIFO for reading
// waits for a writer, and a device such as /dev/zero reports size 0 and never ends.
FileRead ReadRegularFile(const QString &path, qint64 limit, QByteArray &bytes);

// Opens a regular file for reading with the same checks: the descriptor (close it), or -1 with
// status Missing or Unreadable.
int OpenRegularFile(const QString &path, FileRead &status);

// Reads an open descriptor (a pipe, a terminal) to its end, but never more than limit bytes
// and one: TooLarge when there is more. Unreadable on a read error.
FileRead ReadDescriptor(int fd, qint64 limit, QByteArray &bytes);

// The name as a message or a page shows it: a control character (a line break, an escape that a
// terminal would act on) and a byte that is not UTF-8 are written as \n, \r, \t or \xNN, so a
// name can neither forge lines nor drive the terminal.
QString PrintableName(const QString &name);

// A file written a piece at a time and put in place whole: the pieces go to a new file beside
// the target, which replaces the target only at commit(); until then, or when anything fails, the
// target stays as it was and the new file is removed. Only a regular file is replaced: an
// existing target that is anything else (a FIFO, a device, a folder, also through a link) is
// refused, never opened. A link to a regular file is followed, so the file it names is replaced
// and the link stays. The new file gets the old one's permissions, or those a new file gets.
// Every failure gives the reason in why.
class OutputFile
{
public:
    OutputFile() = default;
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    ~OutputFile();

    bool open(const QString &path, QString &why);
    bool write(const char *data, qint64 length, QString &why);
    bool commit(QString &why);
    // The new file's descriptor while it is open, for a writer that wants one.
    int descriptor() const { return m_fd; }

private:
    void cancel();

    QByteArray m_target; // the file replaced, links followed
    QByteArray m_temporary;
    int m_fd = -1;
};

// Whether the two names, or a name and an open descriptor, are the same file (through links
// too); false when either cannot be looked at.
bool SameFile(const QString &path, const QString &other);
bool SameFile(const QString &path, int fd);
