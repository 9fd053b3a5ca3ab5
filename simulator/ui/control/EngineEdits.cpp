#include "EngineEdits.h"

#include "FrameCodec.h"
#include "KRIXCommunicationThread.h"

bool EngineThreadEdits::AddRequest(const std::string& request, const TStringList& answers,
                                   const std::string& description, std::int32_t activationIndex,
                                   std::uint8_t type) {
    return engine_.AddRequest(request, answers, description, activationIndex, type);
}

bool EngineThreadEdits::UpdateRequest(const std::string& request, const TStringList* answers,
                                      const std::string& description) {
    return engine_.UpdateRequest(request, answers, description);
}

// The store's limit now: it grows with the edits (the window's thread is the one that grows it).
std::int32_t EngineThreadEdits::DescriptionLimit() {
    return engine_.StoresReady() ? engine_.Store().Limits().MaxDescrLen : engine_.MaxDescrLen;
}

bool EngineThreadEdits::HoldsRequest(const std::string& request) {
    constexpr int EditTable = 1;
    return engine_.RequestIndex(PackFunction(request, 0), EditTable) != nullptr;
}
