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
    // The paper the user's locale uses, whatever the printer's driver would start from; the
    // page setup of the dialog can still change it.
    printer.setPageSize(TapePageSize(document.paper));
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter *target) { PrintTape(*target, document, headings); });
    dialog.exec();
}
