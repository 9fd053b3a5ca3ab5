// The editing operations of the request store, run on the editing thread. Each ends with
// UpdateStructure; every reference into an edit table is taken again after a publication, since
// the publication swaps the tables.
#include "StoreOperations.h"

#include "Exception.h"
#include "FrameCodec.h"

#include <functional>

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

bool IsEntryOf(const TAllRequest& table, const TAnsReqItem& item) {
    const std::less<const TAnsReqItem*> before;
    const TAnsReqItem* first = table.Items.data();
    return !table.Items.empty() && !before(&item, first) && before(&item, first + table.Items.size());
}

} // namespace

void TRequestStore::InsertItem(TAllRequest& table, const TAnsReqItem& item) {
    std::int32_t i = 0;
    std::int32_t j = -1;
    try {
        if (table.Count >= table.Capacity) throw Exception(kNoRequestSpace);
        if (IsEntryOf(table, item)) throw Exception("The item to insert is an entry of the table!");
        i = table.Count;
        for (std::int32_t k = 0; k < table.Count; ++k) {
            if (table.Items[k].CompareWire(item.WireText) > 0) {
                i = k;
                break;
            }
        }
        for (j = table.Count - 1; j >= i; --j) table.Items[j + 1].CopyFrom(table.Items[j]);
        table.Items[i].CopyFrom(item);
        ++table.Count;
    } catch (const std::exception& e) {
        throw Exception::Prefixed("Insert item function error i:" + std::to_string(i) + " j:" + std::to_string(j), e);
    }
}

bool TRequestStore::AddRequest(const std::string& request, const std::vector<std::string>& answers,
                               const std::string& description, std::int32_t activationIndex,
                               std::uint8_t type) {
    try {
        RequireTables();
        TAllRequest& table = *editRequests_;
        if (table.Count >= table.Capacity) throw Exception(kNoRequestSpace);
        if (request.empty() || answers.empty()) return false;
        if (answers.front().empty()) return false;
        if (RequestIndex(PackFunction(request, 0), 1) != nullptr) return false;

        TAnsReqItem& item = *workItem_;
        item.SetValue(kPlainText, request);
        item.Type = type;
        item.SetAnswers(answers); // refuses more lines than there are answer slots
        if (Longer(description, limits_.MaxDescrLen)) throw Exception("Overlong Request description!");
        item.Description.assign(description);
        item.ActivationIndex = activationIndex;

        InsertItem(table, item);
        UpdateStructure();
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
            TActAnsItem& step = activation.Steps[j];
            step.SetValue(kPlainText, request);
            step.SetAnswers(answers);
            step.Description.assign(description);
            ++activation.Count;
        } else {
            TActivationItem& activation = activations.Items[i];
            activation.Name.assign(name);
            activation.Count = 0;
            ++activations.Count;
        }
        UpdateStructure();
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
    TAnsReqItem* entry = RequestIndex(PackFunction(request, 0), 1);
    if (entry == nullptr) return false;
    if (answers != nullptr) entry->SetAnswers(*answers);
    if (Longer(description, limits_.MaxDescrLen)) throw Exception("Overlong Request description!");
    if (!description.empty()) entry->Description.assign(description);
    UpdateStructure();
    return true;
}

bool TRequestStore::DeleteActivation(const std::string& name) {
    RequireTables();
    TActivations& activations = *editActivations_;
    TAllRequest& requests = *editRequests_;
    const std::int32_t i = FindActivation(activations, name);
    if (i == activations.Count) return false;

    std::int32_t kept = 0;
    for (std::int32_t r = 0; r < requests.Count; ++r) {
        if (requests.Items[r].ActivationIndex == i) continue;
        if (kept != r) requests.Items[kept].CopyFrom(requests.Items[r]);
        ++kept;
    }
    requests.Count = kept;
    for (std::int32_t r = 0; r < requests.Count; ++r)
        if (requests.Items[r].ActivationIndex > i) --requests.Items[r].ActivationIndex;

    for (std::int32_t k = i; k + 1 < activations.Count; ++k) activations.Items[k].CopyFrom(activations.Items[k + 1]);
    --activations.Count;

    UpdateStructure();
    return true;
}
