// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/gate_list.h"

#include "core/simd.h"

#include <bit>

namespace orvek {

void GateList::add(int a, int b, GateBox box)
{
    // The arrays grow a whole vector at a time, so that the last one can be read whole.
    if (static_cast<std::size_t>(count_) == a_.size()) {
        for (auto* field : {&left_, &top_, &right_, &bottom_, &a_, &b_})
            field->resize(field->size() + kLanes);
        near_.resize(a_.size());
    }
    const auto at = static_cast<std::size_t>(count_++);
    left_[at] = box.left;
    top_[at] = box.top;
    right_[at] = box.right;
    bottom_[at] = box.bottom;
    a_[at] = static_cast<std::int16_t>(a);
    b_[at] = static_cast<std::int16_t>(b);
}

namespace {

// The gates' fields, each an array padded to whole vectors.
struct Fields {
    const std::int16_t *left, *top, *right, *bottom, *a, *b;
};

// Notes the gates of lanes (two bits each, the even ones set) from gate i on, up to `count`.
inline int note(std::uint32_t lanes, int i, int count, int near, std::int32_t* out)
{
    // Lanes past the last gate hold stale gates or none: they are masked off.
    if (count - i < 16)
        lanes &= (std::uint32_t{1} << 2 * (count - i)) - 1;
    for (; lanes; lanes &= lanes - 1)
        out[near++] = i + std::countr_zero(lanes) / 2;
    return near;
}

#ifdef ORVEK_AVX2
[[gnu::always_inline]] __attribute__((target("avx2"))) inline __m256i load(const std::int16_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Each lane's comparisons give two bits of the byte mask; the even ones are kept.
__attribute__((target("avx2"))) int find_near_avx2(Fields gates, int count, int a, int b,
                                                   GateBox box, std::int32_t* out)
{
    const __m256i a16 = _mm256_set1_epi16(static_cast<std::int16_t>(a));
    const __m256i b16 = _mm256_set1_epi16(static_cast<std::int16_t>(b));
    const __m256i left = _mm256_set1_epi16(box.left), top = _mm256_set1_epi16(box.top);
    const __m256i right = _mm256_set1_epi16(box.right), bottom = _mm256_set1_epi16(box.bottom);
    int near = 0;
    for (int i = 0; i < count; i += 16) {
        const __m256i gate_a = load(gates.a + i), gate_b = load(gates.b + i);
        __m256i apart = _mm256_cmpgt_epi16(load(gates.left + i), right);
        apart = _mm256_or_si256(apart, _mm256_cmpgt_epi16(left, load(gates.right + i)));
        apart = _mm256_or_si256(apart, _mm256_cmpgt_epi16(load(gates.top + i), bottom));
        apart = _mm256_or_si256(apart, _mm256_cmpgt_epi16(top, load(gates.bottom + i)));
        apart = _mm256_or_si256(apart, _mm256_cmpeq_epi16(gate_a, a16));
        apart = _mm256_or_si256(apart, _mm256_cmpeq_epi16(gate_a, b16));
        apart = _mm256_or_si256(apart, _mm256_cmpeq_epi16(gate_b, a16));
        apart = _mm256_or_si256(apart, _mm256_cmpeq_epi16(gate_b, b16));
        const std::uint32_t lanes =
            ~static_cast<std::uint32_t>(_mm256_movemask_epi8(apart)) & 0x55555555u;
        if (lanes)
            near = note(lanes, i, count, near, out);
    }
    return near;
}
#endif

int find_near_plain(Fields gates, int count, int a, int b, GateBox box, std::int32_t* out)
{
    int near = 0;
    for (int i = 0; i < count; i += 16) {
        std::uint32_t lanes = 0;
        for (int lane = 0; lane < 16; ++lane) {
            const int j = i + lane;
            const bool apart = (gates.left[j] > box.right) | (box.left > gates.right[j]) |
                               (gates.top[j] > box.bottom) | (box.top > gates.bottom[j]) |
                               (gates.a[j] == a) | (gates.a[j] == b) | (gates.b[j] == a) |
                               (gates.b[j] == b);
            lanes |= std::uint32_t{!apart} << 2 * lane;
        }
        if (lanes)
            near = note(lanes, i, count, near, out);
    }
    return near;
}

}  // namespace

int GateList::find_near(int a, int b, GateBox box)
{
    const Fields gates{left_.data(),   top_.data(), right_.data(),
                       bottom_.data(), a_.data(),   b_.data()};
#ifdef ORVEK_AVX2
    if (has_avx2())
        return find_near_avx2(gates, count_, a, b, box, near_.data());
#endif
    return find_near_plain(gates, count_, a, b, box, near_.data());
}

}  // namespace orvek
