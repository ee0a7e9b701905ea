// The about panel of the options dialog: version, maker, web link and the animated logo.

#include "frmoptions.h"

#include "loadtext.h"
#include "textid.h"
#include "productinfo.h"
#include "twips.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kLogoWidthPixels = 56;
constexpr int kLogoHeightPixels = 34;   // the frames are 32 high; one pixel spare above and below
constexpr int kLogoRightGapPixels = 3;  // between the logo and the frame's right edge
constexpr int kLogoFrames = 8;
constexpr int kLogoTickMs = 100;

// Ticks 1 and 2 only prepare the pictures; from tick 3 the logo grows by an eighth per tick,
// and after tick 10, where it is whole, it only loops.
constexpr qint32 kLogoFirstVisiblePhase = 3;
constexpr qint32 kLogoLastGrowingPhase = 10;

QString logoResource(int frame)
{
    return QStringLiteral(":/logo/logo%1.png").arg(101 + frame);
}

} // namespace

std::array<QImage, 8> frmOptions::s_imgLogoFrames;
int frmOptions::s_logoFrame = 0;

int frmOptions::logoFrameIndex()
{
    return s_logoFrame;
}

void frmOptions::buildAbout()
{
    frameAbout = new QGroupBox(this);
    lblVersion = new QLabel(frameAbout);
    lblMaker = new QLabel(frameAbout);
    lblWWW = new QLabel(frameAbout);
    picLogo = new QLabel(frameAbout);
    optTimerMavoWave = new QTimer(this);
    frameAbout->setObjectName(QStringLiteral("frameAbout"));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblMaker->setObjectName(QStringLiteral("lblMaker"));
    lblWWW->setObjectName(QStringLiteral("lblWWW"));
    picLogo->setObjectName(QStringLiteral("picLogo"));
    optTimerMavoWave->setObjectName(QStringLiteral("optTimerMavoWave"));

    auto *layout = new QVBoxLayout(frameAbout);
    layout->addWidget(lblVersion);
    layout->addWidget(lblMaker);
    layout->addWidget(lblWWW, 0, Qt::AlignLeft); // the link is only as wide as its text
    // The logo sits in the top right corner, outside the layout; the texts keep clear of it.
    QMargins margins = layout->contentsMargins();
    margins.setRight(margins.right() + kLogoWidthPixels + kLogoRightGapPixels);
    layout->setContentsMargins(margins);

    picLogo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    picLogo->setVisible(false);

    // The version label tells the revision while the pointer is over it.
    for (QWidget *w : {static_cast<QWidget *>(frameAbout), static_cast<QWidget *>(lblVersion),
                       static_cast<QWidget *>(lblMaker), static_cast<QWidget *>(lblWWW),
                       static_cast<QWidget *>(picLogo)})
        w->setMouseTracking(true);

    optTimerMavoWave->setInterval(kLogoTickMs);
    connect(optTimerMavoWave, &QTimer::timeout, this, &frmOptions::optTimerMavoWave_Timer);
}

QString frmOptions::VersionText(bool withRevision) const
{
    QString text = QString::fromLatin1(ProductInfo::kProductName) + QStringLiteral("   ") + QString::number(ProductInfo::kVersionMajor)
        + QLatin1Char('.') + QString::number(ProductInfo::kVersionMinor);
    if (withRevision)
        text += QLatin1Char('.') + QString::number(ProductInfo::kVersionRevision);
    return text;
}

void frmOptions::LoadAbout()
{
    // The version, short until the pointer rests on it.
    lblVersion->setText(VersionText(false));

    // The texts and the link's look.
    frameAbout->setTitle(Text(TextId::About));
    lblMaker->setText(Text(TextId::Copyright));
    lblWWW->setText(Text(TextId::WebAddress));
    QPalette pal = lblWWW->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblWWW->setPalette(pal);
    QFont font = lblWWW->font();
    font.setUnderline(true);
    lblWWW->setFont(font);
    lblWWW->setCursor(Qt::PointingHandCursor);

    // The logo's animation runs while the dialog is open.
    optTimerMavoWave->start();

    // The logo starts hidden at its place and grows to its full width (twips) from phase 0.
    m_logoWidth = kLogoWidthPixels * twipsPerPixelX(this);
    PlaceLogo();
    picLogo->setVisible(false);
    m_logoPhase = 0;
}

// The logo's left edge stays where the full picture would end 3 pixels inside the frame; it
// grows to the right from there.
void frmOptions::PlaceLogo()
{
    const double twipsX = twipsPerPixelX(this);
    const int left = frameAbout->width() - twipsToPixelsRounded(m_logoWidth, twipsX)
        - kLogoRightGapPixels;
    const int top = lblVersion->geometry().top();
    picLogo->setGeometry(left, top, picLogo->isVisible() ? picLogo->width() : 0, kLogoHeightPixels);
}

void frmOptions::optTimerMavoWave_Timer()
{
    // 1. A picture that does not load keeps the one loaded before.
    if (m_logoPhase == 0) {
        for (int i = 0; i < kLogoFrames; ++i) {
            QImage image;
            if (image.load(logoResource(i)))
                s_imgLogoFrames[i] = image;
        }
    }

    // The frame of the rolling wave shown now.
    const QImage &image = s_imgLogoFrames[s_logoFrame];
    if (!image.isNull())
        picLogo->setPixmap(QPixmap::fromImage(image));

    // The logo's phase: hidden at first, then growing to its full width.
    if (m_logoPhase >= 0) {
        ++m_logoPhase;
        if (m_logoPhase >= kLogoFirstVisiblePhase) {
            if (!picLogo->isVisible())
                picLogo->setVisible(true);
            if (m_logoPhase > kLogoLastGrowingPhase) {
                m_logoPhase = -1;
            } else {
                const double width = m_logoWidth / kLogoFrames
                    * (m_logoPhase - (kLogoFirstVisiblePhase - 1));
                picLogo->resize(twipsToPixelsRounded(width, twipsPerPixelX(this)), picLogo->height());
            }
        }
    }

    // The next frame of the wave, for the next tick.
    s_logoFrame = (s_logoFrame + 1) % kLogoFrames;
}

void frmOptions::lblWWW_Click()
{
    // Whether a browser opened is not reported: a link that cannot be opened does nothing.
    QDesktopServices::openUrl(QUrl::fromUserInput(Text(TextId::WebAddress)));
}

bool frmOptions::AboutMouse(QObject *watched, QEvent *event)
{
    if (watched == frameAbout && event->type() == QEvent::Resize) {
        PlaceLogo();
        return false;
    }
    if (watched != frameAbout && watched->parent() != frameAbout)
        return false;

    switch (event->type()) {
    case QEvent::MouseMove:
        // Over the version label its text grows by the revision; anywhere else in the frame it
        // shrinks back. Leaving the frame straight from the label keeps the long text.
        lblVersion->setText(VersionText(watched == lblVersion));
        return true;
    case QEvent::MouseButtonPress:
        if (watched == lblWWW && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_wwwPressed = true;
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (watched == lblWWW && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            const bool click = m_wwwPressed
                && lblWWW->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint());
            m_wwwPressed = false;
            if (click)
                lblWWW_Click();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void frmOptions::hideEvent(QHideEvent *event)
{
    // The animation ends with the dialog (a minimised dialog is only hidden for a while).
    if (!event->spontaneous())
        optTimerMavoWave->stop();
    QDialog::hideEvent(event);
}
