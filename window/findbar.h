#pragma once

#include "sheetfind.h"

#include <QFrame>
#include <QString>

class QLabel;
class QLineEdit;
class QToolButton;
class ResultAnnouncer;
class SheetView;

// The find bar: a strip with the text to find, previous and next buttons, what was found ("3 of
// 12", "Not found") and a close button. It searches the sheet's text and its rows' notes as the
// user types, from where the caret stood when the bar opened, and selects a hit in the figures in
// the sheet, scrolled into view, or marks one in a note (SheetView::showNoteHit). Enter and F3 go
// to the next hit, Shift+Enter and Shift+F3 to the previous one, round the ends; Escape closes
// the bar and gives the sheet the focus with the hit still selected.
//
// A longer needle typed after a shorter one starts where the shorter one was found: nothing
// before that hit can match the longer one, so typing into a long tape costs one scan per key
// at most, and none after a key that found nothing.
class FindBar : public QFrame
{
    Q_OBJECT

public:
    explicit FindBar(SheetView *sheet, QWidget *parent = nullptr);

    // Shows the bar (or keeps it) with the focus in its text, the text selected.
    void open();
    void close();
    bool hasNeedle() const;
    void findNext();
    void findPrevious();
    // What the label says: "3 of 12", "Not found", nothing while there is no text.
    QString status() const;

signals:
    // The bar came up or went: the window makes room for it or takes the room back.
    void shownChanged(bool shown);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void nameControls();
    void search();
    void step(FindDirection direction);
    // Where the sheet stands: the note hit it marks, else the start of its selection.
    SheetPlace sheetPlace() const;
    // The caret put back where typing searches from.
    void returnToOrigin();
    // The hit selected in the sheet and counted in the label; a step's result is said at once.
    void showHit(const SheetHit &hit, FindDirection direction, bool announceAtOnce);
    // The text or the notes changed since the last search: what was found no longer holds.
    void forget();

    SheetView *m_sheet;
    QLineEdit *m_edit;
    QToolButton *m_previous;
    QToolButton *m_next;
    QLabel *m_status;
    QToolButton *m_close;
    ResultAnnouncer *m_announcer;

    // Where typing searches from: the caret when the bar opened, or the hit the last step found.
    SheetPlace m_origin;
    // The last search as typed, from m_origin, and the hits of its needle in the whole sheet
    // (-1 until counted).
    QString m_lastNeedle;
    SheetHit m_lastHit;
    qsizetype m_total = -1;
};
