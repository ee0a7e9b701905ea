#include "historywindow.h"

#include "calcfield.h"
#include "calcsession.h"
#include "colorvalue.h"
#include "frmtallyer.h"
#include "keymap.h"
#include "loadtext.h"
#include "localevalues.h"
#include "mavolabel3d.h"
#include "productinfo.h"
#include "sheettext.h"
#include "showhelp.h"
#include "texthelpers.h"
#include "textid.h"
#include "twips.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 3;       // pixels around the field and the panel
constexpr int kPanelHeight = 24;
constexpr int kMaxRows = 10;     // rows shown before the sheet scrolls

} // namespace

HistoryWindow::HistoryWindow(frmTallyer *main, const TextRing &history)
    : QWidget(main, Qt::Window)
    , m_ring(history)
    , m_entry(ReadLocaleValues())
    , m_part(ReadLocaleValues())
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(Text(TextId::History) + QStringLiteral(" - ") + QLatin1String(ProductInfo::kProductName));

    // The main window's sheet gives the look: its font, colours and width.
    const auto *mainField = main->findChild<CalcField *>(QStringLiteral("boxCalc"));
    boxCalc = new CalcField(this);
    boxCalc->setObjectName(QStringLiteral("boxCalc"));
    boxCalc->setDocumentMargin(2);
    if (mainField) {
        boxCalc->setFont(mainField->font());
        boxCalc->setPalette(mainField->palette());
    }
    // Read-only, but the selection stays free.
    boxCalc->setLocked(true);
    boxCalc->setAccessibleName(Text(TextId::History));

    lblResult = new MavoLabel3D(this);
    lblResult->setObjectName(QStringLiteral("lblResult"));
    lblResult->setSpecialEffectOnDown(MavoLabel3D::EdgeThinSunken);
    lblResult->setSpecialEffectOnUp(MavoLabel3D::EdgeThinSunken);
    lblResult->setSpecialEffectOnNormal(MavoLabel3D::EdgeThinSunken);
    lblResult->setForMouseButton(MavoLabel3D::PressedByNone);
    lblResult->setTextAlign(MavoLabel3D::AlignRightCode);
    lblResult->setAccessibleTextSource([](MavoLabel3D::AccessibleText kind) {
        return kind == MavoLabel3D::AccessibleText::Name ? Text(TextId::ResultName) : QString();
    });

    const int width = mainField ? mainField->width() : 330;
    boxCalc->setGeometry(kMargin, kMargin, width, 24);
    setFixedWidth(width + 2 * kMargin);

    m_entry.follow(&boxCalc->document()->rows());
    connect(boxCalc->document(), &SheetDocument::contentsChange, this,
            [this](const SheetRows::Change &change) { m_entry.rowsChanged(change); });
    connect(boxCalc, &CalcField::commandRequested, this, &HistoryWindow::runCommand);
    connect(boxCalc, &SheetView::selectionChanged, this, &HistoryWindow::showResult);
}

HistoryWindow *HistoryWindow::open(frmTallyer *main, const TextRing &history)
{
    auto *window = new HistoryWindow(main, history);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    connect(window, &HistoryWindow::entryChosen, main,
            [main](const TextEntry &entry) { main->TakeHistoryExpression(entry.round, entry.text, entry.notes); });

    // The newest entry, wholly selected.
    window->m_ring.toNewest();
    window->showEntry(window->m_ring.current());
    window->placeBeside(main);
    window->show();
    window->activateWindow();
    window->boxCalc->setFocus();
    return window;
}

void HistoryWindow::runCommand(KeyCommand command, int key)
{
    switch (command) {
    case KeyCommand::HistoryBack:
        step(false);
        break;
    case KeyCommand::HistoryForward:
        step(true);
        break;
    case KeyCommand::Enter:
        emit entryChosen(chosenEntry());
        close();
        break;
    case KeyCommand::Minimise:
        close();
        break;
    case KeyCommand::Round:
        m_roundDigit = key - Qt::Key_0;
        showResult();
        break;
    case KeyCommand::Help:
        ShowHelp(this, ReadLocaleValues().helpFileName, HH_HELP_CONTEXT, 1000);
        break;
    default:
        break; // the history changes nothing else
    }
}

void HistoryWindow::step(bool forward)
{
    if (m_ring.isEmpty() || (forward && m_ring.atEnd()))
        return;
    const bool moved = forward ? m_ring.forward() : m_ring.back();
    if (moved)
        showEntry(m_ring.current());
}

void HistoryWindow::showEntry(const TextEntry &entry)
{
    m_roundDigit = entry.round;
    boxCalc->setText(entry.text);
    // After the text: writing it keeps the notes of the rows it leaves alone, which are the
    // entry shown before's.
    boxCalc->document()->setNotes(entry.notes);
    boxCalc->setSelStart(entry.selStart);
    boxCalc->setSelLength(entry.selLength);
    fitToRows();
    showResult();
}

TextEntry HistoryWindow::chosenEntry() const
{
    const SheetDocument &document = *boxCalc->document();
    const qsizetype start = boxCalc->selectionStart();
    const qsizetype end = boxCalc->selectionEnd();
    TextEntry entry(boxCalc->SelText(), 0, qint32(end - start), quint8(m_roundDigit));
    // The rows the selection holds characters of: one that ends after a row break gives the text
    // an empty last row, which takes nothing of the row after the break.
    const qsizetype first = document.rowOf(start);
    qsizetype last = document.rowOf(end);
    if (end > start && end < document.size() && end == document.rowStart(last))
        --last;
    for (const RowNote &note : document.notes()) {
        if (note.row > last)
            break;
        if (note.row >= first)
            entry.notes.append({note.row - first, note.text});
    }
    return entry;
}

void HistoryWindow::showResult()
{
    // As in the main window: a selection shows its own value in grey (an operator at its ends
    // dropped, the whole entry selected included); without one, the entry's value in black. The
    // whole entry, selected or not, is read from the rows the field holds, and a part of it once
    // per selection: an entry of a million rows is never evaluated twice.
    const QString &text = boxCalc->sheetText();
    const QStringView selected = SelectionTrimmed(
        QStringView(text).mid(boxCalc->selectionStart(), boxCalc->selectionEnd() - boxCalc->selectionStart()));
    const bool subResult = !selected.isEmpty();
    const TapeModel *model = &m_entry;
    if (subResult && selected.size() != text.size()) {
        if (m_part.text() != selected)
            m_part.setText(selected.toString());
        model = &m_part;
    }
    lblResult->setForeColor(subResult ? 0x80000010u : kSysColorButtonText);
    lblResult->setCaption(model->resultText(m_roundDigit));
}

void HistoryWindow::fitToRows()
{
    const int rows = std::clamp(boxCalc->visualLineCount(kMaxRows), 1, kMaxRows);
    // As the main window sizes its field: the rows and 120 twips of margins.
    const int fieldHeight =
        static_cast<int>(std::lround(rows * QFontMetricsF(boxCalc->font()).height() + 120 / twipsPerPixelY(this)));
    boxCalc->resize(boxCalc->width(), fieldHeight);
    lblResult->setGeometry(kMargin, kMargin * 2 + fieldHeight, boxCalc->width(), kPanelHeight);
    setFixedHeight(lblResult->y() + kPanelHeight + kMargin);
}

void HistoryWindow::placeBeside(const QWidget *main)
{
    // Right of the main window where the screen has room, else left of it, else wherever it
    // stays whole on the screen.
    const QRect outer = main->frameGeometry();
    const QScreen *screen = main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int w = width() + 2;
    int x = outer.right() + 8;
    if (x + w > area.right())
        x = outer.left() - 8 - w;
    if (x < area.left())
        x = std::clamp(outer.left() + 24, area.left(), std::max(area.left(), area.right() - w));
    const int y = std::clamp(outer.top(), area.top(), std::max(area.top(), area.bottom() - height()));
    move(x, y);
}
