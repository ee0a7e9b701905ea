#pragma once

#include <QCursor>
#include <QFont>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QTimer;

// The push-label: a rectangular surface with a caption label (lbl0) inside margins and a one- or
// two-pixel 3D edge round it. Every button and panel of the main window is one of these.
//
// Its state is nothing but the edge code drawn now (CurrentEffect): it is down when that equals
// SpecialEffectOnDown, up when it equals SpecialEffectOnUp, normal when it equals
// SpecialEffectOnNormal. When two codes are equal, two states are true at once, and the mouse
// logic follows those comparisons: with all three equal (a new control) a press raises MouseDown
// but never arms Click.
//
// The container listens to the signals. Button and Shift use the program's codes (Button 1 left,
// 2 right, 4 middle, combined while moving; Shift 1 Shift, 2 Ctrl, 4 Alt); X and Y are in the
// container's units, twips. MouseDown is emitted before the control goes down, so a handler can
// still change CaptionShiftOnDown for this press. MouseUp is emitted for a release of any button
// while the control counts as down (IsDown), before it comes up; a release after the pointer was
// dragged off raises none. Click follows MouseUp, only after a press that put the control down.
//
// Keyboard presses are driven through the interface: setMouseEventsSkip(true) then GoDown() on
// key down, setMouseEventsSkip(false) on key up (which makes the control normal again).
//
// Edge codes: 0 none, 1 flat one-pixel shadow ring, 2 raised, 3 sunken, 4 etched (two pixels),
// 5 thin raised, 6 thin sunken (one pixel); any other value draws no edge. The rings use the
// application palette's Light, Midlight, Dark and Shadow colours.
//
// Margins are in twips; colours are colour values (see colorvalue.h), resolved when drawn.
class MavoLabel3D : public QWidget
{
    Q_OBJECT

    Q_CLASSINFO("SpecialEffectOnDown", "Returns/sets the bolder style type for an object if IsDown.")
    Q_CLASSINFO("SpecialEffectOnUp", "Returns/sets the bolder style type for an object if IsUp.")
    Q_CLASSINFO("TextAlign", "Returns/sets the alignment of a control's text.")
    Q_CLASSINFO("MarginTop", "Returns/sets the top margin.")
    Q_CLASSINFO("MarginLeft", "Returns/sets the left margin.")
    Q_CLASSINFO("MarginRight", "Returns/sets the right margin.")
    Q_CLASSINFO("MarginBottom", "Returns/sets the bottom margin.")

    Q_PROPERTY(WId hWnd READ hWnd STORED false DESIGNABLE false)
    Q_PROPERTY(int SpecialEffectOnNormal READ SpecialEffectOnNormal WRITE setSpecialEffectOnNormal)
    Q_PROPERTY(int SpecialEffectOnDown READ SpecialEffectOnDown WRITE setSpecialEffectOnDown)
    Q_PROPERTY(int SpecialEffectOnUp READ SpecialEffectOnUp WRITE setSpecialEffectOnUp)
    Q_PROPERTY(int TextAlign READ TextAlign WRITE setTextAlign)
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledFlag)
    Q_PROPERTY(QFont Font READ Font WRITE setFontObject)
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(QCursor MouseIcon READ MouseIcon WRITE setMouseIcon RESET resetMouseIcon)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE setMousePointer)
    Q_PROPERTY(int CaptionShiftOnDown READ CaptionShiftOnDown WRITE setCaptionShiftOnDown)
    Q_PROPERTY(int ForMouseButton READ ForMouseButton WRITE setForMouseButton)
    Q_PROPERTY(int MarginTop READ MarginTop WRITE setMarginTop)
    Q_PROPERTY(int MarginLeft READ MarginLeft WRITE setMarginLeft)
    Q_PROPERTY(int MarginRight READ MarginRight WRITE setMarginRight)
    Q_PROPERTY(int MarginBottom READ MarginBottom WRITE setMarginBottom)
    Q_PROPERTY(bool IsNormal READ IsNormal STORED false DESIGNABLE false)
    Q_PROPERTY(bool IsDown READ IsDown STORED false DESIGNABLE false)
    Q_PROPERTY(bool IsUp READ IsUp STORED false DESIGNABLE false)

public:
    // Edge codes (SpecialEffectOnNormal, ...OnDown, ...OnUp).
    enum Edge { EdgeNone = 0, EdgeFlat = 1, EdgeRaised = 2, EdgeSunken = 3, EdgeEtched = 4, EdgeThinRaised = 5,
                EdgeThinSunken = 6 };
    // Caption alignment codes (TextAlign).
    enum Align { AlignLeftCode = 1, AlignCentreCode = 2, AlignRightCode = 3 };
    // Which buttons press the control (ForMouseButton).
    enum PressedBy { PressedByNone = 0, PressedByLeft = 1, PressedByLeftOrRight = 2 };
    // Button codes of MouseDown and MouseUp.
    enum Button { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
    // CaptionShiftOnDown bits.
    enum CaptionShift { ShiftRight = 1, ShiftDown = 2 };

public:
    // MousePointer 99 shows MouseIcon; the other codes are the standard pointer shapes.
    static constexpr int kMousePointerCustom = 99;

    // A new control has the creation values: caption "MavoLabel3D", margins top 30, left 45,
    // right 45, bottom 30 twips, all three edge codes 1, left alignment, no mouse button.
    explicit MavoLabel3D(QWidget *parent = nullptr);
    ~MavoLabel3D() override;

    // The native window the surface draws into. Qt widgets are windowless by default, so this is
    // the form's window handle (0 before the form is shown); reading it never makes the surface
    // a native window of its own.
    WId hWnd() const;

    int SpecialEffectOnNormal() const { return m_specialEffectOnNormal; }
    // Also makes the control normal, drawn with the new code.
    void setSpecialEffectOnNormal(int code);
    int SpecialEffectOnDown() const { return m_specialEffectOnDown; }
    void setSpecialEffectOnDown(int code); // no redraw: seen at the next change of state
    int SpecialEffectOnUp() const { return m_specialEffectOnUp; }
    void setSpecialEffectOnUp(int code);   // no redraw

    // 1 left, 2 centre, 3 right. Any other value written leaves the alignment as it was.
    int TextAlign() const;
    void setTextAlign(int align);

    quint32 BackColor() const { return m_backColor; }
    void setBackColor(quint32 colorValue);
    QString Caption() const;
    void setCaption(const QString &caption);

    // The caption's enabled flag: a disabled control shows a greyed caption and ignores the
    // mouse. Deliberately not QWidget::setEnabled: the surface keeps receiving mouse events so
    // that the release of a press held while it was disabled still clears the press.
    bool Enabled() const;
    void setEnabledFlag(bool enabled);

    // The caption's font; it is set on the surface as well, which measures the caption.
    QFont Font() const;
    void setFontObject(const QFont &font);

    quint32 ForeColor() const { return m_foreColor; }
    void setForeColor(quint32 colorValue);

    // The custom pointer shown with MousePointer 99 (a pixmap cursor or a shape, such as the
    // pointing hand). The arrow is returned while none is set.
    QCursor MouseIcon() const;
    bool hasMouseIcon() const { return m_mouseIcon.has_value(); }
    void setMouseIcon(const QCursor &cursor);
    void resetMouseIcon();

    // Pointer shape code (16-bit range; writes outside it are ignored): 0 the container's pointer,
    // 1 arrow, 2 cross, 3 I-beam, 4 arrow, 5 size all, 6 size NE-SW, 7 size N-S, 8 size NW-SE,
    // 9 size W-E, 10 up arrow, 11 hourglass, 12 no drop, 13 arrow and hourglass, 14 arrow and
    // question mark, 15 size all, 99 MouseIcon. Other codes show the container's pointer.
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int code);

    // Bit 1: move the caption one pixel right while down, bit 2: one pixel down. Each shift needs
    // at least two pixels of the margin on that side.
    int CaptionShiftOnDown() const { return m_captionShiftOnDown; }
    void setCaptionShiftOnDown(int bits);

    // Which buttons press the control: 0 none (it still shows the up state while hovered), 1 the
    // left button, 2 the left or the right button.
    int ForMouseButton() const { return m_forMouseButton; }
    void setForMouseButton(int which);

    // Margins in twips. Writing one fits the margins of that axis round the caption's text
    // extent, which may change the opposite margin too (see FitMargins).
    int MarginTop() const { return m_marginTop; }
    void setMarginTop(int twips);
    int MarginLeft() const { return m_marginLeft; }
    void setMarginLeft(int twips);
    int MarginRight() const { return m_marginRight; }
    void setMarginRight(int twips);
    int MarginBottom() const { return m_marginBottom; }
    void setMarginBottom(int twips);

    // Write-only: while set the mouse is ignored. Either value stops pointer tracking and makes
    // the control normal.
    void setMouseEventsSkip(bool skip);

    bool IsNormal() const { return m_currentEffect == m_specialEffectOnNormal; }
    bool IsDown() const { return m_currentEffect == m_specialEffectOnDown; }
    bool IsUp() const { return m_currentEffect == m_specialEffectOnUp; }

    Q_INVOKABLE void GoNormal();
    Q_INVOKABLE void GoDown();
    Q_INVOKABLE void GoUp();
    // Draws the control even when nothing changed since the last drawing.
    Q_INVOKABLE void Refresh();
    // True when the screen pointer lies inside the surface's rectangle.
    Q_INVOKABLE bool MouseInRect() const;

    // What assistive tools are told about the control. Only the container knows what a control is
    // for, so it answers: the name to speak (where the caption is a symbol such as ">>"), the
    // description (the hint), and in words what a left press (PressAction) and a right press
    // (AlternateAction) do. Without an answer the name is the caption and the description the
    // tooltip; without an AlternateAction the right button offers no action of its own.
    enum class AccessibleText { Name, Description, PressAction, AlternateAction };
    using AccessibleTextSource = std::function<QString(AccessibleText)>;
    void setAccessibleTextSource(AccessibleTextSource source);
    QString accessibleText(AccessibleText kind) const;

    // A click of a button (1 left, 2 right) as the mouse gives it: MouseDown, MouseUp and Click
    // with the states in between, subject to the same conditions. Assistive tools press a control
    // this way, without the pointer on it, so the control ends normal.
    void clickButton(int Button);

    // Design-time storage in a property bag (name -> value). Reading: an absent name gives the
    // reading default (for the colours and the font, the container's), an unreadable value is
    // skipped, margins are taken as stored, and the control ends normal. Writing: values equal to
    // their writing default (the text colour's is button text, not the container's) are left
    // out, and removed from the bag. "TextAlign" is stored as the caption's own code: 0 left,
    // 1 right, 2 centre.
    void ReadProperties(const QVariantMap &PropBag);
    void WriteProperties(QVariantMap &PropBag) const;

    // The container's colours and font, which new and loaded controls default to. A container may
    // declare its own "BackColor" and "ForeColor" colour values as (dynamic) properties; without
    // them they are the button face and button text references.
    quint32 ambientBackColor() const;
    quint32 ambientForeColor() const;
    QFont ambientFont() const;

signals:
    void Click();
    void DblClick();
    void MouseDown(qint16 Button, qint16 Shift, float X, float Y);
    void MouseMove(qint16 Button, qint16 Shift, float X, float Y);
    void MouseUp(qint16 Button, qint16 Shift, float X, float Y);

    // The host's notice that a design-time property was written.
    void PropertyChanged(const QString &PropertyName);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    // With the keyboard focus (a container that lets Tab reach the control), Space, Enter and
    // Return press it with the left button, and a focus frame is drawn inside its edges.
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the last redraw drew, in pixels for the size and twips for the margins. Every handled
    // mouse move asks for a redraw; comparing with this turns the unchanged ones into nothing.
    struct DrawnState
    {
        int alignment = 0;          // caption label's own code: 0 left, 1 right, 2 centre
        quint32 backColor = 0;      // as stored, not translated
        QString caption;
        int captionShift = 0;
        quint32 foreColor = 0;
        int height = 0;
        int marginTop = 0;
        int marginLeft = 0;
        int marginRight = 0;
        int marginBottom = 0;
        int effect = 0;
        int width = 0;
        bool operator==(const DrawnState &) const = default;
    };

    enum class Side { Bottom = 0, Left = 1, Right = 2, Top = 3 };

    int CurrentEffect() const { return m_currentEffect; }
    void setCurrentEffect(int code);

    // The mouse logic, positions in surface pixels. The caption label's events arrive here too.
    void handleMouseDown(qint16 Button, qint16 Shift, QPointF pos);
    void handleMouseMove(qint16 Button, qint16 Shift, QPointF pos);
    void handleMouseUp(qint16 Button, qint16 Shift, QPointF pos);
    void handleClick();
    void handleDblClick();
    void handleMouseMoveTimer();
    void dispatchMouseEvent(QMouseEvent *event, QPointF surfacePos);
    bool answersButton(int Button) const;

    qint32 TranslateColor(quint32 colorValue) const;
    void Redraw(bool Force);
    void FitMargins(Side side);
    DrawnState currentState() const;
    void placeCaption(const DrawnState &state);
    void paintSurface(QPainter &painter) const;

    // The accessibility interface (mavolabel3d_accessible.cpp), installed with the first control.
    static void installAccessibility();
    // Tell assistive tools, if any listen, what a new caption changed (the text, and the name
    // where it follows the caption) and that the enabled state changed.
    void notifyCaptionChanged(const QString &before, const QString &nameBefore);
    void notifyEnabledChanged();

    int captionAlignmentCode() const;
    void setCaptionAlignmentCode(int code);
    void applyForeColor();
    void applyPointer();
    QSize captionTextExtent() const;

    QLabel *lbl0 = nullptr;
    QTimer *tmrMouseMove = nullptr;

    bool Drawing = false;
    bool ClickArmed = false;
    bool Pressed = false;
    bool MouseEventsSkip = false;
    int m_marginTop = 30;
    int m_marginLeft = 45;
    int m_marginRight = 45;
    int m_marginBottom = 30;
    int m_captionShiftOnDown = 0;
    int m_forMouseButton = 0;
    int m_specialEffectOnDown = 1;
    int m_specialEffectOnNormal = 1;
    int m_specialEffectOnUp = 1;
    int m_currentEffect = 1;
    std::optional<DrawnState> LastDrawn; // empty until the first redraw

    // Held for the caption label, which is transparent: the surface's fill shows the back colour.
    quint32 m_backColor = 0;
    quint32 m_foreColor = 0;
    std::optional<QCursor> m_mouseIcon;
    int m_mousePointer = 0;

    AccessibleTextSource m_accessibleTextSource;

    bool m_inPaintEvent = false;
    // The button of a press that may still become a click (a lone press on this control).
    Qt::MouseButton m_clickButton = Qt::NoButton;
};
