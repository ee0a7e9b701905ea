#include "helplinks.h"

#include <QDir>

namespace {

// The clean absolute path of a local file URL, or empty when the URL names no local file: another
// scheme, a host (file://server/...), a relative path, or a NUL, which the system call would cut
// the name at.
QString localPath(const QUrl &url)
{
    if (!url.isLocalFile() || !url.host().isEmpty())
        return {};
    const QString path = url.toLocalFile();
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return {};
    return QDir::cleanPath(path);
}

bool isHtmlName(const QString &path)
{
    return path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

} // namespace

bool IsInsideFolders(const QString &path, const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (!folder.startsWith(QLatin1Char('/')))
            continue;
        const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
        if (path.size() > prefix.size() && path.startsWith(prefix))
            return true;
    }
    return false;
}

HelpLinkAction HelpLinkTarget(const QUrl &link, const QUrl &page, const QStringList &folders,
                              QUrl &target)
{
    target = QUrl();
    const QUrl resolved = page.resolved(link);
    if (!resolved.isValid())
        return HelpLinkAction::Ignore;

    const QString scheme = resolved.scheme();
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !resolved.host().isEmpty()) {
        target = resolved;
        return HelpLinkAction::Browse;
    }

    const QString path = localPath(resolved);
    if (path.isEmpty())
        return HelpLinkAction::Ignore;
    QUrl local = QUrl::fromLocalFile(path);
    local.setFragment(resolved.fragment());
    if (path == localPath(page)) {
        target = local;
        return HelpLinkAction::Scroll;
    }
    if (isHtmlName(path) && IsInsideFolders(path, folders)) {
        target = local;
        return HelpLinkAction::Show;
    }
    return HelpLinkAction::Ignore;
}

QString HelpResourcePath(const QUrl &resource, const QUrl &page, const QStringList &folders)
{
    const QString path = localPath(page.resolved(resource));
    return !path.isEmpty() && IsInsideFolders(path, folders) ? path : QString();
}
