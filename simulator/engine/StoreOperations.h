#pragma once
// The engine's operations on the request store: registering requests and activation sequences,
// changing and deleting them, publishing the edited tables to the answer loop, and finding the
// entry that answers a received request. The engine thread owns one TRequestStore and forwards
// its operations to it.
//
// Two copies of each table: the edit tables, changed by the editing operations, and the live
// tables, read by the answer loop. Every editing operation ends with UpdateStructure, which swaps
// edit and live and copies the new live tables back into the new edit tables. The copy back takes
// only what the edit changed (the tables record it), so one edit costs the same whatever the size
// of the table. Between DeferPublication and PublishDeferred (TPublishOnce) the operations
// publish nothing, and PublishDeferred publishes once: the window registers a whole simulation so,
// while the engine's thread waits and nothing can look at the live tables in between.
//
// Threads. One thread edits (the window's): AddRequest, AddActivations, UpdateRequest,
// DeleteActivation, UpdateStructure, RequestIndex, EditRequests/EditActivations. It is the only
// writer of the live tables, so it may also read them without the lock. The engine's thread
// reads the live tables only under the table lock: through GetAnswerInto / RequestIndexInto
// (look-up plus copy into its own item), or GetAnswer with a TTablesLock it holds. The same lock
// guards UpdateStructure's swap and copy-back, so a look-up never sees a table being rewritten,
// and the activation state (ActivationRunning, RunningActivation, StepPosition, InfoText).
//
// The running activation is held as an index into the live activation table, checked against
// that table at every look-up. A publication while a sequence runs keeps it going on the new
// table, found again by its name; when the activation is gone, the sequence ends.
//
// Room for edits. The tables are built with fixed limits. When growth is allowed (AllowGrowth;
// the window allows it once a simulation is loaded), an edit that needs more room than the
// limits give makes it first: every limit it would exceed becomes what a load of the content
// with the edit would give it ((measure + 1) x MemoryInc, the header's characters added to the
// text lengths), and the four tables are built anew at the new limits aside, filled from the old
// ones and put in their place under the table lock, as a publication exchanges them: the
// engine's thread never reads a table being replaced. Its work items take the new limits at its
// next look-up (GetAnswerInto, RequestIndexInto widen the item given). Only limits the growth
// cannot hold (TStoreGrowth::Holds) are refused, with the messages below.
//
// CreateStructures may run on the engine's thread; the editing thread must not start before it
// has returned (the engine's StoresReady flag hands the tables over).
#include "UDStructures.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Proof that the caller holds a store's table lock (TRequestStore::LockTables). While it is held,
// the window's publication waits.
class TTablesLock {
public:
    TTablesLock(TTablesLock&&) noexcept = default;

private:
    friend class TRequestStore;
    explicit TTablesLock(std::mutex& mutex) : lock_(mutex) {}
    std::unique_lock<std::mutex> lock_;
};

class TRequestStore;

// How the store grows its tables for an edit that does not fit.
struct TStoreGrowth {
    float MemoryInc = 1.25f;      // the load's headroom factor; below 1 counts as 1
    std::int32_t HeaderChars = 0; // added to every text length before scaling (2 x the longer header)
    std::int32_t MinAnswers = 0;  // the least MultiAnswerNum a growth gives
    // The longest request or answer text any growth makes room for (what a load takes).
    std::int32_t MaxTextChars = std::numeric_limits<std::int32_t>::max();
    // Whether tables of these limits can be held; empty: any that fit 32 bits.
    std::function<bool(const TStoreLimits&)> Holds;
};

// Holds the store's publications back for its life and publishes once: at Publish, or when it
// ends without (then a failure is shown to the operator instead of raised).
class TPublishOnce {
public:
    explicit TPublishOnce(TRequestStore& store);
    ~TPublishOnce();
    TPublishOnce(const TPublishOnce&) = delete;
    TPublishOnce& operator=(const TPublishOnce&) = delete;
    void Publish(); // failures raise as UpdateStructure's

private:
    TRequestStore* store_;
};

class TRequestStore {
public:
    static constexpr std::size_t kInfoTextMax = 255; // longer info texts are cut

    TRequestStore();

    // Builds the four tables (and the work item of AddRequest) with the limits; clears the
    // activation state and InfoText. Negative limits raise; failures are prefixed
    // "CreateStructures function error:\n". Until it has run, every operation raises
    // "Request store not created!".
    void CreateStructures(const TStoreLimits& limits);
    bool StoresCreated() const;
    // The limits now (they grow with the tables); the editing thread only.
    const TStoreLimits& Limits() const { return limits_; }
    // The request text limit now, for any thread.
    std::int32_t RequestLimit() const { return requestLimit_.load(); }

    // From now on, edits that do not fit the tables grow them (see above). Editing thread.
    void AllowGrowth(TStoreGrowth growth);
    bool GrowthAllowed() const { return growth_.has_value(); }
    // The limits become at least the given ones: the tables are built anew aside with what they
    // hold and exchanged under the table lock; the edit tables' unpublished changes stay
    // unpublished. Limits that are already as large change nothing. Editing thread; failures
    // ("Grow function error: " + message) leave the tables as they were.
    void Grow(const TStoreLimits& wanted);

    // ---- editing thread ----

    // Refusal order: a full edit table raises "No more space for new request! Increase
    // MaxReqCount in settings.ini!" before any other check; an empty request, no answer lines or
    // an empty first line give false; a request whose wire text begins with a stored one (or is
    // stored) gives false. Then the store's own checks of request and answers (more lines than
    // MultiAnswerNum raise "Too large Multi Answer Number!"), then "Overlong Request
    // description!". Every failure is raised as "AddRequest (D=<description>,R=<request>):\n" +
    // message; true = added and published.
    bool AddRequest(const std::string& request, const std::vector<std::string>& answers,
                    const std::string& description, std::int32_t activationIndex, std::uint8_t type);
    // Registers the request (AddRequest with the activation's index and type 3; an existing
    // entry stays) and, for an activation of that name, appends it as its next step; a new name
    // becomes a new activation with no steps. Failures: "No more space for new activations!
    // Increase ActMaxCount in settings.ini!", "Overlong Activation description!", "Overlong
    // Request description!", "No more space for new request in this activation! Increase
    // ActAnsMaxCount in settings.ini!" and what AddRequest raises, each as
    // "AddActivations (D=<name>,R=<request>,...) i = <i> j = <j>\n" + message (-1 where not yet
    // known). Always true otherwise.
    bool AddActivations(const std::string& name, const std::string& request,
                        const std::vector<std::string>& answers, const std::string& description);
    // The stored entry the request's wire text matches (false: none). Given answers replace its
    // answers; a non-empty description replaces its description ("Overlong Request description!"
    // after the answers are set). Failures pass on unchanged. Publishes.
    bool UpdateRequest(const std::string& request, const std::vector<std::string>* answers,
                       const std::string& description);
    // Removes the activation of that name with every request entry bound to it and numbers the
    // later activations' entries down by one (false: no such activation). Publishes.
    bool DeleteActivation(const std::string& name);
    // Swaps edit and live tables and copies the new live ones back into the new edit ones, under
    // the table lock. Failures: "UpdateStructure function error: " + message.
    void UpdateStructure();
    // Until the matching PublishDeferred, the editing operations leave their changes in the edit
    // tables unpublished; PublishDeferred then publishes once if any operation was held back.
    // Pairs may nest; only the outermost publishes. UpdateStructure itself always publishes.
    void DeferPublication();
    void PublishDeferred();
    // Binary search of the live (selector 0) or edit (selector 1) request table for an entry whose
    // wire text the text begins with. Another selector clears ActivationRunning and raises
    // "RequestIndex Function error: Invalid parameter structure!". The live table only on the
    // editing thread; the engine thread uses RequestIndexInto. An entry found in the edit table
    // may be changed through the result: the next publication copies it. One found in the live
    // table is only read: the engine's thread reads it meanwhile, and a changed text may move.
    TAnsReqItem* RequestIndex(const std::string& wireText, int selector);
    // Copies the item into the table after every entry that does not compare greater than it
    // (found by binary search), the later entries moving one position up. A full table raises;
    // failures are raised as "Insert item function error i:<position> j:<position being
    // written>" + message. The item must not be an entry of the table.
    static void InsertItem(TAllRequest& table, const TAnsReqItem& item);
    // RequestIndex's search over any table: the position of the entry found, -1 for none.
    static std::int32_t Find(const TAllRequest& table, const std::string& wireText);

    // The edit tables, for changes the operations do not make: the next publication copies them
    // whole. The const forms only read.
    TAllRequest& EditRequests();
    TActivations& EditActivations();
    const TAllRequest& EditRequests() const;
    const TActivations& EditActivations() const;

    // ---- engine thread ----

    TTablesLock LockTables() const;
    // The entry that answers the received wire text: the next matching step of the running
    // activation (whole text), else the request table's entry (prefix match); nullptr for none.
    // Updates the activation state and InfoText ("<type name> - <description>", or
    // "Activation - <name>"). The result is valid while the lock is held. Failures clear
    // ActivationRunning and are raised as "GetAnswer Function error " + message.
    const TBaseItem* GetAnswer(const std::string& received, const TTablesLock& held);
    // GetAnswer and the copy of the entry found into the caller's item, under one hold of the
    // table lock; InfoText is copied into *infoText (found or not) when given. True = found.
    // The item is widened to the store's limits first (TBaseItem::Widen), so that it takes
    // every entry of tables grown since it was built.
    bool GetAnswerInto(const std::string& received, TBaseItem& into, std::string* infoText = nullptr);
    // RequestIndex on the live table and the copy of the entry found, under the table lock.
    bool RequestIndexInto(const std::string& wireText, TBaseItem& into);

    const TAllRequest& LiveRequests(const TTablesLock& held) const;
    const TActivations& LiveActivations(const TTablesLock& held) const;

    // ---- activation state (each a snapshot taken under the lock) ----
    bool ActivationRunning() const;
    std::int32_t RunningActivation() const; // index into the live activations, -1 none
    std::int32_t StepPosition() const;
    std::string InfoText() const;

private:
    void RequireTables() const;
    // Grows the tables, when growth is allowed, so that every limit is at least the need's.
    void MakeRoom(const TStoreLimits& need);
    // Whether growth could give every limit at least the need's.
    bool CouldHold(const TStoreLimits& need) const;
    void Publish(); // UpdateStructure, or held back while publication is deferred
    void RequireHeld(const TTablesLock& held) const;
    const TBaseItem* FindAnswer(const std::string& received);
    void FollowRunningActivation();
    void SetInfoText(std::string_view typeName, std::string_view text);

    TStoreLimits limits_; // written under the table lock, by the editing thread only
    std::unique_ptr<TActivations> liveActivations_;
    std::unique_ptr<TActivations> editActivations_;
    std::unique_ptr<TAllRequest> liveRequests_;
    std::unique_ptr<TAllRequest> editRequests_;
    std::unique_ptr<TAnsReqItem> workItem_; // AddRequest's temporary item, built once
    std::optional<TStoreGrowth> growth_;    // editing thread only
    std::atomic<std::int32_t> requestLimit_{0};
    int deferrals_ = 0;                     // editing thread only
    bool publicationPending_ = false;       // editing thread only

    mutable std::mutex mutex_; // the table lock
    std::atomic<bool> activationRunning_{false};
    std::int32_t runningActivation_ = -1; // guarded by mutex_
    std::int32_t stepPosition_ = 0;       // guarded by mutex_
    std::string infoText_;                // guarded by mutex_
};
