// The Qt hex editor over the shared key logic: the same table of key cases as the logic's own
// test, clicked with QTest on the editor, and what the editor adds: its owner's keys first, the
// signals of a key's edit and release, and nothing but keys getting in.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "HexKeyCases.h"
#include "HexLineEdit.h"
#include "WindowTestSupport.h"

namespace {

void Click(QWidget& widget, const std::string& token) {
    if (token.size() == 1) {
        QTest::keyClick(&widget, token[0]);
        return;
    }
    static const std::pair<const char*, Qt::Key> Named[] = {
        {"BS", Qt::Key_Backspace}, {"DEL", Qt::Key_Delete}, {"LEFT", Qt::Key_Left}, {"RIGHT", Qt::Key_Right},
        {"UP", Qt::Key_Up},        {"DOWN", Qt::Key_Down},  {"HOME", Qt::Key_Home}, {"END", Qt::Key_End},
        {"SHIFT", Qt::Key_Shift},  {"CTRL", Qt::Key_Control}, {"ALT", Qt::Key_Alt}, {"INS", Qt::Key_Insert},
        {"TAB", Qt::Key_Tab}};
    // QTest presses the modifier keys alone first, as a keyboard does.
    if (token == "^c") {
        QTest::keyClick(&widget, Qt::Key_C, Qt::ControlModifier);
        return;
    }
    if (token.size() == 2 && token[0] == '+') {
        QTest::keyClick(&widget, token[1], Qt::ShiftModifier);
        return;
    }
    for (const auto& [name, key] : Named)
        if (token == name) {
            QTest::keyClick(&widget, key);
            return;
        }
    ADD_FAILURE() << "no key " << token;
}

class HexLineEditCases : public ::testing::TestWithParam<HexKeyCase> {
protected:
    void SetUp() override { WindowApplication(); }
};

} // namespace

TEST_P(HexLineEditCases, KeyClicksGiveTheTextAndCaret) {
    const HexKeyCase& c = GetParam();
    const bool overwrite = c.Overwrite;
    HexLineEdit edit([&] { return overwrite; });
    int edits = 0;
    QObject::connect(&edit, &HexLineEdit::hexEdited, [&] { ++edits; });
    edit.setText(QString::fromLatin1(c.Text));
    edit.SetLengthLimit(c.MaxLength);
    if (c.SelLength > 0) edit.setSelection(c.Caret, c.SelLength);
    else edit.setCursorPosition(c.Caret);

    for (const std::string& token : HexKeyTokens(c.Keys)) Click(edit, token);
    EXPECT_EQ(edit.text().toStdString(), c.ExpectText);
    EXPECT_EQ(edit.cursorPosition(), c.ExpectCaret);
    EXPECT_FALSE(edit.hasSelectedText());
    EXPECT_EQ(edit.Beeps(), c.ExpectBeeps);
    // Every change a key makes is told; refused keys tell nothing.
    if (c.ExpectText != std::string(c.Text)) {
        EXPECT_GT(edits, 0);
    } else if (c.ExpectBeeps > 0) {
        EXPECT_EQ(edits, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, HexLineEditCases, ::testing::ValuesIn(HexKeyCases),
                         [](const ::testing::TestParamInfo<HexKeyCase>& info) { return std::string(info.param.Name); });

TEST(HexLineEdit, TheOwnerTakesItsKeysFirstAndHearsEveryRelease) {
    WindowApplication();
    bool overwrite = true;
    HexLineEdit edit([&] { return overwrite; });
    std::vector<int> taken, released;
    edit.SetOwnKeys([&](const QKeyEvent& e) {
        if (e.key() != Qt::Key_Return && e.key() != Qt::Key_Escape) return false;
        taken.push_back(e.key());
        return true;
    });
    QObject::connect(&edit, &HexLineEdit::keyReleased, [&](int key) { released.push_back(key); });
    edit.setText("12 34");
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_Escape);
    EXPECT_EQ(taken, (std::vector<int>{Qt::Key_Return, Qt::Key_Escape}));
    EXPECT_EQ(edit.Beeps(), 0); // the owner's keys are not refused

    // The mode is asked at each key: the window's Insert switches it between two keys.
    QTest::keyClick(&edit, '9');
    overwrite = false;
    QTest::keyClick(&edit, '9');
    EXPECT_EQ(edit.text(), "99 23 4");
    EXPECT_EQ(released, (std::vector<int>{Qt::Key_Return, Qt::Key_Escape, Qt::Key_9, Qt::Key_9}));

    // A read-only editor changes nothing.
    edit.setReadOnly(true);
    QTest::keyClick(&edit, 'a');
    EXPECT_EQ(edit.text(), "99 23 4");
}

TEST(HexLineEdit, NothingButKeysGetsIn) {
    WindowApplication();
    HexLineEdit edit([] { return false; });
    EXPECT_EQ(edit.contextMenuPolicy(), Qt::NoContextMenu);
    EXPECT_FALSE(edit.acceptDrops());
    EXPECT_FALSE(edit.testAttribute(Qt::WA_InputMethodEnabled));
    // Ctrl+V pastes nothing, whatever the clipboard holds.
    edit.setText("12");
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "12");
    // A text longer than the locked length is kept whole when set.
    edit.SetLengthLimit(2);
    edit.setText("12 34 56");
    EXPECT_EQ(edit.text(), "12 34 56");
}

TEST(HexLineEdit, TabIsRefusedAndTheFocusStays) {
    WindowApplication();
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* edit = new HexLineEdit([] { return true; }, &form);
    auto* next = new QLineEdit(&form);
    layout->addWidget(edit);
    layout->addWidget(next);
    form.show();
    form.activateWindow();
    edit->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(ProcessUntil([&] { return edit->hasFocus(); }));
    QTest::keyClick(edit, Qt::Key_Tab);
    QTest::keyClick(edit, Qt::Key_Backtab, Qt::ShiftModifier);
    QCoreApplication::processEvents();
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->Beeps(), 2); // Tab, Shift+Tab; not the Shift key alone
}

TEST(HexLineEdit, AModifierAloneNeverBeepsWhateverModifiersItComesWith) {
    WindowApplication();
    HexLineEdit edit([] { return false; });
    edit.setText("12");
    edit.setCursorPosition(2);
    // Some platforms report a modifier key's own press with its modifier already set.
    const std::pair<Qt::Key, Qt::KeyboardModifiers> alone[] = {
        {Qt::Key_Shift, Qt::ShiftModifier},   {Qt::Key_Control, Qt::ControlModifier},
        {Qt::Key_Alt, Qt::AltModifier},       {Qt::Key_Meta, Qt::MetaModifier},
        {Qt::Key_AltGr, Qt::GroupSwitchModifier}, {Qt::Key_CapsLock, Qt::NoModifier}};
    for (const auto& [key, modifiers] : alone) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(&edit, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QCoreApplication::sendEvent(&edit, &release);
    }
    EXPECT_EQ(edit.Beeps(), 0);
    EXPECT_EQ(edit.text(), "12");
    // An upper-case digit typed with Shift goes in; a refused character still beeps.
    QTest::keyClick(&edit, 'A', Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), "12 a");
    EXPECT_EQ(edit.Beeps(), 0);
    QTest::keyClick(&edit, 'G', Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), "12 a");
    EXPECT_EQ(edit.Beeps(), 1);
}
