#pragma once

#include "textid.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <array>
#include <functional>

class CalcField;
class MavoLabel3D;
class QFrame;
class QLabel;
class QTimer;
class QWidget;

// Asks, over the given window, whether the F1 greeting shall be shown at later starts; true keeps
// it. The question text is complete; the asker only shows it and returns the answer.
using F1QuestionAsker = std::function<bool(QWidget *owner, const QString &text)>;

// The window explains itself: the hint strip under the field for the push-label the pointer rests
// on, and the "Press F1 for help" greeting that slides into the field at start-up.
class Hints : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QWidget *window;
        CalcField *field;         // the strip stands just below it
        MavoLabel3D *strip;       // lblToolTip
        QFrame *greetingFrame;    // frame1, over the field
        QLabel *greeting;         // lblF1Label, inside the frame
    };
    // stripShown: whether the memory buttons are in the window (the compact window shows no
    // hints); selection: whether the panels show a sub result.
    Hints(const Controls &controls, std::function<bool()> stripShown, std::function<bool()> selection,
          QObject *parent = nullptr);

    // The pointer is over the push-label: its hint shows after a while, the second text while
    // the panels show a sub result.
    void ShowHint(const MavoLabel3D *label, TextId hint, TextId hintSubResult);
    // Ends a pending or shown hint. Unless the control is forgotten, moving on over the same
    // push-label does not bring its hint back.
    void hide(bool forgetControl = true);
    // A note inside the sheet, at its lower right, until the next change: why the result panel
    // is blank. It never covers a button and lets clicks through. Not while the greeting runs.
    void showNote(const QString &text);
    QString noteText() const;
    // Starts the greeting (once per start, unless the user has declined it).
    void startGreeting();
    bool greetingRunning() const;
    // The user changed the sheet: the greeting ends, and its question waits for a pause.
    void noteTyped();
    // Replaces the question box (tests answer without a person); empty puts the box back.
    void setAsker(F1QuestionAsker asker) { m_asker = std::move(asker); }
    // The push-label whose hint is pending or shown; empty when none.
    QString hintControl() const;

    // One tick of the hint strip (300 ms) and of the greeting (40 ms), run by their timers.
    void hintTick();
    void greetingTick();

private:
    void showStrip(const QString &text);
    // Makes the greeting whole in its frame: a smaller font where the frame is too low or the
    // text too wide for the room left of its right edge (pixels), and a place inside the frame.
    void fitGreeting(int right);

    QWidget *m_window;
    CalcField *m_field;
    MavoLabel3D *m_strip;
    QFrame *m_greetingFrame;
    QLabel *m_greeting;
    QLabel *m_note;
    std::function<bool()> m_stripShown;
    std::function<bool()> m_selection;
    F1QuestionAsker m_asker;
    QTimer *m_hintTimer;
    QTimer *m_greetingTimer;
    const MavoLabel3D *m_control = nullptr;
    TextId m_hint = TextId::None;
    TextId m_hintSubResult = TextId::None;
    qint32 m_hintTicks = 0;
    qint32 m_greetingTicks = 0;
    bool m_typed = false;
    QElapsedTimer m_lastTyped; // since the last change of the text
    // Phase lengths in ticks (0 ... 6), their sum (7), and where the phase being drawn starts (8):
    // the last tick before it.
    std::array<qint32, 9> m_phases{20, 45, 8, 8, 4, 4, 60, 149, 0};
};
