#pragma once

#include "localevalues.h"

// Sets the module-wide locale values for the length of one test and puts the previous ones back,
// so no test leaks its separators into the next.
class LocaleScope
{
public:
    LocaleScope(const QString &decimal, const QString &thousands, bool leadingZero)
        : m_saved(localeValues())
    {
        LocaleValues &v = localeValues();
        v.decimalSeparator = decimal;
        v.thousandsSeparator = thousands;
        v.leadingZero = leadingZero;
    }
    ~LocaleScope() { localeValues() = m_saved; }
    LocaleScope(const LocaleScope &) = delete;
    LocaleScope &operator=(const LocaleScope &) = delete;

private:
    LocaleValues m_saved;
};
