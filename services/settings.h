#pragma once

#include "clsregistry.h"

#include <QJsonObject>
#include <QString>

#include <array>
#include <functional>

// The program's settings, declared once: name, kind and the default a missing value reads as.
// Every reader and writer goes through the helpers below, so no value name or default is
// repeated elsewhere.
//
//   const qint32 roundTo = Settings::readLong(Settings::RoundTo);
//   Settings::writeBool(Settings::F1Label, false);
namespace Settings {

// Every setting lives under this key of the current user's store.
inline constexpr char kKey[] = "SOFTWARE\\Mavo\\Tallyer";

enum class Kind {
    Boolean,   // integer, -1 true and 0 false; any non-zero value reads as true
    Integer,
    Colour,    // 32-bit colour value: RGB with red in the low byte, or 0x800000nn system colour
    Text,
};

// How a stored integer is mended on reading. A value another program or a hand edit left there
// may be anything a 32-bit integer holds; one the options could never have stored would make the
// window one pixel high or every key cost seconds.
enum class Rule {
    None,
    // Held to minimum ... maximum, the range the options dialog allows. For the row limits this also
    // covers the stored 0 that means "not set".
    OutsideRangeReadsAsDefault,
};

struct Setting
{
    const char *name;
    Kind kind;
    qint32 lngDefault = 0;        // Boolean, Integer and Colour settings
    const char *strDefault = "";  // Text settings
    Rule rule = Rule::None;
    qint32 minimum = 0;            // with OutsideRangeReadsAsDefault
    qint32 maximum = 0;
};

// A colour value is either RGB (high byte 0) or 0x800000nn, a system colour index the palette
// translation knows (0 ... 30 but 25, see label3d/colorvalue.h). Any other pattern reads as the
// setting's default.
bool isColourValue(quint32 ulngColour);

// Window positions in twips: the 16-bit pixel space of the desktop at 20 twips a pixel (72 DPI),
// so any position a screen can show, at any resolution in use, is inside.
inline constexpr qint32 kMaxPositionTwips = 32768 * 20;

// Colour values are unsigned 32-bit patterns but are stored as the 4-byte signed integer.
constexpr qint32 colourDefault(quint32 ulngColour) { return qint32(ulngColour); }

inline constexpr Setting AlwaysOnTop{"AlwaysOnTop", Kind::Boolean, -1};
inline constexpr Setting Available2{"Available2", Kind::Boolean, 0};
inline constexpr Setting BackColor{"BackColor", Kind::Colour, colourDefault(0x80000018u)};
// The colour dialog's custom colours as decimal numbers joined by "|"; the store keeps the text
// unchanged (the options dialog and start-up turn "|" into NUL and back).
inline constexpr Setting ColorsCustom{"ColorsCustom", Kind::Text, 0, ""};
inline constexpr Setting F1Label{"F1Label", Kind::Boolean, -1};
inline constexpr Setting FontName{"FontName", Kind::Text, 0, "Tahoma"};
inline constexpr Setting FontSize{"FontSize", Kind::Integer, 12, "", Rule::OutsideRangeReadsAsDefault, 8, 50};
inline constexpr Setting FontBold{"FontBold", Kind::Boolean, 0};
inline constexpr Setting FontItalic{"FontItalic", Kind::Boolean, 0};
inline constexpr Setting FontColor{"FontColor", Kind::Colour, colourDefault(0x80000012u)};
inline constexpr Setting FormLeft{"FormLeft", Kind::Integer, 0, "", Rule::OutsideRangeReadsAsDefault,
                                  -kMaxPositionTwips, kMaxPositionTwips};  // twips
inline constexpr Setting FormTop{"FormTop", Kind::Integer, 0, "", Rule::OutsideRangeReadsAsDefault,
                                 -kMaxPositionTwips, kMaxPositionTwips};   // twips
// The program's full path, written at shut-down for other tools; the program never reads it.
inline constexpr Setting FullName{"FullName", Kind::Text, 0, ""};
// A bare file name in the program's folder; start-up falls back to "InWordsDollars eng.txt".
inline constexpr Setting InWordsFile{"InWordsFile", Kind::Text, 0, ""};
// The sheet's text, caret and expression history are kept between runs ($XDG_STATE_HOME/tallyer).
inline constexpr Setting KeepTape{"KeepTape", Kind::Boolean, -1};
// MinRows is also held to MaxRows, which Options::load sees to (the pair is read there).
inline constexpr Setting MaxRows{"MaxRows", Kind::Integer, 10, "", Rule::OutsideRangeReadsAsDefault, 1, 99};
inline constexpr Setting MinRows{"MinRows", Kind::Integer, 1, "", Rule::OutsideRangeReadsAsDefault, 1, 99};
// Twelve fields joined by "|": cell name, panel value, then the values of M1 ... M10.
inline constexpr Setting MemoryString{"MemoryString", Kind::Text, 0, ""};
// The decimal separator and then the thousands separator the MemoryString values were saved in,
// so that they read back under other separators; empty for a MemoryString saved before it.
inline constexpr Setting MemorySeparators{"MemorySeparators", Kind::Text, 0, ""};
// The tapes opened or saved last, newest first, as absolute paths joined by line feeds.
inline constexpr Setting RecentTapes{"RecentTapes", Kind::Text, 0, ""};
inline constexpr Setting RoundTo{"RoundTo", Kind::Integer, 2, "", Rule::OutsideRangeReadsAsDefault, 0, 9};

inline constexpr std::array<const Setting *, 21> kAll{
    &AlwaysOnTop, &Available2, &BackColor, &ColorsCustom, &F1Label, &FontName,
    &FontSize, &FontBold, &FontItalic, &FontColor, &FormLeft, &FormTop,
    &FullName, &InWordsFile, &KeepTape, &MaxRows, &MinRows, &MemoryString, &MemorySeparators, &RecentTapes, &RoundTo,
};

// Reads give the setting's default when the value is missing, of the other kind or unusable;
// writes return false when the store could not be written (callers may ignore it: the failure
// handler below hears of it).
bool readBool(const Setting &setting, const clsRegistry &store = clsRegistry::instance());
qint32 readLong(const Setting &setting, const clsRegistry &store = clsRegistry::instance());
quint32 readColour(const Setting &setting, const clsRegistry &store = clsRegistry::instance());
QString readText(const Setting &setting, const clsRegistry &store = clsRegistry::instance());

bool writeBool(const Setting &setting, bool value, clsRegistry &store = clsRegistry::instance());
bool writeLong(const Setting &setting, qint32 lngValue, clsRegistry &store = clsRegistry::instance());
bool writeColour(const Setting &setting, quint32 ulngColour,
                 clsRegistry &store = clsRegistry::instance());
bool writeText(const Setting &setting, const QString &strValue,
               clsRegistry &store = clsRegistry::instance());

// Several settings written at once: one lock, one replacement of the file, all of them or none.
class Batch
{
public:
    void writeBool(const Setting &setting, bool value);
    void writeLong(const Setting &setting, qint32 lngValue);
    void writeColour(const Setting &setting, quint32 ulngColour);
    void writeText(const Setting &setting, const QString &strValue);
    bool commit(clsRegistry &store = clsRegistry::instance());

private:
    QJsonObject m_values;
};

// Told about the first write that fails after it is installed (a full disk, a read-only folder),
// with the store's file path, so that the user hears of it once per run. Returns the previous one.
using WriteFailureHandler = std::function<void(const QString &filePath)>;
WriteFailureHandler setWriteFailureHandler(WriteFailureHandler handler);

} // namespace Settings
