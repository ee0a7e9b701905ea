#include "tapeactions.h"

#include "calcfield.h"
#include "calcsession.h"
#include "commondialog.h"
#include "filenames.h"
#include "localevalues.h"
#include "messagesink.h"
#include "productinfo.h"
#include "settings.h"
#include "sheeteditor.h"
#include "sheettext.h"
#include "tapeexport.h"
#include "tapefile.h"
#include "tapepreview.h"
#include "tapeprint.h"
#include "tapereading.h"
#include "tapestate.h"
#include "tapetexts.h"
#include "textid.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include <algorithm>
#include <cstdint>

namespace {

QString filter(TextId name, const char *patterns)
{
    return Text(name) + QStringLiteral(" (") + QLatin1String(patterns) + QLatin1Char(')');
}

// A message names the file as the user can read it, whatever characters its name holds.
TapeFileResult shown(TapeFileResult result)
{
    result.path = PrintableFileName(result.path);
    return result;
}

QString askWithDialog(QWidget *owner, TapeActions::FileUse use, const QString &title, const QString &filter,
                      const QString &suggested)
{
    return use == TapeActions::FileUse::Open
        ? QFileDialog::getOpenFileName(owner, title, suggested, filter)
        : QFileDialog::getSaveFileName(owner, title, suggested, filter);
}

} // namespace

TapeActions::TapeActions(QWidget *window, CalcField *field, SheetEditor *sheet, CalcSession *session)
    : QObject(window)
    , m_window(window)
    , m_field(field)
    , m_sheet(sheet)
    , m_session(session)
{
    setObjectName(QStringLiteral("tapeActions"));
}

QString TapeActions::ask(FileUse use, const QString &title, const QString &filter, const QString &suggested) const
{
    return (m_asker ? m_asker : askWithDialog)(m_window, use, title, filter, suggested);
}

void TapeActions::open()
{
    const QString path = ask(FileUse::Open, Text(TextId::OpenTape).remove(u'&'),
                             filter(TextId::TapeFilesFilter, "*.tape") + QStringLiteral(";;")
                                 + filter(TextId::TextFilesFilter, "*.txt") + QStringLiteral(";;")
                                 + filter(TextId::AllFilesFilter, "*"),
                             QFileInfo(m_session->tapePath()).path());
    if (!path.isEmpty())
        openFile(path);
}

bool TapeActions::settleChanges()
{
    if (!m_session->isModified())
        return true;
    QMessageBox box(QMessageBox::Question, QLatin1String(ProductInfo::kProductName),
                    Text(TextId::SaveChanges, {PrintableFileName(QFileInfo(m_session->tapePath()).fileName())}),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, m_window);
    box.setObjectName(QStringLiteral("saveChanges"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save: return save();
    case QMessageBox::Discard: return true;
    default: return false;
    }
}

bool TapeActions::openFile(const QString &path)
{
    // Asked first: a tape saved over the very file being opened is read as saved.
    if (!settleChanges())
        return false;
    QString text;
    const TapeFileResult read = ReadTapeFile(path, text);
    if (!read.ok()) {
        showMessage(TapeFileMessage(shown(read)), MessageIcon::Exclamation);
        return false;
    }
    // Read as a paste is (words, grouped numbers), so that the window and tallyer-cli agree on
    // every file; a row that would become other numbers is not taken.
    TapeReading reading = ReadTapeText(text, ReadLocaleValues());
    text = QString();
    if (!reading.ok()) {
        showMessage(ReadingRefusalText(reading), MessageIcon::Exclamation);
        return false;
    }
    // Through the sheet's own cycle (cleaning, wrapping), as one change: one undo step brings
    // the tape before it back, with its own file.
    m_session->takeSnapshot();
    m_field->setSheetText(reading.sheet, reading.notes);
    m_field->SetCaret(CalcField::CaretMode::End);
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_session->linkTape(absolute);
    noteRecent(absolute);
    return true;
}

void TapeActions::newTape()
{
    if (!settleChanges())
        return;
    m_session->takeSnapshot();
    m_field->setText(QString());
    m_session->linkTape(QString());
}

bool TapeActions::writeTo(const QString &path)
{
    const TapeFileResult written = WriteTapeFile(path, m_field->Text(), m_session->document().notes());
    if (!written.ok()) {
        showMessage(TapeFileMessage(shown(written)), MessageIcon::Exclamation);
        return false;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_session->linkTape(absolute);
    noteRecent(absolute);
    return true;
}

QStringList TapeActions::recentTapes()
{
    QStringList list = Settings::readText(Settings::RecentTapes).split(u'\n', Qt::SkipEmptyParts);
    list.removeIf([](const QString &path) { return !QDir::isAbsolutePath(path); });
    list.removeDuplicates();
    return list.mid(0, kRecentTapes);
}

void TapeActions::noteRecent(const QString &path)
{
    // A name with a line break cannot be kept in the list's one text.
    if (path.contains(u'\n'))
        return;
    QStringList list = recentTapes();
    list.removeAll(path);
    list.prepend(path);
    Settings::writeText(Settings::RecentTapes, list.mid(0, kRecentTapes).join(u'\n'));
}

void TapeActions::forgetRecent(const QString &path)
{
    QStringList list = recentTapes();
    if (list.removeAll(path) > 0)
        Settings::writeText(Settings::RecentTapes, list.join(u'\n'));
}

void TapeActions::openRecent(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        forgetRecent(path);
        showMessage(Text(TextId::RecentTapeGone, {QStringLiteral("\n"), PrintableFileName(QDir::toNativeSeparators(path))}),
                    MessageIcon::Exclamation);
        return;
    }
    openFile(path);
}

bool TapeActions::save()
{
    return m_session->tapePath().isEmpty() ? saveAs() : writeTo(m_session->tapePath());
}

bool TapeActions::saveAs()
{
    const QString suggested = m_session->tapePath().isEmpty()
        ? QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("tape.tape"))
        : m_session->tapePath();
    const QString path = SaveFileName(m_window,
                                      ask(FileUse::Save, Text(TextId::SaveTapeAs).remove(u'&'),
                                          filter(TextId::TapeFilesFilter, "*.tape") + QStringLiteral(";;")
                                              + filter(TextId::TextFilesFilter, "*.txt"),
                                          suggested),
                                      QStringLiteral(".tape"));
    return !path.isEmpty() && writeTo(path);
}

namespace {

TapeDocument documentOf(const CalcField *field, const CalcSession *session)
{
    TapeDocument document{field->Text(), session->tapePath(), session->roundDigit(), session->locale(), {}, {}, {}};
    document.notes = session->document().notes();
    return document;
}

QString exportName(const QString &tapePath, const char *suffix)
{
    if (tapePath.isEmpty())
        return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath(QStringLiteral("tape") + QLatin1String(suffix));
    const QFileInfo info(tapePath);
    return info.dir().filePath(info.completeBaseName() + QLatin1String(suffix));
}

} // namespace

void TapeActions::print()
{
    PrintTapeWithPreview(m_window, documentOf(m_field, m_session));
}

void TapeActions::exportTo(TextId title, TextId kind, const char *suffix, const Writer &write)
{
    const QString pattern = QStringLiteral("*") + QLatin1String(suffix);
    const QString path = SaveFileName(m_window,
                                      ask(FileUse::Save, Text(title).remove(u'&'), filter(kind, qPrintable(pattern)),
                                          exportName(m_session->tapePath(), suffix)),
                                      QLatin1String(suffix));
    if (path.isEmpty())
        return;
    QString reason;
    if (!write(path, documentOf(m_field, m_session), &reason))
        showMessage(TapeExportMessage(PrintableFileName(path), reason), MessageIcon::Exclamation);
}

void TapeActions::exportPdf()
{
    exportTo(TextId::ExportPdf, TextId::PdfFilesFilter, ".pdf", ExportTapePdf);
}

void TapeActions::exportCsv()
{
    exportTo(TextId::ExportCsv, TextId::CsvFilesFilter, ".csv", ExportTapeCsv);
}

namespace {

// A kept text as a paste comes in: cleaned by the sheet's rules, so a file edited by hand (a
// formula, a NUL, a direction override, letters) brings nothing back that the sheet would not
// take from the keyboard. The selection survives a text that was clean already; otherwise the
// caret stays where its character went.
void clean(QString &text, qint32 &selStart, qint32 &selLength, const LocaleValues &locale)
{
    qsizetype caret = selStart;
    QString cleaned = CleanSheetText(text, caret, locale);
    if (cleaned == text)
        return;
    text = std::move(cleaned);
    selStart = static_cast<qint32>(std::clamp<qsizetype>(caret, 0, std::min<qsizetype>(text.size(), INT32_MAX)));
    selLength = 0;
}

QString setAsideNote(const QString &path)
{
    return path.isEmpty() ? QString()
                          : QStringLiteral("\n\n") + Text(TextId::KeptTapeSetAside, {QStringLiteral("\n"), QDir::toNativeSeparators(path)});
}

} // namespace

void TapeActions::restoreKept()
{
    m_started = true;
    if (!m_session->options().keepTape)
        return;
    // Told once the tape is back, in one message.
    QStringList notes;
    if (TapeStateFailedLastRun()) {
        // Whatever ended that run, a state that might have is not put back a second time.
        const QString path = SetTapeStateAside();
        if (!path.isEmpty())
            notes << Text(TextId::KeptTapeStoppedRun) + setAsideNote(path);
    }
    MarkTapeStateInUse();
    TapeStateLoadResult kept = LoadTapeState();
    if (kept.outcome == TapeStateOutcome::SetAside || kept.outcome == TapeStateOutcome::Unusable)
        notes << Text(TextId::KeptTapeUnreadable) + setAsideNote(kept.setAsidePath);
    if (kept.outcome == TapeStateOutcome::Restored) {
        TapeState &state = kept.state;
        // A text the cleaning changes (another decimal separator since) is cleaned by the
        // sheet's own cycle when it has notes, so that they follow their rows.
        const QString raw = state.text;
        clean(state.text, state.selStart, state.selLength, m_sheet->locale());
        const bool cleaned = state.notes.isEmpty() || state.text.isSharedWith(raw);
        if (!cleaned)
            state.text = raw;
        for (TextEntry &entry : state.history)
            clean(entry.text, entry.selStart, entry.selLength, m_sheet->locale());
        m_session->restoreHistory(state.history);
        // Put back as an undo step puts a state back: no new entry, and the ring starts from here.
        m_sheet->restore(state.text, state.notes, state.selStart, state.selLength, cleaned);
        m_session->takeSnapshot();
        // The tape's file, if it has one; a file gone since differs from the tape by all of it.
        if (!state.file.isEmpty())
            m_session->restoreLink(state.file, state.fileModified || !QFileInfo::exists(state.file));
        if (!kept.besidePath.isEmpty())
            notes << Text(TextId::OtherWindowTape, {QStringLiteral("\n"), QDir::toNativeSeparators(kept.besidePath)});
    }
    // What the sheet holds now is what this run started from.
    m_origin = TapeStateOriginOf(kept.id, m_session->keptTape());
    if (!notes.isEmpty())
        showMessage(notes.join(QStringLiteral("\n\n")), MessageIcon::Exclamation);
}

void TapeActions::keep()
{
    if (!m_started)
        return;
    m_field->finishNoteEdit();
    m_started = false;
    if (!m_session->options().keepTape) {
        DiscardTapeState();
        UnmarkTapeStateInUse();
        return;
    }
    const TapeKeepResult kept = KeepTape(m_session->keptTape(), m_origin);
    UnmarkTapeStateInUse();
    // Said while the window is still there: the user learns the tape is gone before it goes.
    if (kept.outcome == TapeKeepOutcome::NotKept)
        showMessage(Text(TextId::TapeNotKept, {kept.reason}) + setAsideNote(kept.setAsidePath), MessageIcon::Exclamation);
}
