// Texts of the simulation file in the window: the file's code page 1252 both ways, so a
// description read, shown and written back keeps its bytes.
#include <gtest/gtest.h>

#include "FileText.h"

TEST(FileText, CodePage1252BothWays) {
    const std::string bytes = "Parit\xe0 \x80 \x93x\x94 \x9f";
    const QString shown = FromFileText(bytes);
    EXPECT_EQ(shown, QString::fromUtf8("Parità € “x” Ÿ"));
    EXPECT_EQ(ToFileText(shown), bytes);

    // Every byte comes back, also those the code page leaves without a character.
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(ToFileText(FromFileText(all)), all);

    // A character the code page lacks is written as '?'.
    EXPECT_EQ(ToFileText(QString::fromUtf8("Ω 1")), "? 1");
}
