#include "wordsfile.h"

#include "filenames.h"
#include "localevalues.h"
#include "texthelpers.h"

#include <QStringDecoder>

#include <array>

namespace {

// Bytes 0x80 to 0xFF of the two Windows code pages that the old program's words files were saved
// in. The few bytes the code pages leave undefined (1251: 0x98; 1252: 0x81, 0x8D, 0x8F, 0x90,
// 0x9D) become the C1 control of the same number, as Windows' own conversion does, so no byte is
// lost and none turns into a letter.
constexpr std::array<char16_t, 128> kWindows1251 = {
    // 0x80
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    // 0x90
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    // 0xA0
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    // 0xB0
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    // 0xC0: А ... Я
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    // 0xE0: а ... я
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

constexpr std::array<char16_t, 128> kWindows1252 = {
    // 0x80
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    // 0x90
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    // 0xA0 ... 0xFF: the same as Latin-1
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

QString decodeSingleByte(const QByteArray &bytes, const std::array<char16_t, 128> &upperHalf)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text += QChar(b < 0x80 ? char16_t(b) : upperHalf[b - 0x80]);
    }
    return text;
}

// The value of the first "[" key "]=" entry: up to the next CR LF or the end of the text,
// trimmed of spaces and tabs. False when the entry is missing.
bool entryValue(const QString &text, const QString &key, QString &value)
{
    const QString marker = QLatin1Char('[') + key + QLatin1String("]=");
    const qsizetype at = text.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return false;
    const qsizetype begin = at + marker.size();
    qsizetype end = text.indexOf(QLatin1String("\r\n"), begin);
    if (end < 0)
        end = text.size();
    value = TrimChars(text.mid(begin, end - begin), QStringLiteral(" \t"), TrimBoth);
    return true;
}

// A list entry numbered from 1: item 0 is empty. Items are kept exactly as written, so a space
// after a comma belongs to the next item.
bool numberedList(const QString &text, const QString &key, qsizetype items,
                  QStringList &list)
{
    QString value;
    if (!entryValue(text, key, value) || value.isEmpty())
        return false;
    list = value.split(QLatin1Char(','));
    if (list.size() != items)
        return false;
    list.prepend(QString());
    return true;
}

} // namespace

QString DecodeTextBytes(const QByteArray &bytes, int lcid)
{
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);

    // Stateless: a sequence cut off at the end of the file is an error, not held back for more
    // input. ConvertInitialBom: the BOM is already gone, a second one stays as text.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return decodeSingleByte(bytes, lcid == kLcidRussian ? kWindows1251 : kWindows1252);
}

bool ReadTextFile(QString &text, const QString &path, int lcid)
{
    text.clear();
    // Only a regular file: opening a FIFO would wait for a writer, and a device such as
    // /dev/zero has no end. The name is the file system's, bytes that are not UTF-8 included.
    QByteArray bytes;
    if (ReadRegularFile(path, kMaxTextFileBytes, bytes) != FileRead::Read)
        return false;
    text = DecodeTextBytes(bytes, lcid);
    return true;
}

bool FileExists(const QString &path)
{
    QString trimmed = TrimChars(path, QStringLiteral("\" "), TrimBoth);
    if (trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    return !trimmed.isEmpty() && IsReadableRegularFile(trimmed);
}

bool ParseWordsText(const QString &text, WordsFile &words)
{
    // The keys are taken in this order; the first one that fails decides.
    for (int i = 0; i < 5; ++i) {
        if (!numberedList(text, QStringLiteral("Level%1").arg(i), 4, words.level[i]))
            return false;
    }
    if (!numberedList(text, QStringLiteral("Words1"), 9, words.words1)
        || !numberedList(text, QStringLiteral("Words10"), 9, words.words10)
        || !numberedList(text, QStringLiteral("Words100"), 9, words.words100)
        || !numberedList(text, QStringLiteral("Words11"), 9, words.words11)) {
        return false;
    }

    if (!entryValue(text, QStringLiteral("Zero"), words.zero) || words.zero.isEmpty())
        return false;

    QString replace;
    if (!entryValue(text, QStringLiteral("Replace"), replace))
        return false;
    words.replace = replace.isEmpty() ? QStringList() : replace.split(QLatin1Char(','));
    return words.replace.size() % 2 == 0;
}

bool ReadWordsFile(const QString &path, int lcid, WordsFile &words)
{
    QString text;
    return ReadTextFile(text, path, lcid) && ParseWordsText(text, words);
}
