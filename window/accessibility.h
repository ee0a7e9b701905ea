#pragma once

#include "pushlabels.h"

#include <QWidget>

#include <array>

#include <functional>

class CalcField;
class CalcSession;
class Hints;
class MavoLabel3D;
class QTimer;

// Speaks the result to screen readers without taking the focus from the sheet. Assistive tools
// see a notification object that comes up (AT-SPI "showing") with the words as its name each
// time something is announced; Orca speaks a notification that way. It is never drawn.
//
// Not on every key: the result is announced once the user has paused for kPauseMs, and only when
// the words differ from the last ones spoken.
class ResultAnnouncer : public QWidget
{
    Q_OBJECT

public:
    // Long enough to span the gap between two keys of a steady typist (about 200 to 400 ms),
    // short enough to come as the answer to the last key.
    static constexpr int kPauseMs = 800;

    // words gives what to say; it is asked when the pause is over.
    ResultAnnouncer(QWidget *parent, std::function<QString()> words);

    // The result changed: announce it after the pause.
    void resultChanged();
    // The user is still at work (typing): the pause starts again, if one is running.
    void stillBusy();

    // The words announced last; empty before the first announcement.
    QString text() const { return m_text; }
    bool isLive() const { return m_live; }
    void announce(const QString &words);

signals:
    // Raised with every announcement, after assistive tools have been told.
    void announced(const QString &words);

private:
    std::function<QString()> m_words;
    QTimer *m_pause = nullptr;
    QString m_text;
    bool m_live = false;
};

// The keyboard's way to the push-labels: Tab and Shift+Tab go from the sheet through the labels
// the window shows whole, left to right and row by row, and back to the sheet. Labels cut off by
// the compact window take no focus. Space and Enter press the focused label (the label does
// that); any other key goes to the sheet, which takes the focus back, so that typing and the
// shortcuts work wherever the focus is.
class TabStops : public QObject
{
public:
    TabStops(QWidget *window, CalcField *sheet, const std::array<MavoLabel3D *, kPushLabelCount> &labels);

    // Which labels take the focus, and their order; run when the window's size or the strip
    // changes.
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    CalcField *m_sheet;
    std::array<MavoLabel3D *, kPushLabelCount> m_labels;
    QList<QWidget *> m_stops; // the sheet first, then the reachable labels in order
};

// What the main window tells assistive tools (screen readers): the names and descriptions of the
// sheet and of every push-label, what each label's two buttons do, and the result, announced when
// the user pauses (with the reason when it is blank, also shown under the field). Texts are looked up when a tool asks, from the push-label table and the
// session as they are at that moment.
class WindowAccessibility : public QObject
{
    Q_OBJECT

public:
    WindowAccessibility(QWidget *window, CalcField *sheet, const std::array<MavoLabel3D *, kPushLabelCount> &labels,
                        const CalcSession *session, Hints *hints);

    // The name a screen reader says for a push-label, in the interface language.
    QString spokenName(PushLabel id) const;

private:
    const CalcSession *m_session;
};
