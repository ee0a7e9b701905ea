#pragma once

#include "placement.h"

#include <QObject>
#include <QPoint>

#include <functional>

class QWidget;

// Keeps the main window where its user put it and wholly on its screen: records the user's moves
// (as twips, for the next run), gives the window the height of its rows, and places it again when
// its screen changes. The sizes and the position themselves are a Placement (placement.h).
class WindowPlacer : public QObject
{
    Q_OBJECT

public:
    explicit WindowPlacer(QWidget *window);

    // Takes the work area of the window's screen (before it has one, the primary screen's).
    void takeScreen();
    // Twips: the strip of memory buttons, and the rest of the window's height beside the field,
    // the strip and the caption bar.
    void setFrameMeasures(float stripHeight, float frameSpare);
    // Twips: one row of the field.
    void setRowHeight(float twips);
    // The window's outer top-left corner, twips.
    void setPosition(float left, float top);
    QPoint position() const;

    // The window moved: recorded as the user's move unless the program is placing it, it is not
    // shown yet, or the move comes with minimising or with the restore after it.
    void noteMove();

    // For a number of rows (within the options' limits), with or without the strip: the pixels
    // the field grows by, the window's client height, and the window's place kept on the screen
    // (a window taller than the screen gives up rows of the field).
    struct RowFit
    {
        int fieldGrowth;
        int clientHeight;
        QPoint topLeft;
    };
    RowFit fitRows(qint32 rows, bool strip, const QRect &field) const;
    // Gives the window that height, and that place unless heightOnly; the moves this causes are
    // the program's, not the user's.
    void apply(const RowFit &fit, bool heightOnly);

    // From the first show on, a screen that shrinks, goes or is swapped for another places the
    // window on its work area again and calls refit to give it its rows' height there.
    void followScreens(std::function<void()> refit);

private:
    double twipsX() const;
    double twipsY() const;
    // The caption bar's height in pixels (the window frame's top inset).
    int captionBarPixels() const;

    QWidget *m_window;
    Placement m_placement;
    bool m_holdPosition = false; // the window is being placed by the program
    bool m_skipNextMove = false;
    bool m_followingScreens = false;
};
