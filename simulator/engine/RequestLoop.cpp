#include "RequestLoop.h"

#include <atomic>
#include <cstring>
#include <string_view>

#include "MessageSink.h"

namespace {
std::atomic<bool> replayPending{false};

// Characters of a request of count bytes behind its leading byte.
std::size_t TextChars(std::int32_t count) { return 2 + 2 * static_cast<std::size_t>(count); }

// True when the text holds what at pos; a text too short for it does not.
bool HasAt(const std::string& text, std::size_t pos, std::string_view what) {
    return text.size() >= pos + what.size() && text.compare(pos, what.size(), what) == 0;
}
} // namespace

bool ReplayPending() { return replayPending.load(); }
void SetReplayPending(bool pending) { replayPending.store(pending); }

RequestLoop::RequestLoop(const TStoreLimits& limits, RequestLoopLinks links)
    : limits_(limits), links_(std::move(links)), current_(limits), cyclic_(limits),
      buffer_(BusRxBufferSize, '\0') {
    txInfo_.ItemType = RequestType::PSI;
    SetReplayPending(false);
}

void RequestLoop::Report(const std::string& request, const std::string& answer, int type,
                         const std::string& info) {
    if (links_.AddOriglioItem) links_.AddOriglioItem(request, answer, type, info);
}

bool RequestLoop::Receive(int maxCount) {
    std::fill(buffer_.begin(), buffer_.end(), '\0');
    std::int32_t count = 0;
    if (!links_.Rx(&count, buffer_.data(), rxStatus_)) return false;
    if (count < 0) count = 0;
    if (count > maxCount) count = maxCount;
    // The text must also fit the buffer whatever the unit claims.
    const std::size_t room = buffer_.size() - 1;
    const std::size_t written = strnlen(buffer_.data(), room);
    text_.assign(buffer_.data(), std::min(written, TextChars(count)));
    count_ = count;
    return true;
}

std::int32_t RequestLoop::RequestLimit() const {
    // The store's tables grow with the window's edits; a request as long as one stored is read whole.
    return links_.Store ? std::max(limits_.MaxReqLen, links_.Store->RequestLimit()) : limits_.MaxReqLen;
}

bool RequestLoop::WaitForFrame(std::uint32_t ms) {
    if (links_.WaitFrame) return links_.WaitFrame(ms);
    return !links_.Pause || links_.Pause(ms);
}

int RequestLoop::Transmit(const TAnswer& answer) {
    return links_.Tx(answer.ByteCount, answer.Bytes.data(), &txInfo_);
}

void RequestLoop::Pass(std::uint8_t mode) {
    switch (mode) {
    case 1: PassMode1(); break;
    case 2: PassMode2(); break;
    case 3: PassMode3(); break;
    default:
        // A simulation without a valid Mode answers nothing; it need not hold a core doing so.
        if (links_.Pause) links_.Pause(Mode1IdleMs);
        break;
    }
}

// ---- modes 1 and 3 ----------------------------------------------------------------------------

void RequestLoop::ReportNotAnswered() {
    Report(current_.WireText, "", OriglioItemType::NotAnswered, infoText_);
}

void RequestLoop::SendStoreAnswers(bool replayed) {
    if (current_.AnswerCount < 1) {
        ReportNotAnswered();
        return;
    }
    txInfo_.MultiFlag = current_.AnswerCount > 1 ? 1 : 0;
    txInfo_.ItemType = current_.Type;
    for (std::int32_t j = 0; j < current_.AnswerCount; ++j) {
        const TAnswer& answer = current_.Answers[static_cast<std::size_t>(j)];
        // 0 is "not sent"; -1 is a failure the unit has shown, which did not send either.
        if (Transmit(answer) > 0)
            Report(replayed ? std::string() : current_.WireText, answer.WireText,
                   OriglioItemType::Answered, infoText_);
        else
            Report(current_.WireText, "", OriglioItemType::NotSent, "");
    }
}

void RequestLoop::SendAutoAnswersMode1() {
    txInfo_.ItemType = current_.Type;
    txInfo_.MultiFlag = 0;
    for (std::int32_t j = 0; j < current_.AnswerCount; ++j) {
        const TAnswer& answer = current_.Answers[static_cast<std::size_t>(j)];
        if (Transmit(answer) == TxFailureShown)
            Report(text_, "", OriglioItemType::NotSent, "");
        else
            Report(text_, answer.WireText, OriglioItemType::AutoAnswered, infoText_);
    }
}

void RequestLoop::HandleUnknown(const std::function<void()>& sendAnswers) {
    // A request the work item cannot hold is logged as not answered: nothing the tester sends
    // may raise here and count toward the engine's limit of failed passes.
    if (text_.size() > static_cast<std::size_t>(current_.MaxLen)) {
        Report(text_, "", OriglioItemType::NotAnswered, "");
        return;
    }
    std::int32_t length = static_cast<std::int32_t>(TextChars(count_));
    std::unique_ptr<TBaseItem> rule =
        links_.UnknownRequest ? links_.UnknownRequest(&length, text_) : nullptr;
    if (links_.Store) infoText_ = links_.Store->InfoText();
    // A rule that found an entry without answers has none to give either.
    if (rule && rule->AnswerCount < 1) rule.reset();
    if (rule) {
        current_.CopyFrom(*rule);
        rule.reset();
        sendAnswers();
        current_.SetValue(kWireText, text_);
    } else {
        current_.SetValue(kWireText, text_);
        Report(text_, "", OriglioItemType::NotAnswered, "");
        current_.AnswerCount = 0;
    }
    if (links_.AddUnknownRequest) links_.AddUnknownRequest(current_);
}

void RequestLoop::PassMode1() {
    if (!Receive(RequestLimit())) {
        WaitForFrame(Mode1IdleMs);
        return;
    }
    if (links_.Store->GetAnswerInto(text_, current_, &infoText_))
        SendStoreAnswers(false);
    else
        HandleUnknown([this] { SendAutoAnswersMode1(); });
}

void RequestLoop::PassMode3() {
    const bool received = Receive(RequestLimit());
    if (!received && !ReplayPending()) {
        WaitForFrame(Mode3IdleMs);
        return;
    }
    if (received) {
        SetReplayPending(false);
    } else {
        text_ = Mode3ReplayRequest;
        count_ = Mode3ReplayCount;
    }
    if (links_.Store->GetAnswerInto(text_, current_, &infoText_)) {
        SendStoreAnswers(ReplayPending());
        // Only a request that was answered replays; one found without answers is logged only.
        if (current_.AnswerCount > 0 && HasAt(text_, 2, Mode3ReplayService)) SetReplayPending(true);
    } else {
        HandleUnknown([this] { SendAutoAnswersMode1(); });
    }
}

// ---- mode 2 -----------------------------------------------------------------------------------

void RequestLoop::WaitSpacing() {
    if (!lastSendTime_) return;
    Clock& clock = CurrentClock();
    for (;;) {
        const std::uint64_t now = clock.NowMs();
        const std::uint64_t since = now - *lastSendTime_;
        if (since >= Mode2FrameSpacingMs) return;
        const auto rest = static_cast<std::uint32_t>(Mode2FrameSpacingMs - since);
        if (links_.Pause) {
            if (!links_.Pause(rest)) return;
        } else {
            clock.SleepMs(rest);
        }
    }
}

int RequestLoop::SendSpaced(const std::uint8_t* bytes, int count) {
    WaitSpacing();
    const int r = links_.Tx(count, bytes, &txInfo_);
    lastSendTime_ = CurrentClock().NowMs();
    return r;
}

void RequestLoop::SendAutoAnswerMode2() {
    txInfo_.ItemType = RequestType::Unnamed;
    if (current_.AnswerCount > 1) {
        txInfo_.MultiFlag = 1;
        cyclic_.Widen(current_); // the store may have grown since the cycle's item was built
        cyclic_.CopyFrom(current_);
        cyclicIndex_ = 0;
    } else {
        txInfo_.MultiFlag = 0;
    }
    if (current_.AnswerCount < 1) return;
    const TAnswer& answer = current_.Answers[0];
    if (SendSpaced(answer.Bytes.data(), answer.ByteCount) == TxFailureShown)
        Report(text_, "", OriglioItemType::NotSent, "");
    else
        Report(text_, answer.WireText, OriglioItemType::AutoAnswered, AutoAnswerInfo);
}

void RequestLoop::SendCyclic() {
    if (cyclicIndex_ == -1) return;
    // An entry edited down to no answers ends the cycle instead of dividing by zero.
    if (cyclic_.AnswerCount < 1) {
        cyclicIndex_ = -1;
        return;
    }
    cyclicIndex_ = (cyclicIndex_ + 1) % cyclic_.AnswerCount;
    txInfo_.MultiFlag = 1;
    WaitSpacing();
    const std::string key = cyclic_.WireText; // the copy below rewrites the item's own text
    links_.Store->RequestIndexInto(key, cyclic_);
    if (cyclic_.AnswerCount < 1) {
        cyclicIndex_ = -1;
        return;
    }
    // Refreshed with fewer answers: go on from the first rather than send an unused slot.
    if (cyclicIndex_ >= cyclic_.AnswerCount) cyclicIndex_ = 0;
    const TAnswer& answer = cyclic_.Answers[static_cast<std::size_t>(cyclicIndex_)];
    const int r = links_.Tx(answer.ByteCount, answer.Bytes.data(), &txInfo_);
    lastSendTime_ = CurrentClock().NowMs();
    if (r == TxFailureShown)
        Report("", "", OriglioItemType::NotSent, "");
    else
        Report("", answer.PlainText, OriglioItemType::Answered, infoText_);
}

// After a quiet pass: wait for a frame until the next cyclic answer is due. The answer itself
// goes out in the next pass, and only if nothing has arrived by then.
void RequestLoop::AwaitNextMode2Pass() {
    if (cyclicIndex_ != -1 && lastSendTime_) {
        const std::uint64_t since = CurrentClock().NowMs() - *lastSendTime_;
        if (since < Mode2FrameSpacingMs) WaitForFrame(static_cast<std::uint32_t>(Mode2FrameSpacingMs - since));
        return;
    }
    if (cyclicIndex_ != -1) return; // due at once
    if (links_.FramesSignalled)
        WaitForFrame(Mode2IdleWaitMs);
    else if (links_.Pause)
        links_.Pause(Mode2IdlePollMs);
}

void RequestLoop::PassMode2() {
    if (!Receive(Mode2MaxRequestBytes)) {
        SendCyclic();
        AwaitNextMode2Pass();
        return;
    }
    const bool service20 = rxStatus_[0] == RxStatusService20;
    const bool serviceAA00 = rxStatus_[1] == RxStatusServiceAA && HasAt(text_, 4, "00");
    if (service20 || serviceAA00) {
        const bool channel = text_.size() > 2 && text_[2] == 'a';
        txInfo_.MultiFlag = channel ? 1 : 0;
        const int r = channel ? SendSpaced(BuiltInAnswerAA, sizeof BuiltInAnswerAA)
                              : SendSpaced(BuiltInAnswer20, sizeof BuiltInAnswer20);
        const char* request = channel ? BuiltInRequestAAText : BuiltInRequest20Text;
        if (r == TxFailureShown)
            Report(request, "", OriglioItemType::NotSent, "");
        else
            Report(request, channel ? BuiltInAnswerAAText : BuiltInAnswer20Text,
                   OriglioItemType::Answered, infoText_);
        cyclicIndex_ = -1;
        return;
    }
    if (!links_.Store->GetAnswerInto(text_, current_, &infoText_)) {
        HandleUnknown([this] { SendAutoAnswerMode2(); });
        return;
    }
    txInfo_.MultiFlag = 0;
    if (current_.Type == RequestType::FaultReading) {
        txInfo_.MultiFlag = 1;
        if (current_.AnswerCount < 1) ReportNotAnswered();
        for (std::int32_t j = 0; j < current_.AnswerCount; ++j) {
            const TAnswer& answer = current_.Answers[static_cast<std::size_t>(j)];
            const std::string request = j == 0 ? current_.WireText : std::string();
            if (SendSpaced(answer.Bytes.data(), answer.ByteCount) == TxFailureShown)
                Report(request, "", OriglioItemType::NotSent, "");
            else
                Report(request, answer.PlainText, OriglioItemType::Answered, infoText_);
        }
        return;
    }
    if (current_.Type == RequestType::PSI && rxStatus_[1] == RxStatusServiceAA) {
        txInfo_.MultiFlag = 1;
        cyclic_.Widen(current_); // the store may have grown since the cycle's item was built
        cyclic_.CopyFrom(current_);
        cyclicIndex_ = 0; // an entry without answers ends the cycle at its first turn, sending nothing
    }
    if (current_.AnswerCount < 1) {
        ReportNotAnswered();
        return;
    }
    const TAnswer& answer = current_.Answers[0];
    if (SendSpaced(answer.Bytes.data(), answer.ByteCount) == TxFailureShown)
        Report(current_.WireText, "", OriglioItemType::NotSent, "");
    else
        Report(current_.WireText, txInfo_.MultiFlag ? answer.PlainText : answer.WireText,
               OriglioItemType::Answered, infoText_);
}
