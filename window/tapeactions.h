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

// The tape as a document: opened from a file (Ctrl+O, or dropped on the sheet), saved (Ctrl+S,
// Ctrl+Shift+S), printed with a preview (Ctrl+P), exported as PDF or CSV, and kept between runs.
// The file the tape belongs to is the session's; a failure is told in a message and changes
// nothing.
class TapeActions : public QObject
{
    Q_OBJECT

public:
    // Asks for a file name: to open (the name of an existing file) or to save under, in a filter
    // ("Tapes (*.txt)"), starting at suggested. Empty when the user cancels.
    enum class FileUse { Open, Save };
    using FileAsker = std::function<QString(QWidget *owner, FileUse use, const QString &title,
                                            const QString &filter, const QString &suggested)>;

    TapeActions(QWidget *window, CalcField *field, SheetEditor *sheet, CalcSession *session);

    // Replaces the file dialogs (tests answer without a person); empty puts them back.
    void setFileAsker(FileAsker asker) { m_asker = std::move(asker); }

    void open();
    // The file's rows replace the tape as one undo step; false when the file is refused.
    bool openFile(const QString &path);
    bool save();
    bool saveAs();
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

private:
    using Writer = std::function<bool(const QString &path, const TapeDocument &document, QString *reason)>;
    void exportTo(TextId title, TextId kind, const char *suffix, const Writer &write);
    QString ask(FileUse use, const QString &title, const QString &filter, const QString &suggested) const;
    bool writeTo(const QString &path);

    QWidget *m_window;
    CalcField *m_field;
    SheetEditor *m_sheet;
    CalcSession *m_session;
    FileAsker m_asker;
    bool m_started = false;
    TapeStateOrigin m_origin; // what the kept tape was when this run restored it
};
