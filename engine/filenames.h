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
bool IsReadableRegularFile(const QString &strPath);

enum class FileRead { Missing, Read, TooLarge, Unreadable };

// Reads a regular file of at most lngLimit bytes. Anything else (a FIFO, a device, a socket, a
// folder, or a link to one) is Unreadable, found out without blocking: opening a FIFO for reading
// waits for a writer, and a device such as /dev/zero reports size 0 and never ends.
FileRead ReadRegularFile(const QString &strPath, qint64 lngLimit, QByteArray &bytes);

// Reads an open descriptor (a pipe, a terminal) to its end, but never more than lngLimit bytes
// and one: TooLarge when there is more. Unreadable on a read error.
FileRead ReadDescriptor(int fd, qint64 lngLimit, QByteArray &bytes);
