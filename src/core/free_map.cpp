#include "core/free_map.h"

#include "core/random.h"
#include "core/simd.h"

#include <algorithm>
#include <bit>

namespace orvek {

namespace {

constexpr std::uint32_t kMultiplier = 134775813u;

// Positions searched at a time: four per vector of eight draws.
constexpr int kBatch = 8;
constexpr int kVectors = kBatch / 4;

// The random source after j draws from state s is mul[j] x s + add[j]: with these, a batch of
// draws comes from independent multiplications instead of one long chain of them.
struct JumpTable {
    std::array<std::uint32_t, 2 * kBatch + 1> mul{}, add{};
    constexpr JumpTable()
    {
        mul[0] = 1;
        for (std::size_t j = 1; j < mul.size(); ++j) {
            mul[j] = mul[j - 1] * kMultiplier;
            add[j] = add[j - 1] * kMultiplier + 1u;
        }
    }
};
constexpr JumpTable kJump;

std::uint32_t draw_of(std::uint32_t state)
{
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state) * kMapRange) >> 32);
}

#ifdef ORVEK_AVX2
// Clears the square's bits in `rows` rows: one four-word load, mask and store per row.
__attribute__((target("avx2"))) void take_rows_avx2(std::uint64_t* at, int rows,
                                                    const std::uint64_t* keep)
{
    const __m256i mask = _mm256_load_si256(reinterpret_cast<const __m256i*>(keep));
    for (int r = 0; r < rows; ++r, at += kMapRange / 64) {
        __m256i* row = reinterpret_cast<__m256i*>(at);
        _mm256_storeu_si256(row, _mm256_and_si256(_mm256_loadu_si256(row), mask));
    }
}

// FreeMap::draw_free's search with the sixteen draws, the eight positions and their lookups
// done in vector registers.
__attribute__((target("avx2"))) void draw_free_avx2(const std::uint64_t* bits, Random& random,
                                                    int& x, int& y)
{
    const __m256i* mul = reinterpret_cast<const __m256i*>(&kJump.mul[1]);
    const __m256i* add = reinterpret_cast<const __m256i*>(&kJump.add[1]);
    const __m256i range = _mm256_set1_epi64x(kMapRange), one = _mm256_set1_epi64x(1);
    const __m256i bit_of = _mm256_set1_epi64x(63);
    std::uint32_t start = random.state();
    for (;;) {
        const __m256i from = _mm256_set1_epi32(static_cast<int>(start));
        __m256i states[kVectors], columns[kVectors], rows[kVectors];
        int free = 0;
        for (int h = 0; h < kVectors; ++h) {
            // Four positions from eight states: x from the even, y from the odd 32-bit lanes;
            // each position's word is row x 15 + column / 64, its bit column % 64.
            states[h] = _mm256_add_epi32(_mm256_mullo_epi32(from, _mm256_loadu_si256(mul + h)),
                                         _mm256_loadu_si256(add + h));
            columns[h] = _mm256_srli_epi64(_mm256_mul_epu32(states[h], range), 32);
            rows[h] =
                _mm256_srli_epi64(_mm256_mul_epu32(_mm256_srli_epi64(states[h], 32), range), 32);
            const __m256i word =
                _mm256_add_epi64(_mm256_sub_epi64(_mm256_slli_epi64(rows[h], 4), rows[h]),
                                 _mm256_srli_epi64(columns[h], 6));
            const __m256i words =
                _mm256_i64gather_epi64(reinterpret_cast<const long long*>(bits), word, 8);
            const __m256i bit = _mm256_and_si256(
                _mm256_srlv_epi64(words, _mm256_and_si256(columns[h], bit_of)), one);
            free |= _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpeq_epi64(bit, one)))
                    << (4 * h);
        }
        if (free) {
            const int k = std::countr_zero(static_cast<unsigned>(free));
            alignas(32) std::uint32_t state_of[2 * kBatch];
            alignas(32) std::uint64_t column_of[kBatch], row_of[kBatch];
            for (int h = 0; h < kVectors; ++h) {
                _mm256_store_si256(reinterpret_cast<__m256i*>(&state_of[8 * h]), states[h]);
                _mm256_store_si256(reinterpret_cast<__m256i*>(&column_of[4 * h]), columns[h]);
                _mm256_store_si256(reinterpret_cast<__m256i*>(&row_of[4 * h]), rows[h]);
            }
            random.set_state(state_of[2 * k + 1]);
            x = kMapMin + static_cast<int>(column_of[k]);
            y = kMapMin + static_cast<int>(row_of[k]);
            return;
        }
        // The next batch's start from the scalar jump, not from the vector: that keeps the chain
        // from one batch to the next to one multiplication.
        start = kJump.mul[2 * kBatch] * start + kJump.add[2 * kBatch];
    }
}
#endif

// Three words of padding after the last row, for the four-word masks of take().
constexpr std::size_t kPadding = 3;

}  // namespace

void FreeMap::clear()
{
    // The map is made at its first use, so that galaxies too small to need it never pay for it.
    bits_.resize(static_cast<std::size_t>(kMapRange) * kWordsPerRow + kPadding);
    std::fill(bits_.begin(), bits_.end() - kPadding, ~std::uint64_t{0});
    first_free_word_ = 0;
}

void FreeMap::take(int x, int y)
{
    const int column = x - kMapMin, row = y - kMapMin;
    const int first_column = std::max(0, column - kClearance);
    const int last_column = std::min(kMapRange - 1, column + kClearance);
    const int first_row = std::max(0, row - kClearance);
    const int last_row = std::min(kMapRange - 1, row + kClearance);
    // The square's columns as masks over four words from the first it touches; it touches at
    // most three, and a word of the next row (or of the padding) gets a mask that keeps it.
    const int first_word = first_column >> 6;
    alignas(32) std::uint64_t keep[4];
    for (int w = 0; w < 4; ++w) {
        const int low = (first_word + w) * 64;
        const int from = std::max(first_column, low) - low,
                  to = std::min(last_column, low + 63) - low;
        keep[w] = from > to ? ~std::uint64_t{0}
                            : ~((~std::uint64_t{0} >> (63 - to)) & (~std::uint64_t{0} << from));
    }
    std::uint64_t* at = &bits_[static_cast<std::size_t>(first_row) * kWordsPerRow + first_word];
#ifdef ORVEK_AVX2
    if (has_avx2())
        return take_rows_avx2(at, last_row - first_row + 1, keep);
#endif
    for (int r = first_row; r <= last_row; ++r, at += kWordsPerRow)
        for (int w = 0; w < 4; ++w)
            at[w] &= keep[w];
}

bool FreeMap::full()
{
    const std::size_t end = bits_.size() - kPadding;
    while (first_free_word_ < end && bits_[first_free_word_] == 0)
        ++first_free_word_;
    return first_free_word_ == end;
}

void FreeMap::draw_free(Random& random, int& x, int& y) const
{
#ifdef ORVEK_AVX2
    if (has_avx2())
        return draw_free_avx2(bits_.data(), random, x, y);
#endif
    // A batch of positions at a time; the first free one is taken and the state set to the one
    // after its y draw, so the draws are those of a one-by-one search.
    std::uint32_t start = random.state();
    for (;;) {
        std::uint32_t state[2 * kBatch];
        for (int j = 0; j < 2 * kBatch; ++j)
            state[j] = kJump.mul[j + 1] * start + kJump.add[j + 1];
        for (int k = 0; k < kBatch; ++k) {
            const std::uint32_t column = draw_of(state[2 * k]), row = draw_of(state[2 * k + 1]);
            if (is_free(column, row)) {
                random.set_state(state[2 * k + 1]);
                x = kMapMin + static_cast<int>(column);
                y = kMapMin + static_cast<int>(row);
                return;
            }
        }
        start = state[2 * kBatch - 1];
    }
}

}  // namespace orvek
