#pragma once
// The slot tables of the library's INI store. Names and values are single-byte strings cut at
// the store's widths. A slot whose name is empty is free; a new entry takes the first free slot
// from slot 0, and when the count has reached the capacity before it is placed, the capacity
// doubles first (every entry keeps its slot). Files are written in slot order.
//
// Names are found through an index, and a table holds only the slots up to the last one ever
// filled: its capacity (128 keys a section, 16 sections at first) is the number of slots it
// stands for, not memory it takes.
#include <QByteArray>
#include <QHash>

#include <set>
#include <vector>

// The names of a table's slots: which slot holds a name, and which slot a new name takes.
class TIniSlots {
public:
    explicit TIniSlots(int capacity) : capacity_(capacity) {}

    // The slot of a used name, or -1.
    int Find(const QByteArray& name) const;
    // The slot a new entry of that name takes (the first free one, after the capacity doubled
    // when the count had reached it); the count grows by one. The caller's payload of that slot
    // must be there (Size() slots) and is the caller's to fill.
    int Place(const QByteArray& name);
    // Frees the slot; the count stays.
    void Free(int slot);

    int Count() const { return count_; }
    int Capacity() const { return capacity_; }
    // Slots held: every slot from here on is free.
    int Size() const { return static_cast<int>(names_.size()); }
    const QByteArray& NameAt(int slot) const;

private:
    // Up to this many slots a name is looked for slot by slot, beyond it in the index (most
    // sections hold a few keys, and an index costs more than they do).
    static constexpr int SearchedUpTo = 8;

    void IndexAll();

    int count_ = 0;
    int capacity_;
    std::vector<QByteArray> names_;
    QHash<QByteArray, int> index_; // names that are not empty, once there are more than SearchedUpTo slots
    std::set<int> free_;           // held slots whose name is empty
};

// The keys of one section with their values.
class TIniKeyList {
public:
    static constexpr int MinCapacity = 128;
    static constexpr qsizetype NameLimit = 127;  // characters of a (full) key name
    static constexpr qsizetype ValueLimit = 255; // characters of a value

    explicit TIniKeyList(int capacity = MinCapacity);

    // The value of the used slot of that name (exact comparison), or null.
    const QByteArray* Find(const QByteArray& name) const;
    // Replaces the value of the key, or puts the key into the first free slot.
    void Set(const QByteArray& name, const QByteArray& value);
    // Frees the first slot of that name; the count stays, so the slot is reused next.
    void Remove(const QByteArray& name);

    // Slots ever filled (every used slot lies below it); it never decreases.
    int Count() const { return slots_.Count(); }
    int Capacity() const { return slots_.Capacity(); }
    // Empty for a free slot.
    const QByteArray& NameAt(int slot) const { return slots_.NameAt(slot); }
    const QByteArray& ValueAt(int slot) const;

private:
    TIniSlots slots_;
    std::vector<QByteArray> values_;
};

// The sections of one file, each with its key list.
class TIniSectionTable {
public:
    static constexpr int MinCapacity = 16;
    static constexpr qsizetype NameLimit = 63;

    explicit TIniSectionTable(int capacity = MinCapacity);

    // The key list of the used slot of that name, or null.
    TIniKeyList* Find(const QByteArray& name);
    const TIniKeyList* Find(const QByteArray& name) const;
    // The section's key list becomes a copy of list; a new section takes the first free slot.
    // Returns the slot.
    int Set(const QByteArray& name, const TIniKeyList& list);

    int Count() const { return slots_.Count(); }
    int Capacity() const { return slots_.Capacity(); }
    // Empty for a free slot.
    const QByteArray& NameAt(int slot) const { return slots_.NameAt(slot); }
    // Only for a slot that Set returned or whose name is not empty.
    TIniKeyList& ListAt(int slot) { return lists_[static_cast<std::size_t>(slot)]; }
    const TIniKeyList& ListAt(int slot) const { return lists_[static_cast<std::size_t>(slot)]; }

private:
    TIniSlots slots_;
    std::vector<TIniKeyList> lists_;
};
