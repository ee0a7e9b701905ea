#pragma once

#include "textring.h"

#include <QList>
#include <QString>

// The tape kept between runs: the sheet's text, its caret and the expression history, in one
// small JSON document $XDG_STATE_HOME/tallyer/tape.json (~/.local/state/tallyer/tape.json when
// the variable is unset or not an absolute path). Written atomically, so a crash or a full disk
// while closing leaves the previous state whole. A state file that cannot be used (unreadable,
// not a regular file, over 16 MiB, not JSON, another format or a newer version) is renamed to
// "tape.json.bad" (".bad.2", ... when that exists), never deleted, and the run starts with an
// empty tape. Loading never waits: no lock is taken and nothing but a regular file is opened.
//
//   const TapeStateLoadResult kept = LoadTapeState();
//   ... restore kept.state ...
//   SaveTapeState(current);

// A state file over this size is set aside unread; a state that would be larger is saved
// without its history, or not at all.
inline constexpr qint64 kTapeStateLimit = 16 * 1024 * 1024;

struct TapeState
{
    QString text;              // the sheet's text, rows joined by CR LF
    qint32 selStart = 0;       // the caret, counted as the sheet counts it (CR LF is two)
    qint32 selLength = 0;
    QList<TextEntry> history;  // the expression history, oldest first (TextRing::entries())

    bool operator==(const TapeState &) const = default;
};

enum class TapeStateOutcome {
    Restored,  // the state file was read
    NoState,   // there is no state file: a first run, or nothing was kept
    SetAside,  // the state file could not be used and was renamed (setAsidePath)
    Unusable,  // the state file could not be used and could not be renamed either
};

struct TapeStateLoadResult
{
    TapeState state;           // empty unless Restored
    TapeStateOutcome outcome = TapeStateOutcome::NoState;
    QString setAsidePath;      // SetAside: the file's new name
};

// $XDG_STATE_HOME/tallyer, or ~/.local/state/tallyer. It may not exist yet.
QString TapeStateFolder();
// The state file in it.
QString TapeStateFilePath();

// The kept state; positions outside the text are brought inside it.
TapeStateLoadResult LoadTapeState(const QString &path = TapeStateFilePath());

// Writes the state atomically, creating the folder (for the user alone) when it is missing.
// False, with the reason in *reason, when it could not be written; the old file then stays.
bool SaveTapeState(const TapeState &state, const QString &path = TapeStateFilePath(),
                   QString *reason = nullptr);

// Removes a kept state (when the user stops keeping the tape). True when none is left.
bool DiscardTapeState(const QString &path = TapeStateFilePath());
