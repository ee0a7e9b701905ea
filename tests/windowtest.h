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

template <class T>
T *formPart(const QObject *form, const char *name)
{
    return form->findChild<T *>(QLatin1String(name));
}

inline QAction *memoryItem(const QObject *form, int cell)
{
    return formPart<QAction>(form, qPrintable(QStringLiteral("mnuM%1").arg(cell)));
}

// The parts of a form, found by their names as on the form (the window itself shows only its
// public face): declared alike for a history window and for the test's main window, where they
// hide the form's own members of those names.
#define TALLYER_FORM_PARTS(PART) \
    PART(CalcField, boxCalc) PART(QFrame, frame1) PART(QFrame, frame2) PART(QLabel, lblF1Label) \
    PART(MavoLabel3D, lblResult) PART(MavoLabel3D, lblMemory) PART(MavoLabel3D, lblMemMenu) \
    PART(MavoLabel3D, lblRound) PART(MavoLabel3D, lblOptions) PART(MavoLabel3D, lblMoveSize) \
    PART(MavoLabel3D, lblM) PART(MavoLabel3D, lblMC) PART(MavoLabel3D, lblMR) PART(MavoLabel3D, lblMPlus) \
    PART(MavoLabel3D, lblMMinus) PART(MavoLabel3D, lblToolTip) PART(QLabel, lblResultLabel) \
    PART(QAction, mnuClear) PART(QTimer, TimerSelWork) PART(QTimer, TimerPointRefresh) \
    PART(QTimer, TimerMyToolTip) PART(QTimer, TimerPressF1ForHelp) PART(Hints, hints)
#define TALLYER_DECLARE_PART(Type, name) Type *const name = formPart<Type>(form(), #name);

struct FormParts
{
    explicit FormParts(QObject *form)
        : m_form(form)
    {
    }
    QObject *form() const { return m_form; }
    QAction *memoryItem(int cell) const { return ::memoryItem(m_form, cell); }

    QObject *const m_form;
    TALLYER_FORM_PARTS(TALLYER_DECLARE_PART)
};

// The main window as the program sets it up (the history window opens on Ctrl+PageUp), with
// its parts at hand.
class TestWindow : public frmTallyer
{
public:
    TestWindow()
    {
        connect(this, &frmTallyer::historyWindowRequested, this,
                [this](const TextRing &history) { HistoryWindow::open(this, history); });
    }
    const QObject *form() const { return this; }
    QAction *memoryItem(int cell) const { return ::memoryItem(this, cell); }
    // The history window open over this one, if any.
    HistoryWindow *history() const { return findChild<HistoryWindow *>(QString(), Qt::FindDirectChildrenOnly); }

    TALLYER_FORM_PARTS(TALLYER_DECLARE_PART)
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
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
        return m_config.isValid() && m_runtime.isValid() && m_state.isValid();
    }

    // For init: an empty store, with the start-up greeting off (typing during it asks a question);
    // false if the store is not the temporary one.
    bool emptyStore(bool greeting = false)
    {
        const QString store = QDir(m_config.path()).filePath(QStringLiteral("Mavo/Tallyer.json"));
        QFile::remove(store);
        QDir(QDir(m_state.path()).filePath(QStringLiteral("tallyer"))).removeRecursively(); // no kept tape
        return greeting || (Settings::writeBool(Settings::F1Label, false) && QFile::exists(store));
    }

    // A loaded main window (started with tapeFile if given), shown unless told otherwise, with the
    // memory strip unfolded if asked.
    static std::unique_ptr<TestWindow> openWindow(bool strip = false, bool show = true, const QString &tapeFile = {})
    {
        auto w = std::make_unique<TestWindow>();
        w->setTapeFile(tapeFile);
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
    QTemporaryDir m_state;
};
