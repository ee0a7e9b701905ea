#pragma once

#include <QString>

#include <array>

// A ring of field states: the undo ring of each window (101 slots) and the program's expression
// history (51 slots). A ring of n slots holds at most n - 1 entries; it is empty when First equals
// Last.
struct udtTextHistory
{
    static constexpr int kSlots = 101;
    std::array<QString, kSlots> Text;
    std::array<qint32, kSlots> SelStart{};
    std::array<qint32, kSlots> SelLength{};
    qint32 Cur = 0;
    qint32 First = 0;
    qint32 Last = 0;
    std::array<quint8, kSlots> Round{};

    bool isEmpty() const { return First == Last; }
};

constexpr int kUndoSlots = 101;
constexpr int kHistorySlots = 51;

// The program-wide expression history; not saved, empty at every start.
extern udtTextHistory g_udtHistory;
