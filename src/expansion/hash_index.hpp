#pragma once

// Positions into a caller's array, found by a hash the caller computes and
// told apart by the caller's own test of equality: one flat array probed
// linearly, so a lookup touches one or two cache lines and growing costs
// no allocation per entry. Entries with equal hashes may coexist.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kalvira {

class HashIndex {
public:
    static constexpr std::uint32_t NONE = ~std::uint32_t{0};

    bool empty() const { return count_ == 0; }
    void clear() {
        slots_.clear();
        count_ = 0;
        shift_ = 64;
    }

    // The first position with the hash that is_match accepts, or NONE.
    template <class IsMatch>
    std::uint32_t find(std::size_t hash, IsMatch is_match) const {
        if (slots_.empty()) {
            return NONE;
        }
        for (std::size_t i = home(hash); slots_[i].position != NONE; i = (i + 1) & mask()) {
            if (slots_[i].hash == hash && is_match(slots_[i].position)) {
                return slots_[i].position;
            }
        }
        return NONE;
    }

    // Room for count entries without growing.
    void reserve(std::size_t count) {
        std::size_t size = slots_.empty() ? 16 : slots_.size();
        while (size < 2 * count) {
            size *= 2;
        }
        if (size != slots_.size()) {
            resize(size);
        }
    }

    void insert(std::size_t hash, std::uint32_t position) {
        if (2 * (count_ + 1) > slots_.size()) {
            resize(slots_.empty() ? 16 : 2 * slots_.size());
        }
        place({hash, position});
        ++count_;
    }

    // Removes the entry of the position, which has the hash.
    void erase(std::size_t hash, std::uint32_t position) {
        std::size_t i = slot_of(hash, position);
        slots_[i].position = NONE;
        --count_;
        // Moves later entries of the run back, so that no probe stops early.
        for (std::size_t j = (i + 1) & mask(); slots_[j].position != NONE; j = (j + 1) & mask()) {
            const std::size_t start = home(slots_[j].hash);
            if (((j - start) & mask()) >= ((j - i) & mask())) {
                slots_[i] = slots_[j];
                slots_[j].position = NONE;
                i = j;
            }
        }
    }

    // The entry of a position, which has the hash, names another position.
    void move(std::size_t hash, std::uint32_t from, std::uint32_t to) { slots_[slot_of(hash, from)].position = to; }

private:
    struct Slot {
        std::size_t hash;
        std::uint32_t position;
    };

    std::size_t mask() const { return slots_.size() - 1; }
    // Where a hash's probe starts: its high bits after a multiplication,
    // so that hashes differing only in high bits, or counting up, spread.
    std::size_t home(std::size_t hash) const {
        return static_cast<std::size_t>((static_cast<std::uint64_t>(hash) * 0x9e3779b97f4a7c15ULL) >> shift_);
    }

    std::size_t slot_of(std::size_t hash, std::uint32_t position) const {
        std::size_t i = home(hash);
        while (slots_[i].position != position) {
            i = (i + 1) & mask();
        }
        return i;
    }

    void place(const Slot& slot) {
        std::size_t i = home(slot.hash);
        while (slots_[i].position != NONE) {
            i = (i + 1) & mask();
        }
        slots_[i] = slot;
    }

    void resize(std::size_t size) {
        std::vector<Slot> old(size, Slot{0, NONE});
        old.swap(slots_);
        shift_ = 64;
        for (std::size_t size = slots_.size(); size > 1; size /= 2) {
            --shift_;
        }
        for (const Slot& slot : old) {
            if (slot.position != NONE) {
                place(slot);
            }
        }
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
    unsigned shift_ = 64;
};

}  // namespace kalvira
