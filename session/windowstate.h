#pragma once

#include "clsregistry.h"

#include <QString>

// What the main window keeps between runs besides the options: its position, the memory cells
// and the separators they were written in, and whether the start-up greeting is wanted. Loaded
// and saved in one batch, like Options; the position stays in twips, as stored.
//
//   WindowState state = WindowState::load();
//   state.formLeft = 3000;
//   state.save();
struct WindowState
{
    qint32 formLeft = 0;        // setting FormLeft, twips
    qint32 formTop = 0;         // setting FormTop, twips
    QString memoryString;       // setting MemoryString
    QString memorySeparators;   // setting MemorySeparators
    bool greeting = true;       // setting F1Label: the "Press F1 for help" greeting at start-up

    bool operator==(const WindowState &) const = default;

    static WindowState load(const clsRegistry &store = clsRegistry::instance());
    // The position, the program's path and the memory in one write (the memory values and the
    // separators they are written in never part); the greeting flag is written where the user
    // declines it. False when the store could not be written.
    bool save(clsRegistry &store = clsRegistry::instance()) const;
};
