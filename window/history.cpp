// The history window: a second, read-only frmTallyer that browses the program's expression
// history and hands an expression back to the main window.

#include "frmtallyer.h"

#include "calcfield.h"
#include "globals.h"
#include "loadtext.h"
#include "mavolabel3d.h"

#include <QEvent>
#include <QFrame>

void frmTallyer::OpenHistoryWindow()
{
    // 1. The new window sees the flag from its construction on.
    g_blnHistoryWindow = true;
    auto *history = new frmTallyer(this);
    history->setWindowFlag(Qt::Window);
    history->setAttribute(Qt::WA_DeleteOnClose);
    history->setWindowModality(Qt::ApplicationModal);
    m_frmHistory = history;
    connect(history, &QObject::destroyed, this, [] { g_blnHistoryWindow = false; });
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

    // 4. - 5.
    history->lblResult->setFont(lblResult->font());
    history->setWindowTitle(LoadText(1390) + QStringLiteral(" - ") + g_strProductName);

    // 6. Modal to the whole program; the flag goes with the window.
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
    main->setRoundDigit(lblRound->property("Tag").toString());
    const QString selection = boxCalc->SelText();
    // The main window's cycle runs in full for the copied text.
    g_blnHistoryWindow = false;
    main->boxCalc->setText(selection);
    main->SetCaret(3);
    g_blnHistoryWindow = true;
    close();
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
