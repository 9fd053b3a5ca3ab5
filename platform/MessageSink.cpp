#include "MessageSink.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<MessageReporter*> installed{nullptr};
}

MessageReporter* SetMessageReporter(MessageReporter* reporter) { return installed.exchange(reporter); }

void ShowMessage(const std::string& text) {
    if (MessageReporter* r = installed.load()) {
        r->Report(text);
        return;
    }
    std::fprintf(stderr, "%s\n", text.c_str());
}
