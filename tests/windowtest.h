#pragma once

#include <calcfield.h>
#include <frmtallyer.h>
#include <hints.h>
#include <historywindow.h>
#include <localevalues.h>
#include <mavolabel3d.h>
#include <settings.h>

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

inline void useLocale(const QLocale &locale)
{
    setLocaleSource([locale] { return LocaleSnapshot{locale, true}; });
}

// A press and a release over the push-label, with the pointer kept on it (the label reads it).
inline void clickLabel(MavoLabel3D *label, Qt::MouseButton button = Qt::LeftButton)
{
    const QPoint pos = label->rect().center();
    QCursor::setPos(label->mapToGlobal(pos));
    QTest::mousePress(label, button, {}, pos);
    QTest::mouseRelease(label, button, {}, pos);
}

// The parts of a form, found by their names as on the form; the window itself shows only its
// public face.
struct FormParts
{
    explicit FormParts(QObject *form)
        : m_form(form)
    {
    }
    template <class T>
    T *find(const char *name) const
    {
        return m_form->findChild<T *>(QLatin1String(name));
    }
    QAction *memoryItem(int cell) const { return m_form->findChild<QAction *>(QStringLiteral("mnuM%1").arg(cell)); }

    QObject *const m_form;
    CalcField *const boxCalc = find<CalcField>("boxCalc");
    QFrame *const frame1 = find<QFrame>("frame1");
    QFrame *const frame2 = find<QFrame>("frame2");
    QLabel *const lblF1Label = find<QLabel>("lblF1Label");
    MavoLabel3D *const lblResult = find<MavoLabel3D>("lblResult");
    MavoLabel3D *const lblMemory = find<MavoLabel3D>("lblMemory");
    MavoLabel3D *const lblMemMenu = find<MavoLabel3D>("lblMemMenu");
    MavoLabel3D *const lblRound = find<MavoLabel3D>("lblRound");
    MavoLabel3D *const lblOptions = find<MavoLabel3D>("lblOptions");
    MavoLabel3D *const lblMoveSize = find<MavoLabel3D>("lblMoveSize");
    MavoLabel3D *const lblM = find<MavoLabel3D>("lblM");
    MavoLabel3D *const lblMC = find<MavoLabel3D>("lblMC");
    MavoLabel3D *const lblMR = find<MavoLabel3D>("lblMR");
    MavoLabel3D *const lblMPlus = find<MavoLabel3D>("lblMPlus");
    MavoLabel3D *const lblMMinus = find<MavoLabel3D>("lblMMinus");
    MavoLabel3D *const lblToolTip = find<MavoLabel3D>("lblToolTip");
    QLabel *const lblResultLabel = find<QLabel>("lblResultLabel");
    QAction *const mnuClear = find<QAction>("mnuClear");
    QTimer *const TimerSelWork = find<QTimer>("TimerSelWork");
    QTimer *const TimerPointRefresh = find<QTimer>("TimerPointRefresh");
    QTimer *const TimerMyToolTip = find<QTimer>("TimerMyToolTip");
    QTimer *const TimerPressF1ForHelp = find<QTimer>("TimerPressF1ForHelp");
    Hints *const hints = m_form->findChild<Hints *>();
};

// The main window as the program sets it up (the history window opens on Ctrl+PageUp), with
// its parts at hand.
class TestWindow : public frmTallyer, public FormParts
{
public:
    TestWindow()
        : FormParts(static_cast<frmTallyer *>(this))
    {
        connect(this, &frmTallyer::historyWindowRequested, this,
                [this](const TextRing &history) { HistoryWindow::open(this, history); });
    }

    // The parts by name hide the form's own members of those names.
    using FormParts::boxCalc;
    using FormParts::frame1;
    using FormParts::frame2;
    using FormParts::lblF1Label;
    using FormParts::lblResult;
    using FormParts::lblMemory;
    using FormParts::lblMemMenu;
    using FormParts::lblRound;
    using FormParts::lblOptions;
    using FormParts::lblMoveSize;
    using FormParts::lblM;
    using FormParts::lblMC;
    using FormParts::lblMR;
    using FormParts::lblMPlus;
    using FormParts::lblMMinus;
    using FormParts::lblToolTip;
    using FormParts::lblResultLabel;
    using FormParts::mnuClear;
    using FormParts::TimerSelWork;
    using FormParts::hints;
    using FormParts::memoryItem;

    // The history window open over this one, if any.
    HistoryWindow *history() const { return findChild<HistoryWindow *>(QString(), Qt::FindDirectChildrenOnly); }
};

// The base of the main-window tests: settings and the single-copy channel in temporary folders.
class WindowTest : public QObject
{
protected:
    // For initTestCase: the settings store keeps the folder it finds at its first use.
    bool useTemporaryFolders()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        return m_config.isValid() && m_runtime.isValid();
    }

    // For init: an empty store, with the start-up greeting off (typing during it asks a question);
    // false if the store is not the temporary one.
    bool emptyStore(bool greeting = false)
    {
        const QString store = QDir(m_config.path()).filePath(QStringLiteral("Mavo/Tallyer.json"));
        QFile::remove(store);
        return greeting || (Settings::writeBool(Settings::F1Label, false) && QFile::exists(store));
    }

    // A loaded main window, shown unless told otherwise, with the memory strip unfolded if asked.
    static std::unique_ptr<TestWindow> openWindow(bool strip = false, bool show = true)
    {
        auto w = std::make_unique<TestWindow>();
        if (!w->Form_Load())
            return nullptr;
        if (show) {
            w->show();
            if (!QTest::qWaitForWindowExposed(w.get()))
                return nullptr;
        }
        if (strip)
            QTest::keyClick(w->boxCalc, Qt::Key_Space, Qt::ControlModifier);
        return w;
    }

    QTemporaryDir m_config;
    QTemporaryDir m_runtime;
};
