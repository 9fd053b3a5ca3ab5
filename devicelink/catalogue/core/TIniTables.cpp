#include "TIniTables.h"

#include <algorithm>

namespace {

const QByteArray NoText;

} // namespace

int TIniSlots::Find(const QByteArray& name) const {
    if (name.isEmpty())
        return -1;
    if (Size() > SearchedUpTo)
        return index_.value(name, -1);
    const auto it = std::find(names_.begin(), names_.end(), name);
    return it == names_.end() ? -1 : static_cast<int>(it - names_.begin());
}

void TIniSlots::IndexAll() {
    for (std::size_t slot = 0; slot < names_.size(); ++slot)
        if (!names_[slot].isEmpty())
            index_.insert(names_[slot], static_cast<int>(slot));
}

int TIniSlots::Place(const QByteArray& name) {
    if (count_ >= capacity_)
        capacity_ *= 2;
    // Every slot from Size() on is free, so the first free one is the lowest freed slot below
    // it or else Size() itself.
    int slot = Size();
    if (!free_.empty()) {
        slot = *free_.begin();
        free_.erase(free_.begin());
    } else {
        names_.emplace_back();
        if (Size() == SearchedUpTo + 1)
            IndexAll();
    }
    names_[static_cast<std::size_t>(slot)] = name;
    if (name.isEmpty())
        free_.insert(slot); // an empty name leaves its slot free
    else if (Size() > SearchedUpTo)
        index_.insert(name, slot);
    ++count_;
    return slot;
}

void TIniSlots::Free(int slot) {
    QByteArray& name = names_[static_cast<std::size_t>(slot)];
    if (name.isEmpty())
        return;
    if (Size() > SearchedUpTo)
        index_.remove(name);
    name.clear();
    free_.insert(slot);
}

const QByteArray& TIniSlots::NameAt(int slot) const {
    return slot >= 0 && slot < Size() ? names_[static_cast<std::size_t>(slot)] : NoText;
}

TIniKeyList::TIniKeyList(int capacity) : slots_(std::max(capacity, MinCapacity)) {}

const QByteArray* TIniKeyList::Find(const QByteArray& name) const {
    const int slot = slots_.Find(name);
    return slot < 0 ? nullptr : &values_[static_cast<std::size_t>(slot)];
}

const QByteArray& TIniKeyList::ValueAt(int slot) const {
    return slot >= 0 && slot < slots_.Size() ? values_[static_cast<std::size_t>(slot)] : NoText;
}

void TIniKeyList::Set(const QByteArray& rawName, const QByteArray& value) {
    const QByteArray name = rawName.left(NameLimit);
    if (name.isEmpty())
        return;
    const QByteArray v = value.isNull() ? QByteArray("") : value.left(ValueLimit);
    int slot = slots_.Find(name);
    if (slot < 0) {
        slot = slots_.Place(name);
        values_.resize(static_cast<std::size_t>(slots_.Size()));
    }
    values_[static_cast<std::size_t>(slot)] = v;
}

void TIniKeyList::Remove(const QByteArray& name) {
    const int slot = slots_.Find(name);
    if (slot < 0)
        return;
    slots_.Free(slot);
    values_[static_cast<std::size_t>(slot)].clear();
}

TIniSectionTable::TIniSectionTable(int capacity) : slots_(std::max(capacity, MinCapacity)) {}

TIniKeyList* TIniSectionTable::Find(const QByteArray& name) {
    const int slot = slots_.Find(name);
    return slot < 0 ? nullptr : &lists_[static_cast<std::size_t>(slot)];
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
    const int slot = slots_.Place(name);
    lists_.resize(static_cast<std::size_t>(slots_.Size()));
    lists_[static_cast<std::size_t>(slot)] = list;
    return slot;
}
