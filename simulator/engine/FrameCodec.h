#pragma once
// The frame codec: conversion between the plain text of a request or answer (service byte and
// data, as the simulation file holds it) and its wire text (as the bus unit delivers or sends it:
// length byte, header fields, checksum, depending on the protocol). Both are lower-case hex text,
// two characters a byte.
//
// Six pairs of routines exist; the engine selects one pair per simulation (SelectCodec) and every
// part of the program reaches it through the process-wide PackFunction / UnPackFunction.
//
// Selector: 0 means a request (RxStructure, Len_Header_Rx), any other value an answer
// (TxStructure, Len_Header_Tx). Every routine raises Exception with its own prefix
// ("PackRequest_3 function error:\n" + inner message). Texts too short for a routine give the
// empty text; they are no failure.
#include "ProtocolStructure.h"

#include <cstdint>
#include <string>

// "CheckSumComposer_<n>" of the checksum library: count of hex characters, then the text from the
// checksum start on. It only reads the text.
using TChecksumFunction = std::int32_t (*)(std::int32_t count, const char* text);

// What the codec reads of the engine. The engine owns one, fills it at construction (and writes
// its answer limit into MaxAnsLen before its thread first runs) and leaves it unchanged while it
// is selected.
struct TCodecContext {
    TProtocolStructure Protocol{};
    std::uint32_t Fmt_Tx = 0; // base value of every FMT field
    std::uint32_t Tgt = 0;    // written into every SRC field
    std::uint32_t Src = 0;    // written into every TGT field
    std::int32_t Len_Header_Rx = 0; // added to every frame length; request header bytes
    std::int32_t Len_Header_Tx = 0; // answer header bytes removed by the unpack routines 3 and 5
    TChecksumFunction ChecksumFunction = nullptr; // none: a layout with CHS fails to pack
    std::int32_t MaxAnsLen = 50; // UnPackRequest_4 gives the empty text above this length
};

// The most characters a pack routine adds to a text for a layout that names each field once
// with widths up to 4 bytes (FMT, SRC, TGT, LEN and CHS of 8 digits each). The store reserves
// this much room beyond its limits, so wire texts of such layouts are stored without allocating.
inline constexpr std::int32_t kFrameOverheadChars = 40;

// One numeric field: lower-case hex, zero-padded to 2 * widthBytes digits; width 0 takes as many
// digits as the value needs. A value needing more digits than the width is written in full, and
// an odd digit count gets one more leading zero, so a field is always whole bytes.
std::string HexField(std::uint32_t value, std::int32_t widthBytes);

using TCodecRoutine = std::string (*)(const TCodecContext& context, const std::string& text,
                                      std::uint8_t selector);

// 1: byte count (length / 2) as a one-byte field, then the text.
std::string PackRequest_1(const TCodecContext& context, const std::string& text, std::uint8_t selector);
std::string UnPackRequest_1(const TCodecContext& context, const std::string& text, std::uint8_t selector);
// 2: the text unchanged.
std::string PackRequest_2(const TCodecContext& context, const std::string& text, std::uint8_t selector);
std::string UnPackRequest_2(const TCodecContext& context, const std::string& text, std::uint8_t selector);
// 3: the frame formatter over RxStructure (selector 0) or TxStructure.
std::string PackRequest_3(const TCodecContext& context, const std::string& text, std::uint8_t selector);
std::string UnPackRequest_3(const TCodecContext& context, const std::string& text, std::uint8_t selector);
// 4: as 1, but texts starting with a or b (channel management, acknowledgement) carry no length.
std::string PackRequest_4(const TCodecContext& context, const std::string& text, std::uint8_t selector);
std::string UnPackRequest_4(const TCodecContext& context, const std::string& text, std::uint8_t selector);
// 5: the frame formatter over RxStructure always, the length in FMT times 16.
std::string PackRequest_5(const TCodecContext& context, const std::string& text, std::uint8_t selector);
std::string UnPackRequest_5(const TCodecContext& context, const std::string& text, std::uint8_t selector);
// 6: single-frame marker c8 + count up to 7 bytes, first-frame marker 8f from 8 bytes on.
std::string PackRequest_6(const TCodecContext& context, const std::string& text, std::uint8_t selector);
std::string UnPackRequest_6(const TCodecContext& context, const std::string& text, std::uint8_t selector);

// Selects pair 1 to 6 over the context for the whole process; another pair raises
// "Not supported protocol!" and keeps the selection. The context is referenced, not copied: it
// must outlive the selection (ClearCodec before destroying it). The selection is published
// atomically, so a thread that packs sees either the old pair or the new one, never a mix.
void SelectCodec(const TCodecContext* context, int pair);
// Drops the selection if it still refers to the context (a newer engine's selection stays).
void ClearCodec(const TCodecContext* context);
// The selected pair, 0 when none.
int SelectedCodecPair();
// A number that changes with every selection (and with every ClearCodec that drops one), never 0.
// A text packed after reading g here is what PackFunction gives for it as long as this still
// reads g, so a copy may reuse it instead of packing again.
std::uint64_t CodecGeneration();

// The selected routines. With no selection they raise "No frame codec selected!".
std::string PackFunction(const std::string& text, std::uint8_t selector);
std::string UnPackFunction(const std::string& text, std::uint8_t selector);
