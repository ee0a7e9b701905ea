#include "showhelp.h"

#include "helplinks.h"
#include "loadtext.h"

#include <datafolders.h>
#include <filenames.h>
#include <messagesink.h>
#include <productinfo.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

namespace {

// The help window's browser. Every page, picture and style sheet it loads goes through
// loadResource, which reads only regular files inside the allowed folders (HelpResourcePath, then
// the same test on the path with its links resolved) and at most kMaxHelpFileBytes of each. A
// click on a link goes through HelpLinkTarget: pages of the help are shown, web addresses go to
// the desktop's browser, everything else does nothing.
class HelpBrowser : public QTextBrowser
{
public:
    explicit HelpBrowser(QWidget *parent)
        : QTextBrowser(parent)
    {
        setOpenLinks(false);
        setOpenExternalLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl &link) {
            QUrl target;
            switch (HelpLinkTarget(link, m_page, m_folders, target)) {
            case HelpLinkAction::Scroll:
            case HelpLinkAction::Show:
                setSource(target);
                break;
            case HelpLinkAction::Browse:
                QDesktopServices::openUrl(target);
                break;
            case HelpLinkAction::Ignore:
                break;
            }
        });
    }

    // The data folders and the folder of the help file shown, as given and with their links
    // resolved, so that a picture may be named either way.
    void setFolders(const QStringList &folders)
    {
        m_folders.clear();
        for (const QString &folder : folders) {
            m_folders << QDir::cleanPath(folder);
            const QString canonical = QFileInfo(folder).canonicalFilePath();
            if (!canonical.isEmpty())
                m_folders << canonical;
        }
        m_folders.removeDuplicates();
    }

    QVariant loadResource(int type, const QUrl &name) override
    {
        const QString path = HelpResourcePath(name, m_page, m_folders);
        // A link inside the folders may still point out of them.
        const QString canonical = path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
        QByteArray bytes;
        if (canonical.isEmpty() || !IsInsideFolders(canonical, m_folders)
            || ReadRegularFile(canonical, kMaxHelpFileBytes, bytes) != FileRead::Read) {
            // Empty bytes, not an empty QVariant: on a null answer QTextDocument opens the file
            // itself and reads it to its end (a FIFO waits for ever, /dev/zero never ends).
            return QByteArray();
        }
        // Every way to a page (ShowHelp, a click, the history keys) loads it here first: the names
        // on it are relative to it.
        if (type == QTextDocument::HtmlResource)
            m_page = QUrl::fromLocalFile(path);
        return bytes;
    }

private:
    QStringList m_folders;
    QUrl m_page;
};

QPointer<QWidget> &helpWindowSlot()
{
    static QPointer<QWidget> window;
    return window;
}

QWidget *createHelpWindow(QWidget *parent)
{
    auto *window = new QWidget(parent, Qt::Window);
    window->setObjectName(QStringLiteral("helpWindow"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *browser = new HelpBrowser(window);
    browser->setObjectName(QStringLiteral("helpBrowser"));
    layout->addWidget(browser);
    window->resize(640, 560);
    return window;
}

} // namespace

QTextBrowser *ShowHelp(QWidget *hwndOwner, const QString &helpFile, int command, int data)
{
    const QString path = QFileInfo(helpFile).isAbsolute()
        ? helpFile
        : DataFilePath(helpFile, QCoreApplication::applicationDirPath());
    const QFileInfo info(path);
    // A help file far larger than ours would keep the window busy for minutes: not accessible.
    if (helpFile.isEmpty() || !IsReadableRegularFile(path) || info.size() > kMaxHelpFileBytes) {
        showMessage(LoadText(1381, {QStringLiteral("|1"), QStringLiteral("\n\t"),
                                    QStringLiteral("|2"), PrintableFileName(path)}),
                    MessageIcon::Exclamation);
        return nullptr;
    }

    // While a modal dialog is up (the options dialog asks for help with the main window as
    // owner), a window that does not belong to that dialog would take no input. So the help
    // window hangs under the modal dialog then, and under the owner's window otherwise.
    QWidget *parent = QApplication::activeModalWidget();
    if (!parent && hwndOwner)
        parent = hwndOwner->window();

    QPointer<QWidget> &window = helpWindowSlot();
    if (!window)
        window = createHelpWindow(parent);
    else if (window->parentWidget() != parent)
        window->setParent(parent, Qt::Window);   // hides it; shown again below
    window->setWindowTitle(QString::fromLatin1(ProductInfo::kProductName) + QStringLiteral(" - ")
                           + LoadText(1380));

    auto *browser = static_cast<HelpBrowser *>(window->findChild<QTextBrowser *>(QStringLiteral("helpBrowser")));
    browser->setFolders(DataFolders(QCoreApplication::applicationDirPath()) << info.absolutePath());
    // Shown before the page is set, so that the jump to the anchor works on the final layout.
    window->show();
    window->raise();
    window->activateWindow();

    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (command == HH_HELP_CONTEXT)
        url.setFragment(QString::number(data));
    // The same file again only scrolls to the anchor; another file (the language changed) loads.
    browser->setSource(url);
    return browser;
}
