#include "EmulatorRun.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

constexpr auto DeviceLimit = std::chrono::seconds(10);
constexpr int StopPolls = 50; // of 100 ms before KILL
constexpr std::size_t KeptOtherLines = 20;

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

} // namespace

std::optional<double> ThreadCpuSeconds(pid_t pid, pid_t tid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/stat";
    FILE* f = std::fopen(path.c_str(), "r");
    if (f == nullptr)
        return std::nullopt;
    char line[1024];
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!read)
        return std::nullopt;
    // The name in parentheses may hold blanks; the fields count from behind its closing one.
    const char* after = std::strrchr(line, ')');
    if (after == nullptr)
        return std::nullopt;
    unsigned long utime = 0, stime = 0;
    // state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime stime
    if (std::sscanf(after + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
        return std::nullopt;
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::vector<pid_t> ThreadsOf(pid_t pid) {
    std::vector<pid_t> tids;
    const std::string path = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                tids.push_back(static_cast<pid_t>(std::atoi(entry->d_name)));
        closedir(dir);
    }
    return tids;
}

double PeakRssBytes(pid_t pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    double peak = 0;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        char line[256];
        long kb = 0;
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1)
                peak = static_cast<double>(kb) * 1024;
        std::fclose(f);
    }
    return peak;
}

EmulatorRun::EmulatorRun(const std::string& program, const std::vector<std::string>& args,
                         const std::string& errorFile, ExchangeHook hook)
    : hook_(std::move(hook)) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("no pipe for the emulator's output");
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) {
        ::close(out[0]);
        ::close(out[1]);
        throw std::runtime_error("cannot start " + program);
    }
    if (pid_ == 0) {
        const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out[1], STDOUT_FILENO);
        if (err >= 0)
            ::dup2(err, STDERR_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    reader_ = std::thread([this, fd = out[0]] { Read(fd); });
    std::unique_lock lock(mutex_);
    if (!deviceNamed_.wait_for(lock, DeviceLimit, [&] { return !device_.empty() || outputEnded_; }) ||
        device_.empty()) {
        lock.unlock();
        Stop();
        throw std::runtime_error(program + " named no device");
    }
}

EmulatorRun::~EmulatorRun() { Stop(); }

void EmulatorRun::Read(int fd) {
    FILE* in = ::fdopen(fd, "r");
    if (in == nullptr) {
        ::close(fd);
        std::lock_guard lock(mutex_);
        outputEnded_ = true;
        deviceNamed_.notify_all();
        return;
    }
    char* buffer = nullptr;
    std::size_t size = 0;
    bool first = true;
    ssize_t n = 0;
    while ((n = ::getline(&buffer, &size, in)) > 0) {
        std::string line(buffer, static_cast<std::size_t>(n));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (first) {
            first = false;
            std::lock_guard lock(mutex_);
            device_ = line;
            deviceNamed_.notify_all();
            continue;
        }
        const bool expected = line == "    as expected";
        const bool mismatch = StartsWith(line, "    NOT AS EXPECTED");
        if (expected || mismatch) {
            std::size_t count = 0;
            {
                std::lock_guard lock(mutex_);
                times_.push_back(Clock::now());
                mismatches_ += mismatch ? 1 : 0;
                count = times_.size();
            }
            if (hook_)
                hook_(count);
            continue;
        }
        if (StartsWith(line, "tester: ") && (line.find(" exchanges, ") != std::string::npos ||
                                              StartsWith(line, "tester: stopped"))) {
            std::lock_guard lock(mutex_);
            testerEnded_ = true;
        }
        if (!StartsWith(line, "    ") && !StartsWith(line, "[")) {
            std::lock_guard lock(mutex_);
            if (otherLines_.size() < KeptOtherLines)
                otherLines_.push_back(line);
        }
    }
    std::free(buffer);
    std::fclose(in);
    std::lock_guard lock(mutex_);
    outputEnded_ = true;
    deviceNamed_.notify_all();
}

std::size_t EmulatorRun::Exchanges() const {
    std::lock_guard lock(mutex_);
    return times_.size();
}

std::size_t EmulatorRun::Mismatches() const {
    std::lock_guard lock(mutex_);
    return mismatches_;
}

std::vector<EmulatorRun::Clock::time_point> EmulatorRun::ExchangeTimes() const {
    std::lock_guard lock(mutex_);
    return times_;
}

bool EmulatorRun::TesterEnded() const {
    std::lock_guard lock(mutex_);
    return testerEnded_ || outputEnded_;
}

std::vector<std::string> EmulatorRun::OtherLines() const {
    std::lock_guard lock(mutex_);
    return otherLines_;
}

int EmulatorRun::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < StopPolls && !ended; ++i) {
            ended = ::waitpid(pid_, &status, WNOHANG) == pid_;
            if (!ended)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (!ended) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pid_ = -1;
    }
    if (reader_.joinable())
        reader_.join();
    return status_;
}
