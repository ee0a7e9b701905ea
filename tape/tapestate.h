#pragma once

#include "textring.h"

#include <QList>
#include <QString>

// The tape kept between runs, in the folder $XDG_STATE_HOME/tallyer (~/.local/state/tallyer when
// the variable is unset or not an absolute path):
//
//   tape.txt   the sheet's rows as a tape file (UTF-8, LF between rows, a row's note after a TAB
//              on its line), without a LF after the last row: so any tape without notes opened
//              from a file of kTapeFileLimit bytes, or pasted from CalcField::kPasteLimit
//              characters (the same number), is kept within that limit. The notes count towards
//              it, being in the same file.
//   tape.json  a small compact JSON document: the caret, the expression history (each entry's
//              notes as [row, text] pairs, left out when it has none), the id of this keeping,
//              the file the tape belongs to and whether it differs from that file, and the name of
//              a tape another window kept beside it.
//
// Each file is written atomically and the text first, so a crash between the two leaves the
// newer text with the older caret, never an older tape. The earlier format, one indented
// tape.json holding the rows as well (and no notes), is still read, and so is a tape.json whose
// history entries have no notes. A state that cannot be used (unreadable, not a regular file, over
// its limit, not JSON, another format, a newer version) is renamed, file by file, to ".bad"
// (".bad.2", ... when that exists), never deleted, and the run starts with an empty tape. Loading
// never waits: no lock is taken and nothing but a regular file is opened.
//
//   if (TapeStateFailedLastRun()) SetTapeStateAside();
//   MarkTapeStateInUse();
//   const TapeStateLoadResult kept = LoadTapeState();
//   ... restore kept.state, cleaned; origin = TapeStateOriginOf(kept.id, restored) ...
//   KeepTape(current, origin);
//   UnmarkTapeStateInUse();

// tape.json is read no further than this (a state of the earlier format holds the rows as well);
// a history that would make it larger is not kept.
inline constexpr qint64 kTapeStateLimit = 16 * 1024 * 1024;

struct TapeState
{
    TapeState(QString text = {}, qint32 selStart = 0, qint32 selLength = 0, QList<TextEntry> history = {},
              QString file = {}, bool fileModified = false)
        : text(std::move(text)), selStart(selStart), selLength(selLength), history(std::move(history)),
          file(std::move(file)), fileModified(fileModified)
    {
    }

    QString text;              // the sheet's text, rows joined by CR LF (never a TAB: the notes are apart)
    qint32 selStart = 0;       // the caret, counted as the sheet counts it (CR LF is two)
    qint32 selLength = 0;
    QList<TextEntry> history;  // the expression history, oldest first (TextRing::entries())
    QString file;              // the tape's file (an absolute path), empty for none
    bool fileModified = false; // the text differs from what the file held when opened or saved
    RowNotes notes;            // the rows' notes (sheetnotes.h), kept in tape.txt after a TAB

    bool operator==(const TapeState &) const = default;
};

enum class TapeStateOutcome {
    Restored,  // the state was read
    NoState,   // there is no state file: a first run, or nothing was kept
    SetAside,  // the state could not be used and was renamed (setAsidePath)
    Unusable,  // the state could not be used and could not be renamed either
};

struct TapeStateLoadResult
{
    TapeState state;           // empty unless Restored
    TapeStateOutcome outcome = TapeStateOutcome::NoState;
    QString setAsidePath;      // SetAside: the new name of the rows (tape.txt, or the old tape.json)
    QString id;                // Restored: the keeping's id (empty for the earlier format)
    QString besidePath;        // Restored: a tape another window kept beside this one, if still there
};

// $XDG_STATE_HOME/tallyer, or ~/.local/state/tallyer. It may not exist yet.
QString TapeStateFolder();
// The state's JSON document in it, and the rows beside a given one.
QString TapeStateFilePath();
QString TapeStateTextPath(const QString &path = TapeStateFilePath());

// The kept state; positions outside the text are brought inside it. Every row of tape.txt is split
// at its first TAB into its text and its note (SanitizedNote); a history entry's note that names
// no row of its text is dropped.
TapeStateLoadResult LoadTapeState(const QString &path = TapeStateFilePath());

// Writes the state (the rows, then the document), creating the folder (for the user alone) when
// it is missing. False, with the reason in *reason, when it could not be written, which leaves
// the old files as they were; a tape whose rows are over kTapeFileLimit bytes is never written.
// besideName: the file name of a tape another window kept beside this one, told at the next start.
bool SaveTapeState(const TapeState &state, const QString &path = TapeStateFilePath(),
                   QString *reason = nullptr, const QString &besideName = {});

// Renames the state out of the way as an unusable one is. The new name of its rows (or of its
// document when it has no rows file); empty when there was nothing to rename or it failed.
QString SetTapeStateAside(const QString &path = TapeStateFilePath());

// Removes a kept state (when the user stops keeping the tape). True when none is left.
bool DiscardTapeState(const QString &path = TapeStateFilePath());

// What a run started from: the id of the state it restored (empty when none, or of the earlier
// format), its tape and history with their notes as a digest, and its caret. At its end this tells what the run
// changed and whether another copy kept a tape since.
struct TapeStateOrigin
{
    QString id;
    size_t digest = 0;
    qint32 selStart = 0;
    qint32 selLength = 0;
};
TapeStateOrigin TapeStateOriginOf(const QString &id, const TapeState &state);

enum class TapeKeepOutcome {
    Kept,       // written
    LeftAlone,  // nothing written: this run changed nothing, or only its caret while another
                // copy kept its tape since
    NotKept,    // could not be written (reason); the state before it was set aside (setAsidePath)
};

struct TapeKeepResult
{
    TapeKeepOutcome outcome = TapeKeepOutcome::LeftAlone;
    QString reason;        // NotKept: why
    QString setAsidePath;  // NotKept: the new name of the earlier state, empty when there was none
    QString besidePath;    // Kept: where another copy's tape, kept since this run began, now is
};

// The end of a run: state is kept unless it is what the run started from. Where another copy has
// kept its tape since this run began (origin.id differs from the kept one) and this run changed
// its tape or history, the other tape is renamed to a tape file beside it ("tape kept by another
// window 2026-12-07 21.40.txt", named for when it was kept) and named in the state written, so
// neither copy's work is dropped. Closing copies take turns through a lock file.
TapeKeepResult KeepTape(const TapeState &state, const TapeStateOrigin &origin,
                        const QString &path = TapeStateFilePath());

// A run that restores the kept state marks it first (a small file "tape.json.run-PID" naming
// the process) and removes its mark when it ends cleanly. A mark whose process is gone (it
// crashed, or was killed) means that the state may be what ended it: TapeStateFailedLastRun
// removes such marks and answers true, and the caller sets the state aside. A mark of a copy
// still running is left alone.
bool MarkTapeStateInUse(const QString &path = TapeStateFilePath());
void UnmarkTapeStateInUse(const QString &path = TapeStateFilePath());
bool TapeStateFailedLastRun(const QString &path = TapeStateFilePath());
