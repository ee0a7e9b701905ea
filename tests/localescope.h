#pragma once

#include "localevalues.h"

#include <QLocale>

// The number conventions a test evaluates, formats or cleans with.
inline LocaleValues testLocale(const QString &decimal, const QString &thousands = QStringLiteral(" "),
                               bool leadingZero = true)
{
    LocaleValues values;
    values.decimalSeparator = decimal;
    values.thousandsSeparator = thousands;
    values.leadingZero = leadingZero;
    return values;
}

// Makes the platform report another locale (to ReadLocaleValues and LoadText) for the length of
// one test, and puts the previous source back.
class LocaleSourceScope
{
public:
    explicit LocaleSourceScope(const QLocale &locale, bool leadingZero = true)
        : m_saved(setLocaleSource([locale, leadingZero] { return LocaleSnapshot{locale, leadingZero}; }))
    {
    }
    ~LocaleSourceScope() { setLocaleSource(std::move(m_saved)); }
    LocaleSourceScope(const LocaleSourceScope &) = delete;
    LocaleSourceScope &operator=(const LocaleSourceScope &) = delete;

private:
    LocaleSource m_saved;
};
