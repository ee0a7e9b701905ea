#pragma once

#include "historyring.h"
#include "localevalues.h"
#include "options.h"

#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class CalcField;
class MavoLabel3D;
class MemoryBank;
class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QMenu;
class QTimer;
class SingleCopyChannel;

// The calculator's main window: the calculation sheet, the result and memory panels, the memory
// strip. The same class, created with the History role, is the read-only history window.
// Its concerns live in separate source files: sheet.cpp (evaluation cycle, wrapping, window
// height), lifecycle.cpp (load, unload, window procedures, placement), subresult.cpp,
// rounding.cpp, memory.cpp, panels.cpp, undo.cpp.
class frmTallyer : public QWidget
{
    Q_OBJECT

public:
    enum class Role { Main, History };
    explicit frmTallyer(QWidget *parent = nullptr, Role role = Role::Main);
    ~frmTallyer() override;

    // Start-up; false when this copy must end at once (another copy was activated, or the locale
    // was refused). On a repeated run (after the options dialog) the first-run-only steps are
    // skipped.
    bool Form_Load();
    void Form_Unload();

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

    QTimer *TimerSelWork = nullptr;
    QTimer *TimerPointRefresh = nullptr;
    QTimer *TimerMyToolTip = nullptr;
    QTimer *TimerPressF1ForHelp = nullptr;

    // The memory item of cell n (1 ... 10), found by its name "mnuM" n.
    QAction *memoryItem(const QString &strName) const;

    // Sheet (sheet.cpp)
    void boxCalc_Change();
    void ResizeToRows(bool blnShowStrip, qint16 intRows, bool blnHeightOnly);
    int TextWidthPixels(const QString &strText) const;
    // Row widths in pixels by text, for the font they were measured in.
    mutable QHash<QString, int> m_widthCache;
    mutable QFont m_widthCacheFont;
    qint32 fieldLineCount() const; // EM_GETLINECOUNT

    // Sub result (subresult.cpp)
    void TimerSelWork_Timer();
    void EvaluateSelection(const QString &strSel);
    // The display text of an expression with the current decimals; empty when it has independent
    // rows, fails, or is too large to show.
    QString ExpressionResultText(const QString &strExpression) const;

    // Rounding selector (rounding.cpp)
    void lblRound_MouseDown(int Button, int Shift, float X, float Y);
    void lblRound_MouseUp(int Button, int Shift, float X, float Y);
    void lblRound_MouseMove(int Button, int Shift, float X, float Y);
    int roundDigit() const;
    void setRoundDigit(const QString &strDigit);

    // Memory cells (memory.cpp)
    void MemoryStore();
    void MemoryClear();
    void MemoryAdd();
    void MemorySubtract();
    void MemoryArithmetic(bool blnAdd); // M+ and M-
    void MemoryRecall();
    void PopupMemoryMenu();
    void SelectMemoryCell(int cell);
    void ClearAllMemory();
    void ShowMemoryOverflow();
    void RestoreMemory();
    QString MemoryStringToSave() const;
    void drawMemoryCells();

    // Panels (panels.cpp)
    void PressLabel(int Button, MavoLabel3D *label, const QString &strName);
    bool StripShown() const;
    void lblMoveSize_MouseUp();
    void lblOptions_MouseUp();
    void Panel_MouseDown(MavoLabel3D *panel, int Button);
    void Panel_MouseUp(MavoLabel3D *panel);
    void CopyPanelText(MavoLabel3D *label, bool blnInWords);
    // Widens the panels and buttons of the upper row to their captions, and the window with them
    // (panelrow.cpp).
    void LayoutPanelRow();
    int captionFitWidth(const MavoLabel3D *label, const QString &caption) const;
    // Every push-label's press and release, from the mouse or from a key.
    void labelMouseDown(MavoLabel3D *label, int Button);
    void labelMouseUp(MavoLabel3D *label, int Button, float X);

    // Keyboard (keyboard.cpp). Key codes are Qt's; the modifier state is the sum 1 Shift, 2 Ctrl,
    // 4 Alt. Setting the key code to 0 consumes the key.
    void boxCalc_KeyDown(int &KeyCode, int &Shift);
    void boxCalc_KeyPress(int &KeyAscii);
    void boxCalc_KeyUp(int KeyCode, int Shift);
    void boxCalc_MouseUp(int Button);
    void SelectNumberAtClick();
    // 1 caret at the start, 2 caret at the end, 3 the whole text selected.
    void SetCaret(int intMode);

    // The 13 buttons a key can press.
    enum KeyButton {
        kKeyM, kKeyMPlus, kKeyMMinus, kKeyMR, kKeyMC, kKeyRound, kKeyMemMenu, kKeyMoveSize,
        kKeyMemoryLeft, kKeyMemoryRight, kKeyResultLeft, kKeyResultRight, kKeyOptions, kKeyButtons
    };
    std::array<bool, kKeyButtons> f_blnKeyDown{};
    bool anyKeyDown() const;
    MavoLabel3D *keyButtonLabel(KeyButton button) const;
    void pressFromKey(KeyButton button);
    // The three key handlers in their order; true when the field must not see the event.
    bool fieldKeyEvent(QKeyEvent *event);
    bool m_blnForwardingKey = false;
    bool f_blnEditKey = false;
    bool f_blnKeyRejected = false;
    qint32 f_lngPointDelay = 10;

    // Leading zero (pointrefresh.cpp)
    void TimerPointRefresh_Timer();

    // Undo and history (undo.cpp, history.cpp)
    // record true: the snapshot goes into the ring; false: the field's expression goes into the
    // history, unless the field is empty or the expression is the newest entry already.
    void RecordState(TextRing &ring, bool record);
    void StepState(TextRing &ring, bool forward, bool record);
    void takeSnapshot();
    TextEntry fieldState() const;
    void restoreEntry(const TextEntry &entry);
    void OpenHistoryWindow();
    void CopyHistorySelection();
    // The main window's side of the copy-back: the rounding digit and the expression, written
    // through the full cycle, wholly selected.
    void TakeHistoryExpression(const QString &roundDigit, const QString &expression);
    bool HistoryWindowProc(QEvent *event);
    bool HistoryFieldProc(QEvent *event);
    QPointer<frmTallyer> m_frmHistory;

    // Hints and the F1 greeting (hints.cpp)
    void connectHints();
    void ShowHint(const QString &strControl);
    void TimerMyToolTip_Timer();
    void TimerPressF1ForHelp_Timer();
    QString f_strHintControl;
    qint32 f_lngHintTicks = 0;
    qint32 f_lngF1Ticks = 0;
    bool f_blnTyped = false;
    QElapsedTimer f_tmrLastTyped; // since the last change of the text
    // Phase lengths in ticks (0 ... 6), their sum (7), and where the phase being drawn starts (8):
    // the last tick before it.
    std::array<qint32, 9> f_lngF1Phases{20, 45, 8, 8, 4, 4, 60, 149, 0};

    // Assistive tools (accessibility.cpp): names, descriptions and actions of the sheet and the
    // push-labels, and the result announced when typing pauses.
    void setupAccessibility();
    // The name a screen reader says for a push-label, in the interface language.
    QString spokenName(MavoLabel3D *label) const;

    // Window procedures (lifecycle.cpp)
    bool MainWindowProc(QEvent *event);
    bool MainFieldProc(QEvent *event);
    void RecreateCaret();
    void ReadFormPosition(float &sngLeft, float &sngTop) const;
    void ClampLeft(float &sngLeft) const;

    // Twips of the screen the window is on.
    double twipsX() const;
    double twipsY() const;
    // The caption bar's height in pixels (the window frame's top inset).
    int captionBarPixels() const;

    // Members of the sheet
    bool f_blnWriting = false;
    bool f_blnRestoring = false;
    bool f_blnEdited = false;
    qint16 f_intRows = 0;
    qint32 f_lngCaretAfterInsert = 0;
    QString f_strExpression;
    QString f_strLastText;
    QString f_strSnapText;
    qint32 f_lngSnapSelStart = 0;
    qint32 f_lngSnapSelLength = 0;
    quint8 f_bytSnapRound = 0;
    TextRing f_udtUndo{kUndoEntries};

    // Sub result cache: selected text, caption, rounding tag.
    bool f_blnSelection = false;
    struct SubResult
    {
        QString Sel;
        QString Caption;
        QString Round;
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

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void applyFieldSettings(bool blnFirstRun);
    bool singleCopyTest(bool blnFirstRun);
    bool localeTest();
    void HookWindow();
    void HookField();
    void UnhookWindow();
    void UnhookField();
    void setAlwaysOnTop(bool blnOnTop);
    void connectLabels();

    bool m_blnIsHistory = false; // created as the history window
    // True while the history window, modal to the program, is open over this main window: the
    // main window then records no moves and saves nothing when it ends.
    bool historyOpen() const { return m_blnIsHistory || m_frmHistory; }

    // Placement, in twips: the screen's work area, the strip's height, the rest of the window
    // beside the field, the strip and the caption bar, one row of the field, and the window's
    // last recorded position. The history window takes the main window's.
    struct Placement
    {
        qint32 screenWidth = 0;
        qint32 screenHeight = 0;
        float stripHeight = 0;
        float frameSpare = 0;
        float rowHeight = 0;
        float formLeft = 0;
        float formTop = 0;
    } m_placement;
    bool m_holdPosition = false;      // the window is being placed by the program
    qint32 m_clickPos = 0;            // the field's caret at the last left-button release
    bool m_blnHookedWindow = false;
    bool m_blnHookedField = false;
    bool m_blnUnloaded = false;
    SingleCopyChannel *m_channel = nullptr;
    // The option values in force: loaded on the first Form_Load, replaced by what the options
    // dialog returns. The history window takes the main window's.
    Options m_options;
    LocaleValues m_locale; // the user's number conventions, read once per cycle
};

// The window currently shown as the calculator's main window, if any.
frmTallyer *mainCalculatorWindow();

// Shows the options dialog modally, owned by the given window, on the window's current values;
// returns the values the dialog stored on OK, or nothing when it was cancelled. The program
// installs it at start; without one the options button opens nothing.
using OptionsDialogOpener = std::function<std::optional<Options>(QWidget *owner, const Options &current)>;
void setOptionsDialogOpener(OptionsDialogOpener opener);
