// The editing operations of the request store, run on the editing thread. Each ends with a
// publication (held back while publication is deferred); every reference into an edit table is
// taken again after a publication, since the publication swaps the tables. Every entry an
// operation writes is recorded in its table (Touch), so that the publication copies it back.
#include "StoreOperations.h"

#include "Exception.h"
#include "FrameCodec.h"

#include <algorithm>
#include <limits>

namespace {

constexpr const char* kNoRequestSpace = "No more space for new request! Increase MaxReqCount in settings.ini!";

bool Longer(const std::string& text, std::int32_t limit) {
    return text.size() > static_cast<std::size_t>(limit);
}

// Index of the activation with exactly this name; Count when there is none.
std::int32_t FindActivation(const TActivations& activations, const std::string& name) {
    for (std::int32_t i = 0; i < activations.Count; ++i)
        if (activations.Items[i].Name == name) return i;
    return activations.Count;
}

// The first position whose entry compares greater than the text. The entries stand in ascending
// order, so "greater" holds from some position on: a binary search finds it.
std::int32_t InsertionPoint(const TAllRequest& table, const std::string& wireText) {
    std::int32_t low = 0;
    std::int32_t high = table.Count;
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2;
        if (table.Items[static_cast<std::size_t>(middle)].CompareWire(wireText) > 0)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

std::int32_t Chars(const std::string& text) {
    return static_cast<std::int32_t>(std::min<std::size_t>(text.size(), std::numeric_limits<std::int32_t>::max()));
}

// What a request with these answers needs of the limits (only the limits it sets).
TStoreLimits TextNeed(const std::string& request, const std::vector<std::string>* answers,
                      const std::string& description) {
    TStoreLimits need{0, 0, 0, 0, 0, 0, 0};
    need.MaxReqLen = Chars(request);
    need.MaxDescrLen = Chars(description);
    if (answers != nullptr) {
        need.MultiAnswerNum = static_cast<std::int32_t>(
            std::min<std::size_t>(answers->size(), std::numeric_limits<std::int32_t>::max()));
        for (const std::string& line : *answers) need.MaxAnsLen = std::max(need.MaxAnsLen, Chars(line));
    }
    return need;
}

} // namespace

void TRequestStore::InsertItem(TAllRequest& table, const TAnsReqItem& item) {
    std::int32_t i = 0;
    std::int32_t j = -1;
    try {
        if (table.Count >= table.Capacity) throw Exception(kNoRequestSpace);
        if (table.Items.Holds(item)) throw Exception("The item to insert is an entry of the table!");
        i = InsertionPoint(table, item.WireText);
        j = i;
        table.InsertCopy(i, item);
    } catch (const std::exception& e) {
        throw Exception::Prefixed("Insert item function error i:" + std::to_string(i) + " j:" + std::to_string(j), e);
    }
}

bool TRequestStore::AddRequest(const std::string& request, const std::vector<std::string>& answers,
                               const std::string& description, std::int32_t activationIndex,
                               std::uint8_t type) {
    try {
        RequireTables();
        // Room is made only for a request that would be added. A full table that could grow is
        // no reason to refuse one that is refused anyway: that one just gives false.
        const bool adds = !request.empty() && !answers.empty() && !answers.front().empty() &&
                          Find(*editRequests_, PackFunction(request, 0)) < 0;
        TStoreLimits need = TextNeed(request, &answers, description);
        need.MaxReqCount = editRequests_->Count + 1;
        if (adds) MakeRoom(need);
        TAllRequest& table = *editRequests_;
        if (table.Count >= table.Capacity && (adds || !CouldHold(need))) throw Exception(kNoRequestSpace);
        if (request.empty() || answers.empty()) return false;
        if (answers.front().empty()) return false;
        if (Find(table, PackFunction(request, 0)) >= 0) return false;

        TAnsReqItem& item = *workItem_;
        item.SetValue(kPlainText, request);
        item.Type = type;
        item.SetAnswers(answers); // refuses more lines than there are answer slots
        if (Longer(description, limits_.MaxDescrLen)) throw Exception("Overlong Request description!");
        item.Description.assign(description);
        item.ActivationIndex = activationIndex;

        InsertItem(table, item);
        Publish();
        return true;
    } catch (const std::exception& e) {
        throw Exception::Prefixed("AddRequest (D=" + description + ",R=" + request + "):\n", e);
    }
}

bool TRequestStore::AddActivations(const std::string& name, const std::string& request,
                                   const std::vector<std::string>& answers, const std::string& description) {
    std::int32_t i = -1;
    std::int32_t j = -1;
    try {
        RequireTables();
        i = FindActivation(*editActivations_, name);
        const bool exists = i < editActivations_->Count;
        {
            TStoreLimits need = TextNeed(request, &answers, description);
            need.MaxDescrLen = std::max(need.MaxDescrLen, Chars(name));
            if (exists)
                need.ActAnsMaxCount = editActivations_->Items[i].Count + 1;
            else
                need.ActMaxCount = editActivations_->Count + 1;
            MakeRoom(need);
        }
        if (!exists && editActivations_->Count >= editActivations_->Capacity)
            throw Exception("No more space for new activations! Increase ActMaxCount in settings.ini!");
        if (Longer(name, limits_.MaxDescrLen)) throw Exception("Overlong Activation description!");
        if (Longer(description, limits_.MaxDescrLen)) throw Exception("Overlong Request description!");

        AddRequest(request, answers, description, i, RequestType::Activation); // an existing entry stays

        TActivations& activations = *editActivations_;
        if (exists) {
            TActivationItem& activation = activations.Items[i];
            j = activation.Count;
            if (j >= activation.Capacity)
                throw Exception("No more space for new request in this activation! Increase ActAnsMaxCount in settings.ini!");
            activations.Touch(i);
            TActAnsItem& step = activation.Steps[j];
            step.SetValue(kPlainText, request);
            step.SetAnswers(answers);
            step.Description.assign(description);
            ++activation.Count;
        } else {
            activations.Touch(i);
            TActivationItem& activation = activations.Items[i];
            activation.Name.assign(name);
            activation.Count = 0;
            ++activations.Count;
        }
        Publish();
        return true;
    } catch (const std::exception& e) {
        throw Exception::Prefixed("AddActivations (D=" + name + ",R=" + request + ",...) i = " + std::to_string(i) +
                                      " j = " + std::to_string(j) + "\n",
                                  e);
    }
}

bool TRequestStore::UpdateRequest(const std::string& request, const std::vector<std::string>* answers,
                                  const std::string& description) {
    RequireTables();
    const std::string wire = PackFunction(request, 0);
    if (Find(*editRequests_, wire) < 0) return false;
    MakeRoom(TextNeed({}, answers, description));
    TAllRequest& table = *editRequests_;
    const std::int32_t position = Find(table, wire);
    table.Touch(position);
    TAnsReqItem& entry = table.Items[static_cast<std::size_t>(position)];
    if (answers != nullptr) entry.SetAnswers(*answers);
    if (Longer(description, limits_.MaxDescrLen)) throw Exception("Overlong Request description!");
    if (!description.empty()) entry.Description.assign(description);
    Publish();
    return true;
}

bool TRequestStore::DeleteActivation(const std::string& name) {
    RequireTables();
    TActivations& activations = *editActivations_;
    TAllRequest& requests = *editRequests_;
    const std::int32_t i = FindActivation(activations, name);
    if (i == activations.Count) return false;

    requests.RemoveIf([i](const TAnsReqItem& entry) { return entry.ActivationIndex == i; });
    for (std::int32_t r = 0; r < requests.Count; ++r) {
        TAnsReqItem& entry = requests.Items[static_cast<std::size_t>(r)];
        if (entry.ActivationIndex > i) {
            requests.Touch(r);
            --entry.ActivationIndex;
        }
    }

    for (std::int32_t k = i; k + 1 < activations.Count; ++k) {
        activations.Touch(k);
        activations.Items[static_cast<std::size_t>(k)].CopyFrom(activations.Items[static_cast<std::size_t>(k) + 1]);
    }
    --activations.Count;

    Publish();
    return true;
}
