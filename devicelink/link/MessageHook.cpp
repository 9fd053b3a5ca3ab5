#include "MessageHook.h"

#include <mutex>

namespace {
std::mutex builderMutex;
MessageTextBuilder& builder() {
    static MessageTextBuilder b;
    return b;
}
} // namespace

void SetMessageTextBuilder(MessageTextBuilder b) {
    std::lock_guard lock(builderMutex);
    builder() = std::move(b);
}

QString MessageText(std::uint32_t id, std::uint8_t source, std::uint8_t slot) {
    MessageTextBuilder b;
    {
        std::lock_guard lock(builderMutex);
        b = builder();
    }
    return b ? b(id, source, slot) : QString();
}
