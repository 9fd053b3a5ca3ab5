// The exported diagnostic data lists and ECU scan of libkrix_interface.so: each forwards to its
// C++ function (lists/TesterLists.h) through the export guard (ExportGuard.h), which answers
// with the functions' own failure values when the body throws: -14 for the lists, the enables
// and the acquisition switch, false for the bools, 0 for ScanEcuList.
#include "ExportGuard.h"
#include "ListsApi.h"
#include "TesterLists.h"

using ExportGuard::Run;
using TesterLists::ResultWrongState;

extern "C" {

std::int32_t ErrorList(ErrorRecord* records, std::int32_t* count) {
    return Run(__func__, ResultWrongState, [&] { return TesterLists::ErrorList(records, count); });
}

std::int32_t ParameterList(ParameterRecord* records, std::int32_t* count, std::uint8_t withTexts) {
    return Run(__func__, ResultWrongState, [&] { return TesterLists::ParameterList(records, count, withTexts); });
}

std::int32_t StatusList(StatusRecord* records, std::int32_t* count, std::uint8_t withTexts) {
    return Run(__func__, ResultWrongState, [&] { return TesterLists::StatusList(records, count, withTexts); });
}

std::int32_t InfoList(InfoRecord* records, std::int32_t* count, std::uint8_t withTexts) {
    return Run(__func__, ResultWrongState, [&] { return TesterLists::InfoList(records, count, withTexts); });
}

std::int32_t EcuList(EcuListRecord* records, std::int32_t* count) {
    return Run(__func__, ResultWrongState, [&] { return TesterLists::EcuList(records, count); });
}

std::int32_t ParameterListEnable(ParameterRecord* records, std::uint8_t all) {
    return Run(__func__, ResultWrongState, [&] { return TesterLists::ParameterListEnable(records, all); });
}

std::int32_t StatusListEnable(StatusRecord* records, std::uint8_t all) {
    return Run(__func__, ResultWrongState, [&] { return TesterLists::StatusListEnable(records, all); });
}

std::int32_t InfoListEnable(InfoRecord* records) {
    return Run(__func__, ResultWrongState, [&] { return TesterLists::InfoListEnable(records); });
}

bool WaitListEnable() { return Run(__func__, false, [] { return TesterLists::WaitListEnable(); }); }
bool NewList() { return Run(__func__, false, [] { return TesterLists::NewList(); }); }

std::int32_t StartStop_DataAcquisition(std::uint8_t on) {
    return Run(__func__, ResultWrongState, [&] { return TesterLists::StartStop_DataAcquisition(on); });
}

bool StartStopScanEcu(std::uint8_t on) {
    return Run(__func__, false, [&] { return TesterLists::StartStopScanEcu(on); });
}

std::int32_t ScanEcuList(ListRecord* list) {
    return Run(__func__, std::int32_t{0}, [&] { return TesterLists::ScanEcuList(list); });
}

bool SetScanEcuSelect(EcuRecord* ecu, std::uint8_t scanIndex) {
    return Run(__func__, false, [&] { return TesterLists::SetScanEcuSelect(ecu, scanIndex); });
}

bool GetEcuScanMessages(std::uint16_t* textOut) {
    return Run(__func__, false, [&] { return TesterLists::GetEcuScanMessages(textOut); });
}

} // extern "C"
