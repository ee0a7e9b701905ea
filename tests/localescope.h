#pragma once

#include "localevalues.h"

#include <QLocale>
#include <QScopeGuard>

// The number conventions a test evaluates, formats or cleans with.
inline LocaleValues testLocale(const QString &decimal, const QString &thousands = QStringLiteral(" "),
                               bool leadingZero = true)
{
    return {.helpFileName = {}, .decimalSeparator = decimal, .leadingZero = leadingZero, .thousandsSeparator = thousands};
}

// Makes the platform report another locale (to ReadLocaleValues and LoadText) until the returned
// guard goes out of scope, which puts the previous source back.
[[nodiscard]] inline auto useLocaleSource(const QLocale &locale, bool leadingZero = true)
{
    LocaleSource saved = setLocaleSource([locale, leadingZero] { return LocaleSnapshot{locale, leadingZero}; });
    return qScopeGuard([saved = std::move(saved)]() mutable { setLocaleSource(std::move(saved)); });
}
