#pragma once

#include "tapemodel.h"
#include "textring.h"

#include <QWidget>

class CalcField;
class MavoLabel3D;
class frmTallyer;
enum class KeyCommand;

// The history window: a read-only view of the expressions of this run, a sheet with the rows'
// notes beside them and a result panel. Ctrl+PageUp steps back, Ctrl+PageDown forward; Enter on a
// selection hands it as an entry, with the rounding digit and the notes of its rows, to the main
// window and closes; Escape closes. It works on its own copy of the history, so the main window's
// ring never moves.
class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    // Opens beside the main window, modal to the program, on the newest entry wholly selected.
    static HistoryWindow *open(frmTallyer *main, const TextRing &history);

signals:
    // The part of the entry chosen: its text, wholly selected, the rounding digit, and the notes
    // of its rows, row 0 the row it starts in.
    void entryChosen(const TextEntry &entry);

private:
    HistoryWindow(frmTallyer *main, const TextRing &history);

    void runCommand(KeyCommand command, int key);
    void step(bool forward);
    void showEntry(const TextEntry &entry);
    TextEntry chosenEntry() const;
    void showResult();
    void fitToRows();
    void placeBeside(const QWidget *main);

    CalcField *boxCalc = nullptr;
    MavoLabel3D *lblResult = nullptr;
    TextRing m_ring;
    // The value of the entry shown, following its field's rows; and of a part of it selected.
    TapeModel m_entry;
    TapeModel m_part;
    int m_roundDigit = 2;
};
