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
#include <unordered_map>
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

// What changed in the list since a view's copy of it.
struct UnknownRequestUpdate {
    std::uint64_t Version = 0;
    std::uint64_t Layout = 0;
    // True: Rows are the rows added behind the ones the view holds. False: Rows are every row,
    // because rows have left the list since the view's copy.
    bool Appended = false;
    std::vector<UnknownRequestRow> Rows;
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
    // The changes since a view's copy of `held` rows at that version and layout (the layout
    // counts the changes that take rows out of the list); nothing when the copy is current. A
    // scan meets tens of thousands of requests: a view takes in only the new rows while none has
    // left.
    std::optional<UnknownRequestUpdate> UpdateSince(std::uint64_t version, std::uint64_t layout,
                                                    std::size_t held) const;
    void Clear();
    void Remove(const std::vector<std::uint64_t>& ids);
    // The rows of these requests (file form, letters in any case) leave the list: the requests an
    // editor took in from a drop.
    void RemoveRequests(const std::vector<std::string>& requests);

private:
    const UnknownRequestRow* FindLocked(const std::string& request) const;
    // After rows have left: the index anew, and a new layout.
    void RowsLeftLocked();

    mutable std::mutex mutex_;
    std::vector<UnknownRequestRow> rows_;
    // Each row's request without blanks, as the look-ups compare it, to its place in rows_: the
    // engine looks up every request it does not know, and waits for the answer.
    std::unordered_map<std::string, std::size_t> index_;
    std::uint64_t nextId_ = 1;
    std::uint64_t version_ = 0;
    std::uint64_t layout_ = 0;
};
