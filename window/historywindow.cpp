#include "historywindow.h"

#include "calcfield.h"
#include "loadtext.h"
#include "mavolabel3d.h"
#include "productinfo.h"

#include <QFrame>

HistoryWindow::HistoryWindow(frmTallyer *main, const TextRing &history)
    : frmTallyer(main, Role::History)
    , m_ring(history)
{
}

HistoryWindow *HistoryWindow::open(frmTallyer *main, const TextRing &history)
{
    auto *window = new HistoryWindow(main, history);
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    connect(window, &HistoryWindow::expressionChosen, main, &frmTallyer::TakeHistoryExpression);
    window->adoptMainWindow(*main);

    // Read-only, but the selection stays free.
    window->frame1->hide();
    window->boxCalc->setLocked(true);
    window->boxCalc->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    // The newest entry, wholly selected.
    window->m_ring.toNewest();
    const TextEntry entry = window->m_ring.current();
    window->setRoundDigit(entry.round);
    window->boxCalc->setText(entry.text);
    window->boxCalc->setSelStart(0);
    window->SetCaret(CaretMode::All);
    window->boxCalc->viewport()->update();
    window->setWindowTitle(LoadText(1390) + QStringLiteral(" - ") + QLatin1String(ProductInfo::kProductName));

    window->move(main->pos() + QPoint(24, 24));
    window->show();
    window->activateWindow();
    window->boxCalc->setFocus();
    return window;
}

void HistoryWindow::historyKey(bool forward)
{
    StepState(m_ring, forward, false);
}

void HistoryWindow::chooseSelection()
{
    emit expressionChosen(roundDigit(), boxCalc->SelText());
    close();
}
