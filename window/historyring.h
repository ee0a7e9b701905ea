#pragma once

#include "textring.h"

// Entries each window's undo ring keeps, and the program's expression history.
constexpr int kUndoEntries = 100;
constexpr int kHistoryEntries = 50;

// The program-wide expression history; not saved, empty at every start.
extern TextRing g_udtHistory;
