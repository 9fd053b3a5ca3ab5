#pragma once
// The real main window under Qt's offscreen platform for the window's tests: one application per
// test program, a wait that keeps the window's events flowing, and a copy of the fixture
// simulation with a program folder holding the fake link library.
#include <QAbstractItemView>
#include <QApplication>
#include <QBrush>
#include <QFont>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "fixtures/SimulationFolder.h"

// Generous: only a broken window or engine gets near it; never a measure of speed.
inline constexpr std::chrono::seconds WindowWaitLimit{30};

inline QApplication& WindowApplication() {
    // The tests' environment names the offscreen platform; a program started by hand gets it too.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tarvico_window_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Processes the window's events until pred holds; false when the limit passed first.
template <typename Pred> bool ProcessUntil(Pred pred) {
    const auto end = std::chrono::steady_clock::now() + WindowWaitLimit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A control of the window by its component name; fails the test when there is none.
template <typename T> T* Control(const QObject& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

inline std::vector<std::string> LinesOf(const QPlainTextEdit& edit) {
    std::vector<std::string> lines;
    const QString text = edit.toPlainText();
    if (text.isEmpty()) return lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(line.toStdString());
    return lines;
}

// One line of the traffic log as drawn: its text, colour and weight.
struct DrawnLine {
    std::string Text;
    std::string Color; // "#rrggbb"
    bool Bold = false;
    bool operator==(const DrawnLine&) const = default;
};
inline void PrintTo(const DrawnLine& l, std::ostream* os) {
    *os << "{\"" << l.Text << "\", " << l.Color << (l.Bold ? ", bold}" : "}");
}

inline std::vector<DrawnLine> DrawnLines(const QAbstractItemView& log) {
    std::vector<DrawnLine> lines;
    const QAbstractItemModel& model = *log.model();
    for (int r = 0; r < model.rowCount(); ++r) {
        const QModelIndex line = model.index(r, 0);
        lines.push_back({line.data(Qt::DisplayRole).toString().toStdString(),
                         line.data(Qt::ForegroundRole).value<QBrush>().color().name().toStdString(),
                         line.data(Qt::FontRole).value<QFont>().bold()});
    }
    return lines;
}

// The log's text: each line followed by a line feed.
inline std::string LogText(const QAbstractItemView& log) {
    std::string text;
    for (const DrawnLine& line : DrawnLines(log)) text += line.Text + "\n";
    return text;
}

// A copy of the window's fixture simulation, and a program folder with the fake link library and
// the stand-in checksum library, as the window's program folder.
class WindowFolders {
public:
    WindowFolders() {
        namespace fs = std::filesystem;
        folder_.CopySimulation(fs::path(TARVICO_UI_FIXTURES) / "simulation");
#ifdef TARVICO_FAKELINK_DIR
        program_ = folder_.MakeProgramFolder("program", TARVICO_FAKELINK_DIR);
#else
        program_ = folder_.MakeFolder("program");
#endif
    }
    std::filesystem::path Simulation() const { return folder_.Root() / "simul1.ini"; }
    const std::filesystem::path& Root() const { return folder_.Root(); }
    const std::filesystem::path& Program() const { return program_; }
    std::filesystem::path MakeFolder(const std::string& name) { return folder_.MakeFolder(name); }

private:
    SimulationFolder folder_;
    std::filesystem::path program_;
};
