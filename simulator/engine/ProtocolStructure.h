#pragma once
// The frame description that the window builds from one row of the frame-structure table and
// hands by value to the engine; the frame codec's pack routines 3 and 5 interpret it.
#include <cstdint>

struct TFrameStructure {
    // Fields in order, separated by ";": FMT, SRC, TGT, LEN, SID, DATA, CHS (upper case).
    char Layout[256] = {};
    std::int32_t FmtBytes = 0;
    std::int32_t LenBytes = 0;
    std::int32_t DataOffset = 0; // bytes the request editor's caret steps over
    std::int32_t SrcBytes = 0;
    std::int32_t TgtBytes = 0;
    std::int32_t ChsBytes = 0;
    std::int32_t LenInFmtPos = 0;
    std::int32_t LenInFmt = 0;
    std::int32_t LenSub = 0;
    std::int32_t ChsStart = 0;
    std::int32_t ChsFunction = 0; // n of "CheckSumComposer_<n>"
    std::int32_t LenAdd = 0;
};

struct TProtocolStructure {
    TFrameStructure RxStructure; // frames the tester sends (requests)
    TFrameStructure TxStructure; // frames the simulator sends (answers)
};
