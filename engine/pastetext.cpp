#include "pastetext.h"

#include "tapereading.h"

QString PastedSheetText(const QString &pasted, const LocaleValues &locale)
{
    TapeReading reading = ReadTapeText(pasted, locale);
    return reading.ok() ? std::move(reading.sheet) : QString();
}
