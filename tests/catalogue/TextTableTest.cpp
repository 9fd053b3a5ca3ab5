// Catalogue text tables: the line rule, the three forms, the bisection's contract, and decoding
// through the catalogue's code page one byte to one character.
#include "CatalogueFixtures.h"
#include "TFixedWidthTables.h"
#include "TTextTable.h"

#include <QTextCodec>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace CatalogueFixture;

namespace {

// A delimited table of the codes, in the order given.
std::unique_ptr<TTextTable> CodesTable(const std::vector<int>& codes) {
    QByteArray text;
    for (std::size_t i = 0; i < codes.size(); ++i)
        text += QByteArray::number(codes[i]) + ";t" + QByteArray::number(static_cast<int>(i)) + ";\n";
    auto table = std::make_unique<TTextTable>();
    table->LoadBytes(text);
    return table;
}

std::unique_ptr<TTextTable> DirectTable(const QByteArray& text) {
    auto table = std::make_unique<TTextTable>();
    table->SetDirectIndex(true);
    table->LoadBytes(text);
    return table;
}

std::vector<std::string> Texts(TTextTable& table) {
    std::vector<std::string> texts;
    for (int i = 0; i < table.Count(); ++i)
        texts.push_back(table.GetText(i).toStdString());
    return texts;
}

class TextTables : public ::testing::Test {
protected:
    void SetUp() override { ResetCatalogue(); }
    void TearDown() override { ResetCatalogue(); }
};

} // namespace

TEST_F(TextTables, FindKeepsTheBisectionsAnswerOnDuplicateUnsortedAndAbsentCodes) {
    struct Case {
        const char* name;
        std::vector<int> codes;
        int key;
        int index;
    };
    const Case cases[] = {
        {"empty table", {}, 0, -1},
        {"one record, its code", {7}, 7, 0},
        {"one record, another code", {7}, 8, -1},
        {"first of two", {10, 20}, 10, 0},
        {"second of two", {10, 20}, 20, 1},
        {"below the first", {10, 20}, 5, -1},
        {"between", {10, 20}, 15, -1},
        {"above the last", {10, 20}, 25, -1},
        {"two equal codes: the later", {5, 5}, 5, 1},
        {"three equal codes: the last", {5, 5, 5}, 5, 2},
        {"a run of equal codes: a later one", {1, 2, 2, 2, 3}, 2, 3},
        {"unsorted: a present code missed", {3, 1, 2}, 3, -1},
        {"negative codes", {-20, -10, 0}, -10, 1},
    };
    for (const Case& c : cases) {
        const auto table = CodesTable(c.codes);
        EXPECT_EQ(table->Find(c.key), c.index) << c.name;
    }
}

TEST_F(TextTables, FindOnAscendingDistinctCodesFindsEveryCodeAndNothingElse) {
    for (int n = 1; n <= 40; ++n) {
        std::vector<int> codes;
        for (int i = 0; i < n; ++i)
            codes.push_back(3 * i + 1);
        const auto table = CodesTable(codes);
        for (int key = -1; key <= 3 * n + 1; ++key)
            EXPECT_EQ(table->Find(key), key % 3 == 1 && key > 0 && key <= 3 * n - 2 ? (key - 1) / 3 : -1)
                << "n " << n << " key " << key;
    }
}

TEST_F(TextTables, LinesEndAtOneOrTwoLineEndCharacters) {
    struct Case {
        const char* name;
        QByteArray text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"LF", "a\nb\nc\n", {"a", "b", "c"}},
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"LF CR", "a\n\rb\n\r", {"a", "b"}},
        {"CR CR", "a\r\rb\r\r", {"a", "b"}},
        {"an empty line with LF ends is no line", "a\n\nb\n", {"a", "b"}},
        {"an empty line with CR LF ends is a line", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"two empty lines with LF ends are one", "a\n\n\nb\n", {"a", "", "b"}},
        {"no final line end: the last line is not read", "a\nb", {"a"}},
        {"no line end at all", "abc", {}},
    };
    for (const Case& c : cases) {
        const auto table = DirectTable(c.text);
        EXPECT_EQ(Texts(*table), c.lines) << c.name;
        EXPECT_EQ(table->GetAuxText(0).toStdString(), c.lines.empty() ? "" : c.lines[0]) << c.name;
    }
}

TEST_F(TextTables, DelimitedLinesWithNoneToThreeSeparators) {
    struct Case {
        const char* name;
        QByteArray line;
        int base;
        int code;
        std::string text;
        std::string aux;
    };
    const Case cases[] = {
        {"no separator: all of it the second text", "Name only", 10, 0, "", "Name only"},
        {"one separator", "5;rest", 10, 5, "", "rest"},
        {"two separators", "5;Name;Unit", 10, 5, "Name", "Unit"},
        {"three separators: only the last part", "5;Name;Unit;Last", 10, 5, "Name", "Last"},
        {"blanks around the code", " 12 ;x;y", 10, 12, "x", "y"},
        {"a negative code", "-3;x;y", 10, -3, "x", "y"},
        {"a code that is no number", "1a;x;y", 10, 0, "x", "y"},
        {"a hexadecimal code", "1A;x;y", 16, 26, "x", "y"},
        {"empty fields", ";;", 10, 0, "", ""},
    };
    for (const Case& c : cases) {
        TTextTable table;
        table.SetNumberBase(c.base);
        ASSERT_TRUE(table.LoadBytes(c.line + CrLf)) << c.name;
        ASSERT_EQ(table.Count(), 1) << c.name;
        EXPECT_EQ(table.Record(0).code, c.code) << c.name;
        EXPECT_EQ(table.GetText(c.code).toStdString(), c.text) << c.name;
        EXPECT_EQ(table.GetAuxText(c.code).toStdString(), c.aux) << c.name;
    }
}

TEST_F(TextTables, FieldsAndDirectLinesAreCutAtTheirLimit) {
    const QByteArray longField(300, 'x');
    TTextTable delimited;
    delimited.LoadBytes("1;" + longField + ';' + longField + CrLf);
    EXPECT_EQ(delimited.GetText(1).size(), TTextTable::FieldLimit);
    EXPECT_EQ(delimited.GetAuxText(1).size(), TTextTable::FieldLimit);
    const auto direct = DirectTable(longField + CrLf);
    EXPECT_EQ(direct->GetText(0).size(), TTextTable::FieldLimit);
}

TEST_F(TextTables, DirectFormAnswersLineIndexes) {
    const auto table = DirectTable("a\nb\nc\n");
    EXPECT_EQ(table->Find(0), 0);
    EXPECT_EQ(table->Find(2), 2);
    EXPECT_EQ(table->Find(3), -1);
    EXPECT_EQ(table->Find(-1), -1);
    EXPECT_EQ(table->GetText(1), QStringLiteral("b"));
    EXPECT_EQ(table->GetAuxText(1), QStringLiteral("b"));
}

TEST_F(TextTables, FixedWidthColumnsOfTheThreeKinds) {
    TEcuTextTable ecu;
    ASSERT_TRUE(ecu.LoadBytes(EcuLine(0x10, "Engine") + EcuLine(0x1A, "Gearbox")));
    EXPECT_EQ(ecu.Find(0x1A), 1);
    EXPECT_EQ(ecu.GetText(0x1A), QString::fromLatin1(Column("Gearbox", 25))); // trailing blanks kept
    EXPECT_EQ(ecu.GetAuxText(0x1A), QString());

    TItemTextTable items;
    ASSERT_TRUE(items.LoadBytes(ItemLine(3, "Speed", "Engine speed") + ItemLine(12, "Temp", "Coolant temperature")));
    EXPECT_EQ(items.GetText(12).trimmed(), QStringLiteral("Temp"));
    EXPECT_EQ(items.GetText(12).size(), 25);
    EXPECT_EQ(items.GetAuxText(12), QString::fromLatin1(Column("Coolant temperature", 70)));
    EXPECT_EQ(items.Find(0x12), -1); // decimal codes

    TErrorTextTable errors;
    const QByteArray longText(80, 'E');
    ASSERT_TRUE(errors.LoadBytes(ErrorLine(0x0100, longText)));
    EXPECT_EQ(errors.GetText(0x100), QString::fromLatin1(longText.left(70)));
}

TEST_F(TextTables, FixedWidthTextsEndAtAZeroByteAndNeverReadPastAShortLine) {
    QByteArray first = EcuLine(1, "Long enough");
    first[9 + 4] = '\0'; // "Long" then a zero byte
    TEcuTextTable ecu;
    // The second line is shorter than its columns; the third begins where a full line would.
    ASSERT_TRUE(ecu.LoadBytes(first + "00000002 Short\r\n"));
    EXPECT_EQ(ecu.GetText(1), QStringLiteral("Long"));
    EXPECT_EQ(ecu.Count(), 2);
    EXPECT_EQ(ecu.GetText(2), QStringLiteral("Short")); // not the line end, not beyond the data

    TItemTextTable items;
    ASSERT_TRUE(items.LoadBytes(ItemLine(1, "A", "B") + "00000002 X\r\n"));
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(items.GetAuxText(2), QString());
}

TEST_F(TextTables, LoadingAFileThatCannotBeOpenedKeepsTheRecords) {
    WorkingFolder folder;
    WriteFile(QStringLiteral("codes.txt"), "1;one;\r\n2;two;\r\n");
    WriteFile(QStringLiteral("empty.txt"), QByteArray());
    TTextTable table(QStringLiteral("codes.txt"), false, 10);
    EXPECT_EQ(table.FileName(), QStringLiteral("codes.txt"));
    EXPECT_EQ(table.GetText(2), QStringLiteral("two"));
    EXPECT_FALSE(table.Load(QStringLiteral("missing.txt")));
    EXPECT_EQ(table.GetText(2), QStringLiteral("two"));
    EXPECT_FALSE(table.Load(QStringLiteral("empty.txt"))); // opens, holds nothing: empty table
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.GetText(2), QString());

    TEcuTextTable ecu(QStringLiteral("missing.txt"));
    EXPECT_EQ(ecu.Count(), 0);
    EXPECT_EQ(ecu.FileName(), QString()); // the fixed-width forms keep no path
}

TEST_F(TextTables, TheNextLookUpDecodesWithTheNewCodePage) {
    TTextTable table;
    table.LoadBytes("1;\xE8\xEC;\r\n");
    // No code page: Latin-1.
    EXPECT_EQ(table.GetText(1), QString::fromUtf8("\u00E8\u00EC"));
    CatalogueCodec::SetCodecName(QStringLiteral("CP1251"));
    EXPECT_EQ(table.GetText(1), QString::fromUtf8("\u0438\u043C")); // Cyrillic i, m
    EXPECT_EQ(CatalogueCodec::CachedCodecName(), QStringLiteral("CP1251"));
    CatalogueCodec::SetCodecName(QStringLiteral("no-such-code-page"));
    EXPECT_EQ(table.GetText(1), QString::fromUtf8("\u00E8\u00EC"));
    CatalogueCodec::SetCodecName(QString());
    EXPECT_EQ(table.GetText(1), QString::fromUtf8("\u00E8\u00EC"));
    EXPECT_EQ(CatalogueCodec::CachedCodecName(), QString());
}

TEST_F(TextTables, CP1258DecodesOneByteToOneCharacter) {
    CatalogueCodec::SetCodecName(QStringLiteral("CP1258"));
    // A letter followed by the combining acute (0xEC) and the grave (0xCC): four characters, so
    // the column behind them stays where the file has it.
    TItemTextTable items;
    items.LoadBytes(Dec8(1) + ' ' + Column("a\xEC" "e\xCC", 25) + ' ' + Column("desc", 70) + CrLf);
    const QString name = items.GetText(1);
    EXPECT_EQ(name.size(), 25);
    EXPECT_EQ(name.left(4), QString::fromUtf8("a\u0301e\u0300"));
    EXPECT_EQ(items.GetAuxText(1).trimmed(), QStringLiteral("desc"));
    EXPECT_EQ(CatalogueCodec::Decode(QByteArray("\xD0\xFD\xFE", 3)), QString::fromUtf8("\u0110\u01B0\u20AB"));
}

namespace {

// A single-byte page that composes like an ICU-backed CP1258: Latin-1, except that 'a' followed
// by 0xEC is one character.
class ComposingCodec : public QTextCodec {
public:
    QByteArray name() const override { return "X-Composing-Test"; }
    int mibEnum() const override { return 3999; }

protected:
    QString convertToUnicode(const char* in, int length, ConverterState*) const override {
        QString out;
        for (int i = 0; i < length; ++i) {
            if (in[i] == 'a' && i + 1 < length && static_cast<unsigned char>(in[i + 1]) == 0xEC) {
                out += QChar(0x00E1);
                ++i;
            } else {
                out += QChar(static_cast<unsigned char>(in[i]));
            }
        }
        return out;
    }
    QByteArray convertFromUnicode(const QChar* in, int length, ConverterState*) const override {
        return QString(in, length).toLatin1();
    }
};

} // namespace

TEST_F(TextTables, AComposingSinglePageIsDecodedThroughItsByteTable) {
    static ComposingCodec* const codec = new ComposingCodec; // Qt keeps every codec until the end
    ASSERT_NE(codec, nullptr);
    ASSERT_EQ(QTextCodec::codecForName("X-Composing-Test"), codec);
    CatalogueCodec::SetCodecName(QStringLiteral("X-Composing-Test"));
    TTextTable table;
    table.LoadBytes("1;xa\xEC" "b;\r\n");
    EXPECT_EQ(table.GetText(1), QString::fromUtf8("xa\u00ECb"));
    EXPECT_TRUE(CatalogueCodec::DecodesByteByByte());

    CatalogueCodec::SetCodecName(QStringLiteral("CP1251")); // a page that does not compose
    EXPECT_EQ(table.GetText(1).size(), 4);
    EXPECT_FALSE(CatalogueCodec::DecodesByteByByte());
}

TEST_F(TextTables, LargeTablesAnswerEveryRecordOfEachForm) {
    // Many more records than fit one block of a table's records.
    constexpr int Records = 5000;
    QByteArray delimited;
    QByteArray direct;
    QByteArray items;
    for (int i = 0; i < Records; ++i) {
        const QByteArray n = QByteArray::number(i);
        delimited += DelimitedLine(2 * i, "text" + n, "aux" + n);
        direct += "line" + n + CrLf;
        items += ItemLine(2 * i, "item" + n, "description" + n);
    }
    TTextTable byCode;
    ASSERT_TRUE(byCode.LoadBytes(delimited));
    const auto byLine = DirectTable(direct);
    TItemTextTable fixed;
    ASSERT_TRUE(fixed.LoadBytes(items));
    EXPECT_EQ(byCode.Count(), Records);
    EXPECT_EQ(byLine->Count(), Records);
    EXPECT_EQ(fixed.Count(), Records);
    for (int i : {0, 1, 31, 32, 33, 127, 128, 129, 1023, 1024, 2500, Records - 1}) {
        const std::string n = std::to_string(i);
        EXPECT_EQ(byCode.Find(2 * i), i) << i;
        EXPECT_EQ(byCode.Find(2 * i + 1), -1) << i;
        EXPECT_EQ(byCode.GetText(2 * i).toStdString(), "text" + n);
        EXPECT_EQ(byCode.GetAuxText(2 * i).toStdString(), "aux" + n);
        EXPECT_EQ(byLine->GetText(i).toStdString(), "line" + n);
        EXPECT_EQ(fixed.Find(2 * i), i) << i;
        EXPECT_EQ(fixed.GetText(2 * i).trimmed().toStdString(), "item" + n);
        EXPECT_EQ(fixed.GetAuxText(2 * i).trimmed().toStdString(), "description" + n);
    }
    EXPECT_EQ(byLine->GetText(Records), QString());
    EXPECT_EQ(fixed.Find(2 * Records), -1);
}
