// The help window's rules on any link or picture name: a resource path is a clean absolute path
// inside the folders, and a link is followed only to the page itself, to a help page inside the
// folders, or to a web address.

#include "fuzzcommon.h"

#include <helplinks.h>

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const QStringList folders{QStringLiteral("/data/a"), QStringLiteral("/usr/share/tallyer")};
    static const QUrl pages[] = {QUrl(QStringLiteral("file:///data/a/tallyerEn.html")),
                                 QUrl(QStringLiteral("file:///usr/share/tallyer/sub/tallyerRu.html"))};
    const QUrl &page = pages[data[0] % std::size(pages)];
    const QString text = fuzzText(data + 1, size - 1);
    // Both the tolerant reading a browser gives an attribute and the strict one.
    for (const QUrl &name : {QUrl(text), QUrl(text, QUrl::StrictMode)}) {
        const QString path = HelpResourcePath(name, page, folders);
        if (!path.isEmpty()) {
            FUZZ_CHECK(path == QDir::cleanPath(path) && path.startsWith(QLatin1Char('/')));
            FUZZ_CHECK(!path.contains(QChar(0)) && IsInsideFolders(path, folders));
        }

        QUrl target;
        switch (HelpLinkTarget(name, page, folders, target)) {
        case HelpLinkAction::Scroll:
            FUZZ_CHECK(target.adjusted(QUrl::RemoveFragment) == page);
            break;
        case HelpLinkAction::Show: {
            const QString shown = target.toLocalFile();
            FUZZ_CHECK(target.isLocalFile() && target.host().isEmpty() && IsInsideFolders(shown, folders));
            FUZZ_CHECK(shown == QDir::cleanPath(shown));
            FUZZ_CHECK(shown.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)
                       || shown.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive));
            break;
        }
        case HelpLinkAction::Browse:
            FUZZ_CHECK((target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https"))
                       && !target.host().isEmpty());
            break;
        case HelpLinkAction::Ignore:
            FUZZ_CHECK(target.isEmpty());
            break;
        }
    }
    return 0;
}
