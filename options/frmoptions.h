#pragma once

#include "localevalues.h"
#include "options.h"

#include "textid.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The options dialog: always-on-top, a second copy, the decimals, the row limits, the words file
// and the calculation field's font and colours, with the about panel (about.cpp) below.
// Everything is edited on working copies of the values it is given; only OK stores them into the
// settings store and accepts, and options() then gives them back to the caller to apply.
//
//   frmOptions dlg(current, mainWindow);
//   if (dlg.exec() == QDialog::Accepted)
//       current = dlg.options();
class frmOptions : public QDialog
{
    Q_OBJECT

public:
    explicit frmOptions(const Options &options, QWidget *parent = nullptr);
    ~frmOptions() override;

    // The values OK stored; before OK, the values the dialog was given.
    Options options() const { return m_options; }

    // The controls, by their names on the form.
    QGroupBox *frameOptions = nullptr;
    QCheckBox *chkAlwaysOnTop = nullptr;
    QCheckBox *chkAvail2 = nullptr;
    QCheckBox *chkKeepTape = nullptr;
    QLabel *lblRound = nullptr;
    QLineEdit *boxRound = nullptr;
    QLabel *lblMinRows = nullptr;
    QLineEdit *boxMinRows = nullptr;
    QLabel *lblMaxRows = nullptr;
    QLineEdit *boxMaxRows = nullptr;
    QLabel *lblInWordsFile = nullptr;
    QLineEdit *boxInWordsFile = nullptr;
    QPushButton *btnChangeInWordsFile = nullptr;
    QPushButton *btnFont = nullptr;
    QPushButton *btnFontColor = nullptr; // the field's text colour, which QFontDialog lacks
    QPushButton *btnBackColor = nullptr;
    QPushButton *btnDefault = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;

    QGroupBox *frameAbout = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblMaker = nullptr;
    QLabel *lblWWW = nullptr;
    QLabel *picLogo = nullptr;
    QTimer *optTimerMavoWave = nullptr;

    // The working copy of the field's look; taken into options() by OK only.
    udtAppearance f_udtAppearance;

    void btnOK_Click();
    void btnCancel_Click();
    void btnDefault_Click();
    void btnFont_Click();
    void btnFontColor_Click();
    void btnBackColor_Click();
    void btnChangeInWordsFile_Click();
    void btnHelp_Click();

    // About panel (about.cpp)
    void optTimerMavoWave_Timer();
    void lblWWW_Click();
    QString VersionText(bool withRevision) const;

    // The logo's growth: 0 when the dialog loads, 1 ... 10 while it comes into view, -1 once
    // it is whole and only loops.
    qint32 m_logoPhase = 0;
    // The logo's full width in twips (56 pixels).
    double m_logoWidth = 0;

    // The frame the logo shows at the next tick, 0 ... 7. It belongs to the run, not to one
    // dialog, so a reopened dialog goes on with the loop where the last one stopped.
    static int logoFrameIndex();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // One of the four text boxes with its caption and what it remembers while it has the focus.
    struct EditBox
    {
        QLineEdit *box = nullptr;
        QLabel *caption = nullptr;
        TextId captionId = TextId::None; // the caption's normal text
        TextId hintId = TextId::None;    // the caption while the box has the focus
        QString focusText;    // the box's text when it got the focus
        QString captionText;      // the caption's text while the hint replaces it
    };

    void buildControls();
    void buildAbout();
    void Form_Load();
    void LoadAbout();
    void PlaceLogo();

    EditBox *editBox(QObject *watched);
    void Box_GotFocus(EditBox &edit);
    void Box_LostFocus(EditBox &edit);
    bool BoxTextValid(const EditBox &edit) const;
    bool AdoptWordsFile(const QString &chosen);
    bool KeyPreview(QObject *watched, QEvent *event);
    bool AboutMouse(QObject *watched, QEvent *event);
    void showHelpAt(int context);

    Options m_options;
    LocaleValues m_locale; // the user's number conventions, read once when the dialog opens
    std::array<EditBox, 4> m_boxes;
    // The box that has the focus and has not been checked yet; OK checks it even when no focus
    // change reaches it (Enter in a box presses OK without leaving it).
    EditBox *m_editing = nullptr;
    bool m_activated = false;
    bool m_wwwPressed = false;

    // The eight logo frames, loaded anew whenever a dialog starts its logo; kept for the run.
    static std::array<QImage, 8> s_imgLogoFrames;
    static int s_logoFrame;
};
