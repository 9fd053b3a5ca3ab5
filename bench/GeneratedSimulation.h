#pragma once
// A generated simulation in a temporary folder of its own, for the benchmarks: a CAN simulation of
// protocol 1 (CAN_Standard, unknown-request rule 1) with as many request entries (two answers
// each), fault-reading entries and activations as asked, its Default_file folder, and a program
// folder holding the fake link library and the stand-in checksum library.
#include <filesystem>
#include <string>

#include "fixtures/SimulationFolder.h"

struct SimulationSize {
    int Requests = 0;
    int Faults = 0;      // ERROR_<n>0 to ERROR_<n>3 with one answer each, ERROR_<n>N empty
    int Activations = 0; // ACTIVATION_<n> with ActivationSteps steps of two answers each
    int ActivationSteps = 4;
};

// Four lower-case hex digits of a 16-bit value.
inline std::string Hex4(int value) {
    static const char digits[] = "0123456789abcdef";
    std::string out(4, '0');
    for (int i = 3; i >= 0; --i, value >>= 4) out[static_cast<std::size_t>(i)] = digits[value & 0xF];
    return out;
}

// The simulation file's text. Requests are 22 xx yy (their number in xx yy); fault readings
// 19 02 xx yy; activation steps 2f xx yy 03 with the activation's number in xx yy and the step
// in the last byte.
inline std::string GeneratedSimulationText(const SimulationSize& size) {
    std::string text = "[PROTOCOL]\r\nPROTOCOL=1\r\nType=CAN\r\nSetMux=000B00304000\r\n\r\n"
                       "[CAN]\r\nBaude=500000\r\nID_ECU=7E8\r\nID_TESTER=7E0\r\n\r\n"
                       "[TESTER_PRESENT]\r\nR=3E00\r\nA=7E00\r\n\r\n";
    text += "[NREQUEST]\r\nN=" + std::to_string(size.Requests) + "\r\n\r\n";
    for (int i = 1; i <= size.Requests; ++i) {
        const std::string n = std::to_string(i);
        const std::string id = Hex4(i);
        text += "[REQUEST" + n + "]\r\nR=22" + id + "\r\nD=Value " + n + "\r\nMA=Y\r\n\r\n";
        text += "[ANSWER" + n + "]\r\nA=62" + id + "01\r\nBYTE1=Service\r\n\r\n";
        text += "[ANSWER" + n + "A]\r\nA=62" + id + "02\r\n\r\n";
    }
    for (int e = 1; e <= size.Faults; ++e) {
        const std::string n = std::to_string(e);
        const std::string id = Hex4(e);
        text += "[ERROR_" + n + "0]\r\nR=1902" + id + "\r\nD=Faults " + n + "\r\nA_1=5902ff\r\n\r\n";
        for (int c = 1; c <= 3; ++c) {
            text += "[ERROR_" + n + std::to_string(c) + "]\r\nA_1=5902ff";
            for (int f = 0; f < c; ++f) text += id + "2f";
            text += "\r\n\r\n";
        }
    }
    text += "[NACTIVATION]\r\nN=" + std::to_string(size.Activations) + "\r\n\r\n";
    for (int a = 1; a <= size.Activations; ++a) {
        const std::string n = std::to_string(a);
        const std::string id = Hex4(a);
        text += "[ACTIVATION_" + n + "]\r\nD=Actuator " + n + "\r\n";
        for (int j = 1; j <= size.ActivationSteps; ++j) {
            const std::string step = std::to_string(j);
            const std::string last = Hex4(j).substr(2);
            text += "R" + step + "=2f" + id + "03" + last + "\r\n";
            text += "A" + step + "_1=6f" + id + "03" + last + "\r\n";
            text += "A" + step + "_2=6f" + id + "0300\r\n";
            text += "INTRAFRAME" + step + "=100\r\n";
        }
        text += "\r\n";
    }
    return text;
}

class GeneratedSimulation {
public:
    // fakeLinkFolder: the folder of the fake link library and the stand-in checksum library;
    // systemSettings: lines added to Default_file/SystemSettings.ini.
    GeneratedSimulation(const SimulationSize& size, const std::filesystem::path& fakeLinkFolder,
                        const std::string& systemSettings = "") {
        program_ = folder_.MakeFolder("program");
        for (const char* lib : {"libkrix_interface.so", "libChecksum.so"})
            std::filesystem::create_symlink(fakeLinkFolder / lib, program_ / lib);
        folder_.WriteProtocolTable(CanStandardProtocolTable);
        Write(folder_.Root() / "Default_file/SystemSettings.ini",
              "[STRUCTURE_SIZE]\r\nMemoryInc=1.25\r\n" + systemSettings);
        Write(folder_.Root() / "Default_file/Frame_Structure.xls", "");
        simulation_ = folder_.WriteSimulation(GeneratedSimulationText(size));
    }

    const std::string& Simulation() const { return simulation_; }
    const std::filesystem::path& Program() const { return program_; }

private:
    static void Write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }

    SimulationFolder folder_;
    std::filesystem::path program_;
    std::string simulation_;
};
