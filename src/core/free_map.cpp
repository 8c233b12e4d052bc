// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/free_map.h"

#include "core/random.h"
#include "core/simd.h"

#include <algorithm>
#include <bit>

namespace orvek {

namespace {

constexpr std::uint32_t kMultiplier = Random::kMultiplier;
constexpr std::uint32_t kAllFree = (1u << FreeMap::kTile) - 1;

// Positions searched at a time: eight, or sixteen with AVX-512.
constexpr int kBatch = 8;
constexpr int kWideBatch = 16;

// The random source after j draws from state s is mul[j] x s + add[j]: with these, a batch of
// draws comes from independent multiplications instead of one long chain of them.
struct JumpTable {
    std::array<std::uint32_t, 2 * kWideBatch + 1> mul{}, add{};
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

// The jumps to the x and the y state of each position of a batch, as vector operands.
template <int batch>
struct BatchJumps {
    alignas(64) std::array<std::uint32_t, batch> mul_x{}, add_x{}, mul_y{}, add_y{};
    constexpr BatchJumps()
    {
        for (int k = 0; k < batch; ++k) {
            mul_x[k] = kJump.mul[2 * k + 1];
            add_x[k] = kJump.add[2 * k + 1];
            mul_y[k] = kJump.mul[2 * k + 2];
            add_y[k] = kJump.add[2 * k + 2];
        }
    }
};

std::uint32_t draw_of(std::uint32_t state)
{
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state) * kMapRange) >> 32);
}

// The tile of a state's draw: R(960) / 30 is the state's top five bits.
constexpr int tile_of(std::uint32_t state)
{
    return static_cast<int>(state >> 27);
}

// Bits first..last set.
constexpr std::uint32_t span_of(int first, int last)
{
    return (~std::uint32_t{0} >> (31 - last)) & (~std::uint32_t{0} << first);
}

}  // namespace

bool FreeMap::is_free(std::uint32_t sx, std::uint32_t sy) const
{
    const int tile = tile_of(sx), band = tile_of(sy);
    if (!(written_[band] >> tile & 1u))
        return true;
    const std::uint32_t column = draw_of(sx) - static_cast<std::uint32_t>(tile * kTile);
    const std::uint32_t row = draw_of(sy) - static_cast<std::uint32_t>(band * kTile);
    const TileSummary& summary = summaries_[band * kTiles + tile];
    // The summary, small enough to stay in the fastest cache, turns most positions down before
    // their word is read.
    if (!((summary.columns >> column) & (summary.rows >> row) & 1u))
        return false;
    return (bits_[static_cast<std::size_t>(tile) * kMapRange + draw_of(sy)] >> column) & 1u;
}

// The positions of the batch from `start` whose tiles have a free position are in `hits`, one
// bit each in draw order; the first of them that is itself free is taken, if any.
template <int batch>
static bool take_first_free(const FreeMap& map, unsigned hits, std::uint32_t start, Random& random,
                            int& x, int& y)
{
    for (; hits; hits &= hits - 1) {
        const int k = std::countr_zero(hits);
        const std::uint32_t sx = kJump.mul[2 * k + 1] * start + kJump.add[2 * k + 1];
        const std::uint32_t sy = sx * kMultiplier + 1u;
        if (map.is_free(sx, sy)) {
            random.set_state(sy);
            x = kMapMin + static_cast<int>(draw_of(sx));
            y = kMapMin + static_cast<int>(draw_of(sy));
            return true;
        }
    }
    return false;
}

#ifdef ORVEK_AVX2
// The search with the batch's states and tile lookups in vector registers: the 32 tile words
// sit in four registers, picked from by a permute each and two rounds of blends.
__attribute__((target("avx2"))) static void
draw_free_avx2(const FreeMap& map, const std::uint32_t* tiles, Random& random, int& x, int& y)
{
    static constexpr BatchJumps<kBatch> jumps;
    const __m256i mul_x = _mm256_load_si256(reinterpret_cast<const __m256i*>(jumps.mul_x.data()));
    const __m256i add_x = _mm256_load_si256(reinterpret_cast<const __m256i*>(jumps.add_x.data()));
    const __m256i mul_y = _mm256_load_si256(reinterpret_cast<const __m256i*>(jumps.mul_y.data()));
    const __m256i add_y = _mm256_load_si256(reinterpret_cast<const __m256i*>(jumps.add_y.data()));
    __m256i table[4];
    for (int i = 0; i < 4; ++i)
        table[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tiles + 8 * i));
    const __m256i top = _mm256_set1_epi32(31);
    for (std::uint32_t start = random.state();;
         start = kJump.mul[2 * kBatch] * start + kJump.add[2 * kBatch]) {
        const __m256i from = _mm256_set1_epi32(static_cast<int>(start));
        const __m256i sx = _mm256_add_epi32(_mm256_mullo_epi32(from, mul_x), add_x);
        const __m256i sy = _mm256_add_epi32(_mm256_mullo_epi32(from, mul_y), add_y);
        const __m256i band = _mm256_srli_epi32(sy, 27), column = _mm256_srli_epi32(sx, 27);
        // Bit 3 of the band picks between registers 0 and 1 (2 and 3), bit 4 between the pairs.
        const __m256 bit3 = _mm256_castsi256_ps(_mm256_slli_epi32(band, 28));
        const __m256 bit4 = _mm256_castsi256_ps(_mm256_slli_epi32(band, 27));
        __m256 pick[4];
        for (int i = 0; i < 4; ++i)
            pick[i] = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(table[i], band));
        const __m256 word = _mm256_blendv_ps(_mm256_blendv_ps(pick[0], pick[1], bit3),
                                             _mm256_blendv_ps(pick[2], pick[3], bit3), bit4);
        // The column's bit moved to the sign, where movemask finds it.
        const unsigned hits = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(
            _mm256_sllv_epi32(_mm256_castps_si256(word), _mm256_sub_epi32(top, column)))));
        if (hits && take_first_free<kBatch>(map, hits, start, random, x, y))
            return;
    }
}

// GCC 12's AVX-512 shifts fill their unused operand with a deliberately undefined value, which
// its own warning then reports.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
// The same sixteen positions at a time, with one two-register permute for the tile lookup.
__attribute__((target("avx512f"))) static void
draw_free_avx512(const FreeMap& map, const std::uint32_t* tiles, Random& random, int& x, int& y)
{
    static constexpr BatchJumps<kWideBatch> jumps;
    const __m512i mul_x = _mm512_load_si512(jumps.mul_x.data());
    const __m512i add_x = _mm512_load_si512(jumps.add_x.data());
    const __m512i mul_y = _mm512_load_si512(jumps.mul_y.data());
    const __m512i add_y = _mm512_load_si512(jumps.add_y.data());
    const __m512i low = _mm512_loadu_si512(tiles), high = _mm512_loadu_si512(tiles + 16);
    const __m512i one = _mm512_set1_epi32(1);
    for (std::uint32_t start = random.state();;
         start = kJump.mul[2 * kWideBatch] * start + kJump.add[2 * kWideBatch]) {
        const __m512i from = _mm512_set1_epi32(static_cast<int>(start));
        const __m512i sx = _mm512_add_epi32(_mm512_mullo_epi32(from, mul_x), add_x);
        const __m512i sy = _mm512_add_epi32(_mm512_mullo_epi32(from, mul_y), add_y);
        const __m512i word = _mm512_permutex2var_epi32(low, _mm512_srli_epi32(sy, 27), high);
        const unsigned hits =
            _mm512_test_epi32_mask(_mm512_srlv_epi32(word, _mm512_srli_epi32(sx, 27)), one);
        if (hits && take_first_free<kWideBatch>(map, hits, start, random, x, y))
            return;
    }
}
#pragma GCC diagnostic pop

// FreeMap::update_tile with the 30 words in four blocks of eight, the last two overlapping
// (masking a word twice changes nothing).
__attribute__((target("avx2"))) static TileSummary
update_tile_avx2(std::uint32_t* words, bool fresh, int first, int last, std::uint32_t keep)
{
    constexpr int kBlocks[] = {0, 8, 16, 22};
    const __m256i above = _mm256_set1_epi32(first - 1), below = _mm256_set1_epi32(last + 1);
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(keep)), zero = _mm256_setzero_si256();
    __m256i columns = zero;
    std::uint32_t taken_rows = 0;
    for (int b = 0; b < 4; ++b) {
        __m256i* at = reinterpret_cast<__m256i*>(words + kBlocks[b]);
        const __m256i row = _mm256_add_epi32(_mm256_set1_epi32(kBlocks[b]),
                                             _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        const __m256i inside =
            _mm256_and_si256(_mm256_cmpgt_epi32(row, above), _mm256_cmpgt_epi32(below, row));
        const __m256i word = fresh ? _mm256_set1_epi32(kAllFree) : _mm256_loadu_si256(at);
        // Inside the square's rows the word keeps its bits of `keep`, outside all of them.
        const __m256i kept = _mm256_andnot_si256(_mm256_andnot_si256(mask, inside), word);
        _mm256_storeu_si256(at, kept);
        columns = _mm256_or_si256(columns, kept);
        taken_rows |= static_cast<std::uint32_t>(
                          _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(kept, zero))))
                      << kBlocks[b];
    }
    __m128i half =
        _mm_or_si128(_mm256_castsi256_si128(columns), _mm256_extracti128_si256(columns, 1));
    half = _mm_or_si128(half, _mm_shuffle_epi32(half, 0x4E));
    half = _mm_or_si128(half, _mm_shuffle_epi32(half, 0xB1));
    return {static_cast<std::uint32_t>(_mm_cvtsi128_si32(half)), ~taken_rows & kAllFree};
}
#endif

void FreeMap::clear()
{
    // The map is made at its first use, so that galaxies too small to need it never pay for it;
    // a tile's words are only written once a square covers part of it.
    bits_.resize(static_cast<std::size_t>(kMapRange) * kTiles);
    tiles_.fill(~std::uint32_t{0});
    written_.fill(0);
    free_bands_ = ~std::uint32_t{0};
}

void FreeMap::take(int x, int y)
{
    const int column = x - kMapMin, row = y - kMapMin;
    const int first_column = std::max(0, column - kClearance);
    const int last_column = std::min(kMapRange - 1, column + kClearance);
    const int first_row = std::max(0, row - kClearance);
    const int last_row = std::min(kMapRange - 1, row + kClearance);
    const int first_tile = first_column / kTile, last_tile = last_column / kTile;
    const std::uint32_t span = span_of(first_tile, last_tile);
    // The tiles whose columns the square covers whole; in the bands whose rows it covers whole
    // too, they are emptied without a look at their words, which are never read again.
    const std::uint32_t whole =
        span_of((first_column + kTile - 1) / kTile, (last_column + 1) / kTile - 1);
    for (int band = first_row / kTile; band <= last_row / kTile; ++band) {
        const int low = band * kTile;
        const int from = std::max(first_row, low) - low,
                  to = std::min(last_row, low + kTile - 1) - low;
        std::uint32_t live = tiles_[band] & span;
        if (from == 0 && to == kTile - 1) {
            tiles_[band] &= ~whole;
            live &= ~whole;
        }
        for (; live; live &= live - 1) {
            const int tile = std::countr_zero(live);
            const int left = tile * kTile;
            const std::uint32_t covered = span_of(std::max(first_column, left) - left,
                                                  std::min(last_column, left + kTile - 1) - left);
            take_tile(band, tile, from, to, covered);
        }
        if (tiles_[band] == 0)
            free_bands_ &= ~(1u << band);
    }
}

void FreeMap::take_tile(int band, int tile, int first, int last, std::uint32_t covered)
{
    const bool fresh = !(written_[band] >> tile & 1u);
    TileSummary& summary = summaries_[band * kTiles + tile];
    if (fresh)
        summary = {kAllFree, kAllFree};
    const std::uint32_t rows = span_of(first, last);
    // The square misses the tile's free positions, or covers all of them; either way the words
    // need not be read.
    if (!(summary.rows & rows) || !(summary.columns & covered))
        return;
    if (!(summary.rows & ~rows) && !(summary.columns & ~covered)) {
        tiles_[band] &= ~(1u << tile);
        return;
    }
    written_[band] |= 1u << tile;
    summary = update_tile(&bits_[static_cast<std::size_t>(tile) * kMapRange + band * kTile], fresh,
                          first, last, ~covered);
    if (summary.rows == 0)
        tiles_[band] &= ~(1u << tile);
}

TileSummary FreeMap::update_tile(std::uint32_t* words, bool fresh, int first, int last,
                                 std::uint32_t keep)
{
#ifdef ORVEK_AVX2
    if (has_avx2())
        return update_tile_avx2(words, fresh, first, last, keep);
#endif
    TileSummary summary{0, 0};
    for (int r = 0; r < kTile; ++r) {
        const std::uint32_t word = fresh ? kAllFree : words[r];
        words[r] = first <= r && r <= last ? word & keep : word;
        summary.columns |= words[r];
        summary.rows |= static_cast<std::uint32_t>(words[r] != 0) << r;
    }
    return summary;
}

void FreeMap::draw_free(Random& random, int& x, int& y) const
{
#ifdef ORVEK_AVX2
    if (has_avx512f())
        return draw_free_avx512(*this, tiles_.data(), random, x, y);
    if (has_avx2())
        return draw_free_avx2(*this, tiles_.data(), random, x, y);
#endif
    // A batch of positions at a time, turned down by their tiles where they can be; the first
    // free one is taken and the state set to the one after its y draw, so the draws are those
    // of a one-by-one search.
    for (std::uint32_t start = random.state();;
         start = kJump.mul[2 * kBatch] * start + kJump.add[2 * kBatch]) {
        unsigned hits = 0;
        for (int k = 0; k < kBatch; ++k) {
            const std::uint32_t sx = kJump.mul[2 * k + 1] * start + kJump.add[2 * k + 1];
            const std::uint32_t sy = kJump.mul[2 * k + 2] * start + kJump.add[2 * k + 2];
            hits |= ((tiles_[tile_of(sy)] >> tile_of(sx)) & 1u) << k;
        }
        if (hits && take_first_free<kBatch>(*this, hits, start, random, x, y))
            return;
    }
}

}  // namespace orvek
