// Start-up, shut-down, the window procedures and the window's placement.

#include "frmtallyer.h"

#include "calcfield.h"
#include "colorvalue.h"
#include "hints.h"
#include "datafolders.h"
#include "loadtext.h"
#include "mavolabel3d.h"
#include "memorybank.h"
#include "memorystring.h"
#include "texthelpers.h"
#include "wrap.h"
#include "messagesink.h"
#include "wordsfile.h"
#include "productinfo.h"
#include "settings.h"
#include "sheeteditor.h"
#include "singlecopy.h"
#include "tapeactions.h"
#include "tapefile.h"
#include "textrules.h"
#include "twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QStyleHints>
#include <QThread>
#include <QTimer>
#include <QMimeData>
#include <QWindow>

#include <memory>
#include <cmath>

namespace {

const char kDefaultWordsFile[] = "InWordsDollars eng.txt";

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace

double frmTallyer::twipsX() const
{
    return twipsPerPixelX(this);
}

double frmTallyer::twipsY() const
{
    return twipsPerPixelY(this);
}

int frmTallyer::captionBarPixels() const
{
    const int inset = geometry().y() - frameGeometry().y();
    return inset > 0 ? inset : 0;
}

bool frmTallyer::historyOpen() const
{
    return findChild<QWidget *>(QStringLiteral("frmHistory"), Qt::FindDirectChildrenOnly) != nullptr;
}

bool frmTallyer::Form_Load()
{
    const bool firstRun = m_session->roundDigit() < 0;

    // On the first run the window is made normal and becomes the program's main window.
    if (firstRun) {
        if (isMinimized() || isMaximized())
            showNormal();
        // Every option value and the window's saved state are read here, in one go; the steps
        // below use them where the settings are first needed.
        m_session->load();
    }

    // Another running copy may end this one.
    if (!singleCopyTest(firstRun))
        return false;

    // The title is the product name, and the tape's file once it has one.
    drawTitle();

    // A locale whose numbers the calculator cannot read ends the program.
    if (firstRun && !localeTest()) {
        Form_Unload();
        return false;
    }

    // The screen's work area in twips, for placing the window; followed when screens change.
    if (firstRun) {
        const QScreen *scr = screen() ? screen() : QGuiApplication::primaryScreen();
        m_placement.setScreenArea(scr ? scr->availableGeometry() : QRect(0, 0, 1024, 768), twipsX(), twipsY());
    }

    // The hint strip starts hidden. Unless the user has declined it, the F1 greeting runs
    // once per start: its frame covers the field, the label slides in from the right.
    if (firstRun) {
        lblToolTip->setVisible(false);
        frame1->setVisible(false);
        if (m_session->windowState().greeting) {
            frame1->setVisible(true);
            lblF1Label->setVisible(false);
            // No-break spaces keep the four words on one line.
            lblF1Label->setText(Text(TextId::PressF1ForHelp, {QString(QChar(0xA0))}));
            lblF1Label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            hints->startGreeting();
        }
    }

    // The row limits came with the other option values. A words file that is not set,
    // or not found, gives way to the dollars file when that one is there.
    if (firstRun) {
        Options options = m_session->options();
        const QString stored = options.inWordsFile;
        if (stored.isEmpty() || !FileExists(DataFilePath(stored, programFolder()))) {
            if (FileExists(DataFilePath(QLatin1String(kDefaultWordsFile), programFolder()))) {
                options.inWordsFile = QLatin1String(kDefaultWordsFile);
                m_session->setOptions(options);
            }
        }
    }

    // The strip below the separator line, and the rest of the window's height beside the
    // field, the strip and the caption bar, from the design sizes.
    if (firstRun) {
        const double tppY = twipsY();
        m_placement.stripHeight = static_cast<float>((frame2->height() - Line1->y() + 2) * tppY);
        const int designClientHeight = frame2->y() + frame2->height() + kBottomMargin;
        m_placement.frameSpare = static_cast<float>(designClientHeight * tppY - m_placement.stripHeight
                                             - (boxCalc->y() + boxCalc->height()) * tppY);
    }

    // The field's look, loaded with the other option values, is applied.
    applyFieldSettings(firstRun);

    // The window's height for the rows the field holds.
    ResizeToRows(m_session->StripShown(), LoWord(fieldLineCount()), m_blnOtherCopyRuns);

    // Always on top, the window procedures, the memory cells and the rounding digit.
    if (firstRun) {
        setAlwaysOnTop(m_session->options().alwaysOnTop);
        HookField();
        HookWindow();
        frame1->setGeometry(boxCalc->x() + 5, boxCalc->y() + 2, boxCalc->width() - 7,
                            boxCalc->height() - 4);
        m_session->restoreMemory();
        mnuClear->setText(Text(TextId::ClearsAll));
    }

    // The rounding digit (the store reads one outside 0 ... 9 as 2).
    m_session->setRoundDigit(m_session->options().roundTo);
    const int speed = std::clamp(QGuiApplication::styleHints()->keyboardAutoRepeatRate(), 0, 31);
    sheet->setLeadingZeroDelay(speed + 10);

    // The tape of the last run comes back once the window stands.
    if (firstRun)
        m_tape->restoreKept();
    return true;
}

void frmTallyer::applyFieldSettings(bool blnFirstRun)
{
    Options options = m_session->options();
    udtAppearance &look = options.appearance;
    QFont font = boxCalc->font();
    font.setFamily(look.FontName);
    font.setItalic(look.FontItalic);
    font.setBold(look.FontBold);
    if (look.FontSize >= 8 && look.FontSize <= 50)
        font.setPointSize(look.FontSize);
    else
        look.FontSize = static_cast<int>(std::lround(boxCalc->font().pointSizeF()));
    boxCalc->setFont(font);
    m_session->setOptions(options);
    QFont panelFont = label(PushLabel::Result)->font();
    panelFont.setFamily(look.FontName);
    label(PushLabel::Result)->setFont(panelFont);
    label(PushLabel::Memory)->setFont(panelFont);

    // Readable in any desktop palette unless the user chose both colours (readableColors).
    const DrawnColors colors = readableColors(look.FontColor, look.BackColor);
    QPalette pal = boxCalc->palette();
    pal.setColor(QPalette::Text, colors.text);
    pal.setColor(QPalette::Base, colors.back);
    boxCalc->setPalette(pal);
    frame1->setAutoFillBackground(true);
    QPalette framePal = frame1->palette();
    framePal.setColor(QPalette::Window, colors.back);
    framePal.setColor(QPalette::WindowText, colors.text); // the F1 greeting on the field
    frame1->setPalette(framePal);
    if (look.FontSize < 12) {
        QFont f1 = lblF1Label->font();
        f1.setPointSize(look.FontSize);
        lblF1Label->setFont(f1);
        if (blnFirstRun) {
            const int down = static_cast<int>(std::lround((12 - look.FontSize) * 15 / twipsY()));
            lblF1Label->move(lblF1Label->x(), lblF1Label->y() + down);
        }
    }

    // The window measures rows in the field's font: one row is the height of "|".
    setFont(font);
    m_placement.rowHeight = static_cast<float>(QFontMetricsF(font).height() * twipsY());
    RecreateCaret();
    LayoutPanelRow();
}

bool frmTallyer::singleCopyTest(bool blnFirstRun)
{
    if (!m_session->options().manyCopies) {
        const QString company = QString::fromLatin1(ProductInfo::kCompanyName);
        const qsizetype space = company.lastIndexOf(u' ');
        setWindowTitle(space < 0 ? company : company.left(space));
    }
    if (!m_channel) {
        m_channel = new SingleCopyChannel(this);
        connect(m_channel, &SingleCopyChannel::activateRequested, this, [this] { BringForward(this); });
        connect(m_channel, &SingleCopyChannel::closeRequested, this, [this] { close(); });
    }

    // The first run looks for other copies and listens under the channel's lock, so that of
    // copies started together one listens before the others look.
    if (blnFirstRun)
        m_channel->lockSearch();
    // A repeated run closes the other copies; give each a moment to go, but never hang.
    const QDeadlineTimer deadline(5000);
    for (;;) {
        const QStringList others = m_channel->otherCopies();
        if (others.isEmpty())
            break;
        if (m_session->options().manyCopies) {
            if (blnFirstRun)
                m_blnOtherCopyRuns = true;
            break;
        }
        if (blnFirstRun) {
            if (m_channel->activate(others))
                return false;
            break; // none answers (stopped or wedged): this copy opens its own window
        }
        for (const QString &other : others)
            SingleCopyChannel::send(other, "close");
        if (deadline.hasExpired())
            break;
        QThread::msleep(50);
    }
    if (blnFirstRun)
        m_channel->listen();
    return true;
}

void frmTallyer::followScreens()
{
    // A screen that shrinks, goes or is swapped for another never leaves the window off it: it is
    // placed wholly on the work area it is on again (an area of no size is not taken).
    auto replace = [this] {
        const QScreen *scr = screen();
        if (!scr || !m_placement.setScreenArea(scr->availableGeometry(), twipsX(), twipsY()))
            return;
        const QRect placed = Placement::placedOnArea(frameGeometry(), scr->availableGeometry());
        if (placed.topLeft() != frameGeometry().topLeft())
            move(placed.topLeft());
        ResizeToRows(m_session->StripShown(), LoWord(fieldLineCount()), true);
    };
    auto watch = [this, replace, watched = std::make_shared<QMetaObject::Connection>()](QScreen *scr) {
        disconnect(*watched);
        *watched = scr ? connect(scr, &QScreen::availableGeometryChanged, this, replace) : QMetaObject::Connection();
    };
    watch(screen());
    if (QWindow *handle = windowHandle()) {
        connect(handle, &QWindow::screenChanged, this, [watch, replace](QScreen *scr) {
            watch(scr);
            replace();
        });
    }
}

bool frmTallyer::localeTest()
{
    sheet->readLocale();
    m_session->setLocale(sheet->locale());
    const TextId id = LocaleProblem(currentLocaleSnapshot().locale, sheet->locale());
    if (id == TextId::None)
        return true;

    const QString text = Text(id, {QStringLiteral("\n"), QLatin1String(ProductInfo::kProductName) + QLatin1Char('\n')});
    showMessage(Text(TextId::LocaleHeading) + QStringLiteral("\n\n") + text + QLatin1Char('\n'), MessageIcon::Critical);
    return false;
}

void frmTallyer::Form_Unload()
{
    if (m_blnUnloaded)
        return;
    m_blnUnloaded = true;

    // The tape is kept whatever is open over the window.
    m_session->setLocale(sheet->locale());
    m_tape->keep();

    const bool history = historyOpen();
    if (!history)
        UnhookWindow();
    UnhookField();
    if (history)
        return;

    QCoreApplication::processEvents();
    m_session->setLocale(sheet->locale());
    m_session->setWindowPosition(static_cast<qint32>(std::lround(m_placement.formLeft)),
                                 static_cast<qint32>(std::lround(m_placement.formTop)));
    m_session->save();
}

void frmTallyer::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmTallyer::setAlwaysOnTop(bool blnOnTop)
{
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == blnOnTop)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, blnOnTop);
    if (QWindow *handle = windowHandle()) {
        // A window that exists already is told directly: changing the widget's flags would hide
        // and re-create it, which flickers every time the options open.
        overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
}

// The window procedures. The main window and its field are watched through event filters; the
// handlers keep the names of the procedures they stand for.

void frmTallyer::HookWindow()
{
    if (m_blnHookedWindow)
        return;
    installEventFilter(this);
    m_blnHookedWindow = true;
}

void frmTallyer::HookField()
{
    if (m_blnHookedField)
        return;
    boxCalc->installEventFilter(this);
    // A caret move or a selection change may change what is selected: re-arm the sub result.
    connect(boxCalc, &SheetView::cursorPositionChanged, TimerSelWork, qOverload<>(&QTimer::start));
    connect(boxCalc, &SheetView::selectionChanged, TimerSelWork, qOverload<>(&QTimer::start));
    m_blnHookedField = true;
}

void frmTallyer::UnhookWindow()
{
    if (!m_blnHookedWindow)
        return;
    removeEventFilter(this);
    m_blnHookedWindow = false;
}

void frmTallyer::UnhookField()
{
    if (!m_blnHookedField)
        return;
    boxCalc->removeEventFilter(this);
    disconnect(boxCalc, &SheetView::cursorPositionChanged, TimerSelWork, nullptr);
    disconnect(boxCalc, &SheetView::selectionChanged, TimerSelWork, nullptr);
    m_blnHookedField = false;
}

bool frmTallyer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this)
        return MainWindowProc(event);
    if (watched == boxCalc)
        return MainFieldProc(event);
    return QWidget::eventFilter(watched, event);
}

bool frmTallyer::MainWindowProc(QEvent *event)
{
    if (event->type() != QEvent::Move || m_holdPosition || historyOpen())
        return false;
    // A window placed before it is shown gets that move only as show() begins, while it is still
    // hidden and before its frame is known: it is the program's own placement, not the user's.
    if (!isVisible())
        return false;
    // Minimising and restoring never record a position.
    if (isMinimized() || windowState().testFlag(Qt::WindowMinimized)) {
        m_blnSkipNextMove = true;
        return false;
    }
    if (m_blnSkipNextMove) {
        m_blnSkipNextMove = false;
        return false;
    }
    const QPoint outer = frameGeometry().topLeft();
    m_placement.formLeft = static_cast<float>(outer.x() * twipsX());
    m_placement.formTop = static_cast<float>(outer.y() * twipsY());
    return false;
}

bool frmTallyer::MainFieldProc(QEvent *event)
{
    if (event->type() != QEvent::FocusIn)
        return false;

    // The user may have changed the regional settings while the window was in the background.
    sheet->readLocale();
    const LocaleValues &loc = sheet->locale();
    m_session->setLocale(loc);
    if (!m_strFocusThousands.isEmpty() && m_strFocusThousands != loc.thousandsSeparator)
        m_session->convertGrouping(m_strFocusThousands, loc.thousandsSeparator);
    m_strFocusThousands = loc.thousandsSeparator;

    if (!m_strFocusDecimal.isEmpty() && m_strFocusDecimal != loc.decimalSeparator) {
        const QString text = boxCalc->Text();
        const QString converted = ReplaceAll(text, m_strFocusDecimal, loc.decimalSeparator);
        const bool textChanges = converted != text;
        if (textChanges)
            boxCalc->setTextKeepingSelection(converted);
        m_session->convertDecimal(m_strFocusDecimal, loc.decimalSeparator, !textChanges);
    }
    m_strFocusDecimal = loc.decimalSeparator;
    return false;
}

void frmTallyer::RecreateCaret()
{
    // A wider caret for large fonts, so it stays visible.
    int width = boxCalc->font().pointSizeF() <= 12 ? 1 : 2;
    // At a fractional scale a caret that is not a whole number of device pixels wide (1 px at
    // 1.5 is 1.5) is drawn over part of a pixel, and what its blinking leaves behind shows as a
    // dark sliver inside a selection. Take the next width that is whole, if one is near (2 px at
    // 1.5 is 3 device pixels).
    const qreal ratio = boxCalc->devicePixelRatioF();
    for (int wider = width; wider <= 3 * width; ++wider) {
        if (std::abs(wider * ratio - std::round(wider * ratio)) < 0.01) {
            width = wider;
            break;
        }
    }
    boxCalc->setCursorWidth(width);
}

void frmTallyer::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_followingScreens && windowHandle()) {
        m_followingScreens = true;
        followScreens();
    }
    // Form_Activate: the field takes the focus.
    boxCalc->setFocus();
}
