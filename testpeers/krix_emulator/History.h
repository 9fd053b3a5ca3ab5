#pragma once
// An append-only record of frames, read by position. A reader keeps the position of the next
// frame it wants and takes that one frame: reading frame k costs the same at the millionth frame
// as at the first, and no reader ever copies the frames before its own. The owner guards it as
// it guards the rest of its state.
#include <cstddef>
#include <utility>
#include <vector>

namespace KrixEmu {

template <typename T> class History {
public:
    void Append(T item) { items_.push_back(std::move(item)); }
    std::size_t Size() const { return items_.size(); }
    // The item at position index (from 0), or nullptr while there is none there yet.
    const T* At(std::size_t index) const { return index < items_.size() ? &items_[index] : nullptr; }
    // Every item in order, for a look at the whole record (tests).
    const std::vector<T>& All() const { return items_; }

private:
    std::vector<T> items_;
};

} // namespace KrixEmu
