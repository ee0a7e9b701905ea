#pragma once

#include "keymap.h"
#include "textid.h"

#include <QRect>

#include <array>

// The push-labels of the main window's lower frame, in the order of the table below.
enum class PushLabel { Result, Memory, MemMenu, Round, Options, MoveSize, M, MC, MR, MPlus, MMinus, Count };

// One push-label as the form has it: its name, its caption, where it stands in frame2 (pixels),
// whether it is a panel (sunken, right-aligned, pressed by either button) or a button, the
// command its press stands for, and its texts: the hint (the second while the panels show a sub
// result), the name a screen reader says and what its two buttons do. A name of None follows the
// caption and is made by the window.
struct PushLabelEntry
{
    PushLabel id;
    const char *name;
    const char *caption;
    QRect design;
    bool panel;
    KeyCommand command;
    TextId hint;
    TextId hintSubResult;
    TextId spokenName;
    TextId pressAction;
    TextId alternateAction;
};

inline constexpr int kPushLabelCount = static_cast<int>(PushLabel::Count);
extern const std::array<PushLabelEntry, kPushLabelCount> kPushLabels;

inline const PushLabelEntry &pushLabelEntry(PushLabel id)
{
    return kPushLabels[static_cast<int>(id)];
}
