// Storage of a chart series that only grows: every value as a float, and beside
// the values a pyramid of minima and maxima over aligned blocks, so that the
// extent of any index range is found by reading a few dozen entries whatever
// the range's length. Appending touches only the end of each level; nothing
// stored earlier is moved or copied.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace tarvex {

// An array that grows by chunks that are never moved: 64, 64, 128, ... 32768
// elements, then chunks of 65536. Small arrays stay small and a large one
// wastes at most one partly filled chunk.
template <class T> class TChunkedArray {
public:
    std::size_t size() const { return size_; }

    void push_back(T value) {
        const auto [chunk, offset] = Locate(size_);
        if (chunk == chunks_.size())
            chunks_.push_back(std::make_unique_for_overwrite<T[]>(ChunkSize(chunk)));
        chunks_[chunk][offset] = value;
        ++size_;
    }

    T operator[](std::size_t index) const { return *Pointer(index); }

    // The element at index; the elements after it up to the next multiple of
    // 64 lie right behind it, since chunks start at multiples of 64.
    const T* Pointer(std::size_t index) const {
        const auto [chunk, offset] = Locate(index);
        return &chunks_[chunk][offset];
    }

    // Heap bytes held, chunk table included.
    std::size_t AllocatedBytes() const {
        std::size_t bytes = chunks_.capacity() * sizeof(chunks_[0]);
        for (std::size_t k = 0; k < chunks_.size(); ++k)
            bytes += ChunkSize(k) * sizeof(T);
        return bytes;
    }

private:
    static constexpr unsigned kFirstShift = 6; // first chunks of 64 elements
    static constexpr unsigned kLastShift = 16; // then chunks of 65536
    static constexpr std::size_t kGrowingChunks = kLastShift - kFirstShift + 1;

    struct Place {
        std::size_t chunk;
        std::size_t offset;
    };

    static Place Locate(std::size_t index) {
        if (index < (std::size_t{1} << kFirstShift))
            return {0, index};
        if (index < (std::size_t{1} << kLastShift)) {
            const std::size_t chunk = std::bit_width(index >> kFirstShift);
            return {chunk, index - (std::size_t{1} << (kFirstShift + chunk - 1))};
        }
        return {kGrowingChunks - 1 + (index >> kLastShift),
                index & ((std::size_t{1} << kLastShift) - 1)};
    }

    static std::size_t ChunkSize(std::size_t chunk) {
        if (chunk == 0)
            return std::size_t{1} << kFirstShift;
        if (chunk < kGrowingChunks)
            return std::size_t{1} << (kFirstShift + chunk - 1);
        return std::size_t{1} << kLastShift;
    }

    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};

// The extent of some values. NaN values are left out; an extent over no value
// (or over NaN values only) is empty: Min > Max.
struct TMinMax {
    float Min = std::numeric_limits<float>::infinity();
    float Max = -std::numeric_limits<float>::infinity();

    bool Empty() const { return Min > Max; }
    void Add(float value) {
        if (value < Min)
            Min = value;
        if (value > Max)
            Max = value;
    }
    void Add(const TMinMax& other) {
        if (other.Min < Min)
            Min = other.Min;
        if (other.Max > Max)
            Max = other.Max;
    }
};

class TMinMaxPyramid {
public:
    // Values per block of the lowest level, and blocks per block of the next.
    static constexpr unsigned kLeafShift = 4;
    static constexpr unsigned kFanShift = 2;

    std::size_t Count() const { return values_.size(); }
    float Value(std::size_t index) const { return values_[index]; }

    void Append(float value) {
        values_.push_back(value);
        pending_[0].Add(value);
        if (values_.size() % (std::size_t{1} << kLeafShift) != 0)
            return;
        // A block of the lowest level is complete; carry upwards while the
        // block above completes too.
        for (std::size_t level = 0;; ++level) {
            if (level == levels_.size())
                levels_.emplace_back();
            levels_[level].push_back(pending_[level]);
            if (level + 1 == pending_.size())
                pending_.emplace_back();
            pending_[level + 1].Add(pending_[level]);
            pending_[level] = TMinMax{};
            if (levels_[level].size() % (std::size_t{1} << kFanShift) != 0)
                break;
        }
    }

    // Extent of the values with index in [first, last). Climbs the pyramid:
    // at each level it takes the entries at both ends that do not make up a
    // whole block of the level above (at most three a side, lying together
    // in one chunk), then goes on with the blocks above between them.
    TMinMax Extent(std::size_t first, std::size_t last) const {
        TMinMax extent;
        if (first >= last)
            return extent;
        auto take = [&extent](const auto& array, std::size_t from, std::size_t to) {
            if (from >= to)
                return;
            const auto* run = array.Pointer(from);
            for (std::size_t k = 0; k < to - from; ++k)
                extent.Add(run[k]);
        };
        // Runs at both ends of [low, high) at one level, up to the first and
        // from the last multiple of 2^shift; returns false when no whole
        // block of the level above lies between them (all was taken then).
        auto ends = [&take](const auto& array, std::size_t& low, std::size_t& high,
                            unsigned shift) {
            const std::size_t upLow = (low + (std::size_t{1} << shift) - 1) >> shift;
            const std::size_t upHigh = high >> shift;
            if (upLow >= upHigh) {
                const std::size_t split = std::min(high, upLow << shift);
                take(array, low, split);
                take(array, split, high);
                return false;
            }
            take(array, low, upLow << shift);
            take(array, upHigh << shift, high);
            low = upLow;
            high = upHigh;
            return true;
        };
        std::size_t low = first;
        std::size_t high = last;
        if (!ends(values_, low, high, kLeafShift))
            return extent;
        for (std::size_t level = 0;; ++level) {
            const auto& blocks = levels_[level];
            if (level + 1 == levels_.size()) {
                for (std::size_t b = low; b < high; ++b)
                    extent.Add(blocks[b]);
                return extent;
            }
            if (!ends(blocks, low, high, kFanShift))
                return extent;
        }
    }

    // Heap bytes held by the values and the pyramid.
    std::size_t AllocatedBytes() const {
        std::size_t bytes = values_.AllocatedBytes() + levels_.capacity() * sizeof(levels_[0]) +
                            pending_.capacity() * sizeof(TMinMax);
        for (const auto& level : levels_)
            bytes += level.AllocatedBytes();
        return bytes;
    }

private:
    TChunkedArray<float> values_;
    // levels_[k][j]: extent of the values j * 16 * 4^k up to (j + 1) * 16 * 4^k.
    std::vector<TChunkedArray<TMinMax>> levels_;
    // pending_[k]: extent of the incomplete block of level k at the end.
    std::vector<TMinMax> pending_ = std::vector<TMinMax>(1);
};

} // namespace tarvex
