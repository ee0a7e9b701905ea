// The ten memory cells: thin entry points over the MemoryBank, which keeps the cells and the
// current cell; the panel lblMemory shows the value of the current cell.

#include "frmtallyer.h"

#include "calcfield.h"
#include "productinfo.h"
#include "loadtext.h"
#include "mavolabel3d.h"
#include "memorybank.h"
#include "modfunctions.h"
#include "settings.h"
#include "sheeteditor.h"

#include <QAction>
#include <QFrame>
#include <QMenu>

void frmTallyer::MemoryStore()
{
    lblMemory->setCaption(lblResult->Caption());
    memoryBank->store(lblMemory->Caption());
}

void frmTallyer::MemoryClear()
{
    lblMemory->setCaption(QString());
    memoryBank->clear();
}

void frmTallyer::MemoryArithmetic(MemoryBank::Operation operation)
{
    const std::optional<QString> text =
        MemoryBank::combine(operation, lblResult->Caption(), lblMemory->Caption(), roundDigit(), sheet->locale());
    if (!text) {
        ShowMemoryOverflow();
        return;
    }
    lblMemory->setCaption(*text);
    memoryBank->store(*text);
}

void frmTallyer::ShowMemoryOverflow()
{
    showMessage(LoadText(1160, {QStringLiteral("|1"), QLatin1String(ProductInfo::kProductName) + QLatin1Char('\n')}),
                MessageIcon::Information);
    lblMemory->setCaption(QStringLiteral("Error"));
    memoryBank->store(QStringLiteral("Error"));
}

void frmTallyer::MemoryRecall()
{
    takeSnapshot();

    QString v = lblMemory->Caption();
    if (!v.isEmpty()) {
        bool ok = false;
        const double value = ParseDisplayNumber(ReplaceAll(v, sheet->locale().thousandsSeparator, QString()), sheet->locale(), ok);
        if (ok)
            v = PlainNumberText(value, sheet->locale());
    }

    sheet->insertAtCaret(v);
}

void frmTallyer::PopupMemoryMenu()
{
    const QPoint below = frame2->mapTo(this, lblMemMenu->geometry().bottomLeft() + QPoint(0, 1));
    mnuMenu->popup(mapToGlobal(below));
}

void frmTallyer::SelectMemoryCell(int cell)
{
    memoryBank->select(cell);
    lblMemory->setCaption(memoryBank->value(cell));
}

void frmTallyer::ClearAllMemory()
{
    memoryBank->clearAll();
    lblMemory->setCaption(QString());
}

void frmTallyer::RestoreMemory()
{
    const std::optional<QString> panel = memoryBank->restore(
        Settings::readText(Settings::MemoryString), Settings::readText(Settings::MemorySeparators), sheet->locale());
    if (panel)
        lblMemory->setCaption(*panel);
    mnuClear->setText(LoadText(1400));
}

QString frmTallyer::MemoryStringToSave() const
{
    return memoryBank->memoryString(lblMemory->Caption());
}

// The menu and the cell button show the bank: one item per cell, the current one checked.
void frmTallyer::drawMemoryCells()
{
    for (int n = 1; n <= MemoryBank::kCells; ++n) {
        if (QAction *item = memoryItem(n)) {
            item->setText(memoryBank->caption(n));
            item->setChecked(n == memoryBank->current());
        }
    }
    lblMemMenu->setCaption(MemoryBank::cellName(memoryBank->current()));
}
