#pragma once
// The parameter rows of the ISO 15765-2 style families: CAN_Standard in full, every other
// family as CAN_Standard with what differs.
#include "IsoTpUnit.h"

namespace isotp {

inline constexpr TxFailureTexts CanStandardTxTexts{"TxData_CAN_1 function error Invalid Operation!",
                                                   "TxData_CAN_1 function error "};

inline constexpr Params CanStandard{
    .RxPrefix = "RxData_CAN_1 function error:\n",
    .TxTexts = CanStandardTxTexts,
    .TxRaisePrefix = nullptr,
    .Address = Addressing::Normal,
    .DropFlowControlOutsideTransfer = true,
    .SingleFrame = SingleFrameText::ByPci,
    .FlowControlAfterEachConsecutive = true,
    .FlowControlBlockSize = BlockSizeEachFrame,
    .RxIdlePauseMs = 30,
    .RxTimeoutMs = 3000,
    .ReportsRxStatus = false,
    .Answer = AnswerLayout::Wire,
    .SingleFrameLength = LengthByte::Fixed8,
    .ConsecutiveLength = LengthByte::Fixed8,
    .HonourBlockSize = true,
    .ConsecutiveSpacingMs = 50,
    .FlowControlPollMs = 20,
    .TxTimeoutMs = 4000,
    .MultiFlagSendsUnsegmented = false,
};

inline constexpr Params CanPsa = [] {
    Params p = CanStandard;
    p.RxPrefix = "RxData_CAN_2 function error:\n";
    p.TxTexts = {"TxData_CAN_2 function error Invalid Operation!", "TxData_CAN_2 function error "};
    p.DropFlowControlOutsideTransfer = false;
    p.FlowControlAfterEachConsecutive = false;
    // One flow control per request, so it asks for all consecutive frames at once: a block
    // size of 1 would stall every request longer than two frames.
    p.FlowControlBlockSize = BlockSizeAll;
    p.RxIdlePauseMs = 0; // only yields
    p.RxTimeoutMs = 5000;
    p.SingleFrameLength = LengthByte::DataCount;
    p.ConsecutiveLength = LengthByte::DataCount;
    p.ConsecutiveSpacingMs = 5;
    p.FlowControlPollMs = 2;
    p.TxTimeoutMs = 2000;
    return p;
}();

inline constexpr Params CanOpel = [] {
    Params p = CanStandard;
    p.RxPrefix = "RxData_CAN_4 function error:\n";
    p.TxRaisePrefix = "TxData_CAN_3 function error:\n";
    p.DropFlowControlOutsideTransfer = false;
    p.RxTimeoutMs = 2000;
    p.ReportsRxStatus = true;
    p.FlowControlPollMs = 100;
    p.TxTimeoutMs = 2000;
    p.MultiFlagSendsUnsegmented = true;
    return p;
}();

inline constexpr Params CanThesis = [] {
    Params p = CanStandard;
    p.Address = Addressing::Extended;
    p.DropFlowControlOutsideTransfer = false;
    p.SingleFrame = SingleFrameText::AllBytes;
    p.FlowControlAfterEachConsecutive = false;
    p.FlowControlBlockSize = BlockSizeAll;
    p.RxIdlePauseMs = 1;
    p.RxTimeoutMs = 2000;
    p.HonourBlockSize = false;
    p.TxTimeoutMs = 2000;
    return p;
}();

// Also CAN_UD1 and CAN_UD2.
inline constexpr Params CanMercedes = [] {
    Params p = CanStandard;
    p.Answer = AnswerLayout::IdentifiedMessage;
    return p;
}();

} // namespace isotp
