#pragma once
// The request store: every request of a simulation with its answers, and the activation
// sequences (a starting request followed by steps, each a request with answers of its own).
//
// Every request and answer is held in both text forms of the frame codec (plain and wire), every
// answer also as the bytes of its wire text, ready for the bus unit. Setting one form derives the
// other through the selected PackFunction / UnPackFunction: selector 0 for a request's texts,
// selector 1 for an answer's.
//
// Room for the texts (TextRoom). An item built on its own, such as the answer loop's work item,
// takes the room of its longest texts when it is built (kFrameOverheadChars beyond the limit for
// a wire form), so that copying entries into it on the answer path allocates nothing beyond the
// temporary text a pack routine returns. The slots of the tables take room for a text when it is
// set, as much as it needs, and build their answer slots as they are first filled: a table's
// memory follows what it holds, not its capacity times the longest text and the longest list of
// answers (most entries are far shorter, and spare slots hold nothing). The limits are checked
// the same either way. A copy packs again only when the pack routine has changed since the
// source was packed (CodecGeneration); otherwise it takes the source's wire text and bytes as
// they are, which is what packing again would give. The texts are set through SetValue,
// SetAnswers and CopyFrom, which keep both forms in step.
//
// Entries are filled by copying into their slots, never by moving objects between slots: an
// entry's address stays fixed for its table's life. What an entry holds may move when it is set
// again (a text grows as needed, the answers when more of them are built), so nothing keeps a
// pointer into an entry's texts or answers across a change of it; a live table changes only in
// a publication, under the table lock (TRequestStore). The request table keeps its order in a
// list of slot numbers, so an entry inserted into the middle or removed moves no other entry.
// Slots beyond a table's Count keep what they last held and are never read.
//
// Limits must not be negative ("Invalid store limits!").
//
// Plain classes with no locks: one thread at a time uses an object (TRequestStore says how the
// live and edit tables are shared). Failures raise Exception with the texts given at each
// operation; the object is unchanged after a failing check.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The seven limits of the store, with the engine's values before the window sets its own.
struct TStoreLimits {
    std::int32_t MaxReqLen = 20;      // characters of a request text
    std::int32_t MaxAnsLen = 50;      // characters of an answer text
    std::int32_t MaxDescrLen = 50;    // characters of a description or activation name
    std::int32_t MultiAnswerNum = 8;  // answers per request
    std::int32_t MaxReqCount = 80;    // entries of the request table
    std::int32_t ActMaxCount = 15;    // activations
    std::int32_t ActAnsMaxCount = 30; // steps per activation

    friend bool operator==(const TStoreLimits&, const TStoreLimits&) = default;
};

// The code in TBaseItem::Type.
namespace RequestType {
inline constexpr std::uint8_t TesterPresent = 0;
inline constexpr std::uint8_t FaultReading = 1;
inline constexpr std::uint8_t PSI = 2; // an ordinary request
inline constexpr std::uint8_t Activation = 3; // a request of an activation sequence
inline constexpr std::uint8_t EcuActivation = 4;
inline constexpr std::uint8_t Unnamed = 5;
inline constexpr std::uint8_t EndCommunication = 6;
inline constexpr std::uint8_t Count = 7;
} // namespace RequestType

// Display names indexed by the code, used in the traffic log's info text.
inline constexpr std::array<std::string_view, RequestType::Count> RequestTypeNames = {
    "Tester Present", "Fault reading", "PSI", "Activation", "ECU Activation", "", "End Communication"};

// The name of a code; "" for a code outside the table.
std::string_view RequestTypeName(std::uint8_t code);

// Whether an object takes the room of its longest texts when it is built, or as they are set.
enum class TextRoom { Reserved, OnDemand };

// GetValue / SetValue kinds.
inline constexpr int kWireText = 0;
inline constexpr int kPlainText = 1;

// One answer.
class TAnswer {
public:
    explicit TAnswer(std::int32_t answerLimit, TextRoom room = TextRoom::Reserved);
    TAnswer(const TAnswer&) = delete;
    TAnswer& operator=(const TAnswer&) = delete;
    TAnswer(TAnswer&&) = default;

    // Kind 0 the wire text, kind 1 the plain text; another kind raises "Bad type parameter!".
    const std::string& GetValue(int kind) const;
    // Checks in order: odd length ("Invalid answer value! Odd number of digits!"), longer than
    // MaxLen ("Overlong Answer " + text), kind ("Bad type parameter!"); then sets the given form,
    // derives the other and fills Bytes from the wire text. Pack failures pass through.
    void SetValue(int kind, const std::string& text);
    // Makes this answer equal to the source, deriving the wire text and bytes anew.
    void CopyFrom(const TAnswer& source);

    std::string WireText;
    std::string PlainText;
    std::int32_t MaxLen; // raised only by the item's Widen
    std::vector<std::uint8_t> Bytes; // the wire text as bytes, the first byte first
    std::int32_t ByteCount = 0;      // bytes in use (Bytes.size())

private:
    std::uint64_t packedUnder_ = 0; // CodecGeneration the wire text was packed under; 0 none
};

// One request with its answers.
class TBaseItem {
public:
    TBaseItem(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t descriptionLimit,
              std::int32_t answerSlots, TextRoom room = TextRoom::Reserved);
    explicit TBaseItem(const TStoreLimits& limits, TextRoom room = TextRoom::Reserved);
    TBaseItem(const TBaseItem&) = delete;
    TBaseItem& operator=(const TBaseItem&) = delete;
    TBaseItem(TBaseItem&&) = default;

    const std::string& GetValue(int kind) const;
    // Checks in order: odd length ("Invalid request value! Odd number of digits!"), longer than
    // MaxLen ("Overlong Request " + text), kind ("Bad type parameter!"); then sets the given form
    // and derives the other.
    void SetValue(int kind, const std::string& text);
    // Replaces the answers by the lines, each a plain text. More lines than MaxAnswers raise
    // "Too large Multi Answer Number!" and change nothing.
    void SetAnswers(const std::vector<std::string>& lines);
    // Request, answers (texts derived anew by the current pack routine), description and type.
    // A source with more answers than this item has slots raises "Too large Multi Answer Number!".
    void CopyFrom(const TBaseItem& source);

    // Against a text: walks the stored wire text; at the first difference the characters compare
    // as unsigned bytes (stored greater: +1, smaller: -1). The end of the stored text gives 0, so
    // a text that begins with the stored one compares equal, and a proper beginning of the stored
    // text compares smaller than it (the stored item is greater: +1).
    int CompareWire(std::string_view text) const;
    int CompareWire(const TBaseItem& other) const { return CompareWire(other.WireText); }

    // Raises the item's limits to at least the given ones (never lowers them), so that it takes
    // what a store grown since it was built holds. Texts and answers stay as they are; nothing is
    // allocated: room for the longer texts is taken as they are set.
    void Widen(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t answerSlots);
    void Widen(const TStoreLimits& limits) { Widen(limits.MaxReqLen, limits.MaxAnsLen, limits.MultiAnswerNum); }
    void Widen(const TBaseItem& other) { Widen(other.MaxLen, other.answerLimit_, other.MaxAnswers); }
    std::int32_t AnswerLimit() const { return answerLimit_; }

    std::int32_t MaxLen;     // request text limit (raised only by Widen)
    std::int32_t MaxAnswers; // answer slots (raised only by Widen)
    std::string WireText;
    std::string PlainText;
    std::int32_t AnswerCount = 0;  // 0 to MaxAnswers
    // MaxAnswers slots. An item whose room comes on demand (a table's slot) builds them as they
    // are first filled, so that it has at least AnswerCount: most entries fill a few of the slots
    // that the simulation's longest list of answers calls for.
    std::vector<TAnswer> Answers;
    std::string Description;       // at most the description limit (kept by the operations)
    std::uint8_t Type = RequestType::PSI;

private:
    void BuildAnswers(std::size_t count); // at least count answer slots

    std::int32_t answerLimit_;
    std::uint64_t packedUnder_ = 0; // CodecGeneration the wire text was packed under; 0 none
};

// An entry of the request table.
class TAnsReqItem : public TBaseItem {
public:
    using TBaseItem::TBaseItem;
    using TBaseItem::CopyFrom;
    void CopyFrom(const TAnsReqItem& source); // as TBaseItem, then ActivationIndex

    std::int32_t ActivationIndex = -1; // the activation this request starts or belongs to; -1 none
};

// One step of an activation. Steps get Type 3 (Activation): the operations that fill them give
// them none, and the value reaches the bus unit as the item type of what is sent.
class TActAnsItem : public TBaseItem {
public:
    TActAnsItem(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t descriptionLimit,
                std::int32_t answerSlots, TextRoom room = TextRoom::Reserved);
};

// One activation: a name and the steps that follow its starting request.
class TActivationItem {
public:
    TActivationItem(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t descriptionLimit,
                    std::int32_t stepSlots, std::int32_t answerSlots);
    TActivationItem(const TActivationItem&) = delete;
    TActivationItem& operator=(const TActivationItem&) = delete;
    TActivationItem(TActivationItem&&) = default;

    // Steps 0 to source Count - 1, then Name and Count. A source with more steps than this
    // item's Capacity raises "Too many steps to copy!".
    void CopyFrom(const TActivationItem& source);

    const std::int32_t Capacity;
    std::string Name;
    std::vector<TActAnsItem> Steps; // Capacity slots, step 0 first
    std::int32_t Count = 0;
};

// What a table's own operations changed since its last ForgetChanges: the slots written and how
// far its order moved, or everything. The request store publishes an edited table by copying only
// that much back into the table it replaces.
class TTableChanges {
public:
    void Slot(std::int32_t slot);
    // Positions begin to end - 1 of the order were rewritten.
    void Order(std::int32_t begin, std::int32_t end);
    void All() { all_ = true; slots_.clear(); }
    void Forget();

    bool None() const { return !all_ && slots_.empty() && orderBegin_ >= orderEnd_; }
    bool AllChanged() const { return all_; }
    const std::vector<std::int32_t>& Slots() const { return slots_; }
    std::int32_t OrderBegin() const { return orderBegin_; }
    std::int32_t OrderEnd() const { return orderEnd_; }

private:
    bool all_ = false;
    std::vector<std::int32_t> slots_;
    std::int32_t orderBegin_ = 0;
    std::int32_t orderEnd_ = 0; // orderBegin_ == orderEnd_: the order is as it was
};

class TAllRequest;

// The request table's entries by position (0 = the smallest wire text). Positions are mapped to
// fixed slots through a list of slot numbers: Items[p] is the entry at position p.
class TRequestSlots {
public:
    TAnsReqItem& operator[](std::size_t position) { return slots_[order_[position]]; }
    const TAnsReqItem& operator[](std::size_t position) const { return slots_[order_[position]]; }
    std::size_t size() const { return slots_.size(); }
    bool empty() const { return slots_.empty(); }
    // True when the item is one of the table's slots, in use or not.
    bool Holds(const TAnsReqItem& item) const;

private:
    friend class TAllRequest;
    std::vector<TAnsReqItem> slots_;
    std::vector<std::int32_t> order_; // position -> slot; a permutation of every slot
};

// The request table, kept in ascending order of wire texts (CompareWire) by the operations.
class TAllRequest {
public:
    TAllRequest(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t descriptionLimit,
                std::int32_t requestSlots, std::int32_t answerSlots);
    TAllRequest(const TAllRequest&) = delete;
    TAllRequest& operator=(const TAllRequest&) = delete;

    // Entries 0 to source Count - 1, then Count. More entries than Capacity raise
    // "Too many entries to copy!". A source of the same capacity is copied slot for slot with its
    // order, so that the two tables are alike down to which slot holds what.
    void CopyFrom(const TAllRequest& source);

    // Copies the item into a free slot and puts that slot at the position, the entries from there
    // on moving one position up. The table must have room (Count below Capacity) and the position
    // lie in 0 to Count; the item must not be one of the table's slots. A failing copy changes
    // nothing.
    void InsertCopy(std::int32_t position, const TAnsReqItem& item);
    // Removes every entry for which remove(entry) is true; the others keep their order.
    template <typename Pred> std::int32_t RemoveIf(Pred remove);

    // ---- what changed, for the store's publication ----
    // Records that the entry at the position was written through Items.
    void Touch(std::int32_t position);
    void TouchAll() { changes_.All(); }
    const TTableChanges& Changes() const { return changes_; }
    void ForgetChanges() { changes_.Forget(); }
    // Makes this table equal to the source again, given that it was equal before the source's
    // recorded changes: copies only the slots changed and the part of the order that moved.
    void CopyChangesFrom(const TAllRequest& source);

    const std::int32_t Capacity;
    TRequestSlots Items; // Capacity slots
    std::int32_t Count = 0;

private:
    TTableChanges changes_;
};

template <typename Pred> std::int32_t TAllRequest::RemoveIf(Pred remove) {
    std::vector<std::int32_t>& order = Items.order_;
    const auto keep = [&](std::int32_t slot) { return !remove(Items.slots_[static_cast<std::size_t>(slot)]); };
    const auto end = order.begin() + Count;
    const auto first = std::find_if_not(order.begin(), end, keep); // the order moves from here on
    // The removed slots go behind the kept ones, into the free part of the list.
    const auto kept = std::stable_partition(first, end, keep);
    const auto removed = static_cast<std::int32_t>(end - kept);
    if (removed > 0) changes_.Order(static_cast<std::int32_t>(first - order.begin()), Count);
    Count -= removed;
    return removed;
}

// The activation table.
class TActivations {
public:
    TActivations(std::int32_t requestLimit, std::int32_t answerLimit, std::int32_t descriptionLimit,
                 std::int32_t stepSlots, std::int32_t activationSlots, std::int32_t answerSlots);
    TActivations(const TActivations&) = delete;
    TActivations& operator=(const TActivations&) = delete;

    void CopyFrom(const TActivations& source); // as TAllRequest::CopyFrom

    // ---- what changed, for the store's publication (as TAllRequest) ----
    void Touch(std::int32_t index) { changes_.Slot(index); }
    void TouchAll() { changes_.All(); }
    const TTableChanges& Changes() const { return changes_; }
    void ForgetChanges() { changes_.Forget(); }
    void CopyChangesFrom(const TActivations& source);

    const std::int32_t Capacity;
    std::vector<TActivationItem> Items; // Capacity slots
    std::int32_t Count = 0;

private:
    TTableChanges changes_;
};
