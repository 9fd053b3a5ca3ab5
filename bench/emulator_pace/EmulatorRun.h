#pragma once
// The krix_emulator program as a process of its own running a tester script, watched from the
// outside as a user's run is: the device it prints on its first line, the moment each exchange's
// verdict line appears on its output, the CPU time of its threads and its peak memory (from
// /proc). A thread of this object reads the output as it comes.
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// User and system CPU seconds of one thread (/proc/<pid>/task/<tid>/stat); nothing once it ended.
std::optional<double> ThreadCpuSeconds(pid_t pid, pid_t tid);
// The thread ids of a process.
std::vector<pid_t> ThreadsOf(pid_t pid);
// VmHWM of a process in bytes (0 when it cannot be read).
double PeakRssBytes(pid_t pid);

class EmulatorRun {
public:
    using Clock = std::chrono::steady_clock;
    // Called on the reading thread for every verdict line: the exchange's number (from 1).
    using ExchangeHook = std::function<void(std::size_t exchange)>;

    // Starts program with args (its output read here, its error output to errorFile) and waits
    // for the device name on its first line; throws std::runtime_error when none comes.
    EmulatorRun(const std::string& program, const std::vector<std::string>& args, const std::string& errorFile,
                ExchangeHook hook = {});
    ~EmulatorRun(); // Stop()
    EmulatorRun(const EmulatorRun&) = delete;
    EmulatorRun& operator=(const EmulatorRun&) = delete;

    const std::string& Device() const { return device_; }
    pid_t Pid() const { return pid_; }

    std::size_t Exchanges() const;
    std::size_t Mismatches() const; // verdicts other than "as expected"
    // When each verdict line was read, in order.
    std::vector<Clock::time_point> ExchangeTimes() const;
    // True once the tester printed its closing line (or the output ended).
    bool TesterEnded() const;
    // The first output lines that were not exchanges (the tester's own lines), for a failure's report.
    std::vector<std::string> OtherLines() const;

    // Ends the program (TERM, then KILL after five seconds) and waits for it; its exit status.
    int Stop();

private:
    void Read(int fd);

    pid_t pid_ = -1;
    int status_ = -1;
    std::string device_;
    ExchangeHook hook_;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable deviceNamed_;
    bool outputEnded_ = false;
    bool testerEnded_ = false;
    std::vector<Clock::time_point> times_;
    std::size_t mismatches_ = 0;
    std::vector<std::string> otherLines_;
};
