#pragma once

#include <QLocale>
#include <QString>

#include <functional>

// The user's number conventions and language, as the evaluator, the formatter, the sheet and the
// texts see them. The engine holds no copy: the window reads them once per evaluation cycle (and
// tallyer-cli once per command) and passes them in, so a change of the regional settings takes
// effect at the next keystroke.
struct LocaleValues
{
    int lcid = 0;                  // 1049 for Russian, 1033 for everything else
    QString helpFileName;          // program name + "Ru.html" / "En.html", no folder
    QString decimalSeparator;      // "." or "," on any locale the program accepts
    bool leadingZero = false;      // the locale writes 0 before a leading separator
    QString thousandsSeparator;    // any single character, e.g. "," or a no-break space

    // The decimal separator as the numbers are written: "." while none is known.
    QString decimalText() const { return decimalSeparator.isEmpty() ? QStringLiteral(".") : decimalSeparator; }
    // Its first character, as the number syntax compares it.
    QChar decimalChar() const { return decimalSeparator.isEmpty() ? QChar(u'.') : decimalSeparator.at(0); }
};

// What the platform reports about the user's locale. Production reads QLocale::system() anew at
// every call; tests install their own source.
struct LocaleSnapshot
{
    QLocale locale;
    bool leadingZero = true;       // POSIX locales always write the zero
};

using LocaleSource = std::function<LocaleSnapshot()>;

constexpr int kLcidRussian = 1049;
constexpr int kLcidEnglish = 1033;

// All five values from the current locale source, read anew at every call.
LocaleValues ReadLocaleValues();

// Only the language (the lcid of ReadLocaleValues), for the texts, which need nothing else.
int ReadLocaleLcid();

// Replaces the locale source (an empty function restores the system one). Returns the old one so
// tests can put it back.
LocaleSource setLocaleSource(LocaleSource source);

// The snapshot the current source gives; the start-up locale check reads the negative sign and
// the digit grouping from it.
LocaleSnapshot currentLocaleSnapshot();

// The program's file name without folder and extension ("tallyer"); used for the help file name.
QString programBaseName();
