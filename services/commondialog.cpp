#include "commondialog.h"

#include <filenames.h>
#include <productinfo.h>

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QPalette>
#include <QScopeGuard>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

// The flag bits of the platform's dialogs that mean something here.
constexpr qint32 kColorRgbInit = 0x1;       // the colour dialog starts on Color (else black)
constexpr qint32 kFontScreenFonts = 0x1;
constexpr qint32 kFontPrinterFonts = 0x2;
constexpr qint32 kFontLimitSize = 0x2000;   // Min and Max bound the size
constexpr qint32 kFileMustExist = 0x1000;   // only an existing file can be chosen
constexpr qint32 kBufferTooSmall = 0x3003;  // extended error: the chosen path is longer than FileMaxSize

constexpr int kFaceNameLength = 32;
constexpr int kDefaultFileMaxSize = 255;
constexpr int kCustomColorCount = 16;
constexpr quint32 kWhite = 0xFFFFFF;
constexpr quint32 kSystemColorFlag = 0x80000000u;

QColor colorFromValue(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

quint32 valueFromColor(const QColor &color)
{
    return quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16;
}

// What the colour dialog starts on. The options dialog may hand over a stored background colour
// that is still a system colour reference (0x80000005 by default); the colour dialog knows only
// RGB, so the references the program stores are looked up in the application palette with the
// same roles the push-label draws them with. Any other reference starts on white. What comes back
// is always RGB, so a reference never survives a colour the user confirmed.
QColor initialColor(quint32 value)
{
    if (!(value & kSystemColorFlag))
        return colorFromValue(value);
    const QPalette palette = QApplication::palette();
    switch (value) {
    case 0x80000005u: return palette.color(QPalette::Active, QPalette::Base);
    case 0x8000000Fu: return palette.color(QPalette::Active, QPalette::Button);
    case 0x80000012u: return palette.color(QPalette::Active, QPalette::ButtonText);
    case 0x80000018u: return palette.color(QPalette::Active, QPalette::ToolTipBase);
    default: return QColor(Qt::white);
    }
}

// The program's own choosers: the Qt dialogs, never the desktop's native ones, so they behave
// alike everywhere. Each dialog lives on the stack for the one call; its owner is the modal
// options dialog, which cannot go away while a nested modal dialog runs.
class QtDialogChooser final : public CommonDialogChooser
{
public:
    int chooseColor(QWidget *owner, ColorChoice &choice, qint32 &) override
    {
        // The custom colours are the dialog's program-wide list; they are set before every call
        // and read back only on OK, so a cancelled edit of them is forgotten next time.
        for (int i = 0; i < kCustomColorCount; ++i)
            QColorDialog::setCustomColor(i, colorFromValue(choice.Custom[size_t(i)]));
        QColorDialog dialog(owner);
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        dialog.setCurrentColor((choice.flags & kColorRgbInit) ? initialColor(choice.Color)
                                                               : QColor(Qt::black));
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        choice.Color = valueFromColor(dialog.selectedColor());
        for (int i = 0; i < kCustomColorCount; ++i)
            choice.Custom[size_t(i)] = valueFromColor(QColorDialog::customColor(i));
        return 1;
    }

    // QFontDialog has neither a text colour nor a size range: FontColor passes through unchanged,
    // and with the limit flag a size outside Min..Max is clamped into it on the way out.
    int chooseFont(QWidget *owner, FontChoice &choice, qint32 &) override
    {
        QFont font = QApplication::font();
        if (!choice.FontName.isEmpty())
            font.setFamily(choice.FontName);
        if (choice.PointSize > 0)
            font.setPointSizeF(choice.PointSize);
        font.setBold(choice.FontBold);
        font.setItalic(choice.FontItalic);
        font.setUnderline(choice.FontUnderline);
        font.setStrikeOut(choice.FontStrikethru);
        QFontDialog dialog(font, owner);
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        const QFont chosen = dialog.selectedFont();
        double size = chosen.pointSizeF();
        if (size <= 0)
            size = QFontInfo(chosen).pointSizeF();
        if ((choice.flags & kFontLimitSize) && choice.Min > 0 && choice.Max >= choice.Min)
            size = std::clamp(size, double(choice.Min), double(choice.Max));
        choice.FontName = chosen.family();
        choice.PointSize = size;
        choice.FontBold = chosen.weight() >= QFont::Bold;
        choice.FontItalic = chosen.italic();
        choice.FontUnderline = chosen.underline();
        choice.FontStrikethru = chosen.strikeOut();
        return 1;
    }

    int chooseOpenFile(QWidget *owner, FileChoice &choice, qint32 &) override
    {
        QFileDialog dialog(owner, choice.Title, choice.Folder);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode((choice.flags & kFileMustExist) ? QFileDialog::ExistingFile
                                                            : QFileDialog::AnyFile);
        dialog.setDefaultSuffix(choice.DefaultExt);
        // The side bar is saved, when the dialog goes, into the file dialog settings every Qt
        // program shares; the places of this call are put back out before then.
        const QList<QUrl> sideBar = dialog.sidebarUrls();
        QList<QUrl> places;
        for (const QString &folder : choice.Places)
            places << QUrl::fromLocalFile(folder);
        for (const QUrl &url : sideBar) {
            if (!places.contains(url))
                places << url;
        }
        dialog.setSidebarUrls(places);
        const auto restoreSideBar = qScopeGuard([&dialog, sideBar] { dialog.setSidebarUrls(sideBar); });
        // Qt reads the patterns from the parentheses at the end of "Description (patterns)". A
        // description that already ends in its own patterns, as the words file filter does, is
        // taken as it stands, so they do not show twice.
        QStringList names;
        for (const auto &[description, patterns] : choice.Filters) {
            const QString details = u'(' + QString(patterns).replace(u';', u' ').simplified() + u')';
            names << (description.endsWith(details) ? description : description + u' ' + details);
        }
        if (!names.isEmpty()) {
            dialog.setNameFilters(names);
            dialog.selectNameFilter(names.value(choice.FilterIndex, names.constFirst()));
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return 0;
        choice.FullName = dialog.selectedFiles().constFirst();
        choice.FilterIndex = std::max(0, int(names.indexOf(dialog.selectedNameFilter())));
        return 1;
    }
};

CommonDialogChooser *g_chooser = nullptr;

CommonDialogChooser &chooser()
{
    static QtDialogChooser qtDialogs;
    return g_chooser ? *g_chooser : qtDialogs;
}

bool isSeparator(QChar c)
{
    return c == u'/' || c == u'\\';
}

// The longest leading run of an optional sign and digits (blanks before it skipped), 0 when
// there is none. A number beyond 32 bits keeps its low 32 bits.
quint32 leadingNumber(QStringView text)
{
    text = text.trimmed();
    const bool negative = text.startsWith(u'-');
    if (negative || text.startsWith(u'+'))
        text = text.mid(1);
    quint32 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + quint32(c.unicode() - u'0');
    }
    return negative ? 0u - value : value;
}

} // namespace

void setCommonDialogChooser(CommonDialogChooser *chooser)
{
    g_chooser = chooser;
}

bool CommonDialogChooser::confirmReplace(QWidget *owner, const QString &path)
{
    // The toolkit's own words, so its translations apply.
    const QString question = QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
                                 .arg(PrintableFileName(QFileInfo(path).fileName()));
    return QMessageBox::warning(owner, QString::fromLatin1(ProductInfo::kProductName), question,
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

QString SaveFileName(QWidget *owner, const QString &answer, const QString &suffix)
{
    if (answer.isEmpty() || !QFileInfo(answer).suffix().isEmpty())
        return answer;
    const QString path = answer + suffix;
    if (QFileInfo::exists(path) && !chooser().confirmReplace(owner, path))
        return {};
    return path;
}

struct clsCommonDialog::Data
{
    qint32 apiReturn = 0;
    qint32 extendedError = 0;
    bool cancelError = false;
    qint32 flags = 0;
    QPointer<QWidget> owner;
    quint32 color = 0; // Color and FontColor
    QList<quint32> customColors;
    qint32 max = 0;
    qint32 min = 0;
    bool fontBold = false;
    bool fontItalic = false;
    bool fontStrikethru = false;
    bool fontUnderline = false;
    QString fontName;
    qint32 fontSize = 0;
    qint16 fontPrinterHdc = 0;
    QString fileDialogTitle;
    QString fileName;
    QString filePath;
    QString fileFullName;
    QString fileFilter;
    int fileFilterIndex = 1; // the platform's count from 1; a new object reads 0, the first filter
    QString fileDefaultExt;
    qint32 fileMaxSize = 0;
    QStringList filePlaces;
    QString lastErrorDescription;

    void begin()
    {
        apiReturn = 0;
        extendedError = 0;
        lastErrorDescription.clear();
    }

    // The outcome of a dialog that did not return OK: cancel, or a failure with its extended
    // error. A cancel is an error for the caller only when CancelError is set.
    qint32 notOk(int result, qint32 error, qint32 cancelNumber, const QString &description)
    {
        if (result != 0) {
            extendedError = error;
            return 0;
        }
        if (!cancelError)
            return 0;
        lastErrorDescription = description;
        return cancelNumber;
    }
};

clsCommonDialog::clsCommonDialog() : d(std::make_shared<Data>()) {}

qint32 clsCommonDialog::APIReturn() const { return d->apiReturn; }
qint32 clsCommonDialog::ExtendedError() const { return d->extendedError; }
bool clsCommonDialog::CancelError() const { return d->cancelError; }
void clsCommonDialog::setCancelError(bool value) { d->cancelError = value; }
qint32 clsCommonDialog::flags() const { return d->flags; }
void clsCommonDialog::setFlags(qint32 value) { d->flags = value; }
QWidget *clsCommonDialog::hwndOwner() const { return d->owner; }
void clsCommonDialog::setHwndOwner(QWidget *value) { d->owner = value; }
quint32 clsCommonDialog::Color() const { return d->color; }
void clsCommonDialog::setColor(quint32 value) { d->color = value; }

QString clsCommonDialog::ColorsCustom() const
{
    QStringList parts;
    for (quint32 value : d->customColors)
        parts << QString::number(value);
    return parts.join(QChar(0));
}

// An empty text is an empty list, not one colour 0.
void clsCommonDialog::setColorsCustom(const QString &value)
{
    d->customColors.clear();
    if (value.isEmpty())
        return;
    for (QStringView part : QStringView(value).split(QChar(0)))
        d->customColors << leadingNumber(part);
}

qint32 clsCommonDialog::Max() const { return d->max; }
void clsCommonDialog::setMax(qint32 value) { d->max = value; }
qint32 clsCommonDialog::Min() const { return d->min; }
void clsCommonDialog::setMin(qint32 value) { d->min = value; }
bool clsCommonDialog::FontBold() const { return d->fontBold; }
void clsCommonDialog::setFontBold(bool value) { d->fontBold = value; }
bool clsCommonDialog::FontItalic() const { return d->fontItalic; }
void clsCommonDialog::setFontItalic(bool value) { d->fontItalic = value; }
bool clsCommonDialog::FontStrikethru() const { return d->fontStrikethru; }
void clsCommonDialog::setFontStrikethru(bool value) { d->fontStrikethru = value; }
bool clsCommonDialog::FontUnderline() const { return d->fontUnderline; }
void clsCommonDialog::setFontUnderline(bool value) { d->fontUnderline = value; }
quint32 clsCommonDialog::FontColor() const { return d->color; }
void clsCommonDialog::setFontColor(quint32 value) { d->color = value; }
QString clsCommonDialog::FontName() const { return d->fontName; }
void clsCommonDialog::setFontName(const QString &value) { d->fontName = value; }
qint32 clsCommonDialog::FontSize() const { return d->fontSize; }
void clsCommonDialog::setFontSize(qint32 value) { d->fontSize = value; }
qint16 clsCommonDialog::FontPrinterHdc() const { return d->fontPrinterHdc; }
void clsCommonDialog::setFontPrinterHdc(qint16 value) { d->fontPrinterHdc = value; }
QString clsCommonDialog::FileDialogTitle() const { return d->fileDialogTitle; }
void clsCommonDialog::setFileDialogTitle(const QString &value) { d->fileDialogTitle = value; }
QString clsCommonDialog::FileName() const { return d->fileName; }
void clsCommonDialog::setFileName(const QString &value) { d->fileName = value; }
QString clsCommonDialog::FilePath() const { return d->filePath; }

// Trailing separators go, "/" and "\" alike, but the root "/" stays the root.
void clsCommonDialog::setFilePath(const QString &value)
{
    QString path = value;
    while (path.size() > 1 && isSeparator(path.back()))
        path.chop(1);
    d->filePath = path;
}

QString clsCommonDialog::FileFullName() const { return d->fileFullName; }
void clsCommonDialog::setFileFullName(const QString &value) { d->fileFullName = value; }
QString clsCommonDialog::FileFilter() const { return d->fileFilter; }

void clsCommonDialog::setFileFilter(const QString &value)
{
    QString filter = value;
    while (filter.endsWith(QChar(0)))
        filter.chop(1);
    d->fileFilter = filter + QChar(0);
}

qint16 clsCommonDialog::FileFilterIndex() const { return qint16(d->fileFilterIndex - 1); }
void clsCommonDialog::setFileFilterIndex(qint16 value) { d->fileFilterIndex = value + 1; }
QString clsCommonDialog::FileDefaultExt() const { return d->fileDefaultExt; }
void clsCommonDialog::setFileDefaultExt(const QString &value) { d->fileDefaultExt = value; }
qint32 clsCommonDialog::FileMaxSize() const { return d->fileMaxSize; }
void clsCommonDialog::setFileMaxSize(qint32 value) { d->fileMaxSize = value; }
QStringList clsCommonDialog::FilePlaces() const { return d->filePlaces; }
void clsCommonDialog::setFilePlaces(const QStringList &value) { d->filePlaces = value; }
QString clsCommonDialog::LastErrorDescription() const { return d->lastErrorDescription; }

qint32 clsCommonDialog::ShowColor()
{
    d->begin();
    ColorChoice choice;
    choice.Color = d->color;
    choice.flags = d->flags;
    // Always exactly sixteen, and an unset (0) entry shows as white, not as black.
    for (int i = 0; i < kCustomColorCount; ++i) {
        const quint32 value = d->customColors.value(i);
        choice.Custom[size_t(i)] = value ? value : kWhite;
    }
    qint32 error = 0;
    const int result = chooser().chooseColor(d->owner, choice, error);
    if (result != 1)
        return d->notOk(result, error, kCancelColorError, QStringLiteral("Cancel Pressed"));
    d->apiReturn = 1;
    d->color = choice.Color;
    d->customColors = QList<quint32>(choice.Custom.cbegin(), choice.Custom.cend());
    return 0;
}

qint32 clsCommonDialog::ShowFont()
{
    d->begin();
    FontChoice choice;
    choice.FontName = d->fontName.left(kFaceNameLength);
    choice.PointSize = d->fontSize;
    choice.FontBold = d->fontBold;
    choice.FontItalic = d->fontItalic;
    choice.FontUnderline = d->fontUnderline;
    choice.FontStrikethru = d->fontStrikethru;
    choice.FontColor = d->color;
    choice.Min = d->min;
    choice.Max = d->max;
    // Printer fonts need a printer; with neither kind asked for, the screen's fonts are meant.
    choice.flags = d->flags;
    if (d->fontPrinterHdc == 0)
        choice.flags &= ~kFontPrinterFonts;
    if (!(choice.flags & (kFontScreenFonts | kFontPrinterFonts)))
        choice.flags |= kFontScreenFonts;
    qint32 error = 0;
    const int result = chooser().chooseFont(d->owner, choice, error);
    if (result != 1)
        return d->notOk(result, error, kCancelError, QString());
    d->apiReturn = 1;
    d->fontName = choice.FontName;
    // The size comes back in tenths of a point; whole points round halves to even
    // (nearbyint in the default rounding mode), so 10.5 gives 10 and 11.5 gives 12.
    const int tenths = qRound(choice.PointSize * 10);
    d->fontSize = qint32(std::nearbyint(tenths / 10.0));
    d->fontBold = choice.FontBold;
    d->fontItalic = choice.FontItalic;
    d->fontUnderline = choice.FontUnderline;
    d->fontStrikethru = choice.FontStrikethru;
    d->color = choice.FontColor;
    return 0;
}

qint32 clsCommonDialog::ShowOpenFile()
{
    d->begin();
    FileChoice choice;
    choice.Title = d->fileDialogTitle;
    choice.Folder = d->filePath;
    choice.Places = d->filePlaces;
    choice.FilterIndex = d->fileFilterIndex - 1;
    choice.DefaultExt = d->fileDefaultExt;
    choice.flags = d->flags;
    // Description and pattern alternate; an empty entry (a double NUL) ends the list, and a
    // description without its pattern is dropped.
    const QStringList parts = d->fileFilter.split(QChar(0));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() || parts[i + 1].isEmpty())
            break;
        choice.Filters.append({parts[i], parts[i + 1]});
    }
    // choice.FullName stays empty: a FileName set beforehand never preselects a file.
    qint32 error = 0;
    int result = chooser().chooseOpenFile(d->owner, choice, error);
    const QString fullName = choice.FullName.section(QChar(0), 0, 0);
    const qint32 maxSize = d->fileMaxSize < 1 ? kDefaultFileMaxSize : d->fileMaxSize;
    if (result == 1 && fullName.size() > maxSize) {
        // The path does not fit the caller's buffer: a failure, never a cut-off name.
        result = -1;
        error = kBufferTooSmall;
    }
    if (result != 1)
        return d->notOk(result, error, kCancelError, QString());
    d->apiReturn = 1;
    d->fileFullName = fullName;
    const qsizetype slash = fullName.lastIndexOf(u'/');
    d->fileName = fullName.mid(slash + 1);
    d->filePath = slash < 0 ? QString() : slash == 0 ? QStringLiteral("/") : fullName.left(slash);
    d->fileFilterIndex = choice.FilterIndex + 1;
    return 0;
}
