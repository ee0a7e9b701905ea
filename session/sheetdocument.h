#pragma once

#include "sheetnotes.h"
#include "sheetrows.h"

#include <QObject>
#include <QString>

#include <algorithm>
#include <limits>

// The calculation sheet as a document: its text, rows of plain text joined by CR LF, and where
// every row starts. Every edit goes through replace() and is announced once, as a change, before
// the call returns: the view, the tape model, the cleaning and the undo ring all follow that
// change, and none of them has to compare texts to learn what it was.
//
// Positions are the sheet's own: a row break is two characters, and no edit starts or ends
// between them.
class SheetDocument : public QObject
{
    Q_OBJECT

public:
    explicit SheetDocument(QObject *parent = nullptr);

    const SheetRows &rows() const { return m_rows; }
    const QString &text() const { return m_rows.text(); }
    qsizetype size() const { return m_rows.size(); }
    qsizetype rowCount() const { return m_rows.rowCount(); }
    qsizetype rowStart(qsizetype row) const { return m_rows.rowStart(row); }
    qsizetype rowEnd(qsizetype row) const { return m_rows.rowEnd(row); }
    qsizetype rowOf(qsizetype position) const { return m_rows.rowOf(position); }
    QString rowText(qsizetype row) const { return m_rows.row(row).toString(); }

    // A position clamped into the text and moved out of a row break (to the end of its row).
    qsizetype snapped(qsizetype position) const;

    // Characters from .. to - 1 replaced by text, in which every line break (CR, LF, CR LF,
    // U+2028, U+2029) becomes a row break. An end inside a row break takes the whole break;
    // nothing taken away stays nothing taken away (an insertion between CR and LF goes in front
    // of the break). False, with no change announced, when the edit changes nothing.
    // The rows' notes follow the edit (SheetNotes::apply) before it is announced; textNotes are
    // notes of the inserted text's rows (row 0 the row the insertion starts in), added to what
    // those rows have.
    bool replace(qsizetype from, qsizetype to, const QString &text, const RowNotes &textNotes = {});
    // The whole text replaced. Only the part that differs from the text as it is is replaced,
    // so the rows round it keep their place, their layout and their value: an undo step puts
    // back a text that differs from the present one in a few rows.
    void setText(const QString &text);

    // What the edits since the last mark() left alone: the lengths of the text's start and end
    // that no edit has touched (perhaps less than all that is unchanged). Both are the whole text
    // when nothing was edited.
    void mark();
    bool editedSinceMark() const { return m_untouchedHead != kUntouched; }
    // Whether the text now differs from the text at the mark: only the stretch the edits touched
    // is compared, with what the marked text had there.
    bool differsFromMark() const;
    qsizetype untouchedHead() const { return std::min(m_untouchedHead, size()); }
    qsizetype untouchedTail() const { return std::min(m_untouchedTail, size() - untouchedHead()); }

    // Every line break of a text as a row break (CR LF).
    static QString withRowBreaks(const QString &text);

    // The rows' notes: free text beside a row, which never enters the text or its value.
    QString note(qsizetype row) const { return m_notes.note(row); }
    // Every note, in row order; a copy is shared until the notes change.
    const RowNotes &notes() const;
    bool hasNotes() const { return !notes().isEmpty(); }
    // A row's note set (SanitizedNote; empty removes it); notesChanged when it changed.
    void setNote(qsizetype row, const QString &text);
    // Every note replaced: the rows named get these, the others none.
    void setNotes(const RowNotes &notes);

signals:
    // One edit, announced after it is made: change says which characters and rows it replaced,
    // removed holds the characters it took away.
    void contentsChange(const SheetRows::Change &change, const QString &removed);
    // A note was set or the notes replaced, the text unchanged (an edit's notes come with
    // contentsChange).
    void notesChanged();

private:
    static constexpr qsizetype kUntouched = std::numeric_limits<qsizetype>::max();

    SheetRows m_rows;
    SheetNotes m_notes;
    mutable RowNotes m_noteList; // notes() as last asked for
    mutable bool m_noteListStale = false;
    qsizetype m_untouchedHead = kUntouched;
    qsizetype m_untouchedTail = kUntouched;
    QString m_marked; // what the marked text had between the untouched start and end
};
