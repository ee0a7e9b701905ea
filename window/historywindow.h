#pragma once

#include "frmtallyer.h"

// The history window: the calculator's form, read-only, browsing the expressions of this run
// (Ctrl+PageUp back, Ctrl+PageDown forward). Enter on a selection hands it, with the entry's
// rounding digit, to the main window and closes; Escape closes.
class HistoryWindow : public frmTallyer
{
    Q_OBJECT

public:
    // Opens over the main window, modal to the program, on the newest entry wholly selected.
    static HistoryWindow *open(frmTallyer *main, const TextRing &history);

signals:
    void expressionChosen(int roundDigit, const QString &expression);

protected:
    void historyKey(bool forward) override;
    void chooseSelection() override;

private:
    HistoryWindow(frmTallyer *main, const TextRing &history);

    TextRing m_ring;
};
