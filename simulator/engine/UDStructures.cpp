#include "UDStructures.h"

#include "Exception.h"
#include "FrameCodec.h"

#include <algorithm>
#include <functional>

namespace {

std::int32_t Checked(std::int32_t limit) {
    if (limit < 0) throw Exception("Invalid store limits!");
    return limit;
}

std::size_t Room(std::int32_t limit) { return static_cast<std::size_t>(limit); }

bool Longer(const std::string& text, std::int32_t limit) { return text.size() > Room(limit); }

// The two checks of a text set into a request or an answer, in their order.
void CheckText(const std::string& text, std::int32_t limit, const char* oddMessage, const char* overlongPrefix) {
    if (text.size() % 2 != 0) throw Exception(oddMessage);
    if (Longer(text, limit)) throw Exception(overlongPrefix + text);
}

const std::string& FormOf(int kind, const std::string& wire, const std::string& plain) {
    if (kind == kWireText) return wire;
    if (kind == kPlainText) return plain;
    throw Exception("Bad type parameter!");
}

// Sets the given form and derives the other with the selected routine. The derived form comes
// first, so a failing routine leaves both as they were; the given form is stored before the
// derived one, since the text may be one of the item's own. Returns the generation of the pack
// routine that made the wire text, 0 when the wire text was given.
std::uint64_t SetForms(int kind, const std::string& text, std::uint8_t selector, std::string& wire,
                       std::string& plain) {
    if (kind == kPlainText) {
        const std::uint64_t generation = CodecGeneration(); // read before packing
        const std::string derived = PackFunction(text, selector);
        plain.assign(text);
        wire.assign(derived);
        return generation;
    }
    if (kind == kWireText) {
        const std::string derived = UnPackFunction(text, selector);
        wire.assign(text);
        plain.assign(derived);
        return 0;
    }
    throw Exception("Bad type parameter!");
}

// A wire text packed under this generation is what packing its plain text again would give.
bool StillPacked(std::uint64_t packedUnder) { return packedUnder != 0 && packedUnder == CodecGeneration(); }

// Entries 0 to source Count - 1 into the table's own slots, then Count.
template <class Table>
void CopyTable(Table& into, const Table& source) {
    if (source.Count > into.Capacity) throw Exception("Too many entries to copy!");
    for (std::int32_t i = 0; i < source.Count; ++i) into.Items[i].CopyFrom(source.Items[i]);
    into.Count = source.Count;
}

std::vector<std::int32_t> Identity(std::int32_t n) {
    std::vector<std::int32_t> order(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
    return order;
}

constexpr const char* kOddRequest = "Invalid request value! Odd number of digits!";
constexpr const char* kOverlongRequest = "Overlong Request ";
constexpr const char* kOddAnswer = "Invalid answer value! Odd number of digits!";
constexpr const char* kOverlongAnswer = "Overlong Answer ";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One byte per pair of characters, read as up to two leading hex digits; a pair that does not
// start with a hex digit gives 0.
void ParseBytes(const std::string& text, std::vector<std::uint8_t>& bytes) {
    bytes.resize((text.size() + 1) / 2);
    for (std::size_t pair = 0; pair < bytes.size(); ++pair) {
        unsigned value = 0;
        for (std::size_t k = 2 * pair; k < text.size() && k < 2 * pair + 2; ++k) {
            const int digit = HexDigit(text[k]);
            if (digit < 0) break;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        bytes[pair] = static_cast<std::uint8_t>(value);
    }
}

} // namespace

std::string_view RequestTypeName(std::uint8_t code) {
    return code < RequestTypeNames.size() ? RequestTypeNames[code] : std::string_view();
}

// ---- TAnswer ----

TAnswer::TAnswer(std::int32_t answerLimit, TextRoom room) : MaxLen(Checked(answerLimit)) {
    if (room == TextRoom::OnDemand) return;
    PlainText.reserve(Room(MaxLen));
    WireText.reserve(Room(MaxLen) + kFrameOverheadChars);
    Bytes.reserve((Room(MaxLen) + kFrameOverheadChars + 1) / 2);
}

const std::string& TAnswer::GetValue(int kind) const { return FormOf(kind, WireText, PlainText); }

void TAnswer::SetValue(int kind, const std::string& text) {
    CheckText(text, MaxLen, kOddAnswer, kOverlongAnswer);
    const std::uint64_t packedUnder = SetForms(kind, text, 1, WireText, PlainText);
    ParseBytes(WireText, Bytes);
    ByteCount = static_cast<std::int32_t>(Bytes.size());
    packedUnder_ = packedUnder;
}

void TAnswer::CopyFrom(const TAnswer& source) {
    if (!StillPacked(source.packedUnder_)) {
        SetValue(kPlainText, source.PlainText);
        return;
    }
    CheckText(source.PlainText, MaxLen, kOddAnswer, kOverlongAnswer);
    PlainText = source.PlainText;
    WireText = source.WireText;
    Bytes = source.Bytes;
    ByteCount = source.ByteCount;
    packedUnder_ = source.packedUnder_;
}

// ---- TBaseItem ----

TBaseItem::TBaseItem(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t descriptionLimit,
                     std::int32_t answerSlots, TextRoom room)
    : MaxLen(Checked(requestLimit)), MaxAnswers(Checked(answerSlots)), answerLimit_(answerLimit) {
    Checked(descriptionLimit);
    if (MaxAnswers > 0) Checked(answerLimit); // as building the answer slots would
    if (room == TextRoom::OnDemand) return;
    Answers.reserve(Room(MaxAnswers));
    for (std::int32_t i = 0; i < MaxAnswers; ++i) Answers.emplace_back(answerLimit, room);
    WireText.reserve(Room(MaxLen) + kFrameOverheadChars);
    PlainText.reserve(Room(MaxLen));
    Description.reserve(Room(descriptionLimit));
}

TBaseItem::TBaseItem(const TStoreLimits& limits, TextRoom room)
    : TBaseItem(limits.MaxReqLen, limits.MaxAnsLen, limits.MaxDescrLen, limits.MultiAnswerNum, room) {}

const std::string& TBaseItem::GetValue(int kind) const { return FormOf(kind, WireText, PlainText); }

void TBaseItem::SetValue(int kind, const std::string& text) {
    CheckText(text, MaxLen, kOddRequest, kOverlongRequest);
    packedUnder_ = SetForms(kind, text, 0, WireText, PlainText);
}

void TBaseItem::Widen(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t answerSlots) {
    // The answer path calls this at every look-up; nearly always nothing has grown.
    if (MaxLen >= requestLimit && answerLimit_ >= answerLimit && MaxAnswers >= answerSlots) return;
    MaxLen = std::max(MaxLen, requestLimit);
    MaxAnswers = std::max(MaxAnswers, answerSlots);
    answerLimit_ = std::max(answerLimit_, answerLimit);
    for (TAnswer& answer : Answers) answer.MaxLen = std::max(answer.MaxLen, answerLimit_);
}

void TBaseItem::BuildAnswers(std::size_t count) {
    if (Answers.size() >= count) return;
    Answers.reserve(count);
    while (Answers.size() < count) Answers.emplace_back(answerLimit_, TextRoom::OnDemand);
}

void TBaseItem::SetAnswers(const std::vector<std::string>& lines) {
    if (lines.size() > Room(MaxAnswers)) throw Exception("Too large Multi Answer Number!");
    // The answers' own checks first, so a bad line leaves every answer as it was.
    for (const std::string& line : lines) CheckText(line, answerLimit_, kOddAnswer, kOverlongAnswer);
    BuildAnswers(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) Answers[i].SetValue(kPlainText, lines[i]);
    AnswerCount = static_cast<std::int32_t>(lines.size());
}

void TBaseItem::CopyFrom(const TBaseItem& source) {
    if (source.AnswerCount > MaxAnswers) throw Exception("Too large Multi Answer Number!");
    if (StillPacked(source.packedUnder_)) {
        CheckText(source.PlainText, MaxLen, kOddRequest, kOverlongRequest);
        PlainText = source.PlainText;
        WireText = source.WireText;
        packedUnder_ = source.packedUnder_;
    } else {
        SetValue(kPlainText, source.PlainText);
    }
    BuildAnswers(Room(source.AnswerCount));
    for (std::int32_t i = 0; i < source.AnswerCount; ++i) Answers[i].CopyFrom(source.Answers[i]);
    AnswerCount = source.AnswerCount;
    Description.assign(source.Description);
    Type = source.Type;
}

int TBaseItem::CompareWire(std::string_view text) const {
    for (std::size_t i = 0; i < WireText.size(); ++i) {
        const auto stored = static_cast<unsigned char>(WireText[i]);
        const auto other = i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
        if (stored != other) return stored > other ? 1 : -1;
    }
    return 0;
}

// ---- TAnsReqItem, TActAnsItem ----

void TAnsReqItem::CopyFrom(const TAnsReqItem& source) {
    TBaseItem::CopyFrom(source);
    ActivationIndex = source.ActivationIndex;
}

TActAnsItem::TActAnsItem(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t descriptionLimit,
                         std::int32_t answerSlots, TextRoom room)
    : TBaseItem(requestLimit, answerLimit, descriptionLimit, answerSlots, room) {
    Type = RequestType::Activation;
}

// ---- TActivationItem ----

TActivationItem::TActivationItem(std::int32_t requestLimit, std::int32_t answerLimit,
                                 std::int32_t descriptionLimit, std::int32_t stepSlots,
                                 std::int32_t answerSlots)
    : Capacity(Checked(stepSlots)) {
    Checked(descriptionLimit);
    Steps.reserve(Room(Capacity));
    for (std::int32_t i = 0; i < Capacity; ++i)
        Steps.emplace_back(requestLimit, answerLimit, descriptionLimit, answerSlots, TextRoom::OnDemand);
}

void TActivationItem::CopyFrom(const TActivationItem& source) {
    if (source.Count > Capacity) throw Exception("Too many steps to copy!");
    for (std::int32_t i = 0; i < source.Count; ++i) Steps[i].CopyFrom(source.Steps[i]);
    Name.assign(source.Name);
    Count = source.Count;
}

// ---- the change records ----

void TTableChanges::Slot(std::int32_t slot) {
    if (!all_) slots_.push_back(slot);
}

void TTableChanges::Order(std::int32_t begin, std::int32_t end) {
    if (begin >= end) return;
    if (orderBegin_ >= orderEnd_) {
        orderBegin_ = begin;
        orderEnd_ = end;
        return;
    }
    orderBegin_ = std::min(orderBegin_, begin);
    orderEnd_ = std::max(orderEnd_, end);
}

void TTableChanges::Forget() {
    all_ = false;
    slots_.clear();
    orderBegin_ = orderEnd_ = 0;
}

// ---- TAllRequest, TActivations ----

bool TRequestSlots::Holds(const TAnsReqItem& item) const {
    const std::less<const TAnsReqItem*> before;
    const TAnsReqItem* first = slots_.data();
    return !slots_.empty() && !before(&item, first) && before(&item, first + slots_.size());
}

TAllRequest::TAllRequest(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t descriptionLimit,
                         std::int32_t requestSlots, std::int32_t answerSlots)
    : Capacity(Checked(requestSlots)) {
    Items.slots_.reserve(Room(Capacity));
    for (std::int32_t i = 0; i < Capacity; ++i)
        Items.slots_.emplace_back(requestLimit, answerLimit, descriptionLimit, answerSlots, TextRoom::OnDemand);
    Items.order_ = Identity(Capacity);
}

void TAllRequest::CopyFrom(const TAllRequest& source) {
    if (source.Capacity != Capacity) {
        CopyTable(*this, source);
        return;
    }
    if (source.Count > Capacity) throw Exception("Too many entries to copy!");
    for (std::int32_t p = 0; p < source.Count; ++p) {
        const std::int32_t slot = source.Items.order_[static_cast<std::size_t>(p)];
        Items.slots_[static_cast<std::size_t>(slot)].CopyFrom(source.Items.slots_[static_cast<std::size_t>(slot)]);
    }
    Items.order_ = source.Items.order_;
    Count = source.Count;
}

void TAllRequest::InsertCopy(std::int32_t position, const TAnsReqItem& item) {
    if (Count >= Capacity) throw Exception("No room in the table!");
    if (position < 0 || position > Count) throw Exception("Invalid table position!");
    std::vector<std::int32_t>& order = Items.order_;
    const std::int32_t slot = order[static_cast<std::size_t>(Count)]; // the first free slot
    Items.slots_[static_cast<std::size_t>(slot)].CopyFrom(item);
    std::rotate(order.begin() + position, order.begin() + Count, order.begin() + Count + 1);
    ++Count;
    changes_.Slot(slot);
    changes_.Order(position, Count);
}

void TAllRequest::Touch(std::int32_t position) {
    if (position >= 0 && position < Capacity) changes_.Slot(Items.order_[static_cast<std::size_t>(position)]);
}

void TAllRequest::CopyChangesFrom(const TAllRequest& source) {
    const TTableChanges& changed = source.Changes();
    if (changed.AllChanged() || source.Capacity != Capacity) {
        CopyFrom(source);
        return;
    }
    for (std::int32_t slot : changed.Slots())
        Items.slots_[static_cast<std::size_t>(slot)].CopyFrom(source.Items.slots_[static_cast<std::size_t>(slot)]);
    std::copy(source.Items.order_.begin() + changed.OrderBegin(), source.Items.order_.begin() + changed.OrderEnd(),
              Items.order_.begin() + changed.OrderBegin());
    Count = source.Count;
}

TActivations::TActivations(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t descriptionLimit,
                           std::int32_t stepSlots, std::int32_t activationSlots, std::int32_t answerSlots)
    : Capacity(Checked(activationSlots)) {
    Items.reserve(Room(Capacity));
    for (std::int32_t i = 0; i < Capacity; ++i)
        Items.emplace_back(requestLimit, answerLimit, descriptionLimit, stepSlots, answerSlots);
}

void TActivations::CopyFrom(const TActivations& source) { CopyTable(*this, source); }

void TActivations::CopyChangesFrom(const TActivations& source) {
    const TTableChanges& changed = source.Changes();
    if (changed.AllChanged() || source.Capacity != Capacity) {
        CopyFrom(source);
        return;
    }
    for (std::int32_t index : changed.Slots())
        if (index >= 0 && index < source.Count)
            Items[static_cast<std::size_t>(index)].CopyFrom(source.Items[static_cast<std::size_t>(index)]);
    Count = source.Count;
}
