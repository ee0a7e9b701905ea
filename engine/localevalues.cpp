#include "localevalues.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

LocaleSnapshot systemSnapshot()
{
    return LocaleSnapshot{QLocale::system(), true};
}

int lcidOf(const QLocale &locale)
{
    return locale.language() == QLocale::Russian ? kLcidRussian : kLcidEnglish;
}

LocaleSource &sourceSlot()
{
    static LocaleSource source;
    return source;
}

} // namespace

LocaleSource setLocaleSource(LocaleSource source)
{
    LocaleSource old = std::move(sourceSlot());
    sourceSlot() = std::move(source);
    return old;
}

LocaleSnapshot currentLocaleSnapshot()
{
    const LocaleSource &source = sourceSlot();
    return source ? source() : systemSnapshot();
}

QString programBaseName()
{
    if (QCoreApplication::instance()) {
        const QString base = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        if (!base.isEmpty())
            return base;
    }
    return QStringLiteral("tallyer");
}

int ReadLocaleLcid()
{
    return lcidOf(currentLocaleSnapshot().locale);
}

LocaleValues ReadLocaleValues()
{
    const LocaleSnapshot snap = currentLocaleSnapshot();
    LocaleValues v;
    v.lcid = lcidOf(snap.locale);
    v.helpFileName = programBaseName()
        + (v.lcid == kLcidRussian ? QStringLiteral("Ru.html") : QStringLiteral("En.html"));
    v.decimalSeparator = snap.locale.decimalPoint();
    v.leadingZero = snap.leadingZero;
    v.thousandsSeparator = snap.locale.groupSeparator();
    return v;
}
