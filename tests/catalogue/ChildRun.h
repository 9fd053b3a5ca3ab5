#pragma once
// A piece of a test run in a child process of its own (forked from the test, which has no other
// thread at that point), so that a call that never returns, or one that takes the machine's
// memory, fails the test instead of hanging it or the machine: the child is ended when it
// outlives its time or when its resident memory grows past a cap above the test's own.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace ChildRun {

// A field of /proc/<pid>/status in kB; -1 when it cannot be read.
inline long StatusKb(const std::string& pid, const char* field) {
    std::ifstream status("/proc/" + pid + "/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

struct Outcome {
    bool exited = false; // ended by itself
    int code = -1;       // its exit code when it did
    std::string report;  // what the child wrote, or why it was ended
};

// Runs body in a child; what body puts into its report reaches the parent. body's result is
// the child's exit code.
inline Outcome Run(const std::function<int(std::string& report)>& body, std::chrono::milliseconds limit,
                   long memoryCapKb) {
    int channel[2];
    if (::pipe(channel) != 0)
        return {false, -1, "no pipe"};
    const long baseKb = StatusKb("self", "VmRSS");
    const pid_t pid = ::fork();
    if (pid < 0)
        return {false, -1, "no fork"};
    if (pid == 0) {
        ::close(channel[0]);
        std::string report;
        const int code = body(report);
        if (!report.empty() && ::write(channel[1], report.data(), report.size()) < 0)
            ::_exit(125);
        ::_exit(code); // no exit handlers: the test's state is the parent's
    }
    ::close(channel[1]);
    ::fcntl(channel[0], F_SETFL, O_NONBLOCK);
    Outcome outcome;
    const auto drain = [&] {
        char buffer[512];
        for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
            outcome.report.append(buffer, static_cast<std::size_t>(n));
    };
    const auto end = std::chrono::steady_clock::now() + limit;
    const std::string child = std::to_string(pid);
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            drain();
            outcome.exited = WIFEXITED(status);
            outcome.code = outcome.exited ? WEXITSTATUS(status) : -1;
            if (!outcome.exited)
                outcome.report += " [ended by signal " + std::to_string(WTERMSIG(status)) + "]";
            break;
        }
        drain();
        std::string why;
        const long rss = StatusKb(child, "VmRSS");
        if (rss >= 0 && baseKb >= 0 && rss - baseKb > memoryCapKb)
            why = "resident memory " + std::to_string(rss - baseKb) + " kB above the test's";
        else if (std::chrono::steady_clock::now() > end)
            why = "still running after " + std::to_string(limit.count()) + " ms";
        if (!why.empty()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            outcome.report += " [ended: " + why + "]";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::close(channel[0]);
    return outcome;
}

} // namespace ChildRun
