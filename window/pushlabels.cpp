#include "pushlabels.h"

namespace {

// The upper row of frame2 and the strip of memory buttons under its line (pixels).
constexpr int kPanelHeight = 24;
constexpr int kStripTop = 32;
constexpr int kStripHeight = 22;

} // namespace

// Rows in the order of PushLabel.
const std::array<PushLabelEntry, kPushLabelCount> kPushLabels = {{
    {PushLabel::Result, "lblResult", "", {0, 0, 128, kPanelHeight}, true, KeyCommand::CopyResult,
     TextId::HintResult, TextId::HintSubResult, TextId::ResultName, TextId::CopyInDigits, TextId::CopyInWords},
    {PushLabel::Memory, "lblMemory", "", {130, 0, 84, kPanelHeight}, true, KeyCommand::CopyMemory,
     TextId::HintMemory, TextId::HintMemory, TextId::MemoryName, TextId::CopyInDigits, TextId::CopyInWords},
    {PushLabel::MemMenu, "lblMemMenu", "M1", {214, 0, 30, kPanelHeight}, false, KeyCommand::MemoryMenu,
     TextId::HintMemoryCell, TextId::HintMemoryCell, TextId::None, TextId::None, TextId::None},
    {PushLabel::Round, "lblRound", "", {246, 0, 40, kPanelHeight}, false, KeyCommand::Round,
     TextId::HintRound, TextId::HintRoundSub, TextId::None, TextId::MoreDecimals, TextId::FewerDecimals},
    {PushLabel::Options, "lblOptions", "...", {288, 0, 20, kPanelHeight}, false, KeyCommand::Options,
     TextId::HintOptions, TextId::HintOptions, TextId::Options, TextId::None, TextId::None},
    {PushLabel::MoveSize, "lblMoveSize", ">>", {310, 0, 20, kPanelHeight}, false, KeyCommand::ToggleStrip,
     TextId::HintStrip, TextId::HintStrip, TextId::None, TextId::None, TextId::None},
    {PushLabel::M, "lblM", "M", {0, kStripTop, 40, kStripHeight}, false, KeyCommand::MemoryStore,
     TextId::HintStore, TextId::HintStoreSub, TextId::StoreName, TextId::None, TextId::None},
    {PushLabel::MC, "lblMC", "MC", {42, kStripTop, 40, kStripHeight}, false, KeyCommand::MemoryClear,
     TextId::HintClear, TextId::HintClear, TextId::ClearName, TextId::None, TextId::None},
    {PushLabel::MR, "lblMR", "MR", {84, kStripTop, 40, kStripHeight}, false, KeyCommand::MemoryRecall,
     TextId::HintRecall, TextId::HintRecall, TextId::RecallName, TextId::None, TextId::None},
    {PushLabel::MPlus, "lblMPlus", "M+", {126, kStripTop, 40, kStripHeight}, false, KeyCommand::MemoryAdd,
     TextId::HintAdd, TextId::HintAddSub, TextId::AddName, TextId::None, TextId::None},
    {PushLabel::MMinus, "lblMMinus", "M-", {168, kStripTop, 40, kStripHeight}, false, KeyCommand::MemorySubtract,
     TextId::HintSubtract, TextId::HintSubtractSub, TextId::SubtractName, TextId::None, TextId::None},
}};
