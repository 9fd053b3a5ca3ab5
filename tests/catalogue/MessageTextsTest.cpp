// Message lines by source and id, the key string they gather, the key entries read from it, and
// the vehicle database's texts.
#include "CatalogueFixtures.h"
#include "CatalogueLoading.h"
#include "MessageTexts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace CatalogueFixture;
using Catalogue::BuildMessageText;

namespace {

constexpr int Italian = 1;
constexpr std::uint8_t CodecOn = 1;
constexpr int Opel = 12;
constexpr std::int32_t MessageCatalogue = 0;

// tasti.txt: message 3 has no key text.
const QByteArray KeyTexts = DelimitedLine(0, "#OK=1#") + DelimitedLine(1, "#F1=1#") + DelimitedLine(2, "#ESC=5#");

// The four lines and the key string of one view.
struct View {
    QString lines[4];
    QString keys;

    bool Build(std::int32_t id, std::int32_t source, std::int32_t slot) {
        return BuildMessageText(id, source, slot, &lines[0], &lines[1], &lines[2], &lines[3], &keys);
    }
};

class MessageTexts : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCatalogue();
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}}));
        LanguageTexts texts = SampleTexts("ita");
        texts.messag += DelimitedLine(3, "  Padded  @ hidden @ more") + DelimitedLine(4, "@all hidden");
        WriteLanguage("ita", texts);
        WriteSharedTexts(KeyTexts, QByteArray());
    }
    void TearDown() override { ResetCatalogue(); }

    WorkingFolder folder;
};

} // namespace

TEST_F(MessageTexts, EachSourceReadsItsOwnCatalogue) {
    Catalogue::InitText(Italian, CodecOn, Opel);
    struct Case {
        std::int32_t source;
        std::int32_t id;
        std::string text;
    };
    const Case cases[] = {
        {Catalogue::SourceParameters, 3, "Speed ita"},
        {Catalogue::SourceStatuses, 2, "Switch ita"},
        {Catalogue::SourceInfo, 1, "VIN ita"},
        {Catalogue::SourceActivations, 5, "Pump ita"},
        {Catalogue::SourceFaults, 0x100, "Generic P0100 ita"},
        {Catalogue::SourceMakerFaults, 0x100, "Opel P0100 ita"},
        {Catalogue::SourceUnits, 1, "rpm ita"},
        {MessageCatalogue, 2, "Turn key ita"},
        {7, 2, "Turn key ita"},
        {11, 2, "Turn key ita"},
        {MessageCatalogue, 1, "Link ready ita"},  // cut before "@"
        {MessageCatalogue, 3, "Padded"},          // cut at the first "@", blanks stripped
        {MessageCatalogue, 4, ""},
        {MessageCatalogue, 99, "Wait ita"},       // missing: message 0
        {MessageCatalogue, 0, ""},
        {Catalogue::SourceParameters, 999, ""},
        {Catalogue::SourceFaults, 0x999, ""},
        {Catalogue::SourceUnits, 50, ""},
    };
    for (const Case& c : cases) {
        View v;
        v.lines[0] = QStringLiteral("old");
        EXPECT_TRUE(v.Build(c.id, c.source, 0));
        EXPECT_EQ(v.lines[0].toStdString(), c.text) << "source " << c.source << " id " << c.id;
    }
}

TEST_F(MessageTexts, TheSlotNamesTheLineAndANegativeIdWritesNothing) {
    Catalogue::InitText(Italian, CodecOn, Opel);
    View v;
    EXPECT_TRUE(v.Build(2, MessageCatalogue, 1));
    EXPECT_TRUE(v.Build(5, Catalogue::SourceActivations, 2));
    EXPECT_TRUE(v.Build(1, Catalogue::SourceUnits, 7));
    EXPECT_EQ(v.lines[0], QString());
    EXPECT_EQ(v.lines[1], QStringLiteral("Turn key ita"));
    EXPECT_EQ(v.lines[2], QStringLiteral("Pump ita"));
    EXPECT_EQ(v.lines[3], QStringLiteral("rpm ita"));
    for (std::int32_t slot : {3, -1})
        EXPECT_TRUE(v.Build(0, MessageCatalogue, slot)) << slot; // the empty text into line 3
    EXPECT_EQ(v.lines[3], QString());

    View untouched;
    for (QString& l : untouched.lines)
        l = QStringLiteral("kept");
    untouched.keys = QStringLiteral("#K=1#");
    EXPECT_FALSE(untouched.Build(-1, MessageCatalogue, 0));
    for (const QString& l : untouched.lines)
        EXPECT_EQ(l, QStringLiteral("kept"));
    EXPECT_EQ(untouched.keys, QStringLiteral("#K=1#"));
}

TEST_F(MessageTexts, KeyTextsOfOneViewJoinIntoOneKeyString) {
    Catalogue::InitText(Italian, CodecOn, Opel);
    View v;
    v.Build(1, MessageCatalogue, 0);
    EXPECT_EQ(v.keys, QStringLiteral("#F1=1#"));
    v.Build(2, MessageCatalogue, 1);
    EXPECT_EQ(v.keys, QStringLiteral("#F1=1#ESC=5#"));
    v.Build(3, MessageCatalogue, 2); // no key text: the string stays
    EXPECT_EQ(v.keys, QStringLiteral("#F1=1#ESC=5#"));
    v.Build(0, MessageCatalogue, 3); // no message: the string stays
    EXPECT_EQ(v.keys, QStringLiteral("#F1=1#ESC=5#"));
    v.Build(2, Catalogue::SourceParameters, 3); // other catalogues bring no keys
    EXPECT_EQ(v.keys, QStringLiteral("#F1=1#ESC=5#"));
    v.Build(99, MessageCatalogue, 3); // missing: message 0 with its key text
    EXPECT_EQ(v.keys, QStringLiteral("#F1=1#ESC=5#OK=1#"));
}

TEST_F(MessageTexts, BeforeTheTextsAreLoadedAMessageTouchesNoFileAndKeepsNothing) {
    // Files a message would find if it looked where no language folder is set.
    WriteFile(QStringLiteral("messag.zip"), Compressed(DelimitedLine(1, "stray")));
    WriteFile(QStringLiteral("tasti.txt"), DelimitedLine(1, "#X=1#"));
    WriteFile(QStringLiteral("param.zip"), Compressed(ItemLine(1, "stray", "")));
    const auto before = Snapshot(QStringLiteral("."));
    View v;
    for (std::int32_t source : {0, 1, 5, 6, 10}) {
        v.lines[0] = QStringLiteral("old");
        EXPECT_TRUE(v.Build(1, source, 0)) << source;
        EXPECT_EQ(v.lines[0], QString()) << source;
    }
    EXPECT_EQ(v.keys, QString());
    EXPECT_EQ(Snapshot(QStringLiteral(".")), before);
    Catalogue::WithState([](Catalogue::State& s) {
        EXPECT_FALSE(s.tables.messageTexts);
        EXPECT_FALSE(s.tables.keyTexts);
    });

    // So the first message after the texts are loaded has its text and its keys.
    Catalogue::InitText(Italian, CodecOn, Opel);
    v.Build(1, MessageCatalogue, 0);
    EXPECT_EQ(v.lines[0], QStringLiteral("Link ready ita"));
    EXPECT_EQ(v.keys, QStringLiteral("#F1=1#"));
}

namespace {

struct Key {
    std::string label;
    int shown;
    std::int32_t code;
};

std::vector<Key> Keys(const QString& keyString) {
    ActivationView view;
    std::memset(&view, 0xAB, sizeof view);
    Catalogue::ParseKeyTexts(keyString, &view);
    std::vector<Key> keys;
    for (const ActivationKey& k : view.keys)
        keys.push_back({std::string(k.label, strnlen(k.label, sizeof k.label)), k.shown, k.code});
    return keys;
}

bool operator==(const Key& a, const Key& b) { return a.label == b.label && a.shown == b.shown && a.code == b.code; }
void PrintTo(const Key& k, std::ostream* os) { *os << '{' << k.label << ", " << k.shown << ", " << k.code << '}'; }

constexpr int Untouched = 0xAB; // the shown byte of key 5 is never written
const Key None{"", 0, 1};
const Key NoneFifth{"", Untouched, 1};

} // namespace

TEST(KeyTexts, TheKeyStringFillsTheFiveKeyEntries) {
    struct Case {
        const char* keyString;
        std::vector<Key> keys;
    };
    const Case cases[] = {
        {"#F1=1#ESC=5#X=9", {{"F1", 1, 1}, None, None, None, {"ESC", Untouched, 0}}},
        {"#F1=1#ESC=5#", {{"F1", 1, 1}, None, None, None, {"ESC", Untouched, 0}}},
        {"#A=0#B=6#", {None, None, None, None, NoneFifth}},
        {"#F12=2#F13=2#", {None, {"F13", 1, 13}, None, None, NoneFifth}},  // the later field wins
        {"#LONGER=3#", {None, None, {"LONG", 1, 0}, None, NoneFifth}},      // label cut to 4
        {"#K42345=4#", {None, None, None, {"K423", 1, 42345}, NoneFifth}},  // code from the whole label
        {"##F1=1##", {{"F1", 1, 1}, None, None, None, NoneFifth}},          // empty fields skipped
        {"F1=1#F2=2#", {{"1", 1, 0}, {"F2", 1, 2}, None, None, NoneFifth}}, // index 0 is no part of a field
        {"#4#", {None, None, None, {"4", 1, 0}, NoneFifth}},                // no "=": the whole field is k
        {"", {None, None, None, None, NoneFifth}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Keys(QString::fromLatin1(c.keyString)), c.keys) << c.keyString;
}

TEST_F(MessageTexts, TwoMessagesGiveTheirTwoKeys) {
    Catalogue::InitText(Italian, CodecOn, Opel);
    View v;
    v.Build(1, MessageCatalogue, 0);
    v.Build(2, MessageCatalogue, 1);
    EXPECT_EQ(Keys(v.keys), (std::vector<Key>{{"F1", 1, 1}, None, None, None, {"ESC", Untouched, 0}}));
}
