#include "tapepreview.h"

#include "tapeprint.h"

#include <tapetexts.h>

#include <QPrintPreviewDialog>
#include <QPrinter>

void PrintTapeWithPreview(QWidget *parent, const TapeDocument &document)
{
    // The subtotals are folded once; the preview asks for the pages again whenever the page
    // setup changes.
    const TapeFold fold = FoldTape(document.sheetText, document.decimals, document.locale);
    const TapeHeadings headings = TapeHeadingTexts();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(TapeTitle(document, headings));
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter *target) { PrintTape(*target, document, fold, headings); });
    dialog.exec();
}
