#include "SystemInfoPage.h"

#include "SimulationKeys.h"

#include <string>

namespace {

std::string Rate(const TCustomIniFile& file, const char* section) {
    return std::to_string(file.ReadInteger(section, "Baude", 0)) + " bps";
}

} // namespace

void ShowProtocolLabels(const TCustomIniFile& file, SystemInfo& info) {
    using namespace SimKeys;
    info.ProtocolType = file.ReadString(Protocol, Type, "");
    if (info.ProtocolType == Can) {
        info.Bus = {{
            {"Baud Rate", Rate(file, Can)},
            {"Id Type", file.ReadInteger(Can, "Id_Type", 0) == 0 ? "Normal - 11 bit" : "Extendex - 29 bit"},
            {"Id ECU", file.ReadString(Can, "ID_ECU", "?")},
            {"Id ECU 2", file.ReadString(Can, "ID_ECU_2", "-")},
            {"Id Tester", file.ReadString(Can, "ID_TESTER", "?")},
        }};
    } else if (info.ProtocolType == KLine) {
        info.Bus = {{
            {"Baud Rate", Rate(file, KLine)},
            {"Data", file.ReadString(KLine, "Data", "?")},
            {"Parity", file.ReadString(KLine, "Parity", "N.D.")},
            {"Stop", file.ReadString(KLine, "Stop", "?")},
            {"", ""},
        }};
    }
}
