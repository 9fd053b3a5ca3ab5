// The simulation file is read by the engine's thread while the window edits it.
#include "IniFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(IniConcurrency, OneThreadReadsWhileAnotherWrites) {
    TMemIniFile ini;
    ini.SetText("[PROTOCOL]\r\nType=CAN\r\n");
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            EXPECT_EQ(ini.ReadString("PROTOCOL", "Type", ""), "CAN");
            TStringList keys;
            ini.ReadSection("REQUEST1", keys);
            (void)ini.ReadInteger("NREQUEST", "N", 0);
            (void)ini.Text();
        }
    });
    for (int i = 0; i < 2000; ++i) {
        std::string key = "R";
        key += std::to_string(i % 50); // (not "R" + ...: a false -Wrestrict of GCC 12 at -O3)
        ini.WriteString("REQUEST1", key, std::to_string(i));
        ini.WriteInteger("NREQUEST", "N", i);
        if (i % 100 == 0) ini.EraseSection("REQUEST1");
    }
    done = true;
    reader.join();
    EXPECT_EQ(ini.ReadInteger("NREQUEST", "N", 0), 1999);
}
