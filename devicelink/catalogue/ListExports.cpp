// The exported diagnostic data lists and ECU scan of libkrix_interface.so: each forwards to its
// C++ function (lists/TesterLists.h).
#include "ListsApi.h"
#include "TesterLists.h"

extern "C" {

std::int32_t ErrorList(ErrorRecord* records, std::int32_t* count) { return TesterLists::ErrorList(records, count); }

std::int32_t ParameterList(ParameterRecord* records, std::int32_t* count, std::uint8_t withTexts) {
    return TesterLists::ParameterList(records, count, withTexts);
}

std::int32_t StatusList(StatusRecord* records, std::int32_t* count, std::uint8_t withTexts) {
    return TesterLists::StatusList(records, count, withTexts);
}

std::int32_t InfoList(InfoRecord* records, std::int32_t* count, std::uint8_t withTexts) {
    return TesterLists::InfoList(records, count, withTexts);
}

std::int32_t EcuList(EcuListRecord* records, std::int32_t* count) { return TesterLists::EcuList(records, count); }

std::int32_t ParameterListEnable(ParameterRecord* records, std::uint8_t all) {
    return TesterLists::ParameterListEnable(records, all);
}

std::int32_t StatusListEnable(StatusRecord* records, std::uint8_t all) {
    return TesterLists::StatusListEnable(records, all);
}

std::int32_t InfoListEnable(InfoRecord* records) { return TesterLists::InfoListEnable(records); }
bool WaitListEnable() { return TesterLists::WaitListEnable(); }
bool NewList() { return TesterLists::NewList(); }
std::int32_t StartStop_DataAcquisition(std::uint8_t on) { return TesterLists::StartStop_DataAcquisition(on); }

bool StartStopScanEcu(std::uint8_t on) { return TesterLists::StartStopScanEcu(on); }
std::int32_t ScanEcuList(ListRecord* list) { return TesterLists::ScanEcuList(list); }
bool SetScanEcuSelect(EcuRecord* ecu, std::uint8_t scanIndex) { return TesterLists::SetScanEcuSelect(ecu, scanIndex); }
bool GetEcuScanMessages(std::uint16_t* textOut) { return TesterLists::GetEcuScanMessages(textOut); }

} // extern "C"
