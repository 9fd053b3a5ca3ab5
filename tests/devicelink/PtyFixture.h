#pragma once
// An emulated KRIX device on a pseudo-terminal, mapped to a COM number for the library.
#include "KrixEmulator.h"

#include <QString>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

// Polls a condition that another thread makes true; false when it did not within a second.
inline bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

class PtyFixture : public ::testing::Test {
protected:
    static constexpr int Com = 41;
    static constexpr const char* ComVariable = "KRIX_COM41";

    void SetUp() override {
        emulator.Start();
        setenv(ComVariable, emulator.SlaveName().c_str(), 1);
    }
    void TearDown() override {
        unsetenv(ComVariable);
        emulator.Stop();
    }
    QString Slave() const { return QString::fromStdString(emulator.SlaveName()); }

    KrixEmu::KrixEmulator emulator;
};
