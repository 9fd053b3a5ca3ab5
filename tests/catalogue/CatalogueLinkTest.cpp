// The catalogue beside the device link: the exported InitText takes the maker code from the
// selected ECU, a new driver thread forgets the catalogue tables and its end frees them; and the
// built library exports the catalogue functions by name. A driver thread runs beside the test.
#include "CatalogueApi.h"
#include "CatalogueFixtures.h"
#include "LinkExports.h"
#include "MessageTexts.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>

#ifndef TARVICO_LIBRARY_DIR
#error "TARVICO_LIBRARY_DIR must name the folder of the built library"
#endif

using namespace CatalogueFixture;
using Catalogue::State;
using Catalogue::WithState;

namespace {

constexpr int Italian = 1;
constexpr std::uint8_t CodecOn = 1;
constexpr std::int32_t Com = 41; // never opened: no initialisation is asked for
constexpr std::uint32_t System = 77;
constexpr char NoLetter = '-';
constexpr const char* SetMux = "000B00304000";
constexpr char Opel = 12;

class CatalogueWithLink : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCatalogue();
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}}));
        WriteLanguage("ita", SampleTexts("ita"));
        WriteSharedTexts(DelimitedLine(1, "#F1=1#"), QByteArray());
    }
    void TearDown() override {
        LinkExports::DeleteThreadKrix();
        ResetCatalogue();
    }

    bool MakerHasOwnTexts() {
        return WithState([](State& s) { return s.tables.MakerFaultTexts() != s.tables.faultTexts.get(); });
    }

    WorkingFolder folder;
};

} // namespace

TEST_F(CatalogueWithLink, InitTextTakesTheMakerOfTheSelectedEcu) {
    ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
    EXPECT_EQ(InitText(Italian, CodecOn), 1); // the maker code "0" that a new thread leaves
    EXPECT_FALSE(MakerHasOwnTexts());

    ASSERT_TRUE(LinkExports::SetEcuDirect(System, NoLetter, SetMux, Opel, "/data/"));
    EXPECT_EQ(InitText(Italian, CodecOn), 1);
    EXPECT_TRUE(MakerHasOwnTexts());
    WithState([](State& s) {
        EXPECT_EQ(s.tables.MakerFaultTexts()->GetText(0x300).trimmed(), QStringLiteral("Opel P0300 ita"));
    });
}

TEST_F(CatalogueWithLink, TheEndOfTheDriverThreadFreesTheCatalogue) {
    ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
    InitText(Italian, CodecOn);
    InitDbText(Italian, CodecOn);
    EXPECT_EQ(Catalogue::TextsLoaded(), Catalogue::TextsReady);
    ASSERT_TRUE(LinkExports::DeleteThreadKrix());
    EXPECT_EQ(Catalogue::TextsLoaded(), Catalogue::TextsNotLoaded);
    EXPECT_EQ(Catalogue::TextFolder(), QString());
    WithState([](State& s) {
        EXPECT_FALSE(s.tables.faultTexts);
        EXPECT_FALSE(s.tables.ecuTexts);
        EXPECT_FALSE(s.databaseTexts.fuelTexts);
    });

    // Without a driver thread there is nothing to end: the catalogue stays.
    InitText(Italian, CodecOn);
    EXPECT_FALSE(LinkExports::DeleteThreadKrix());
    EXPECT_EQ(Catalogue::TextsLoaded(), Catalogue::TextsReady);
}

TEST_F(CatalogueWithLink, ANewDriverThreadForgetsTheCatalogueTables) {
    InitText(Italian, CodecOn); // allowed without a thread
    QString lines[4];
    QString keys;
    Catalogue::BuildMessageText(1, 0, 0, &lines[0], &lines[1], &lines[2], &lines[3], &keys);
    ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
    EXPECT_EQ(Catalogue::TextFolder(), QString());
    WithState([](State& s) {
        EXPECT_FALSE(s.tables.ecuTexts);
        EXPECT_FALSE(s.tables.messageTexts);
        EXPECT_FALSE(s.tables.keyTexts);
    });
    // Until the texts are loaded again, messages are empty.
    Catalogue::BuildMessageText(1, 0, 0, &lines[0], &lines[1], &lines[2], &lines[3], &keys);
    EXPECT_EQ(lines[0], QString());
}

TEST(CatalogueLibrary, TheCatalogueFunctionsAreExportedByName) {
    WorkingFolder folder;
    WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}}));
    WriteLanguage("ita", SampleTexts("ita"));
    const auto before = Snapshot(QStringLiteral("."));

    const std::string path = std::string(TARVICO_LIBRARY_DIR) + "/libkrix_interface.so";
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    const auto initText = reinterpret_cast<decltype(&InitText)>(dlsym(handle, "InitText"));
    const auto initDbText = reinterpret_cast<decltype(&InitDbText)>(dlsym(handle, "InitDbText"));
    ASSERT_NE(initText, nullptr);
    ASSERT_NE(initDbText, nullptr);
    EXPECT_EQ(initText(Italian, CodecOn), 1);
    initDbText(Italian, CodecOn);
    // The catalogue core itself stays inside the library.
    EXPECT_EQ(dlsym(handle, "_ZN9Catalogue16BuildMessageTextEiiiP7QStringS1_S1_S1_S1_"), nullptr);
    dlclose(handle);
    EXPECT_EQ(Snapshot(QStringLiteral(".")), before);
}
