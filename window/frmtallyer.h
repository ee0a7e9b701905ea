#pragma once

#include "hints.h"
#include "keymap.h"
#include "memorybank.h"
#include "options.h"
#include "placement.h"
#include "textring.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class CalcField;
class MavoLabel3D;
class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QMenu;
class QTimer;
class SheetEditor;
class SingleCopyChannel;

// Entries the undo ring keeps, and the expression history.
constexpr int kUndoEntries = 100;
constexpr int kHistoryEntries = 50;

// Shows the options dialog modally, owned by the given window, on the window's current values;
// returns the values the dialog stored on OK, or nothing when it was cancelled.
using OptionsDialogOpener = std::function<std::optional<Options>(QWidget *owner, const Options &current)>;

// The calculator's main window: the calculation sheet, the result and memory panels, the memory
// strip. It holds the form and wires its parts together: the sheet editor keeps the text clean,
// the key map says what a key asks for, the memory bank keeps the cells, the placement sizes the
// window, the hints explain it. The history window (historywindow.h) is the same form, read-only.
// Source files by concern: sheet.cpp (the cycle after each change, window height), keyboard.cpp,
// lifecycle.cpp (load, unload, window procedures), subresult.cpp, rounding.cpp, memory.cpp,
// panels.cpp, panelrow.cpp, undo.cpp, accessibility.cpp.
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

    // The rounding digit and an expression chosen in the history window: written through the
    // full cycle, wholly selected.
    void TakeHistoryExpression(int roundDigit, const QString &expression);

signals:
    // Ctrl+PageUp with expressions in the history; the program opens the history window on it.
    void historyWindowRequested(const TextRing &history);

protected:
    enum class Role { Main, History };
    frmTallyer(QWidget *parent, Role role);

    // What the history window takes from the main window: the option values, the placement sizes
    // and the look of the field and the result panel.
    void adoptMainWindow(const frmTallyer &main);
    // Ctrl+PageUp and Ctrl+PageDown.
    virtual void historyKey(bool forward);
    // Enter on a selection in the history window.
    virtual void chooseSelection() {}

    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

    // The controls, reachable by name as on the form.
    CalcField *boxCalc = nullptr;
    QFrame *frame1 = nullptr;
    QLabel *lblF1Label = nullptr;
    QFrame *frame2 = nullptr;
    MavoLabel3D *lblResult = nullptr;
    MavoLabel3D *lblMemory = nullptr;
    MavoLabel3D *lblMemMenu = nullptr;
    MavoLabel3D *lblRound = nullptr;
    MavoLabel3D *lblOptions = nullptr;
    MavoLabel3D *lblMoveSize = nullptr;
    QFrame *Line1 = nullptr;
    QFrame *Line2 = nullptr;
    MavoLabel3D *lblM = nullptr;
    MavoLabel3D *lblMC = nullptr;
    MavoLabel3D *lblMR = nullptr;
    MavoLabel3D *lblMPlus = nullptr;
    MavoLabel3D *lblMMinus = nullptr;
    MavoLabel3D *lblToolTip = nullptr;
    QLabel *lblResultLabel = nullptr;
    QMenu *mnuMenu = nullptr;
    QAction *mnuClear = nullptr;
    MemoryBank *memoryBank = nullptr; // the cells; mnuMenu and lblMemMenu are drawn from it
    SheetEditor *sheet = nullptr;     // keeps boxCalc's text a clean sheet
    Hints *hints = nullptr;           // the hint strip and the start-up greeting
    QTimer *TimerSelWork = nullptr;

    const Role m_role;

    // Rounding selector (rounding.cpp)
    int roundDigit() const { return m_roundDigit; }
    void setRoundDigit(int digit);
    // The caret at the start, at the end, or the whole text selected.
    enum class CaretMode { Start, End, All };
    void SetCaret(CaretMode mode);
    void SelectNumberAtClick();
    void ResizeToRows(bool blnShowStrip, qint16 intRows, bool blnHeightOnly);
    qint32 fieldLineCount() const; // EM_GETLINECOUNT
    bool StripShown() const;

    // Undo and history steps (undo.cpp). record true: the snapshot goes into the ring; false: the
    // field's expression goes into the ring, unless the field is empty or the expression is the
    // newest entry already.
    void RecordState(TextRing &ring, bool record);
    void StepState(TextRing &ring, bool forward, bool record);

private:
    void buildControls();
    void connectLabels();
    void applyFieldSettings(bool blnFirstRun);
    bool singleCopyTest(bool blnFirstRun);
    bool localeTest();
    void HookWindow();
    void HookField();
    void UnhookWindow();
    void UnhookField();
    void setAlwaysOnTop(bool blnOnTop);
    void RecreateCaret();

    // Twips of the screen the window is on.
    double twipsX() const;
    double twipsY() const;
    // The caption bar's height in pixels (the window frame's top inset).
    int captionBarPixels() const;

    // The sheet's cycle, after the editor has cleaned it (sheet.cpp)
    void boxCalc_Change(bool textDiffers);

    // Sub result (subresult.cpp)
    void TimerSelWork_Timer();
    void EvaluateSelection(const QString &strSel);
    // The display text of an expression with the current decimals; empty when it has independent
    // rows, fails, or is too large to show.
    QString ExpressionResultText(const QString &strExpression) const;

    // Memory cells (memory.cpp)
    void MemoryStore();
    void MemoryClear();
    void MemoryArithmetic(MemoryBank::Operation operation); // M+ and M-
    void MemoryRecall();
    void PopupMemoryMenu();
    void SelectMemoryCell(int cell);
    void ClearAllMemory();
    void ShowMemoryOverflow();
    void RestoreMemory();
    QString MemoryStringToSave() const;
    void drawMemoryCells();
    QAction *memoryItem(int cell) const;

    // Panels and buttons (panels.cpp)
    void PressLabel(MavoLabel3D *label, const QString &strName);
    void lblMoveSize_MouseUp();
    void lblOptions_MouseUp();
    void Panel_MouseDown(MavoLabel3D *panel, int button);
    void CopyPanelText(MavoLabel3D *label, bool blnInWords);
    // A click on lblRound steps the digit up (left button) or down (right button); the results
    // follow the new digit.
    void stepRoundDigit(int button);
    void roundingChanged();
    void lblRound_MouseMove();
    // Widens the panels and buttons of the upper row to their captions, and the window with them
    // (panelrow.cpp).
    void LayoutPanelRow();
    int captionFitWidth(const MavoLabel3D *label, const QString &caption) const;
    // Every push-label's press and release, from the mouse or from a key.
    void labelMouseDown(MavoLabel3D *label, int button);
    void labelMouseUp(MavoLabel3D *label, int button);

    // Keyboard (keyboard.cpp). A key passes on to the field, is consumed, or passes on without
    // its modifiers (Ctrl+Delete of a selection deletes it as Delete would).
    enum class KeyOutcome { PassOn, Consumed, PassBare };
    bool fieldKeyEvent(QKeyEvent *event);
    KeyOutcome runKeyCommand(KeyCommand command, int key, bool &editKey);
    void keyReleased();
    // The buttons a key can press, released in this order when the key goes up.
    enum class KeyButton {
        MoveSize, MPlus, MMinus, MC, MR, M, Round, ResultLeft, ResultRight, MemoryLeft, MemoryRight,
        Options, MemMenu, Count
    };
    MavoLabel3D *keyButtonLabel(KeyButton button) const;
    void pressFromKey(KeyButton button);
    bool anyKeyDown() const;
    std::array<bool, static_cast<int>(KeyButton::Count)> m_keyDown{};
    bool m_forwardingKey = false;

    // Undo (undo.cpp)
    void takeSnapshot();
    TextEntry fieldState() const;
    void restoreEntry(const TextEntry &entry);

    // Assistive tools (accessibility.cpp): names, descriptions and actions of the sheet and the
    // push-labels, and the result announced when typing pauses.
    void setupAccessibility();
    // The name a screen reader says for a push-label, in the interface language.
    QString spokenName(MavoLabel3D *label) const;

    // Window procedures (lifecycle.cpp)
    bool MainWindowProc(QEvent *event);
    bool MainFieldProc(QEvent *event);
    // True while the history window, modal to the program, is open over this main window: the
    // main window then records no moves and saves nothing when it ends.
    bool historyOpen() const;

    // The sheet
    qint16 f_intRows = 0;
    QString f_strExpression;
    TextEntry m_snapshot;           // the field before the key being handled
    int m_roundDigit = -1;          // -1 until the first load
    TextRing f_udtUndo{kUndoEntries};
    TextRing m_history{kHistoryEntries}; // the expressions of this run; not saved

    // Sub result cache: selected text, caption, rounding digit.
    bool f_blnSelection = false;
    struct SubResult
    {
        QString Sel;
        QString Caption;
        int Round = -1;
    } f_udtSubResult;

    // The last two results of ExpressionResultText, with what they depend on. Every key evaluates
    // the previous expression again in the sub-result step before the new one; on a long tape
    // that second evaluation is what the memo spares.
    struct ResultMemo
    {
        QString expression;
        int decimals = -1; // -1: empty entry
        QString decimal;
        QString thousands;
        bool leadingZero = false;
        QString text;
    };
    mutable std::array<ResultMemo, 2> m_resultMemo;
    mutable int m_resultMemoNext = 0;

    // Separators seen at the field's last focus (empty until the first).
    QString m_strFocusThousands;
    QString m_strFocusDecimal;
    bool m_blnSkipNextMove = false;

    // Set when the load noted another running copy (the window keeps the place it was given).
    bool m_blnOtherCopyRuns = false;

    Placement m_placement;
    bool m_holdPosition = false;      // the window is being placed by the program
    qint32 m_clickPos = 0;            // the field's caret at the last left-button release
    bool m_blnHookedWindow = false;
    bool m_blnHookedField = false;
    bool m_blnUnloaded = false;
    bool m_optionsOpen = false;       // the options dialog is open over the window
    SingleCopyChannel *m_channel = nullptr;
    OptionsDialogOpener m_optionsOpener;
    // The option values in force: loaded on the first Form_Load, replaced by what the options
    // dialog returns. The history window takes the main window's.
    Options m_options;

    // Design sizes, pixels.
    static constexpr int kDesignFieldLeft = 3;
    static constexpr int kDesignFieldTop = 3;
    static constexpr int kDesignFieldWidth = 330; // 4950 twips at 15 twips per pixel
    static constexpr int kDesignFieldHeight = 24;
    static constexpr int kRowGap = 4;             // between the field and frame2
    static constexpr int kPanelHeight = 24;       // the upper row of frame2
    static constexpr int kLineTop = 28;           // Line1 inside frame2
    static constexpr int kStripButtonTop = 32;
    static constexpr int kStripButtonHeight = 22;
    static constexpr int kFrame2Height = 58;
    static constexpr int kBottomMargin = 4;
};

