#pragma once
// Message boxes raised from the engine's side (bus units, unknown-request rules, the engine loop).
// The engine's thread must never wait for an operator, so ShowMessage only hands the text to the
// installed reporter, which queues it; the window shows queued texts later on its own thread, and
// tests record them. Without a reporter the text goes to stderr.
#include <string>

class MessageReporter {
public:
    virtual ~MessageReporter() = default;
    // Called on any thread; must return at once.
    virtual void Report(const std::string& text) = 0;
};

// Installs the reporter (nullptr: back to stderr). Returns the previous one.
MessageReporter* SetMessageReporter(MessageReporter* reporter);
void ShowMessage(const std::string& text);
