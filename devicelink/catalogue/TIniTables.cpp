#include "TIniTables.h"

#include <algorithm>

namespace {

// The first slot whose name is empty; the table doubles first when the count has reached the
// capacity. Every used slot lies below the count, so below the capacity a free slot always exists.
template <typename Grow> std::size_t FreeSlot(const std::vector<QByteArray>& names, int count, Grow grow) {
    if (count >= static_cast<int>(names.size()))
        grow(names.size() * 2);
    const auto it = std::find_if(names.begin(), names.end(), [](const QByteArray& n) { return n.isEmpty(); });
    return static_cast<std::size_t>(it - names.begin());
}

} // namespace

TIniKeyList::TIniKeyList(int capacity)
    : names_(static_cast<std::size_t>(std::max(capacity, MinCapacity))),
      values_(static_cast<std::size_t>(std::max(capacity, MinCapacity))) {}

const QByteArray* TIniKeyList::Find(const QByteArray& name) const {
    if (name.isEmpty())
        return nullptr;
    for (int i = 0; i < count_; ++i)
        if (names_[static_cast<std::size_t>(i)] == name)
            return &values_[static_cast<std::size_t>(i)];
    return nullptr;
}

void TIniKeyList::Set(const QByteArray& rawName, const QByteArray& value) {
    const QByteArray name = rawName.left(NameLimit);
    if (name.isEmpty())
        return;
    const QByteArray v = value.isNull() ? QByteArray("") : value.left(ValueLimit);
    for (int i = 0; i < count_; ++i) {
        if (names_[static_cast<std::size_t>(i)] == name) {
            values_[static_cast<std::size_t>(i)] = v;
            return;
        }
    }
    const std::size_t slot = FreeSlot(names_, count_, [this](std::size_t n) {
        names_.resize(n);
        values_.resize(n);
    });
    names_[slot] = name;
    values_[slot] = v;
    ++count_;
}

void TIniKeyList::Remove(const QByteArray& name) {
    if (name.isEmpty())
        return;
    for (int i = 0; i < count_; ++i) {
        if (names_[static_cast<std::size_t>(i)] == name) {
            names_[static_cast<std::size_t>(i)].clear();
            values_[static_cast<std::size_t>(i)].clear();
            return;
        }
    }
}

TIniSectionTable::TIniSectionTable(int capacity)
    : lists_(static_cast<std::size_t>(std::max(capacity, MinCapacity))),
      names_(static_cast<std::size_t>(std::max(capacity, MinCapacity))) {}

TIniKeyList* TIniSectionTable::Find(const QByteArray& name) {
    if (name.isEmpty())
        return nullptr;
    for (int i = 0; i < count_; ++i)
        if (names_[static_cast<std::size_t>(i)] == name)
            return &lists_[static_cast<std::size_t>(i)];
    return nullptr;
}

const TIniKeyList* TIniSectionTable::Find(const QByteArray& name) const {
    return const_cast<TIniSectionTable*>(this)->Find(name);
}

int TIniSectionTable::Set(const QByteArray& rawName, const TIniKeyList& list) {
    const QByteArray name = rawName.left(NameLimit);
    if (TIniKeyList* existing = Find(name)) {
        *existing = list;
        return static_cast<int>(existing - lists_.data());
    }
    const std::size_t slot = FreeSlot(names_, count_, [this](std::size_t n) {
        names_.resize(n);
        lists_.resize(n);
    });
    names_[slot] = name;
    lists_[slot] = list;
    ++count_;
    return static_cast<int>(slot);
}
