#include "showhelp.h"

#include "loadtext.h"

#include <datafolders.h>
#include <messagesink.h>
#include <productinfo.h>

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

namespace {

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
    auto *browser = new QTextBrowser(window);
    browser->setObjectName(QStringLiteral("helpBrowser"));
    browser->setOpenExternalLinks(true);
    layout->addWidget(browser);
    window->resize(640, 560);
    return window;
}

} // namespace

QTextBrowser *ShowHelp(QWidget *hwndOwner, const QString &strHelpFile, int lngCommand, int lngData)
{
    const QString strPath = QFileInfo(strHelpFile).isAbsolute()
        ? strHelpFile
        : DataFilePath(strHelpFile, QCoreApplication::applicationDirPath());
    const QFileInfo info(strPath);
    if (strHelpFile.isEmpty() || !info.isFile() || !info.isReadable()) {
        showMessage(LoadText(1381, {QStringLiteral("|1"), QStringLiteral("\n\t"),
                                    QStringLiteral("|2"), strPath}),
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

    auto *browser = window->findChild<QTextBrowser *>(QStringLiteral("helpBrowser"));
    // Shown before the page is set, so that the jump to the anchor works on the final layout.
    window->show();
    window->raise();
    window->activateWindow();

    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (lngCommand == HH_HELP_CONTEXT)
        url.setFragment(QString::number(lngData));
    // The same file again only scrolls to the anchor; another file (the language changed) loads.
    browser->setSource(url);
    return browser;
}
