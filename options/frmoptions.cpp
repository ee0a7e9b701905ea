// The options dialog: its controls, loading, the checks of the text boxes, the key preview and
// the buttons. The about panel and the logo are in about.cpp.

#include "frmoptions.h"

#include "colorvalue.h"
#include "commondialog.h"
#include "datafolders.h"
#include "loadtext.h"
#include "textid.h"
#include "localevalues.h"
#include "messagesink.h"
#include "productinfo.h"
#include "settings.h"
#include "showhelp.h"
#include "texthelpers.h"
#include "wordsfile.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <tuple>

namespace {

// The flags the three common dialogs get.
constexpr qint32 kFontDialogFlags = 0x802143;  // screen and printer fonts, init from the font
                                               // description, effects, size limits, no script
constexpr qint32 kColorDialogFlags = 1;        // start on the given colour
constexpr qint32 kFileDialogFlags = 6;         // overwrite prompt, hide read-only

// The field's look that "By default" brings back. Not the store's defaults for missing values:
// this is the plain look of a system text box.
constexpr int kDefaultFontSize = 10;
constexpr quint32 kDefaultFontColor = 0x80000012u;  // system button text
constexpr quint32 kDefaultBackColor = 0x80000005u;  // system window background

constexpr int kMaxRowsLimit = 99;

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

// True when both files can be read and hold the same bytes. Words files are small; a file over
// the size a words file may have is never the same.
bool sameContents(const QString &pathA, const QString &pathB)
{
    QFile a(pathA), b(pathB);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size()
        || a.size() > kMaxTextFileBytes)
        return false;
    return a.readAll() == b.readAll();
}

// The number test of the row boxes: digits with an optional sign, decimal separator and
// exponent, blanks around. The separator is the user's, decimal (a "." is always taken too).
// True with the number in value.
bool NumericValue(const QString &text, const QString &decimal, double &value)
{
    QString sep = decimal;
    if (sep.isEmpty())
        sep = QStringLiteral(".");
    const QString seps = QRegularExpression::escape(sep)
        + (sep == QLatin1String(".") ? QString() : QStringLiteral("|\\."));
    const QRegularExpression re(QStringLiteral("^\\s*([+-]?)([0-9]*)(?:(?:%1)([0-9]*))?(?:[eE]([+-]?[0-9]+))?\\s*$")
                                    .arg(seps));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return false;
    QString number = m.captured(1) + (m.captured(2).isEmpty() ? QStringLiteral("0") : m.captured(2));
    if (!m.captured(3).isEmpty())
        number += QLatin1Char('.') + m.captured(3);
    if (!m.captured(4).isEmpty())
        number += QLatin1Char('e') + m.captured(4);
    bool ok = false;
    value = number.toDouble(&ok);
    // An exponent too large for a double reads as infinite; no range check lets that through.
    if (!ok && std::isinf(value))
        ok = true;
    return ok;
}

// The number a row box holds, or 0 when its text is no number.
double BoxValue(const QLineEdit *box, const QString &decimal)
{
    double value = 0;
    return NumericValue(box->text(), decimal, value) ? value : 0;
}

// A row box's text as the whole number it stands for; the boxes hold whole numbers once they
// have been checked.
qint32 WholeValue(const QLineEdit *box, const QString &decimal)
{
    const double value = std::trunc(std::fabs(BoxValue(box, decimal)));
    return value > 2147483647.0 ? 2147483647 : static_cast<qint32>(value);
}

void setBold(QLineEdit *box, bool bold)
{
    QFont font = box->font();
    font.setBold(bold);
    box->setFont(font);
}

// A caption that swaps its text for a hint must not change the dialog's size when it does.
void reserveWidth(QLabel *caption, const QString &a, const QString &b)
{
    const QFontMetrics fm(caption->font());
    caption->setMinimumWidth(qMax(fm.horizontalAdvance(a), fm.horizontalAdvance(b)) + 2);
}

// The folders words files are found in, in lookup order: each data folder holding one, and the
// user's own, created so that it can be opened before a file has been copied into it.
QStringList wordsFolders()
{
    const QString user = QDir::cleanPath(UserDataFolder());
    QDir().mkpath(user);
    QStringList folders;
    for (const QString &folder : DataFolders(programFolder())) {
        if (folder == user
            || !QDir(folder).entryList({QStringLiteral("InWords*.txt")}, QDir::Files | QDir::Readable).isEmpty())
            folders << folder;
    }
    return folders;
}

bool isFocusChangeWithinDialog(const QFocusEvent *event)
{
    // Switching to another window (the help window, another program) or opening a context menu
    // takes the focus away for a while only; the box is checked when the user really leaves it.
    return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}

} // namespace

frmOptions::frmOptions(const Options &options, QWidget *parent)
    : QDialog(parent)
    , m_options(options)
    , m_locale(ReadLocaleValues())
{
    buildControls();
    Form_Load();
}

frmOptions::~frmOptions() = default;

void frmOptions::buildControls()
{
    setObjectName(QStringLiteral("frmOptions"));

    frameOptions = new QGroupBox(this);
    chkAlwaysOnTop = new QCheckBox(frameOptions);
    chkAvail2 = new QCheckBox(frameOptions);
    chkKeepTape = new QCheckBox(frameOptions);
    lblRound = new QLabel(frameOptions);
    boxRound = new QLineEdit(frameOptions);
    lblMinRows = new QLabel(frameOptions);
    boxMinRows = new QLineEdit(frameOptions);
    lblMaxRows = new QLabel(frameOptions);
    boxMaxRows = new QLineEdit(frameOptions);
    lblInWordsFile = new QLabel(frameOptions);
    boxInWordsFile = new QLineEdit(frameOptions);
    btnChangeInWordsFile = new QPushButton(frameOptions);
    btnFont = new QPushButton(frameOptions);
    btnFontColor = new QPushButton(frameOptions);
    btnFontColor->setObjectName(QStringLiteral("btnFontColor"));
    btnBackColor = new QPushButton(frameOptions);
    btnDefault = new QPushButton(frameOptions);
    btnOK = new QPushButton(this);
    btnCancel = new QPushButton(this);
    btnHelp = new QPushButton(this);

    const std::pair<QObject *, const char *> names[] = {
        {frameOptions, "frameOptions"}, {chkAlwaysOnTop, "chkAlwaysOnTop"}, {chkAvail2, "chkAvail2"},
        {chkKeepTape, "chkKeepTape"},
        {lblRound, "lblRound"}, {boxRound, "boxRound"}, {lblMinRows, "lblMinRows"},
        {boxMinRows, "boxMinRows"}, {lblMaxRows, "lblMaxRows"}, {boxMaxRows, "boxMaxRows"},
        {lblInWordsFile, "lblInWordsFile"}, {boxInWordsFile, "boxInWordsFile"},
        {btnChangeInWordsFile, "btnChangeInWordsFile"}, {btnFont, "btnFont"},
        {btnBackColor, "btnBackColor"}, {btnDefault, "btnDefault"}, {btnOK, "btnOK"},
        {btnCancel, "btnCancel"}, {btnHelp, "btnHelp"},
    };
    for (const auto &[object, name] : names)
        object->setObjectName(QLatin1String(name));

    m_boxes = {{
        {boxRound, lblRound, TextId::RoundTo, TextId::RoundToRange, {}, {}},
        {boxMinRows, lblMinRows, TextId::MinRows, TextId::MinRowsRange, {}, {}},
        {boxMaxRows, lblMaxRows, TextId::MaxRows, TextId::MaxRowsRange, {}, {}},
        {boxInWordsFile, lblInWordsFile, TextId::InWords, TextId::ClickArrow, {}, {}},
    }};

    // The number boxes are as wide as a few bold digits; their captions stand to their right.
    QFont boldFont = boxRound->font();
    boldFont.setBold(true);
    const int numberWidth = QFontMetrics(boldFont).horizontalAdvance(QStringLiteral("0000")) + 14;
    for (QLineEdit *box : {boxRound, boxMinRows, boxMaxRows}) {
        box->setFixedWidth(numberWidth);
        box->setAlignment(Qt::AlignCenter);
    }
    boxInWordsFile->setMinimumWidth(QFontMetrics(boldFont).horizontalAdvance(
                                        QStringLiteral("InWordsDollars eng.txt")) + 14);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setColumnStretch(1, 1);
    int row = 0;
    for (const auto &[box, caption] : {std::pair{boxRound, lblRound}, std::pair{boxMinRows, lblMinRows},
                                       std::pair{boxMaxRows, lblMaxRows}}) {
        grid->addWidget(box, row, 0);
        grid->addWidget(caption, row, 1);
        caption->setBuddy(box);
        ++row;
    }

    auto *wordsRow = new QHBoxLayout;
    wordsRow->addWidget(boxInWordsFile, 1);
    wordsRow->addWidget(lblInWordsFile);
    wordsRow->addWidget(btnChangeInWordsFile);
    lblInWordsFile->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto *lookRow = new QHBoxLayout;
    for (QPushButton *button : {btnFont, btnFontColor, btnBackColor, btnDefault})
        lookRow->addWidget(button, 1);

    auto *optionsLayout = new QVBoxLayout(frameOptions);
    optionsLayout->addWidget(chkAlwaysOnTop);
    optionsLayout->addWidget(chkAvail2);
    optionsLayout->addWidget(chkKeepTape);
    optionsLayout->addSpacing(4);
    optionsLayout->addLayout(grid);
    optionsLayout->addSpacing(4);
    optionsLayout->addLayout(wordsRow);
    optionsLayout->addSpacing(4);
    optionsLayout->addLayout(lookRow);

    buildAbout();

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(btnHelp);
    buttonRow->addStretch(1);
    buttonRow->addWidget(btnOK);
    buttonRow->addWidget(btnCancel);

    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->addWidget(frameOptions);
    mainLayout->addWidget(frameAbout);
    mainLayout->addLayout(buttonRow);
    // A dialog of fixed size, just large enough for its texts in either language.
    mainLayout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &frmOptions::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmOptions::btnCancel_Click);
    connect(btnDefault, &QPushButton::clicked, this, &frmOptions::btnDefault_Click);
    connect(btnFont, &QPushButton::clicked, this, &frmOptions::btnFont_Click);
    connect(btnFontColor, &QPushButton::clicked, this, &frmOptions::btnFontColor_Click);
    connect(btnBackColor, &QPushButton::clicked, this, &frmOptions::btnBackColor_Click);
    connect(btnChangeInWordsFile, &QPushButton::clicked, this, &frmOptions::btnChangeInWordsFile_Click);
    connect(btnHelp, &QPushButton::clicked, this, &frmOptions::btnHelp_Click);

    // The dialog sees every key and every focus change of its controls before they do.
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

void frmOptions::Form_Load()
{
    // The captions in the program's language.
    frameOptions->setTitle(Text(TextId::Parameters));
    chkAlwaysOnTop->setText(Text(TextId::AlwaysOnTop));
    chkAvail2->setText(Text(TextId::ManyCopies));
    chkKeepTape->setText(Text(TextId::KeepTape));
    for (EditBox &edit : m_boxes) {
        const QString captionText = Text(edit.captionId);
        edit.caption->setText(captionText);
        reserveWidth(edit.caption, captionText, Text(edit.hintId));
    }
    btnChangeInWordsFile->setText(Text(TextId::ToChange));
    btnFont->setText(Text(TextId::Font));
    btnFontColor->setText(Text(TextId::TextColour));
    btnBackColor->setText(Text(TextId::Background));
    btnDefault->setText(Text(TextId::ByDefault));
    btnOK->setText(QStringLiteral("OK"));
    btnCancel->setText(Text(TextId::Cancel));
    btnHelp->setText(Text(TextId::Help));
    // Screen readers name a box after the caption beside it, which shows the range hint while the
    // box has the focus, and the words-file box after the frame ("Parameters"): give each box
    // its own name, with the range as its description.
    const std::tuple<QWidget *, TextId, TextId> spoken[] = {
        {boxRound, TextId::RoundTo, TextId::RoundToRange}, {boxMinRows, TextId::MinRows, TextId::MinRowsRange},
        {boxMaxRows, TextId::MaxRows, TextId::MaxRowsRange}, {boxInWordsFile, TextId::WordsFileName, TextId::WordsFileDescription},
        {btnChangeInWordsFile, TextId::ChooseWordsFile, TextId::None}};
    for (const auto &[widget, nameId, descriptionId] : spoken) {
        widget->setAccessibleName(Text(nameId));
        widget->setAccessibleDescription(descriptionId != TextId::None ? Text(descriptionId) : QString());
    }
    LoadAbout();

    // 2. Above every other window, whatever the main window's own setting. A dialog of fixed
    // size: a close button, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);

    // 3. The caption: the product name and "Options".
    setWindowTitle(QString::fromLatin1(ProductInfo::kProductName) + QStringLiteral(" - ") + Text(TextId::Options));

    // OK is the default button and can take the focus.
    btnOK->setDefault(true);
    btnOK->setFocusPolicy(Qt::StrongFocus);

    // 5. - 6. The working copy of the look, and the other values in the controls.
    f_udtAppearance = m_options.appearance;
    chkAlwaysOnTop->setChecked(m_options.alwaysOnTop);
    chkAvail2->setChecked(m_options.manyCopies);
    chkKeepTape->setChecked(m_options.keepTape);
    boxRound->setText(QString::number(m_options.roundTo));
    boxMinRows->setText(QString::number(m_options.minRows));
    boxMaxRows->setText(QString::number(m_options.maxRows));
    boxInWordsFile->setText(m_options.inWordsFile);

    // The dialog opens on the first check box.
    chkAlwaysOnTop->setFocus();
}

bool frmOptions::event(QEvent *event)
{
    // The first activation puts the focus on the first option. Coming back from the help window
    // or another program later leaves it where the user had it.
    if (event->type() == QEvent::WindowActivate && !m_activated) {
        m_activated = true;
        chkAlwaysOnTop->setFocus(Qt::ActiveWindowFocusReason);
    }
    return QDialog::event(event);
}

frmOptions::EditBox *frmOptions::editBox(QObject *watched)
{
    for (EditBox &edit : m_boxes) {
        if (edit.box == watched)
            return &edit;
    }
    return nullptr;
}

bool frmOptions::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
        return KeyPreview(watched, event);
    case QEvent::FocusIn:
        if (EditBox *edit = editBox(watched);
            edit && isFocusChangeWithinDialog(static_cast<QFocusEvent *>(event)))
            Box_GotFocus(*edit);
        return false;
    case QEvent::FocusOut:
        if (EditBox *edit = editBox(watched);
            edit && isFocusChangeWithinDialog(static_cast<QFocusEvent *>(event)))
            Box_LostFocus(*edit);
        return false;
    default:
        return AboutMouse(watched, event);
    }
}

void frmOptions::Box_GotFocus(EditBox &edit)
{
    edit.box->selectAll();
    // A click that brought the focus would put the caret where it landed; select once it is done.
    QTimer::singleShot(0, edit.box, [box = edit.box] {
        if (box->hasFocus())
            box->selectAll();
    });
    setBold(edit.box, true);
    edit.focusText = edit.box->text();
    edit.captionText = edit.caption->text();
    edit.caption->setText(Text(edit.hintId));
    m_editing = &edit;
}

void frmOptions::Box_LostFocus(EditBox &edit)
{
    if (m_editing != &edit)
        return;
    m_editing = nullptr;
    setBold(edit.box, false);
    if (!BoxTextValid(edit))
        edit.box->setText(edit.focusText);

    if (edit.box == boxMinRows || edit.box == boxMaxRows) {
        double value = 0;
        if (NumericValue(edit.box->text(), m_locale.decimalSeparator, value))
            edit.box->setText(QString::number(WholeValue(edit.box, m_locale.decimalSeparator)));
    }
    edit.caption->setText(edit.box == boxInWordsFile ? Text(edit.captionId) : edit.captionText);
}

bool frmOptions::BoxTextValid(const EditBox &edit) const
{
    const QString text = edit.box->text();
    double value = 0;
    if (edit.box == boxRound)
        return text.size() == 1 && text.at(0) >= u'0' && text.at(0) <= u'9';
    if (edit.box == boxMinRows)
        return NumericValue(text, m_locale.decimalSeparator, value) && value >= 1
            && value <= BoxValue(boxMaxRows, m_locale.decimalSeparator);
    if (edit.box == boxMaxRows)
        return NumericValue(text, m_locale.decimalSeparator, value) && value <= kMaxRowsLimit
            && BoxValue(boxMinRows, m_locale.decimalSeparator) <= value;
    // The words file is a bare name found in the data folders; a path to elsewhere is no such name.
    if (text.contains(u'/') || text.contains(u'\\'))
        return false;
    return FileExists(DataFilePath(text, programFolder()));
}

bool frmOptions::KeyPreview(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::InputMethod) {
        // Text composed by an input method is typed text too.
        if (watched == boxInWordsFile)
            return false;
        for (QChar ch : static_cast<QInputMethodEvent *>(event)->commitString()) {
            if (ch < u'0' || ch > u'9')
                return true;
        }
        return false;
    }

    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers shift = key->modifiers()
        & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (key->key() == Qt::Key_F1) {
        if (shift == Qt::NoModifier) {
            showHelpAt(2000);
            return true;
        }
        return false;
    }

    // Only typed characters are filtered: control characters (Enter, Escape, Backspace, Tab)
    // and shortcuts (Ctrl+V, Alt+F) act as usual.
    const QString text = key->text();
    if (text.isEmpty() || (shift & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const QChar ch = text.at(0);
    if (ch.category() == QChar::Other_Control || (ch >= u'0' && ch <= u'9'))
        return false;
    if (watched == boxInWordsFile)
        return false;
    // The space bar still presses buttons and ticks check boxes.
    if (ch == u' ' && qobject_cast<QAbstractButton *>(watched))
        return false;
    return true;
}

void frmOptions::showHelpAt(int context)
{
    // The help belongs to the main window, which owns the dialog.
    ShowHelp(parentWidget(), m_locale.helpFileName, HH_HELP_CONTEXT, context);
}

void frmOptions::btnHelp_Click()
{
    showHelpAt(1000);
}

void frmOptions::btnDefault_Click()
{
    f_udtAppearance.FontName = QStringLiteral("MS Sans Serif");
    f_udtAppearance.FontSize = kDefaultFontSize;
    f_udtAppearance.FontBold = false;
    f_udtAppearance.FontItalic = false;
    f_udtAppearance.FontColor = kDefaultFontColor;
    f_udtAppearance.BackColor = kDefaultBackColor;
}

void frmOptions::btnFont_Click()
{
    clsCommonDialog dlg;
    dlg.setFlags(kFontDialogFlags);
    dlg.setHwndOwner(this);
    dlg.setMin(8);
    dlg.setMax(50);
    dlg.setFontName(f_udtAppearance.FontName);
    dlg.setFontSize(f_udtAppearance.FontSize);
    dlg.setFontBold(f_udtAppearance.FontBold);
    dlg.setFontItalic(f_udtAppearance.FontItalic);
    dlg.setFontColor(f_udtAppearance.FontColor);
    dlg.ShowFont();
    if (dlg.APIReturn() != 1)
        return;
    f_udtAppearance.FontName = dlg.FontName();
    f_udtAppearance.FontSize = dlg.FontSize();
    f_udtAppearance.FontBold = dlg.FontBold();
    f_udtAppearance.FontItalic = dlg.FontItalic();
    f_udtAppearance.FontColor = dlg.FontColor();
}

// The text colour, which a font dialog with effects returns beside the font: chosen in the colour
// dialog, sharing the background's custom colours. The dialog starts on the colour the field
// shows, which a dark palette may have made black or white where the stored system colour would
// not read.
void frmOptions::btnFontColor_Click()
{
    clsCommonDialog dlg;
    dlg.setFlags(kColorDialogFlags);
    dlg.setHwndOwner(this);
    dlg.setColor(rgbValueFromColor(readableColors(f_udtAppearance.FontColor, f_udtAppearance.BackColor).text));
    dlg.setColorsCustom(f_udtAppearance.ColorsCustom);
    dlg.ShowColor();
    if (dlg.APIReturn() != 1)
        return;
    f_udtAppearance.FontColor = dlg.Color();
    f_udtAppearance.ColorsCustom = dlg.ColorsCustom();
}

void frmOptions::btnBackColor_Click()
{
    clsCommonDialog dlg;
    dlg.setFlags(kColorDialogFlags);
    dlg.setHwndOwner(this);
    dlg.setColor(f_udtAppearance.BackColor);
    dlg.setColorsCustom(f_udtAppearance.ColorsCustom);
    dlg.ShowColor();
    if (dlg.APIReturn() != 1)
        return;
    f_udtAppearance.BackColor = dlg.Color();
    f_udtAppearance.ColorsCustom = dlg.ColorsCustom();
}

void frmOptions::btnChangeInWordsFile_Click()
{
    clsCommonDialog dlg;
    dlg.setFlags(kFileDialogFlags);
    dlg.setHwndOwner(this);
    dlg.setFileDialogTitle(Text(TextId::WordsFileChoice));
    // The dialog starts in the folder of the saved words file (not of what the box holds now),
    // or in the user's words folder when that file is not found; the folders words files come
    // from are in its side bar.
    dlg.setFilePlaces(wordsFolders());
    const QString inUse = FindDataFile(m_options.inWordsFile, DataFolders(programFolder()));
    dlg.setFilePath(inUse.isEmpty() ? UserDataFolder() : QFileInfo(inUse).absolutePath());
    if (!m_options.inWordsFile.isEmpty()) {
        dlg.setFileFullName(dlg.FilePath() + QLatin1Char('/') + m_options.inWordsFile);
        dlg.setFileName(m_options.inWordsFile);
    }
    const QString filter = Text(TextId::WordsFilesFilter) + QStringLiteral(" (InWords*.txt)|InWords*.txt|")
        + Text(TextId::AllFilesFilter) + QStringLiteral(" (*.*)|*.*");
    dlg.setFileFilter(ReplaceAll(filter, QStringLiteral("|"), QString(QChar(0))));
    dlg.ShowOpenFile();
    if (dlg.APIReturn() == 1 && AdoptWordsFile(dlg.FileFullName()))
        boxInWordsFile->setText(dlg.FileName());
}

// The setting holds a bare name, found through the data folders. A file chosen from another
// folder is copied into the user's words folder, so that its name finds it. A different file of
// that name there is replaced only when the user says so. True when the name now finds the
// chosen file, or a file with the same bytes; otherwise the user has been told why not.
bool frmOptions::AdoptWordsFile(const QString &chosen)
{
    const QString name = QFileInfo(chosen).fileName();
    const QString found = FindDataFile(name, DataFolders(programFolder()));
    if (!found.isEmpty() && sameContents(found, chosen))
        return true;
    // The program's folder is searched before the user's: a file of that name there would win.
    const QString first = FindDataFile(name, {programFolder()});
    if (!first.isEmpty()) {
        showMessage(Text(TextId::WordsFileShadowed, {QStringLiteral("\n"), first}),
                    MessageIcon::Exclamation);
        return false;
    }

    const QString target = QDir(UserDataFolder()).filePath(name);
    if (QFileInfo::exists(target) && !sameContents(target, chosen)) {
        const QString question = Text(TextId::WordsFileReplace, {name, QStringLiteral("\n")});
        if (QMessageBox::question(this, QString::fromLatin1(ProductInfo::kProductName), question)
            != QMessageBox::Yes)
            return false;
    }
    // Copied beside its place first and then put in place, so a failed copy leaves the old file.
    QDir().mkpath(UserDataFolder());
    QFile source(chosen), part(target + QStringLiteral(".part")), old(target);
    part.remove();
    QString reason; // the system's words, when a step fails
    if (!source.copy(part.fileName()))
        reason = source.errorString();
    else if (old.exists() && !old.remove())
        reason = old.errorString();
    else if (!part.rename(target))
        reason = part.errorString();
    if (!reason.isEmpty()) {
        part.remove();
        showMessage(Text(TextId::WordsFileNotCopied, {QStringLiteral("\n"), target, reason}),
                    MessageIcon::Exclamation);
        return false;
    }
    return true;
}

void frmOptions::btnCancel_Click()
{
    reject();
}

void frmOptions::btnOK_Click()
{
    // 1. The box being edited is checked, and repaired, before anything is stored. Enter in a
    // box presses OK without the box losing the focus, and an inactive window gets no focus
    // events, so a box still unchecked is checked here.
    btnOK->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    if (m_editing)
        Box_LostFocus(*m_editing);

    // 2. - 3. The new values, stored in one write.
    m_options.appearance = f_udtAppearance;
    m_options.alwaysOnTop = chkAlwaysOnTop->isChecked();
    m_options.manyCopies = chkAvail2->isChecked();
    m_options.keepTape = chkKeepTape->isChecked();
    m_options.roundTo = WholeValue(boxRound, m_locale.decimalSeparator);
    m_options.minRows = WholeValue(boxMinRows, m_locale.decimalSeparator);
    m_options.maxRows = WholeValue(boxMaxRows, m_locale.decimalSeparator);
    m_options.inWordsFile = boxInWordsFile->text();
    m_options.save();

    // 4. - 5. The accepted result tells the main window to apply options().
    accept();
}
