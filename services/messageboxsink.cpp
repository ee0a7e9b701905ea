#include "messageboxsink.h"

#include <productinfo.h>

#include <QApplication>
#include <QMessageBox>

#include <memory>

QMessageBox *createMessageBox(const QString &text, MessageIcon icon, QWidget *parent)
{
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    switch (icon) {
    case MessageIcon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case MessageIcon::Exclamation:
        boxIcon = QMessageBox::Warning;
        break;
    case MessageIcon::Critical:
        boxIcon = QMessageBox::Critical;
        break;
    }
    return new QMessageBox(boxIcon, QString::fromLatin1(ProductInfo::kProductName), text,
                           QMessageBox::Ok, parent);
}

void installMessageBoxSink()
{
    setMessageSink([](const QString &text, MessageIcon icon) {
        QWidget *parent = QApplication::activeModalWidget();
        if (!parent)
            parent = QApplication::activeWindow();
        std::unique_ptr<QMessageBox> box(createMessageBox(text, icon, parent));
        box->exec();
    });
}
