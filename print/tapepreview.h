#pragma once

struct TapeDocument;
class QWidget;

// Ctrl+P: the print dialog with a preview of the tape (QPrintPreviewDialog), modal to parent.
// Its Print button prints the pages the preview shows, on the printer and page chosen there.
// Returns when the dialog has closed.
void PrintTapeWithPreview(QWidget *parent, const TapeDocument &document);
