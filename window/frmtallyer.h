#pragma once

#include "calcsession.h"
#include "hints.h"
#include "panelrow.h"
#include "pushlabels.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class CalcField;
class FindBar;
class LocaleWatch;
class MavoLabel3D;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QTimer;
class SheetEditor;
class StartupChecks;
class TapeActions;
class WindowPlacer;

// Shows the options dialog modally, owned by the given window, on the window's current values;
// returns the values the dialog stored on OK, or nothing when it was cancelled.
using OptionsDialogOpener = std::function<std::optional<Options>(QWidget *owner, const Options &current)>;

// The calculator's main window: the calculation sheet, the result and memory panels, the memory
// strip. It draws the session (calcsession.h), which holds the calculator's state, and wires the
// parts together: the field owns its editing keys and asks for the rest, the sheet editor keeps
// the text clean, the hints explain the window. A key travels one way: field, key map, session,
// engine, the session's signals, the panels.
class frmTallyer : public QWidget
{
    Q_OBJECT

public:
    explicit frmTallyer(QWidget *parent = nullptr);
    ~frmTallyer() override;

    // Start-up; false when this copy must end at once (another copy was activated, or the locale
    // was refused). On a repeated run (after the options dialog) the first-run-only steps are
    // skipped.
    bool Form_Load();
    // Saves the position and the memory cells; the program's end calls it once.
    void Form_Unload();

    // The dialogs the window opens, installed by the program: without an opener the options
    // button opens nothing, and without an asker the greeting's question is the standard box.
    void setOptionsDialogOpener(OptionsDialogOpener opener);
    void setF1QuestionAsker(F1QuestionAsker asker);

    // The rounding digit and an expression chosen in the history window, with its rows' notes:
    // written through the full cycle, wholly selected.
    void TakeHistoryExpression(int roundDigit, const QString &expression, const RowNotes &notes = {});

    // The tape file the program was started with (`tallyer FILE`), set before Form_Load: a
    // running copy that takes over opens it, else this window opens it once it stands, over the
    // kept tape.
    void setTapeFile(const QString &path);

signals:
    // Ctrl+PageUp with expressions in the history; the program opens the history window on it.
    void historyWindowRequested(const TextRing &history);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void connectSession();
    void connectLabels();
    MavoLabel3D *label(PushLabel id) const { return m_labels[static_cast<int>(id)]; }

    // Start-up and shut-down, and the window procedures.
    void applyFieldSettings(bool firstRun);
    void HookWindow();
    void HookField();
    void UnhookWindow();
    void UnhookField();
    bool MainWindowProc(QEvent *event);
    bool MainFieldProc(QEvent *event);
    // True while the history window, modal to the program, is open over this main window: the
    // main window then records no moves and saves nothing when it ends.
    bool historyOpen() const;
    void setAlwaysOnTop(bool onTop);
    void RecreateCaret();

    // The window's height for the rows, and the row of panels and buttons widened to their
    // captions.
    void ResizeToRows(bool showStrip, qint16 requestedRows, bool heightOnly);
    qint32 fieldLineCount() const; // EM_GETLINECOUNT
    void LayoutPanelRow();
    // The find bar shown above the sheet or gone: the sheet and the panels move by its height,
    // and the window takes it as it takes its rows.
    void placeFindBar(bool shown);

    // The sheet's cycle, after the editor has cleaned it, and the sub result's timer.
    void boxCalc_Change(bool textDiffers, bool restored);
    void TimerSelWork_Timer();
    void trackSheet();

    // Commands of the key map for the window: a button's look pressed by the key, released with
    // it; everything else at once.
    void runCommand(KeyCommand command, int key);
    void pressFromKey(PushLabel id, int button);
    void keyReleased();

    // The push-labels: one press routine, and each label's release connected to its own slot.
    void PressLabel(MavoLabel3D *label, const QString &name);
    void Panel_MouseDown(PushLabel id, int button);
    void lblResult_MouseUp(int button);
    void lblMemory_MouseUp(int button);
    void lblMemMenu_MouseUp(int button);
    void lblRound_MouseUp(int button);
    void lblOptions_MouseUp(int button);
    void lblMoveSize_MouseUp(int button);
    void lblM_MouseUp(int button);
    void lblMC_MouseUp(int button);
    void lblMR_MouseUp(int button);
    void lblMPlus_MouseUp(int button);
    void lblMMinus_MouseUp(int button);
    using ReleaseSlot = void (frmTallyer::*)(int button);
    ReleaseSlot releaseSlot(PushLabel id) const;
    void CopyPanelText(const QString &value, bool inWords);
    void roundingChanged();
    void ShowHint(PushLabel id);
    void ShowMemoryOverflow();
    void PopupMemoryMenu();
    void drawMemoryCells();
    void drawStrip(bool shown);
    void drawTitle();

    // The controls, reachable by name as on the form.
    CalcField *boxCalc = nullptr;
    QFrame *frame1 = nullptr;
    QLabel *lblF1Label = nullptr;
    QFrame *frame2 = nullptr;
    QFrame *Line1 = nullptr;
    QFrame *Line2 = nullptr;
    MavoLabel3D *lblToolTip = nullptr;
    QLabel *lblResultLabel = nullptr;
    QMenu *mnuMenu = nullptr;
    QAction *mnuClear = nullptr;
    std::array<QAction *, MemoryBank::kCells> m_memoryItems{};
    std::array<MavoLabel3D *, kPushLabelCount> m_labels{};
    SheetEditor *sheet = nullptr; // keeps boxCalc's text a clean sheet
    FindBar *m_findBar = nullptr;
    Hints *hints = nullptr;       // the hint strip and the start-up greeting
    QTimer *TimerSelWork = nullptr;

    CalcSession *m_session = nullptr;
    TapeActions *m_tape = nullptr;
    std::unique_ptr<PanelRow> m_panelRow;

    // The push-labels a key holds down until it is released, and whether a panel's press asks
    // for a copy in words (the right button).
    std::array<bool, kPushLabelCount> m_keyDown{};
    int m_keyButton = 0;
    bool m_copyInWords = false;
    bool anyKeyDown() const;

    qint16 f_intRows = 0;

    WindowPlacer *m_placer = nullptr;
    std::unique_ptr<LocaleWatch> m_localeWatch;
    std::unique_ptr<StartupChecks> m_startup;
    QString m_tapeFile;
    bool m_hookedWindow = false;
    bool m_hookedField = false;
    bool m_unloaded = false;
    bool m_optionsOpen = false; // the options dialog is open over the window
    OptionsDialogOpener m_optionsOpener;

    // Design sizes, pixels.
    static constexpr int kDesignFieldLeft = 3;
    static constexpr int kDesignFieldTop = 3;
    static constexpr int kDesignFieldWidth = 330; // 4950 twips at 15 twips per pixel
    static constexpr int kDesignFieldHeight = 24;
    static constexpr int kRowGap = 4;             // between the field and frame2
    static constexpr int kPanelHeight = 24;       // the upper row of frame2
    static constexpr int kLineTop = 28;           // Line1 inside frame2
    static constexpr int kFrame2Height = 58;
    static constexpr int kBottomMargin = 4;
};
