// The ten memory cells. The cells live in the captions of the menu items mnuM1 ... mnuM10: the
// cell's name, a tab, and its value as the result panel showed it.

#include "frmtallyer.h"

#include "calcfield.h"
#include "globals.h"
#include "loadtext.h"
#include "mavolabel3d.h"
#include "memorystring.h"
#include "modfunctions.h"
#include "settings.h"

#include <QAction>
#include <QFrame>
#include <QMenu>

#include <cmath>

namespace {

QString cellName(const QAction *item)
{
    const QString caption = item->text();
    const qsizetype tab = caption.indexOf(u'\t');
    return tab < 0 ? caption : caption.left(tab);
}

QString cellValue(const QAction *item)
{
    const QString caption = item->text();
    const qsizetype tab = caption.indexOf(u'\t');
    return tab < 0 ? QString() : TrimChars(caption.mid(tab + 1), QStringLiteral("\t "), TrimBoth);
}

} // namespace

namespace {

void writeCell(QAction *item, const QString &value)
{
    if (item)
        item->setText(cellName(item) + QLatin1Char('\t') + value);
}

} // namespace

void frmTallyer::MemoryStore()
{
    lblMemory->setCaption(lblResult->Caption());
    writeCell(memoryItem(mnuMenu->property("Tag").toString()), lblMemory->Caption());
}

void frmTallyer::MemoryClear()
{
    lblMemory->setCaption(QString());
    if (QAction *item = memoryItem(mnuMenu->property("Tag").toString()))
        item->setText(cellName(item));
}

namespace {

// The memory arithmetic of M+ and M-; false on any failure (a text that does not convert, an
// overflow), which the caller reports as a memory overflow.
bool combineWithMemory(const QString &resultCaption, const QString &memoryCaption, bool add,
                      double &value)
{
    const LocaleValues &loc = localeValues();
    QString r = resultCaption.isEmpty() ? QStringLiteral("0")
                                        : ReplaceAll(resultCaption, loc.thousandsSeparator, QString());
    QString m = memoryCaption.isEmpty() ? QStringLiteral("0")
                                        : ReplaceAll(memoryCaption, loc.thousandsSeparator, QString());
    if (add && !memoryCaption.isEmpty()) {
        if (loc.decimalSeparator == QLatin1String(","))
            m.replace(u'.', u',');
        else
            m.replace(u',', u'.');
    }
    bool okR = false;
    bool okM = false;
    const double numR = ParseDisplayNumber(r, okR);
    const double numM = ParseDisplayNumber(m, okM);
    if (!okR || !okM)
        return false;
    value = add ? numM + numR : numM - numR;
    return std::isfinite(value);
}

} // namespace

void frmTallyer::MemoryAdd()
{
    MemoryArithmetic(true);
}

void frmTallyer::MemorySubtract()
{
    MemoryArithmetic(false);
}

void frmTallyer::MemoryArithmetic(bool blnAdd)
{
    double value = 0;
    if (!combineWithMemory(lblResult->Caption(), lblMemory->Caption(), blnAdd, value)) {
        ShowMemoryOverflow();
        return;
    }
    // Exactly 0 empties the value (the caption keeps its tab); too large to show overflows.
    QString text = FormatResult(value, roundDigit());
    if (value == 0.0) {
        text.clear();
    } else if (text.isEmpty()) {
        ShowMemoryOverflow();
        return;
    }
    lblMemory->setCaption(text);
    writeCell(memoryItem(mnuMenu->property("Tag").toString()), text);
}

void frmTallyer::ShowMemoryOverflow()
{
    showMessage(LoadText(1160, {QStringLiteral("|1"), g_strProductName + QLatin1Char('\n')}),
                MessageIcon::Information);
    lblMemory->setCaption(QStringLiteral("Error"));
    writeCell(memoryItem(mnuMenu->property("Tag").toString()), QStringLiteral("Error"));
}

void frmTallyer::MemoryRecall()
{
    takeSnapshot();

    QString v = lblMemory->Caption();
    if (!v.isEmpty()) {
        bool ok = false;
        const double value = ParseDisplayNumber(ReplaceAll(v, localeValues().thousandsSeparator, QString()), ok);
        if (ok)
            v = PlainNumberText(value);
    }

    const qsizetype s = boxCalc->SelStart();
    const qsizetype l = boxCalc->SelLength();
    const QString text = boxCalc->Text();
    f_lngCaretAfterInsert = static_cast<qint32>(s + v.size());
    boxCalc->setText(text.left(s) + v + text.mid(s + l));
    f_lngCaretAfterInsert = 0;
    if (boxCalc->SelStart() == 0)
        boxCalc->setSelStart(s + v.size());
    boxCalc->viewport()->update();
}

void frmTallyer::PopupMemoryMenu()
{
    const QPoint below = frame2->mapTo(this, lblMemMenu->geometry().bottomLeft() + QPoint(0, 1));
    mnuMenu->popup(mapToGlobal(below));
}

void frmTallyer::SelectMemoryCell(QAction *mnuItem)
{
    for (int n = 1; n <= 10; ++n) {
        if (QAction *item = memoryItem(QStringLiteral("mnuM%1").arg(n)))
            item->setChecked(false);
    }
    mnuMenu->setProperty("Tag", mnuItem->objectName());
    mnuItem->setChecked(true);
    lblMemMenu->setCaption(cellName(mnuItem));
    lblMemory->setCaption(cellValue(mnuItem));
}

void frmTallyer::ClearAllMemory()
{
    for (int n = 1; n <= 10; ++n) {
        if (QAction *item = memoryItem(QStringLiteral("mnuM%1").arg(n)))
            item->setText(cellName(item));
    }
    lblMemory->setCaption(QString());
}

void frmTallyer::RestoreMemory()
{
    // The values come back in today's separators, whatever they were when they were saved.
    const MemoryCells cells = RestoreMemoryString(Settings::readText(Settings::MemoryString),
                                                  Settings::readText(Settings::MemorySeparators));
    if (!cells.strCurrent.isEmpty() && !cells.strPanel.isEmpty()) {
        lblMemMenu->setCaption(cells.strCurrent);
        lblMemory->setCaption(cells.strPanel);
        mnuMenu->setProperty("Tag", QStringLiteral("mnu") + cells.strCurrent);
    }
    for (int n = 1; n <= 10; ++n) {
        if (QAction *item = memoryItem(QStringLiteral("mnuM%1").arg(n))) {
            item->setChecked(false);
            item->setText(QStringLiteral("M%1\t").arg(n) + cells.values[n - 1]);
        }
    }
    if (QAction *current = memoryItem(mnuMenu->property("Tag").toString())) {
        current->setChecked(true);
    } else {
        // A stored cell name that names no cell: fall back to the first cell.
        mnuMenu->setProperty("Tag", QStringLiteral("mnuM1"));
        lblMemMenu->setCaption(QStringLiteral("M1"));
        memoryItem(QStringLiteral("mnuM1"))->setChecked(true);
    }
    mnuClear->setText(LoadText(1400));
}

QString frmTallyer::MemoryStringToSave() const
{
    QStringList fields;
    fields << lblMemMenu->Caption() << lblMemory->Caption();
    for (int n = 1; n <= 10; ++n) {
        const QAction *item = memoryItem(QStringLiteral("mnuM%1").arg(n));
        const QString caption = item ? item->text() : QString();
        const qsizetype tab = caption.lastIndexOf(u'\t');
        fields << (tab < 0 ? QString() : caption.mid(tab + 1));
    }
    return fields.join(u'|');
}
