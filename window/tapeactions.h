#pragma once

#include "tapestate.h"
#include "textid.h"

#include <QObject>
#include <QString>

#include <functional>

class CalcField;
class CalcSession;
class SheetEditor;
class QWidget;
struct TapeDocument;

// The tape as a document: opened from a file (Ctrl+O, dropped on the sheet, the recent tapes,
// `tallyer FILE`), begun anew, saved (Ctrl+S, Ctrl+Shift+S), printed with a preview (Ctrl+P),
// exported as PDF or CSV, and kept between runs. The file the tape belongs to is the session's;
// a tape that differs from its file is not replaced without asking whether to save it first. A
// failure is told in a message and changes nothing.
class TapeActions : public QObject
{
    Q_OBJECT

public:
    // Asks for a file name: to open (the name of an existing file) or to save under, in a filter
    // ("Tapes (*.tape)"), starting at suggested. Empty when the user cancels.
    enum class FileUse { Open, Save };
    using FileAsker = std::function<QString(QWidget *owner, FileUse use, const QString &title,
                                            const QString &filter, const QString &suggested)>;

    TapeActions(QWidget *window, CalcField *field, SheetEditor *sheet, CalcSession *session);

    // Replaces the file dialogs (tests answer without a person); empty puts them back.
    void setFileAsker(FileAsker asker) { m_asker = std::move(asker); }

    void open();
    // The file's rows replace the tape as one undo step; false when the file is refused or the
    // user keeps the tape in hand.
    bool openFile(const QString &path);
    // An empty tape without a file, as one undo step.
    void newTape();
    bool save();
    // A name without an extension is given ".tape".
    bool saveAs();

    // The tapes opened or saved last, newest first, kept in the settings.
    static constexpr int kRecentTapes = 8;
    static QStringList recentTapes();
    // A tape of that list; one no longer there leaves the list, with a message.
    void openRecent(const QString &path);
    void print();
    void exportPdf();
    void exportCsv();

    // The tape kept by the last run, if keeping it is on: the sheet, its caret and the history
    // come back and the undo ring starts from there.
    void restoreKept();
    // At the end of a run that restored (or began) a tape: kept unless nothing changed, or its
    // kept copy removed when keeping is off; a tape that cannot be kept is told in a message.
    // A run that never got that far writes nothing.
    void keep();

    // Before the tape is replaced or let go: a tape that differs from its file asks "Save the
    // changes?". False when the tape is to stay: the user cancelled, or the save failed or was
    // cancelled.
    bool settleChanges();

private:
    using Writer = std::function<bool(const QString &path, const TapeDocument &document, QString *reason)>;
    void exportTo(TextId title, TextId kind, const char *suffix, const Writer &write);
    QString ask(FileUse use, const QString &title, const QString &filter, const QString &suggested) const;
    bool writeTo(const QString &path);
    static void noteRecent(const QString &path);
    static void forgetRecent(const QString &path);

    QWidget *m_window;
    CalcField *m_field;
    SheetEditor *m_sheet;
    CalcSession *m_session;
    FileAsker m_asker;
    bool m_started = false;
    TapeStateOrigin m_origin; // what the kept tape was when this run restored it
};
