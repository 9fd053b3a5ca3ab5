// The emulator program ends in order on SIGTERM and SIGINT in every wait: serving the host,
// waiting as a tester for the ECU to be started, and in the middle of a tester script.
#include "BusTester.h"
#include "KrixEmulator.h"
#include "TesterScript.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef TARVICO_EMULATOR_PROGRAM
#error "TARVICO_EMULATOR_PROGRAM must name the built krix_emulator program"
#endif

namespace {

// Generous: only a program that does not end comes near it; never a measure of speed.
constexpr auto EndLimit = std::chrono::seconds(30);
constexpr const char* OneStepScript = "can 22 F1 90 => 62 F1 90 01\n";

// The emulator program with its standard output on a pipe; killed at the end if still running.
class EmulatorProgram {
public:
    explicit EmulatorProgram(const std::vector<std::string>& arguments) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv{const_cast<char*>(TARVICO_EMULATOR_PROGRAM)};
            for (const std::string& a : arguments)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        output_ = ::fdopen(out[0], "r");
    }
    ~EmulatorProgram() {
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_)
            std::fclose(output_);
    }
    EmulatorProgram(const EmulatorProgram&) = delete;
    EmulatorProgram& operator=(const EmulatorProgram&) = delete;

    // The next line of its output, without the line end; empty at the end of the output.
    std::string Line() {
        char buffer[512];
        if (!output_ || !std::fgets(buffer, sizeof buffer, output_))
            return {};
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        return line;
    }
    // Reads until a line with the text has come; false at the end of the output.
    bool LineWith(const std::string& text) {
        for (std::string line = Line(); !line.empty(); line = Line())
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
    void Signal(int signal) { ::kill(pid_, signal); }
    // Its wait status once it has ended within EndLimit; nothing when it has not.
    std::optional<int> Ended() {
        const auto end = std::chrono::steady_clock::now() + EndLimit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::nullopt;
    }
    bool Started() const { return pid_ > 0 && output_; }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
    FILE* output_ = nullptr;
};

class ScriptFile {
public:
    explicit ScriptFile(const std::string& text)
        : path_(std::filesystem::temp_directory_path() / ("krix_tester_" + std::to_string(::getpid()) + ".txt")) {
        std::ofstream(path_) << text;
    }
    ~ScriptFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    std::string Path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

struct StopCase {
    const char* name;
    bool tester;          // --tester with a script, waiting a day for the ECU
    bool serveAfter;
    int signal;
    const char* lastWord; // a line the program prints before it ends
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class EmulatorProgramStops : public ::testing::TestWithParam<StopCase> {};

} // namespace

TEST_P(EmulatorProgramStops, EndsWithStatusZero) {
    const StopCase& c = GetParam();
    ScriptFile script(OneStepScript);
    std::vector<std::string> arguments;
    if (c.tester)
        arguments = {"--tester", script.Path(), "--wait-seconds", "86400"};
    if (c.serveAfter)
        arguments.push_back("--serve-after");
    EmulatorProgram program(arguments);
    ASSERT_TRUE(program.Started());
    ASSERT_EQ(program.Line().rfind("/dev/", 0), 0u); // the device name comes first
    if (c.tester) {
        ASSERT_TRUE(program.LineWith("tester: waiting for the ECU"));
    }
    program.Signal(c.signal);
    if (c.lastWord[0] != '\0') {
        EXPECT_TRUE(program.LineWith(c.lastWord));
    }
    const std::optional<int> status = program.Ended();
    ASSERT_TRUE(status.has_value()) << "still running " << EndLimit.count() << " s after the signal";
    ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << (WIFSIGNALED(*status) ? WTERMSIG(*status) : 0);
    EXPECT_EQ(WEXITSTATUS(*status), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Waits, EmulatorProgramStops,
    ::testing::Values(StopCase{"Serving", false, false, SIGTERM, ""},
                      StopCase{"WaitingForTheEcu", true, false, SIGTERM, "tester: stopped before the ECU was started"},
                      StopCase{"WaitingForTheEcuOnInterrupt", true, false, SIGINT,
                               "tester: stopped before the ECU was started"},
                      StopCase{"WaitingForTheEcuToServeAfter", true, true, SIGTERM,
                               "tester: stopped before the ECU was started"}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

// Interrupted, the script stops at the exchange in progress: no answer is missing from it then.
TEST(EmulatorTesterInterrupted, StopsAtTheExchangeInProgress) {
    KrixEmu::KrixEmulator emulator;
    emulator.InterruptWaits();
    EXPECT_FALSE(emulator.WaitUntilOnBus(EndLimit));
    EXPECT_FALSE(emulator.WaitForBusFrames(1, EndLimit));
    EXPECT_FALSE(emulator.WaitFor(KrixEmu::RequestKind::Any, 1, EndLimit));

    std::istringstream text(std::string(OneStepScript) + OneStepScript);
    std::string error;
    const auto steps = KrixEmu::ParseTesterScript(text, &error);
    ASSERT_TRUE(steps) << error;
    KrixEmu::BusTester tester(emulator);
    std::ostringstream out;
    EXPECT_TRUE(KrixEmu::RunTesterScript(tester, *steps, out));
    EXPECT_TRUE(tester.Interrupted());
    EXPECT_NE(out.str().find("stopped before the answer"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("[2]"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("NOT AS EXPECTED"), std::string::npos) << out.str();
}
