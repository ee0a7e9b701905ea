#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The words file: a small text file beside the program that gives AmountInWords every word it
// writes. Entries have the form "[Key]=value" and may stand anywhere; all other text is comment.
// Values end at the next CR LF, so a file saved with LF-only line ends runs every value on to the
// end of the text and is invalid.

// Larger files are refused unread. A words file is a few hundred bytes; this keeps a mistaken
// pick (a log, a disk image) from freezing the window that reads it at every copy.
inline constexpr qint64 kMaxTextFileBytes = 1024 * 1024;

// Reads a whole text file into text. The bytes are UTF-8 (a BOM is dropped); bytes that are
// not valid UTF-8 are taken as the legacy code page of the interface language lcid (see
// DecodeTextBytes), so files written on the old Windows program keep working. Fails (false,
// text empty) when the file cannot be read, is not a regular file, or is larger than
// kMaxTextFileBytes. Line ends are kept as they are. Paths are taken as DecodeFileName gives
// them (filenames.h), so a name that is not valid UTF-8 is found.
bool ReadTextFile(QString &text, const QString &path, int lcid);

// True when the path names a regular file that can be opened for reading (it is closed again at
// once). Double quotes and spaces around the path and a trailing "/" are ignored.
bool FileExists(const QString &path);

// UTF-8 when the bytes are valid UTF-8 (an initial BOM is dropped); otherwise Windows-1251 when
// lcid is 1049 (Russian) and Windows-1252 for any other language.
QString DecodeTextBytes(const QByteArray &bytes, int lcid);

// The eleven entries of a checked words file. Every list but replace is numbered from 1 and has
// an empty item 0, so a digit indexes its own word and digit 0 (or form 0) yields the empty text.
struct WordsFile
{
    QStringList level[5];  // Level0 ... Level4: items 1 to 4 are the four grammatical forms
    QStringList words1;    // items 1 to 9: one ... nine
    QStringList words10;   // items 1 to 9: ten, twenty ... ninety
    QStringList words100;  // items 1 to 9: one hundred ... nine hundred
    QStringList words11;   // items 1 to 9: eleven ... nineteen
    QString zero;          // taken whole, commas included
    QStringList replace;   // pairs: text to find, replacement (plain, from 0; may be empty)
};

// Finds and checks the eleven entries in a file's text. False when an entry is missing, empty
// (Replace may be empty) or has the wrong number of items; words is then left unspecified.
bool ParseWordsText(const QString &text, WordsFile &words);

// ReadTextFile and ParseWordsText together: false when the file is unreadable or invalid.
bool ReadWordsFile(const QString &path, int lcid, WordsFile &words);
