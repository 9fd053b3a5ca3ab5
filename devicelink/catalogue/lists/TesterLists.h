#pragma once
// The diagnostic data lists and the ECU scan of libkrix_interface.so as C++ functions: the
// driver thread's fault, parameter, status, identification and ECU tables dressed with the
// catalogue texts, the host's choice of what the thread reads, the acquisition switch, and the
// scan's ECU list, choice and messages. The exported C functions (ListExports.cpp) call these
// one for one; the tests call them in-process.
//
// Each runs on the caller's thread and reaches the driver thread only under the link's lock
// (LinkExports::WithDriver), so the thread can be neither deleted nor replaced meanwhile.
// Without a driver thread every function returns its failure value and writes nothing: -14 for
// the lists, the enables and the acquisition switch, false for the bools, 0 for ScanEcuList. A
// missing record or count pointer is refused the same way.
//
// Host records are reached byte-wise at the offsets of their layout (CallerRecords.h), so a
// host may keep them packed at any address; every text is cut to its field and terminated. A
// list writes only on success, and only the fields the list fills: what else the host keeps in
// a record (the texts of a list read without texts, the reserved bytes) stays as it was.
#include "CallerRecords.h"
#include "ValueMarkers.h"

#include <cstdint>

namespace TesterLists {

// ListResult.
constexpr std::int32_t ResultOk = 1;
constexpr std::int32_t ResultLinkFailed = -1; // also EcuList's answer for a program other than 100
constexpr std::int32_t ResultWrongState = -14;
constexpr std::int32_t ResultNotOk = -19;     // InfoList: the watched item reports "not ok"

// An enable call while the thread still applies the previous selection.
constexpr std::int32_t SelectionPending = 0;

// The parameter values the driver thread holds for values not read: the value every parameter
// has until it is read, and the device's FE FE FE FE, FD FD FD FD and FF FF FF FF answers.
using ValueMarkers::ValueNotRead;
using ValueMarkers::MarkerFE;
using ValueMarkers::MarkerFD;
using ValueMarkers::MarkerFF;

// The only program whose faults all take the generic texts and whose ECU list can be read.
constexpr std::int32_t GenericProgram = 100;
// ErrorList dresses at most this many faults; later ones get empty texts.
constexpr int DressedFaults = 17;

// Gate: DllState 30 and the catalogues loaded; then the thread's table with its texts.
std::int32_t ErrorList(ErrorRecord* records, std::int32_t* count);
std::int32_t ParameterList(ParameterRecord* records, std::int32_t* count, std::uint8_t withTexts);
std::int32_t StatusList(StatusRecord* records, std::int32_t* count, std::uint8_t withTexts);
std::int32_t InfoList(InfoRecord* records, std::int32_t* count, std::uint8_t withTexts);
std::int32_t EcuList(EcuListRecord* records, std::int32_t* count);

// Gate: DllState 30. The enabled bytes of the thread's first entries go to the thread: 1, or 0
// while the previous parameter or status selection is still pending (nothing changes).
std::int32_t ParameterListEnable(const ParameterRecord* records, std::uint8_t all);
std::int32_t StatusListEnable(const StatusRecord* records, std::uint8_t all);
std::int32_t InfoListEnable(const InfoRecord* records);
// True when neither a parameter nor a status selection is pending.
bool WaitListEnable();
// True once after the thread has read new identifier lists.
bool NewList();
// Gate: DllState 30. 1, or -14 when acquisition is switched off and the thread does not take
// the stop request within 5000 ms.
std::int32_t StartStop_DataAcquisition(std::uint8_t on);

// The scan path; no gate on DllState or the texts.
bool StartStopScanEcu(std::uint8_t on);
// The ECUs the thread's scan found, one text of scan.txt each: the number written (at most the
// record's 100 entries). Entries only; the count and index fields stay as the host had them.
std::int32_t ScanEcuList(ListRecord* list);
// The ECU of the last ScanEcuList at scanIndex: its device block goes to the thread for the next
// initialisation, and its idRiga_Scan.dat record becomes the selected ECU and fills the host's
// record. False, with nothing handed on, for an index the last list did not write; false after
// the block was handed on when the record is not found.
bool SetScanEcuSelect(EcuRecord* ecu, std::uint8_t scanIndex);
// The scan's four message lines, each followed by a line feed, at most ScanMessageUnits units
// with the terminator.
constexpr std::size_t ScanMessageUnits = 350;
bool GetEcuScanMessages(std::uint16_t* textOut);

} // namespace TesterLists
