#pragma once

#include <messagesink.h>

#include <QString>

class QMessageBox;
class QWidget;

// The calculator's message sink: a modal message box captioned with the product name, with the
// named icon and an OK button, over the active window.
void installMessageBoxSink();

// The box the sink shows, built but not shown; the caller owns it.
QMessageBox *createMessageBox(const QString &text, MessageIcon icon, QWidget *parent = nullptr);
