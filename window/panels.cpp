// The press routine shared by every push-label of the window, and the strip test.

#include "frmtallyer.h"

#include "calcfield.h"
#include "globals.h"
#include "mavolabel3d.h"

#include "modfunctions.h"

#include <QLabel>
#include <QTimer>

#include <cmath>

void frmTallyer::PressLabel(int, MavoLabel3D *label, const QString &strName)
{
    if (!label->Enabled() || label->IsDown())
        return;
    label->GoDown();
    if (StripShown() || strName.isEmpty())
        return;
    lblResultLabel->setText(strName);
    lblResultLabel->setVisible(true);
}

bool frmTallyer::StripShown() const
{
    const double tppY = twipsY();
    const double inner = height() * tppY;
    const double fieldBottom = (boxCalc->y() + boxCalc->height()) * tppY;
    return inner > fieldBottom + g_sngFrameSpare + 100;
}

void frmTallyer::lblMoveSize_MouseUp()
{
    // The strip of memory buttons comes into the window or is cut off again.
    const int onePixel = static_cast<int>(std::lround(twipsX()));
    if (lblMoveSize->Caption() == QLatin1String("<<")) {
        lblMoveSize->setCaption(QStringLiteral(">>"));
        lblMoveSize->setMarginRight(lblMoveSize->MarginRight() - onePixel);
    } else {
        lblMoveSize->setCaption(QStringLiteral("<<"));
        lblMoveSize->setMarginRight(lblMoveSize->MarginRight() + onePixel);
    }
    ResizeToRows(lblMoveSize->Caption() == QLatin1String("<<"), LoWord(fieldLineCount()), false);
    TimerSelWork->start();
}
