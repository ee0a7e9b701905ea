#pragma once

#include "clsregistry.h"

#include <QString>

// The look of the calculation field: the main window's copy of the field settings, and the
// options dialog's working copy.
struct udtAppearance
{
    QString FontName;
    int FontSize = 12;
    bool FontBold = false;
    bool FontItalic = false;
    quint32 FontColor = 0x80000012u;
    quint32 BackColor = 0x80000018u;
    QString ColorsCustom; // colour values joined by NUL characters

    bool operator==(const udtAppearance &) const = default;
};

// The values the options dialog edits: the main window keeps one copy, hands it to the dialog by
// value and takes back what OK returns. A default-constructed value is what the window holds
// before anything is loaded; load() gives the settings store's values and defaults instead.
//
//   Options options = Options::load();
//   options.roundTo = 3;
//   options.save();
struct Options
{
    bool alwaysOnTop = false;   // setting AlwaysOnTop
    bool manyCopies = false;    // setting Available2: a second running copy is allowed
    qint32 roundTo = 2;         // decimals shown, 0 ... 9
    qint32 minRows = 1;         // visible rows of the field, 1 ... maxRows
    qint32 maxRows = 10;        // minRows ... 99
    QString inWordsFile;        // a bare file name, found through the data folders
    udtAppearance appearance;
    bool keepTape = true;       // setting KeepTape: the tape is kept between runs

    bool operator==(const Options &) const = default;

    // Every value as stored, with the store's defaults for missing ones. ColorsCustom is kept
    // with "|" between the colours and held with NUL characters instead.
    static Options load(const clsRegistry &store = clsRegistry::instance());
    // Every value in one write; false when the store could not be written.
    bool save(clsRegistry &store = clsRegistry::instance()) const;
};
