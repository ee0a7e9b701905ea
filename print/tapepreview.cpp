#include "tapepreview.h"

#include "tapeprint.h"

#include <tapetexts.h>

#include <QPrintPreviewDialog>
#include <QPrinter>

void PrintTapeWithPreview(QWidget *parent, const TapeDocument &document)
{
    // The preview asks for the pages again whenever the page setup changes.
    const TapeHeadings headings = TapeHeadingTexts();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(TapeTitle(document, headings));
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter *target) { PrintTape(*target, document, headings); });
    dialog.exec();
}
