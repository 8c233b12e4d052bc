// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/nearest_planets.h"

#include "core/simd.h"

#include <algorithm>
#include <limits>

namespace orvek {

namespace {

// The plain scan: each planet's key, squared distance in the upper bits and number in the low
// byte, so that the smallest key is the nearest planet and ties go to the lower number.
template <int count>
void scan_plain(const Placed& placed, int p, std::int16_t* out)
{
    std::uint32_t best[count];
    std::fill(best, best + count, std::numeric_limits<std::uint32_t>::max());
    for (int i = 0; i < placed.count(); ++i) {
        if (i == p)
            continue;
        const std::int32_t dx = placed.x(i) - placed.x(p), dy = placed.y(i) - placed.y(p);
        auto key = static_cast<std::uint32_t>(((dx * dx + dy * dy) << 8) | i);
        for (int k = 0; k < count; ++k)
            if (key < best[k])
                std::swap(key, best[k]);
    }
    for (int k = 0; k < count; ++k)
        out[k] = static_cast<std::int16_t>(best[k] & 0xFF);
}

#ifdef ORVEK_SSE2
// The scan with SSE2, by the same whole-number keys: squared distance in
// the upper bits, planet number in the low byte, so that the smallest key is the nearest
// planet and ties go to the lower number. Positions are packed as 16-bit (x, y) pairs so
// that one multiply-add gives four squared distances at once; each of the four lanes keeps
// its own `count` smallest keys in one pass, and the lanes are merged at the end. Padding
// entries hold a position off the map, farther than any planet.
template <int count>
void scan_sse2(const Placed& placed, int p, std::int16_t* out)
{
    const __m128i own = _mm_set1_epi32(static_cast<int>(placed.packed[p]));
    const __m128i four = _mm_set1_epi32(4);
    const __m128i zero = _mm_setzero_si128();
    const __m128i none = _mm_set1_epi32(std::numeric_limits<std::int32_t>::max());
    __m128i index = _mm_setr_epi32(0, 1, 2, 3);
    __m128i m[count];
    for (__m128i& lane : m)
        lane = none;
    const int padded = static_cast<int>(placed.packed.size());
    for (int i = 0; i < padded; i += 4) {
        __m128i d = _mm_sub_epi16(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(&placed.packed[i])), own);
        __m128i d2 = _mm_madd_epi16(d, d);
        // p's own entry (distance 0) gets the largest key, so it is never taken.
        __m128i key = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(d2, 8), index),
                                   _mm_srli_epi32(_mm_cmpeq_epi32(d2, zero), 1));
        index = _mm_add_epi32(index, four);
        for (int k = 0; k < count; ++k) {
            // m[k], key := min, max of the two.
            __m128i greater = _mm_cmpgt_epi32(m[k], key);
            __m128i low =
                _mm_or_si128(_mm_and_si128(greater, key), _mm_andnot_si128(greater, m[k]));
            key = _mm_or_si128(_mm_and_si128(greater, m[k]), _mm_andnot_si128(greater, key));
            m[k] = low;
        }
    }
    alignas(16) std::uint32_t lanes[4 * count];
    for (int k = 0; k < count; ++k)
        _mm_store_si128(reinterpret_cast<__m128i*>(&lanes[4 * k]), m[k]);
    std::partial_sort(lanes, lanes + count, lanes + 4 * count);
    for (int k = 0; k < count; ++k)
        out[k] = static_cast<std::int16_t>(lanes[k] & 0xFF);
}
#endif

#ifdef ORVEK_AVX2
// nearest_scan's keys kept in eight lanes, for processors that have AVX2 (and its unsigned
// minimum and maximum): each lane keeps its `count` smallest keys, merged at the end. A key holds
// one less than the squared distance, so that the planet itself, at distance 0, wraps around to
// a key above every other planet's without a test of its own; the order of the others is kept.
template <int count>
struct NearestKeys {
    __m256i m[count];

    [[gnu::always_inline]] __attribute__((target("avx2"))) explicit NearestKeys()
    {
        for (__m256i& lane : m)
            lane = _mm256_set1_epi32(-1);  // the largest unsigned key: none yet
    }

    // Adds the keys of eight planets at `packed`, numbered `numbers`, as seen from `own`.
    [[gnu::always_inline]] __attribute__((target("avx2"))) void add(__m256i own, __m256i packed,
                                                                    __m256i numbers)
    {
        const __m256i d = _mm256_sub_epi16(packed, own);
        const __m256i below = _mm256_sub_epi32(_mm256_madd_epi16(d, d), _mm256_set1_epi32(1));
        __m256i key = _mm256_or_si256(_mm256_slli_epi32(below, 8), numbers);
        for (int k = 0; k < count; ++k) {
            const __m256i low = _mm256_min_epu32(m[k], key);
            key = _mm256_max_epu32(m[k], key);
            m[k] = low;
        }
    }

    // Writes the numbers of the `count` smallest keys to `out`; returns the largest of those
    // (one less than its squared distance, in the bits above the number).
    // Each lane's keys are in order, so the smallest left is always among the lanes' first:
    // taking it moves its lane's next keys up. The keys are unique (each holds its planet's
    // number), so one lane matches.
    [[gnu::always_inline]] __attribute__((target("avx2"))) std::uint32_t take(std::int16_t* out)
    {
        std::uint32_t last = 0;
        for (int k = 0; k < count; ++k) {
            const __m256i smallest = smallest_of(m[0]);
            last = static_cast<std::uint32_t>(_mm256_cvtsi256_si32(smallest));
            out[k] = static_cast<std::int16_t>(last & 0xFF);
            const __m256i taken = _mm256_cmpeq_epi32(m[0], smallest);
            for (int j = 0; j + 1 < count; ++j)
                m[j] = _mm256_blendv_epi8(m[j], m[j + 1], taken);
            m[count - 1] = _mm256_blendv_epi8(m[count - 1], _mm256_set1_epi32(-1), taken);
        }
        return last;
    }

    // The smallest of eight keys, in every lane.
    [[gnu::always_inline]] __attribute__((target("avx2"))) static __m256i smallest_of(__m256i v)
    {
        v = _mm256_min_epu32(v, _mm256_permute2x128_si256(v, v, 1));
        v = _mm256_min_epu32(v, _mm256_shuffle_epi32(v, 0x4E));
        return _mm256_min_epu32(v, _mm256_shuffle_epi32(v, 0xB1));
    }
};

template <int count>
__attribute__((target("avx2"))) void scan_avx2(const Placed& placed, int p, std::int16_t* out)
{
    const __m256i own = _mm256_set1_epi32(static_cast<int>(placed.packed[p]));
    const __m256i eight = _mm256_set1_epi32(8);
    __m256i index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    NearestKeys<count> keys;
    const int padded = static_cast<int>(placed.packed.size());
    for (int i = 0; i < padded; i += 8) {
        keys.add(own, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&placed.packed[i])),
                 index);
        index = _mm256_add_epi32(index, eight);
    }
    keys.take(out);
}

#endif

// The block search's keys, for the `count` nearest planets of p among the planets of the block
// (and of the three cells right of it in each row, which the eight-cell loads also read); false
// when the last of them is not certainly nearer than every planet outside.
#ifdef ORVEK_AVX2
template <int count>
__attribute__((target("avx2"))) bool
block_nearest_avx2(const std::uint32_t* positions, const std::int32_t* numbers,
                   const Placed& placed, int p, std::int16_t* out)
{
    const __m256i own = _mm256_set1_epi32(static_cast<int>(placed.packed[p]));
    NearestKeys<count> keys;
    const int centre = NearbyPlanets::at_of(placed.x(p), placed.y(p));
    for (int r = -2; r <= 2; ++r) {
        const int at = centre + r * NearbyPlanets::kStride - 2;
        keys.add(own, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&positions[at])),
                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&numbers[at])));
    }
    constexpr std::uint32_t kBeyond = (2 * kCell + 1) * (2 * kCell + 1);
    return (keys.take(out) >> 8) + 1 < kBeyond;
}
#endif

}  // namespace

// The lane work is unrolled for each of the three possible counts.
void nearest_scan_plain(const Placed& placed, int p, int count, std::int16_t* out)
{
    switch (count) {
    case 1: return scan_plain<1>(placed, p, out);
    case 2: return scan_plain<2>(placed, p, out);
    default: return scan_plain<3>(placed, p, out);
    }
}

bool nearest_scan_sse2([[maybe_unused]] const Placed& placed, [[maybe_unused]] int p,
                       [[maybe_unused]] int count, [[maybe_unused]] std::int16_t* out)
{
#ifdef ORVEK_SSE2
    switch (count) {
    case 1: scan_sse2<1>(placed, p, out); break;
    case 2: scan_sse2<2>(placed, p, out); break;
    default: scan_sse2<3>(placed, p, out); break;
    }
    return true;
#else
    return false;
#endif
}

bool nearest_scan_avx2([[maybe_unused]] const Placed& placed, [[maybe_unused]] int p,
                       [[maybe_unused]] int count, [[maybe_unused]] std::int16_t* out)
{
#ifdef ORVEK_AVX2
    if (has_avx2()) {
        switch (count) {
        case 1: scan_avx2<1>(placed, p, out); break;
        case 2: scan_avx2<2>(placed, p, out); break;
        default: scan_avx2<3>(placed, p, out); break;
        }
        return true;
    }
#endif
    return false;
}

void nearest_scan(const Placed& placed, int p, int count, std::int16_t* out)
{
    if (!nearest_scan_avx2(placed, p, count, out) && !nearest_scan_sse2(placed, p, count, out))
        nearest_scan_plain(placed, p, count, out);
}

void NearbyPlanets::fill(const Placed& placed)
{
    positions_.assign(kStride * kRows, Placed::kFarPacked);
    numbers_.resize(kStride * kRows);
    for (int p = 0; p < placed.count(); ++p) {
        const int at = at_of(placed.x(p), placed.y(p));
        positions_[at] = placed.packed[p];
        numbers_[at] = p;
    }
}

bool NearbyPlanets::nearest([[maybe_unused]] const Placed& placed, [[maybe_unused]] int p,
                            [[maybe_unused]] int count, [[maybe_unused]] std::int16_t* out) const
{
#ifdef ORVEK_AVX2
    if (has_avx2())
        return count == 1
                   ? block_nearest_avx2<1>(positions_.data(), numbers_.data(), placed, p, out)
               : count == 2
                   ? block_nearest_avx2<2>(positions_.data(), numbers_.data(), placed, p, out)
                   : block_nearest_avx2<3>(positions_.data(), numbers_.data(), placed, p, out);
#endif
    return false;
}

}  // namespace orvek
