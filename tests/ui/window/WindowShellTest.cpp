// The window's shell without an engine: caption, menus with their shortcuts, pages and groups,
// status panels, the keys the window sees before the focused control, the close question, the
// KRIX port command and the ZULM port's settings from ProgramSettings.ini.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <memory>
#include <regex>

#include "ControllerTestSupport.h"
#include "MainForm.h"
#include "MemoryStatus.h"
#include "QtOperatorDialogs.h"
#include "WindowTestSupport.h"
#include "fixtures/SteppingClock.h"

namespace fs = std::filesystem;

namespace {

const std::string Title = std::string("Tarvico (v. ") + TARVICO_TEST_VERSION + ")";

class WindowShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        WindowApplication();
        MakeWindow();
    }
    void MakeWindow() {
        window.reset();
        window = std::make_unique<TfFormMain>(folders.Program().string(), &dialogs);
        window->show();
    }
    std::vector<std::string> Boxes() {
        std::vector<std::string> boxes;
        boxes.swap(dialogs.Boxes);
        return boxes;
    }
    QString Panel(const char* name) { return Control<QLabel>(*window, name)->text(); }

    WindowFolders folders;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfFormMain> window;
};

struct ActionCase {
    const char* name;
    const char* caption;
    QKeySequence shortcut;
    bool enabled;
};

} // namespace

TEST_F(WindowShellTest, CaptionMenusPagesAndControls) {
    EXPECT_EQ(window->windowTitle().toStdString(), Title);
    EXPECT_EQ(window->size(), QSize(FormWidth, FormHeight));

    const QStringList menus = [&] {
        QStringList titles;
        for (QAction* a : window->menuBar()->actions()) titles << a->text();
        return titles;
    }();
    EXPECT_EQ(menus, (QStringList{"&Data", "Settings", "&Search", "PSI Search"}));

    const ActionCase actions[] = {
        {"mLoadIni", "Load...", QKeySequence(Qt::CTRL | Qt::Key_L), true},
        {"mReloadSystem", "Reload system", {}, true},
        {"mSaveIni", "Save", QKeySequence(Qt::CTRL | Qt::Key_S), true},
        {"mSaveAsIni", "Save as...", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S), false},
        {"mReload", "Reload", {}, true},
        {"mExit", "E&xit", {}, true},
        {"mKRIXCOMPort", "COM Port", {}, true},
        {"mZULMCOMPort", "COM Port", {}, true},
        {"mFindByteDescription", "Find Byte Description...", QKeySequence(Qt::CTRL | Qt::Key_F), false},
        {"mSearchAgain", "Search again", QKeySequence(Qt::Key_F3), false},
        {"mClearOriglio", "Clear", {}, true},
        {"mOriglioEnabled", "Enabled", {}, true},
        {"mOriglioSave", "Save to file...", {}, true},
        {"mAcualRequestClear", "Clear", {}, true},
        {"mUnknownRequestClear", "Clear", {}, true},
    };
    for (const ActionCase& c : actions) {
        QAction* action = Control<QAction>(*window, c.name);
        ASSERT_NE(action, nullptr) << c.name;
        EXPECT_EQ(action->text(), QString::fromLatin1(c.caption)) << c.name;
        EXPECT_EQ(action->shortcut(), c.shortcut) << c.name;
        EXPECT_EQ(action->isEnabled(), c.enabled) << c.name;
    }
    EXPECT_TRUE(Control<QAction>(*window, "mOriglioEnabled")->isChecked());

    QTabWidget* pages = Control<QTabWidget>(*window, "pgPageControl");
    ASSERT_NE(pages, nullptr);
    QStringList captions;
    for (int p = 0; p < pages->count(); ++p) captions << pages->tabText(p);
    EXPECT_EQ(captions, (QStringList{"&System Info", "&PSI", "&Errors", "&Activations", "Settings"}));
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(window->Page(FormPage::Errors), pages->widget(2));

    const std::pair<const char*, const char*> groups[] = {
        {"gbSimulatorControl", "Simulator control"}, {"gbMessages", "Messages"},
        {"gbOriglio", "Origlio"}, {"gbActualRequests", "Actual requests"},
        {"gbUnknownRequests", "Unknown Requests"}, {"gbSimulator", "Simulator"},
        {"gbProtocol", "Protocol"}, {"gbNotes", "Notes"},
    };
    for (const auto& [name, title] : groups) {
        QGroupBox* g = Control<QGroupBox>(*window, name);
        ASSERT_NE(g, nullptr) << name;
        EXPECT_EQ(g->title(), QString::fromLatin1(title)) << name;
    }

    const std::pair<const char*, const char*> buttons[] = {
        {"cmdStart", "Go! (F9)"}, {"cmdStop", "Stop (ESC)"}, {"cmdReset", "Reset"}};
    for (const auto& [name, caption] : buttons) {
        QPushButton* b = Control<QPushButton>(*window, name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), QString::fromLatin1(caption));
        EXPECT_FALSE(b->isEnabled()) << name;
    }

    // The option controls show their form values until a simulation is loaded.
    EXPECT_EQ(Control<QSpinBox>(*window, "seResetTimeout")->value(), 60);
    EXPECT_EQ(Control<QSpinBox>(*window, "seDefaultLenght")->value(), 1);
    EXPECT_TRUE(Control<QCheckBox>(*window, "cbAutoAnswer")->isChecked());
    QTimer* expiry = Control<QTimer>(*window, "tTimerActualRequest");
    EXPECT_TRUE(expiry->isActive());
    EXPECT_EQ(expiry->interval(), 60000);

    EXPECT_EQ(Panel("sbPanel0"), "Overwrite");
    EXPECT_TRUE(std::regex_match(Panel("sbPanel2").toStdString(), std::regex("Physical Memory used [0-9]+%")))
        << Panel("sbPanel2").toStdString();
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(WindowShellTest, TheWindowSeesKeysBeforeTheFocusedControl) {
    QSpinBox* spin = Control<QSpinBox>(*window, "seDefaultLenght");
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Insert);
    EXPECT_EQ(window->OverwriteFlag(), 0);
    EXPECT_EQ(Panel("sbPanel0"), "Insert");
    QTest::keyClick(spin, Qt::Key_Insert);
    EXPECT_EQ(window->OverwriteFlag(), 1);
    EXPECT_EQ(Panel("sbPanel0"), "Overwrite");

    // The focused control still gets the key, and one press is seen once however far it travels.
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->value(), 2);
    QTest::keyClick(Control<QTabWidget>(*window, "pgPageControl"), Qt::Key_Insert);
    EXPECT_EQ(window->OverwriteFlag(), 0);

    // Esc and F9 act only on an enabled button.
    QTest::keyClick(spin, Qt::Key_Escape);
    QTest::keyClick(spin, Qt::Key_F9);
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(WindowShellTest, ClosingAsksFirstAndWritesNothingBeforeALoad) {
    dialogs.ConfirmAnswers = {false, true};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    const std::string question = "Confirm: Are you sure you want to exit " + Title + "?";
    EXPECT_EQ(Boxes(), (std::vector<std::string>{question, question}));
    EXPECT_FALSE(fs::exists(folders.Program() / ProgramSettingsFileName));
}

TEST_F(WindowShellTest, TheKrixPortIsStoredAsEntered) {
    const std::string ask = "Input: KRIX Options|Insert KRIX COM Port|";
    dialogs.InputAnswers = {std::nullopt, "COM7", "not a port"};
    QAction* port = Control<QAction>(*window, "mKRIXCOMPort");
    port->trigger();
    EXPECT_FALSE(fs::exists(folders.Program() / ProgramSettingsFileName)); // Cancel writes nothing
    port->trigger();
    EXPECT_EQ(window->Controller().Program().DefaultPort(), "COM7");
    port->trigger();
    EXPECT_EQ(window->Controller().Program().DefaultPort(), "not a port"); // unchecked
    // Without an engine there is nothing to reload.
    EXPECT_EQ(Boxes(), (std::vector<std::string>{ask + "COM1", ask + "COM1", ask + "COM7"}));
}

TEST_F(WindowShellTest, TheZulmPortTakesItsSettingsAtCreation) {
    EXPECT_STREQ(window->ZulmPort().GetPortName(), "COM1");
    EXPECT_EQ(window->ZulmPort().Settings().BaudRate, 38400);
    EXPECT_FALSE(window->ZulmPort().IsOpen());

    WriteBytes(folders.Program() / ProgramSettingsFileName,
               "[ZULM Settings]\r\nCOM Port=/dev/ttyUSB3\r\nBaud Rate=19200\r\n");
    MakeWindow();
    EXPECT_STREQ(window->ZulmPort().GetPortName(), "/dev/ttyUSB3");
    EXPECT_EQ(window->ZulmPort().Settings().BaudRate, 19200);
    EXPECT_FALSE(window->ZulmPort().IsOpen());
}

TEST_F(WindowShellTest, ALoadsPumpsProcessTheWindowsEventsAFewTimesAFrame) {
    // The loading passes pump once per entry: a pump that always processed the events would cost
    // a system call per entry, seconds in a simulation of tens of thousands of requests.
    VirtualClock clock(1000);
    ClockGuard guard(clock);
    int handled = 0;
    const auto post = [&] { QMetaObject::invokeMethod(window.get(), [&] { ++handled; }, Qt::QueuedConnection); };
    post();
    window->Pump();
    EXPECT_EQ(handled, 1);
    post();
    window->Pump();
    clock.Advance(PumpIntervalMs - 1);
    window->Pump();
    EXPECT_EQ(handled, 1);
    clock.Advance(1);
    window->Pump();
    EXPECT_EQ(handled, 2);
}

TEST(MemoryStatusTest, TheLoadComesFromMeminfo) {
    const struct {
        const char* text;
        std::optional<int> load;
    } cases[] = {
        {"MemTotal:       1000 kB\nMemFree:         100 kB\nMemAvailable:    250 kB\n", 75},
        {"MemTotal: 1000 kB\nMemFree: 400 kB\n", 60}, // no MemAvailable
        {"MemTotal: 3 kB\nMemAvailable: 2 kB\n", 33}, // rounded down
        {"MemFree: 400 kB\n", std::nullopt},
        {"MemTotal: 0 kB\nMemAvailable: 0 kB\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(MemoryLoadFromMeminfo(c.text), c.load) << c.text;
    EXPECT_EQ(MemoryStatusText(42), "Physical Memory used 42%");
    const std::optional<int> now = ReadMemoryLoad();
    ASSERT_TRUE(now.has_value());
    EXPECT_GE(*now, 0);
    EXPECT_LE(*now, 100);
}

TEST(QtDialogsTest, FiltersBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter("INI files (*.ini)|*.ini"), "INI files (*.ini)");
    EXPECT_EQ(QtFileFilter("Text files (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf"),
              "Text files (*.txt);;Rich Text Format (*.rtf)");
    EXPECT_EQ(QtFileFilter("Logs|*.log"), "Logs (*.log)");
    EXPECT_EQ(FilterExtension("Rich Text Format (*.rtf)"), "rtf");
    EXPECT_EQ(FilterExtension("All (*)"), "");
}
