#pragma once

// The storage of a term's powers: the first few in the term itself, more on
// the heap. Most terms of a small call have one or two factors, and then
// neither creating, copying nor moving a term allocates.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "expansion/factor_id.hpp"

namespace kalvira {

struct Power {
    FactorId factor;
    int exp;
    bool operator==(const Power& other) const { return factor == other.factor && exp == other.exp; }
};

class PowerBuffer {
public:
    PowerBuffer() = default;
    PowerBuffer(const Power* first, const Power* last) { append(first, last); }
    PowerBuffer(const PowerBuffer& other) { append(other.begin(), other.end()); }
    PowerBuffer(PowerBuffer&& other) noexcept { take(other); }
    PowerBuffer& operator=(const PowerBuffer& other) {
        if (this != &other) {
            size_ = 0;
            append(other.begin(), other.end());
        }
        return *this;
    }
    PowerBuffer& operator=(PowerBuffer&& other) noexcept {
        if (this != &other) {
            heap_.reset();
            take(other);
        }
        return *this;
    }

    Power* begin() { return data(); }
    Power* end() { return data() + size_; }
    const Power* begin() const { return data(); }
    const Power* end() const { return data() + size_; }
    std::size_t size() const { return size_; }
    Power& operator[](std::size_t i) { return data()[i]; }
    Power& back() { return data()[size_ - 1]; }

    void push_back(const Power& power) {
        reserve(size_ + 1);
        data()[size_++] = power;
    }
    // Inserts count blank entries before the first.
    void insert_front(std::size_t count) {
        reserve(size_ + count);
        std::memmove(data() + count, data(), size_ * sizeof(Power));
        std::fill(data(), data() + count, Power{0, 0});
        size_ += static_cast<std::uint32_t>(count);
    }
    void erase_front(std::size_t count) {
        std::memmove(data(), data() + count, (size_ - count) * sizeof(Power));
        size_ -= static_cast<std::uint32_t>(count);
    }
    void erase_from(Power* first) { size_ = static_cast<std::uint32_t>(first - data()); }

private:
    static constexpr std::uint32_t INLINE = 2;

    Power* data() { return heap_ ? heap_.get() : inline_; }
    const Power* data() const { return heap_ ? heap_.get() : inline_; }

    void reserve(std::size_t wanted) {
        if (wanted <= capacity_) {
            return;
        }
        const std::size_t capacity = std::max<std::size_t>(wanted, 2 * std::size_t{capacity_});
        std::unique_ptr<Power[]> grown(new Power[capacity]);
        std::copy(data(), data() + size_, grown.get());
        heap_ = std::move(grown);
        capacity_ = static_cast<std::uint32_t>(capacity);
    }
    void append(const Power* first, const Power* last) {
        reserve(size_ + static_cast<std::size_t>(last - first));
        std::copy(first, last, data() + size_);
        size_ += static_cast<std::uint32_t>(last - first);
    }
    // Takes other's entries, leaving it empty.
    void take(PowerBuffer& other) {
        size_ = other.size_;
        if (other.heap_) {
            heap_ = std::move(other.heap_);
            capacity_ = other.capacity_;
        } else {
            std::copy(other.inline_, other.inline_ + other.size_, inline_);
            capacity_ = INLINE;
        }
        other.size_ = 0;
        other.capacity_ = INLINE;
    }

    std::unique_ptr<Power[]> heap_;
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = INLINE;
    Power inline_[INLINE];
};

}  // namespace kalvira
