#pragma once
// The simulator end to end on the device link: the engine with its real bus units, loaded the
// way a window loads it, binds the built libkrix_interface.so from the program folder; the KRIX
// device emulator on a pseudo-terminal takes the device's place as COM<n>; a tester on the
// emulator's bus sends the requests and reads the answers frame by frame.
#include "BusTester.h"
#include "HeadlessEngine.h"
#include "KrixEmulator.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef TARVICO_PROGRAM_DIR
#error "TARVICO_PROGRAM_DIR must name the folder of the built libraries"
#endif

using KrixEmu::Bytes;

// Generous: only a broken link comes near them; never a measure of speed.
inline constexpr auto LoadLimit = std::chrono::seconds(60);
inline constexpr auto CommandLimit = std::chrono::seconds(30);
inline constexpr auto FrameLimit = std::chrono::seconds(10);

inline Bytes Slice(const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(to));
}

namespace KrixEmu {
inline void PrintTo(const BusRecord& r, std::ostream* os) {
    *os << (r.fromTester ? "tester -> ECU " : "ECU -> tester ") << Hex(r.frame);
}
} // namespace KrixEmu

// Frame by frame, so that a failure names the first frame that differs.
inline void ExpectSameFrames(const std::vector<KrixEmu::BusRecord>& actual,
                             const std::vector<KrixEmu::BusRecord>& expected) {
    for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i)
        EXPECT_EQ(actual[i], expected[i]) << "frame " << i;
    EXPECT_EQ(actual.size(), expected.size()) << "frames on the bus";
}

// A simulation folder of its own: the simulation file, Default_file/protocol.ini and the device
// program the initialisation downloads.
class SimulationFiles {
public:
    SimulationFiles(const std::string& simulation, const std::string& protocolTable, int program) {
        static std::atomic<int> counter{0};
        root_ = std::filesystem::temp_directory_path() /
                ("tarvico_e2e_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(root_);
        const std::filesystem::path data = root_ / "Default_file";
        char relative[64];
        std::snprintf(relative, sizeof relative, "krix/krix/dgn%02d/%04d____.exe", program / 50 + 1, program);
        std::filesystem::create_directories((data / relative).parent_path());
        Write(root_ / "simul1.ini", simulation);
        Write(data / "protocol.ini", protocolTable);
        programImage_.resize(700);
        for (std::size_t i = 0; i < programImage_.size(); ++i)
            programImage_[i] = static_cast<std::uint8_t>(i ^ 0x5A);
        Write(data / relative, std::string(programImage_.begin(), programImage_.end()));
    }
    ~SimulationFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    SimulationFiles(const SimulationFiles&) = delete;
    SimulationFiles& operator=(const SimulationFiles&) = delete;

    std::string SimulationFile() const { return (root_ / "simul1.ini").string(); }
    const Bytes& ProgramImage() const { return programImage_; }

private:
    static void Write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::filesystem::path root_;
    Bytes programImage_;
};

// The emulated device as COM<n>, an engine loaded on it and started, and the tester on its bus.
class DeviceEndToEnd : public ::testing::Test {
protected:
    static constexpr int Com = 43;
    static constexpr const char* ComVariable = "KRIX_COM43";

    void SetUp() override {
        emulator.Start();
        setenv(ComVariable, emulator.SlaveName().c_str(), 1);
    }
    void TearDown() override {
        engine.reset();
        unsetenv(ComVariable);
        emulator.Stop();
    }

    ::testing::AssertionResult LoadAndStart(const SimulationFiles& files) {
        engine = std::make_unique<HeadlessEngine>();
        if (auto failure = engine->Load(files.SimulationFile(), TARVICO_PROGRAM_DIR, "COM" + std::to_string(Com),
                                        LoadLimit))
            return ::testing::AssertionFailure() << *failure;
        if (!engine->Start(CommandLimit))
            return ::testing::AssertionFailure() << "the ECU did not start";
        if (!emulator.OnBus())
            return ::testing::AssertionFailure() << "the device is not on the bus";
        return ::testing::AssertionSuccess();
    }

    // The engine's messages: none is expected on the way of a good exchange.
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const EngineEvent& e : engine->Events())
            if (e.kind == EngineEvent::Kind::Message)
                texts.push_back(e.text);
        return texts;
    }

    KrixEmu::KrixEmulator emulator;
    std::unique_ptr<HeadlessEngine> engine;
};
