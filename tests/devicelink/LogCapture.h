#pragma once
// Collects the library's debug and warning lines while it lives, so a test can check the texts.
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

class LogCapture {
public:
    LogCapture() { previous_ = qInstallMessageHandler(&LogCapture::Handler); current() = this; }
    ~LogCapture() {
        qInstallMessageHandler(previous_);
        current() = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    bool Contains(const std::string& line) const {
        std::lock_guard lock(mutex_);
        return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    }
    // Every line so far, in the order written.
    std::vector<std::string> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    std::size_t Count(const std::string& line) const {
        std::lock_guard lock(mutex_);
        return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line));
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

private:
    static LogCapture*& current() {
        static LogCapture* capture = nullptr;
        return capture;
    }
    static void Handler(QtMsgType, const QMessageLogContext&, const QString& text) {
        if (LogCapture* c = current()) {
            std::lock_guard lock(c->mutex_);
            c->lines_.push_back(text.toStdString());
        }
    }

    QtMessageHandler previous_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};
