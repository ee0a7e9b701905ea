#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <memory>

// What a chooser is asked and answers. Colours are colour values, red in the low byte. The
// initial Color may still be a system colour reference (high bit set): the Qt chooser shows the
// palette colour it stands for and always answers RGB.
struct ColorChoice
{
    quint32 Color = 0;
    std::array<quint32, 16> Custom{};
    qint32 flags = 0;
};

struct FontChoice
{
    QString FontName;
    double PointSize = 0; // points
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    bool FontStrikethru = false;
    quint32 FontColor = 0;
    qint32 Min = 0;
    qint32 Max = 0;
    qint32 flags = 0;
};

struct FileChoice
{
    QString Title;
    QString Folder;                 // the starting folder
    QStringList Places;             // folders put first in the side bar, for this call only
    QList<QPair<QString, QString>> Filters; // description, patterns (";"-separated)
    int FilterIndex = 0;            // 0-based, in and out
    QString DefaultExt;
    qint32 flags = 0;
    QString FullName;               // out: the chosen file
};

// The dialogs behind clsCommonDialog. The program uses the Qt dialogs; tests install their own
// chooser. Each call returns 1 for OK, 0 for cancel, anything else for a failure, with the
// failure's code in extendedError.
class CommonDialogChooser
{
public:
    virtual ~CommonDialogChooser() = default;
    virtual int chooseColor(QWidget *owner, ColorChoice &choice, qint32 &extendedError) = 0;
    virtual int chooseFont(QWidget *owner, FontChoice &choice, qint32 &extendedError) = 0;
    virtual int chooseOpenFile(QWidget *owner, FileChoice &choice, qint32 &extendedError) = 0;
    // Whether the existing file at path may be replaced (see SaveFileName); the program asks
    // with a question box.
    virtual bool confirmReplace(QWidget *owner, const QString &path);
};

// Installs the chooser every clsCommonDialog uses from now on; nullptr brings back the Qt dialogs.
// The caller keeps ownership.
void setCommonDialogChooser(CommonDialogChooser *chooser);

// The name a save dialog's answer is written under: the answer with suffix (".txt") added when
// it has none. The dialog asked about replacing the file it was answered with, not the one so
// named: when the suffix is added and that file exists, the chooser asks now. Empty when the
// answer is empty (cancelled) or the file may not be replaced.
QString SaveFileName(QWidget *owner, const QString &answer, const QString &suffix);

// The colour, font and open-file dialogs behind plain properties: set them, call ShowColor,
// ShowFont or ShowOpenFile, read the results back from the same properties.
//
// APIReturn is 1 after OK and 0 after a cancel or a failure; a failure also leaves its code in
// ExtendedError (0x3003 when the chosen path is longer than FileMaxSize). After anything but OK
// every property keeps its value. FileFilterIndex counts from 0 both ways, as the chooser does
// (a new object reads 0, the first filter); the platform's count from 1 is kept inside only.
//
// CancelError: when set, a cancelled dialog is reported through the Show* result, never as an
// exception: ShowColor returns kCancelColorError (with LastErrorDescription "Cancel Pressed"),
// ShowFont and ShowOpenFile return kCancelError. The result is 0 in every other case.
class clsCommonDialog
{
public:
    static constexpr qint32 kCancelColorError = static_cast<qint32>(0x8004037E);
    static constexpr qint32 kCancelError = 2001;

    clsCommonDialog();

    qint32 APIReturn() const;
    qint32 ExtendedError() const;
    bool CancelError() const;
    void setCancelError(bool value);
    qint32 flags() const;
    void setFlags(qint32 value);
    QWidget *hwndOwner() const;
    void setHwndOwner(QWidget *value);
    quint32 Color() const;
    void setColor(quint32 value);
    QString ColorsCustom() const;
    void setColorsCustom(const QString &value);
    qint32 Max() const;
    void setMax(qint32 value);
    qint32 Min() const;
    void setMin(qint32 value);
    bool FontBold() const;
    void setFontBold(bool value);
    bool FontItalic() const;
    void setFontItalic(bool value);
    bool FontStrikethru() const;
    void setFontStrikethru(bool value);
    bool FontUnderline() const;
    void setFontUnderline(bool value);
    quint32 FontColor() const;
    void setFontColor(quint32 value);
    QString FontName() const;
    void setFontName(const QString &value);
    qint32 FontSize() const;
    void setFontSize(qint32 value);
    qint16 FontPrinterHdc() const;
    void setFontPrinterHdc(qint16 value);
    QString FileDialogTitle() const;
    void setFileDialogTitle(const QString &value);
    QString FileName() const;
    void setFileName(const QString &value);
    QString FilePath() const;
    void setFilePath(const QString &value);
    QString FileFullName() const;
    void setFileFullName(const QString &value);
    QString FileFilter() const;
    void setFileFilter(const QString &value);
    qint16 FileFilterIndex() const;
    void setFileFilterIndex(qint16 value);
    QString FileDefaultExt() const;
    void setFileDefaultExt(const QString &value);
    qint32 FileMaxSize() const;
    void setFileMaxSize(qint32 value);
    // Folders the open-file dialog shows first in its side bar, beside the desktop's own places.
    QStringList FilePlaces() const;
    void setFilePlaces(const QStringList &value);

    qint32 ShowColor();
    qint32 ShowFont();
    qint32 ShowOpenFile();
    QString LastErrorDescription() const;

private:
    struct Data;
    std::shared_ptr<Data> d;
};
