#pragma once
// The slot tables of the library's INI store. Names and values are single-byte strings cut at
// the store's widths. A slot whose name is empty is free; a new entry takes the first free slot
// from slot 0, and when the count has reached the capacity before it is placed, the capacity
// doubles first (every entry keeps its slot). Files are written in slot order.
#include <QByteArray>

#include <vector>

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
    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(names_.size()); }
    const QByteArray& NameAt(int slot) const { return names_[static_cast<std::size_t>(slot)]; }
    const QByteArray& ValueAt(int slot) const { return values_[static_cast<std::size_t>(slot)]; }

private:
    int count_ = 0;
    std::vector<QByteArray> names_;
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

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(names_.size()); }
    const QByteArray& NameAt(int slot) const { return names_[static_cast<std::size_t>(slot)]; }
    TIniKeyList& ListAt(int slot) { return lists_[static_cast<std::size_t>(slot)]; }
    const TIniKeyList& ListAt(int slot) const { return lists_[static_cast<std::size_t>(slot)]; }

private:
    int count_ = 0;
    std::vector<TIniKeyList> lists_;
    std::vector<QByteArray> names_;
};
