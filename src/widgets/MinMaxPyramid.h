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
template <class T> class ChunkedArray {
public:
    std::size_t size() const { return m_size; }

    void push_back(T value) {
        const auto [chunk, offset] = locate(m_size);
        if (chunk == m_chunks.size())
            m_chunks.push_back(std::make_unique_for_overwrite<T[]>(chunkSize(chunk)));
        m_chunks[chunk][offset] = value;
        ++m_size;
    }

    T operator[](std::size_t index) const { return *pointer(index); }

    // The element at index; the elements after it up to the next multiple of
    // 64 lie right behind it, since chunks start at multiples of 64.
    const T* pointer(std::size_t index) const {
        const auto [chunk, offset] = locate(index);
        return &m_chunks[chunk][offset];
    }

    // Heap bytes held, chunk table included.
    std::size_t allocatedBytes() const {
        std::size_t bytes = m_chunks.capacity() * sizeof(m_chunks[0]);
        for (std::size_t k = 0; k < m_chunks.size(); ++k)
            bytes += chunkSize(k) * sizeof(T);
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

    static Place locate(std::size_t index) {
        if (index < (std::size_t{1} << kFirstShift))
            return {0, index};
        if (index < (std::size_t{1} << kLastShift)) {
            const std::size_t chunk = std::bit_width(index >> kFirstShift);
            return {chunk, index - (std::size_t{1} << (kFirstShift + chunk - 1))};
        }
        return {kGrowingChunks - 1 + (index >> kLastShift),
                index & ((std::size_t{1} << kLastShift) - 1)};
    }

    static std::size_t chunkSize(std::size_t chunk) {
        if (chunk == 0)
            return std::size_t{1} << kFirstShift;
        if (chunk < kGrowingChunks)
            return std::size_t{1} << (kFirstShift + chunk - 1);
        return std::size_t{1} << kLastShift;
    }

    std::vector<std::unique_ptr<T[]>> m_chunks;
    std::size_t m_size = 0;
};

// The extent of some values. NaN values are left out; an extent over no value
// (or over NaN values only) is empty: min > max.
struct MinMax {
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();

    bool isEmpty() const { return min > max; }
    void add(float value) {
        if (value < min)
            min = value;
        if (value > max)
            max = value;
    }
    void add(const MinMax& other) {
        if (other.min < min)
            min = other.min;
        if (other.max > max)
            max = other.max;
    }
};

class MinMaxPyramid {
public:
    // Values per block of the lowest level, and blocks per block of the next.
    static constexpr unsigned kLeafShift = 4;
    static constexpr unsigned kFanShift = 2;

    std::size_t count() const { return m_values.size(); }
    float value(std::size_t index) const { return m_values[index]; }

    void append(float value) {
        m_values.push_back(value);
        m_pending[0].add(value);
        if (m_values.size() % (std::size_t{1} << kLeafShift) != 0)
            return;
        // A block of the lowest level is complete; carry upwards while the
        // block above completes too.
        for (std::size_t level = 0;; ++level) {
            if (level == m_levels.size())
                m_levels.emplace_back();
            m_levels[level].push_back(m_pending[level]);
            if (level + 1 == m_pending.size())
                m_pending.emplace_back();
            m_pending[level + 1].add(m_pending[level]);
            m_pending[level] = MinMax{};
            if (m_levels[level].size() % (std::size_t{1} << kFanShift) != 0)
                break;
        }
    }

    // Extent of the values with index in [first, last). Climbs the pyramid:
    // at each level it takes the entries at both ends that do not make up a
    // whole block of the level above (at most three a side, lying together
    // in one chunk), then goes on with the blocks above between them.
    MinMax extent(std::size_t first, std::size_t last) const {
        MinMax extent;
        if (first >= last)
            return extent;
        auto take = [&extent](const auto& array, std::size_t from, std::size_t to) {
            if (from >= to)
                return;
            const auto* run = array.pointer(from);
            for (std::size_t k = 0; k < to - from; ++k)
                extent.add(run[k]);
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
        if (!ends(m_values, low, high, kLeafShift))
            return extent;
        for (std::size_t level = 0;; ++level) {
            const auto& blocks = m_levels[level];
            if (level + 1 == m_levels.size()) {
                for (std::size_t b = low; b < high; ++b)
                    extent.add(blocks[b]);
                return extent;
            }
            if (!ends(blocks, low, high, kFanShift))
                return extent;
        }
    }

    // Heap bytes held by the values and the pyramid.
    std::size_t allocatedBytes() const {
        std::size_t bytes = m_values.allocatedBytes() + m_levels.capacity() * sizeof(m_levels[0]) +
                            m_pending.capacity() * sizeof(MinMax);
        for (const auto& level : m_levels)
            bytes += level.allocatedBytes();
        return bytes;
    }

private:
    ChunkedArray<float> m_values;
    // m_levels[k][j]: extent of the values j * 16 * 4^k up to (j + 1) * 16 * 4^k.
    std::vector<ChunkedArray<MinMax>> m_levels;
    // m_pending[k]: extent of the incomplete block of level k at the end.
    std::vector<MinMax> m_pending = std::vector<MinMax>(1);
};

} // namespace tarvex
