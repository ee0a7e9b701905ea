#pragma once

#include "sheetnotes.h"

#include <QByteArray>
#include <QString>

// Tape files: a tape saved as plain UTF-8 text, one row per line, each line ended by LF. A row is
// its text, as the sheet shows it, then optionally a TAB and its note ("1250+\tRent"). Since the
// sheet never holds a TAB, a file without one is the rows and nothing else, and a tape without
// notes is written as it always was. So `tallyer-cli sheet FILE` gives the same value as the
// window, with the notes or without them, and any editor or script can read and write a tape.
//
// Reading accepts LF and CR LF line ends and gives the rows joined by CR LF, the TABs and notes
// still in them: the caller reads the text with ReadTapeText (tapereading.h), which takes the
// notes apart, and puts the figures through the sheet's cycle (cleaning, wrapping). Text that is not
// valid UTF-8 is taken in the user's 8-bit code page (a tape written by an older tool): the one
// the locale names, or in a UTF-8 locale windows-1251 for Russian and windows-1252 otherwise.
// Nothing is changed or returned when a file is refused.
//
//   QString text;
//   const TapeFileResult read = ReadTapeFile(path, text);
//   if (!read.ok()) { show TapeFileMessage(read); return; }

// Files larger than this are refused: no tape typed or pasted is anywhere near it, and a larger
// file is something else opened by mistake.
inline constexpr qint64 kTapeFileLimit = 16 * 1024 * 1024;

enum class TapeFileError {
    None,
    Missing,     // no file of that name (or a symbolic link to nothing)
    NotAFile,    // a folder, a device, a pipe
    Unreadable,  // the file cannot be opened or read (permissions, an I/O error)
    TooLarge,    // more than kTapeFileLimit bytes
    HoldsNul,    // a NUL byte: not a text file
    Unwritable,  // saving: the file or its folder cannot be written, or the disk is full
};

struct TapeFileResult
{
    TapeFileError error = TapeFileError::None;
    QString path;    // the file concerned, as the caller named it
    QString detail;  // the system's own reason where it gives one ("Permission denied")

    bool ok() const { return error == TapeFileError::None; }
};

// Reads the tape file at path into sheet (left unchanged on any failure).
TapeFileResult ReadTapeFile(const QString &path, QString &sheet);

// The same checks and decoding for bytes already read (standard input): TooLarge, HoldsNul or
// None; sheet is set only on success. path only names the source in the result. The bytes are
// let go as soon as they are decoded (pass them with std::move to free them there).
TapeFileResult TapeTextFromBytes(QByteArray bytes, const QString &path, QString &sheet);

// The file's bytes for a sheet text: every row (the text split at CR LF, a lone CR or LF also
// ending a row) in UTF-8, a TAB and its note after it when notes has one for it (as SanitizedNote
// gives it, so no note can end its row early or hold a second TAB), then LF. Notes of rows the
// sheet does not have are left out. An empty sheet without a note is an empty file.
QByteArray TapeFileBytes(const QString &sheet, const RowNotes &notes = {});

// Writes the tape atomically: the old file, if any, is replaced only once the new one is wholly
// written, so a failed save (Unwritable, with the system's reason) leaves it as it was.
TapeFileResult WriteTapeFile(const QString &path, const QString &sheet, const RowNotes &notes = {});

// Replaces the file at path by bytes atomically (a temporary file renamed over it once whole).
// False, with the system's reason in *reason, when it cannot be written; the old file then stays.
// Unlike a plain QSaveFile it notices a write cut short (a full disk, the file size limit):
// QSaveFile's buffered flush takes such a write for success and commits the cut file.
bool WriteWholeFile(const QString &path, const QByteArray &bytes, QString *reason = nullptr);
