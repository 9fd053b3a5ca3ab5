#pragma once
// The diagnostic data lists and the ECU scan of libkrix_interface.so that a tester host binds by
// name. The host owns every record and array; the library writes into them only on success, and
// only the fields a call fills. The host's arrays hold at least the driver thread's tables:
// 100 faults, 160 parameters, 160 statuses, 100 identification items, 30 ECUs.
//
// The host's order: CreateThreadKrix; the vehicle and ECU choice, or the scan (StartStopScanEcu,
// GetEcuScanMessages and ScanEcuList until ECUs are listed, StartStopScanEcu(0),
// SetScanEcuSelect); InitText; InitComKrix and StatusInitKrix until 0;
// StartStop_DataAcquisition(1); NewList, the lists, the enables followed by WaitListEnable;
// StartStop_DataAcquisition(0); DeleteThreadKrix.
//
// Results of the lists: 1 ok, -1 the link initialisation failed (EcuList also for a program
// other than 100), -14 a wrong state (no link, no catalogues, no driver thread), -19 InfoList's
// watched item reports "not ok".
#include "CallerRecords.h"

#include <cstdint>

extern "C" {
__attribute__((visibility("default"))) std::int32_t ErrorList(ErrorRecord* records, std::int32_t* count);
__attribute__((visibility("default"))) std::int32_t ParameterList(ParameterRecord* records, std::int32_t* count,
                                                                  std::uint8_t withTexts);
__attribute__((visibility("default"))) std::int32_t StatusList(StatusRecord* records, std::int32_t* count,
                                                               std::uint8_t withTexts);
__attribute__((visibility("default"))) std::int32_t InfoList(InfoRecord* records, std::int32_t* count,
                                                             std::uint8_t withTexts);
__attribute__((visibility("default"))) std::int32_t EcuList(EcuListRecord* records, std::int32_t* count);
// 1 taken, 0 while the previous selection is still being applied, -14.
__attribute__((visibility("default"))) std::int32_t ParameterListEnable(ParameterRecord* records, std::uint8_t all);
__attribute__((visibility("default"))) std::int32_t StatusListEnable(StatusRecord* records, std::uint8_t all);
__attribute__((visibility("default"))) std::int32_t InfoListEnable(InfoRecord* records);
// True when no parameter or status selection waits to be applied.
__attribute__((visibility("default"))) bool WaitListEnable();
// True once after the driver thread read new lists.
__attribute__((visibility("default"))) bool NewList();
// 1, or -14.
__attribute__((visibility("default"))) std::int32_t StartStop_DataAcquisition(std::uint8_t on);

__attribute__((visibility("default"))) bool StartStopScanEcu(std::uint8_t on);
// The number of ECUs listed (at most 100), 0 when none.
__attribute__((visibility("default"))) std::int32_t ScanEcuList(ListRecord* list);
__attribute__((visibility("default"))) bool SetScanEcuSelect(EcuRecord* ecu, std::uint8_t scanIndex);
// Four lines, each ended by a line feed: at most 349 characters and the terminator.
__attribute__((visibility("default"))) bool GetEcuScanMessages(std::uint16_t* textOut);
}
