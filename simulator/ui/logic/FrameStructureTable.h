#pragma once
// The compiled-in frame-structure table: for each protocol number, how request and answer frames
// are laid out. The simulation file's protocol number selects a row; the protocol record built
// from it goes to the engine's frame codec, and the request editor reads its DataOffset.
#include "ProtocolStructure.h"

#include <string_view>

// Rows are numbered 1 to FrameStructureRowCount; only 1 to FrameStructureFilledRows hold a frame
// structure, every cell of the others is an empty text.
inline constexpr int FrameStructureRowCount = 50;
inline constexpr int FrameStructureFilledRows = 26;
inline constexpr int FrameStructureCellCount = 40;

// A row holds two halves of 16 cells: the answers' (TxStructure) first, then the requests'
// (RxStructure). Cells 13 to 15 of each half and 32 to 39 of the row are never filled.
inline constexpr int FrameStructureTxCells = 0;
inline constexpr int FrameStructureRxCells = 16;

// Cells within a half, in the order the row holds them. The layout cell is a text, the others
// hold a decimal integer as text.
enum FrameStructureCellIndex : int {
    LayoutCell = 0,
    FmtBytesCell,
    LenInFmtCell,
    LenInFmtPosCell,
    LenBytesCell,
    LenSubCell,
    DataOffsetCell,
    SrcBytesCell,
    TgtBytesCell,
    ChsBytesCell,
    ChsStartCell,
    ChsFunctionCell,
    LenAddCell,
};

// The text of one cell. A number outside 1 to 50 or a cell outside 0 to 39 raises an Exception
// instead of reading outside the table.
std::string_view FrameStructureCell(int number, int cell);

// The protocol record of row `number`: each half's layout copied into its 256-character field
// (cut to 255 characters and terminated), then its numeric cells converted in cell order.
// An empty or unreadable cell, as in rows 27 to 50, raises "'<cell>' is not a valid integer
// value"; a number outside the table raises as FrameStructureCell does. Nothing is returned
// half-built: a caller that assigns the result keeps its old record on a failure.
TProtocolStructure BuildProtocolStructure(int number);
