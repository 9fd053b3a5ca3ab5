#pragma once
// The list of unknown requests: every request the simulation did not know, once, with the answers
// the engine gave it when it first met it. The engine's thread adds to it and looks answers up in
// it (the unknown-request rules answer a request that comes back from here); the window's thread
// shows it and deletes rows. So the list itself is guarded, and the window's view draws copies of
// it; no widget is ever touched from the engine's thread.
//
// Rows hold the display form (digit pairs separated by blanks) and carry an id that stays with
// the row, so the window deletes exactly the rows the operator selected even while rows are
// being added.
#include "StringList.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* EmptyUnknownRequest = "00";
inline constexpr const char* AddUnknownRequestFailure = "AddUnknownRequest function error:\n";
inline constexpr const char* GetUnknownAnswerFailure = "GetUnknownAnswer function error:\n";

struct UnknownRequestRow {
    std::uint64_t Id = 0;
    std::string Request;         // display form
    TStringList Answers;         // display form, in the order reported
    bool operator==(const UnknownRequestRow&) const = default;
};

class UnknownRequestList {
public:
    // The engine's report of a request it did not know (plain texts, file form; an empty request
    // counts as "00"). A request already listed is left as it is: false. A text with an odd number
    // of digits raises (DividePacket) and adds nothing.
    bool AddReported(const std::string& request, const TStringList& answers);

    // The answers listed for a request in file form: the first row whose request without blanks
    // equals the text, its answers without blanks up to the first empty one. Nothing when the text
    // is empty or no row has it.
    std::optional<TStringList> Answers(const std::string& request) const;

    std::vector<UnknownRequestRow> Rows() const;
    // Counts every change, so a view knows whether its copy is current.
    std::uint64_t Version() const;
    void Clear();
    void Remove(const std::vector<std::uint64_t>& ids);
    // The rows of these requests (file form, letters in any case) leave the list: the requests an
    // editor took in from a drop.
    void RemoveRequests(const std::vector<std::string>& requests);

private:
    const UnknownRequestRow* FindLocked(const std::string& request) const;

    mutable std::mutex mutex_;
    std::vector<UnknownRequestRow> rows_;
    std::uint64_t nextId_ = 1;
    std::uint64_t version_ = 0;
};
