// The history window: a second, read-only frmTallyer that browses the program's expression
// history and hands an expression back to the main window.

#include "frmtallyer.h"

#include "calcfield.h"
#include "loadtext.h"
#include "mavolabel3d.h"
#include "productinfo.h"

#include <QEvent>
#include <QFrame>

void frmTallyer::OpenHistoryWindow()
{
    // 1. The new window is the history window from its construction on.
    auto *history = new frmTallyer(this, Role::History);
    history->setWindowFlag(Qt::Window);
    history->setAttribute(Qt::WA_DeleteOnClose);
    history->setWindowModality(Qt::ApplicationModal);
    m_frmHistory = history;
    history->Form_Load();

    // 2. Read-only, but the selection stays free; the main field's look.
    history->frame1->hide();
    history->boxCalc->setLocked(true);
    history->boxCalc->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    history->boxCalc->setFont(boxCalc->font());
    history->boxCalc->setPalette(boxCalc->palette());
    history->setFont(font());

    // 3. The newest entry, wholly selected.
    g_udtHistory.toNewest();
    const TextEntry entry = g_udtHistory.current();
    history->setRoundDigit(QString::number(entry.round));
    history->boxCalc->setText(entry.text);
    history->boxCalc->setSelStart(0);
    history->SetCaret(3);
    history->boxCalc->viewport()->update();

    // The result panel in the main window's font, and the title.
    history->lblResult->setFont(lblResult->font());
    history->setWindowTitle(LoadText(1390) + QStringLiteral(" - ") + QLatin1String(ProductInfo::kProductName));

    // 6. Modal to the whole program.
    history->move(pos() + QPoint(24, 24));
    history->show();
    history->activateWindow();
    history->boxCalc->setFocus();
}

void frmTallyer::CopyHistorySelection()
{
    frmTallyer *main = qobject_cast<frmTallyer *>(parentWidget());
    if (!main)
        main = mainCalculatorWindow();
    if (!main)
        return;
    main->TakeHistoryExpression(lblRound->property("Tag").toString(), boxCalc->SelText());
    close();
}

void frmTallyer::TakeHistoryExpression(const QString &roundDigit, const QString &expression)
{
    setRoundDigit(roundDigit);
    // This is the main window: its cycle runs in full for the copied text.
    boxCalc->setText(expression);
    SetCaret(3);
}

bool frmTallyer::HistoryWindowProc(QEvent *)
{
    // The history window keeps no position of its own.
    return false;
}

bool frmTallyer::HistoryFieldProc(QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        SelectNumberAtClick();
        return true;
    }
    return false;
}
