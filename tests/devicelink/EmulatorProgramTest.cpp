// The emulator program ends in order on SIGTERM and SIGINT in every wait: serving the host,
// waiting as a tester for the ECU to be started, and in the middle of a tester script; and its
// options for the link state, the activation record and the Bluetooth modules.
#include "BusTester.h"
#include "KrixEmulator.h"
#include "TesterScript.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
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

namespace {

// The host's end of the printed device, raw at a speed, for a few bytes each way.
class RawHost {
public:
    RawHost(const std::string& path, speed_t speed) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios t{};
        if (fd_ < 0 || ::tcgetattr(fd_, &t) != 0)
            return;
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    ~RawHost() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    RawHost(const RawHost&) = delete;
    RawHost& operator=(const RawHost&) = delete;

    bool Write(const KrixEmu::Bytes& bytes) {
        return fd_ >= 0 && ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Up to n bytes, waiting at most EndLimit in all.
    KrixEmu::Bytes Read(std::size_t n) {
        KrixEmu::Bytes got;
        const auto end = std::chrono::steady_clock::now() + EndLimit;
        while (got.size() < n && std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            std::uint8_t b = 0;
            if (::read(fd_, &b, 1) == 1)
                got.push_back(b);
        }
        return got;
    }

private:
    int fd_;
};

std::optional<int> ExitStatusAfterTerm(EmulatorProgram& program) {
    program.Signal(SIGTERM);
    const std::optional<int> status = program.Ended();
    if (!status || !WIFEXITED(*status))
        return std::nullopt;
    return WEXITSTATUS(*status);
}

} // namespace

TEST(EmulatorProgramOptions, LinkStateActivationRecordAndModules) {
    {
        // The link-state answer carries the bytes given; the record is answered whole.
        std::string record(48, '0');
        record.replace(2 * (18 - 9), 6, "0A0B0C");
        EmulatorProgram program({"--link-state", "00010006", "--activation-record", record});
        ASSERT_TRUE(program.Started());
        const std::string device = program.Line();
        RawHost host(device, B38400);
        ASSERT_TRUE(host.Write({0x5B, 0x20, 0x01, 0x00, 0x00, 0x0B, 0x22, 0x3F, 0x00, 0x00, 0xE8}));
        const KrixEmu::Bytes linkState = host.Read(15);
        ASSERT_EQ(linkState.size(), 15u);
        EXPECT_EQ(KrixEmu::Bytes(linkState.begin() + 9, linkState.begin() + 13), (KrixEmu::Bytes{0x00, 0x01, 0x00, 0x06}));
        ASSERT_TRUE(host.Write({0x5B, 0x20, 0x01, 0x00, 0x00, 0x0B, 0x22, 0x00, 0x01, 0x00, 0xAA}));
        const KrixEmu::Bytes answer = host.Read(35);
        ASSERT_EQ(answer.size(), 35u);
        EXPECT_EQ(KrixEmu::Bytes(answer.begin() + 18, answer.begin() + 21), (KrixEmu::Bytes{0x0A, 0x0B, 0x0C}));
        EXPECT_EQ(ExitStatusAfterTerm(program), 0);
    }
    {
        // Behind the modules the host talks at 115200 to the local module first.
        EmulatorProgram program({"--bluetooth", "0012F3AABBCC"});
        ASSERT_TRUE(program.Started());
        RawHost host(program.Line(), B115200);
        ASSERT_TRUE(host.Write({0xD5, 0xE1, 0x10, 0x24, 0x01, 0x01, 0xEC}));
        EXPECT_EQ(host.Read(7), (KrixEmu::Bytes{0xE5, 0xD5, 0xE1, 0x64, 0x01, 0x00, 0x00}));
        EXPECT_EQ(ExitStatusAfterTerm(program), 0);
    }
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--link-state", "0001000"},
                                                 std::vector<std::string>{"--link-state", "0001000G"},
                                                 std::vector<std::string>{"--activation-record", "00"}}) {
        EmulatorProgram program(bad);
        ASSERT_TRUE(program.Started());
        const std::optional<int> status = program.Ended();
        ASSERT_TRUE(status && WIFEXITED(*status));
        EXPECT_EQ(WEXITSTATUS(*status), 2) << bad[0] << ' ' << bad[1];
    }
}
