#pragma once

#include <QLocale>
#include <QString>

#include <functional>

// The user's number conventions and language, as the evaluator, the formatter, the sheet and the
// texts see them. They are module-wide on purpose: every evaluation cycle re-reads them, so a
// change of the regional settings takes effect at the next keystroke.
struct LocaleValues
{
    int lcid = 0;                  // 1049 for Russian, 1033 for everything else
    QString helpFileName;          // program name + "Ru.html" / "En.html", no folder
    QString decimalSeparator;      // "." or "," on any locale the program accepts
    bool leadingZero = false;      // the locale writes 0 before a leading separator
    QString thousandsSeparator;    // any single character, e.g. "," or a no-break space
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

// The module-wide values; empty and 0 until the first LoadLocaleSettings.
LocaleValues &localeValues();

// Sets all five values from the current locale source.
void LoadLocaleSettings();

// Replaces the locale source (an empty function restores the system one). Returns the old one so
// tests can put it back.
LocaleSource setLocaleSource(LocaleSource source);

// The snapshot the current source gives; the start-up locale check reads the negative sign and
// the digit grouping from it.
LocaleSnapshot currentLocaleSnapshot();

// The program's file name without folder and extension ("tallyer"); used for the help file name.
QString programBaseName();
