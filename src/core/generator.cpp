#include "core/generator.h"

#include "core/error.h"
#include "core/free_map.h"
#include "core/index_pool.h"
#include "core/random.h"
#include "core/settings.h"
#include "core/simd.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <exception>
#include <limits>
#include <thread>

namespace orvek {

namespace {

constexpr int kMapMax = kMapMin + kMapRange - 1;
constexpr int kCell = kClearance + 1;
constexpr int kGrid = (kMapMax / kCell) + 1;
constexpr int kRoomyCount = 74;  // up to this many planets can never fill the map
constexpr char kCalculating[] = "CALCULATING!";
constexpr char kReady[] = "The Galaxy is ready!";

// What the first half of an attempt leaves for the second: every draw of the attempt has been
// made, so an attempt can be linked and tested while the next one is already being placed.
struct Placed {
    explicit Placed(int n)
        : xs(n), ys(n), packed((n + 7) / 8 * 8, kFarPacked), own_links(n), names(n), name_at(n),
          template_at(n), nearest(static_cast<std::size_t>(n) * 3)
    {}

    enum class Kind { Ready, FullMap, Failed, Cancelled };
    // x in the low, y in the high 16 bits; padded to a multiple of eight with a position farther
    // than any planet.
    static constexpr std::uint32_t kFarPacked = 2000u | (2000u << 16);
    static constexpr std::uint32_t kMadeUp = std::numeric_limits<std::uint32_t>::max();

    Kind kind = Kind::Ready;
    std::exception_ptr error;
    std::uint64_t number = 0;       // the attempt's number, counted from 1
    std::uint32_t state_after = 0;  // the random source's state after the attempt's draws
    std::string background;
    int home = 0;
    std::vector<std::int32_t> xs, ys;
    std::vector<std::uint32_t> packed;
    std::vector<std::int32_t> own_links;     // the drawn link count of every planet
    std::vector<std::string> names;          // made-up names; pool names once resolved
    std::vector<std::uint32_t> name_at;      // position drawn from the name pool, or kMadeUp
    std::vector<std::uint32_t> template_at;  // position drawn from the template list
    std::vector<std::uint32_t> wormhole_at;  // positions drawn from the wormhole pool
    // The nearest planets of planets 0..nearest_done-1, three entries each, when the placing
    // side had time to find them.
    std::vector<std::int16_t> nearest;
    int nearest_done = 0;
};

// The `count` nearest planets of p by a full scan of whole-number keys: squared distance in
// the upper bits, planet number in the low byte, so that the smallest key is the nearest
// planet and ties go to the lower number. Positions are packed as 16-bit (x, y) pairs so
// that one multiply-add gives four squared distances at once; each of the four lanes keeps
// its own `count` smallest keys in one pass, and the lanes are merged at the end. Padding
// entries hold a position off the map, farther than any planet.
template <int count>
void nearest_scan(const Placed& placed, int p, std::int16_t* out)
{
#ifdef ORVEK_SSE2
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
#else
    std::uint32_t best[count];
    std::fill(best, best + count, std::numeric_limits<std::uint32_t>::max());
    for (int i = 0; i < static_cast<int>(placed.xs.size()); ++i) {
        if (i == p)
            continue;
        const std::int32_t dx = placed.xs[i] - placed.xs[p], dy = placed.ys[i] - placed.ys[p];
        auto key = static_cast<std::uint32_t>(((dx * dx + dy * dy) << 8) | i);
        for (int k = 0; k < count; ++k)
            if (key < best[k])
                std::swap(key, best[k]);
    }
    for (int k = 0; k < count; ++k)
        out[k] = static_cast<std::int16_t>(best[k] & 0xFF);
#endif
}

#ifdef ORVEK_AVX2
// nearest_scan's keys kept in eight lanes, for processors that have AVX2 (and its signed minimum
// and maximum): each lane keeps its `count` smallest keys, merged at the end.
template <int count>
struct NearestKeys {
    __m256i m[count];

    [[gnu::always_inline]] __attribute__((target("avx2"))) explicit NearestKeys()
    {
        for (__m256i& lane : m)
            lane = _mm256_set1_epi32(std::numeric_limits<std::int32_t>::max());
    }

    // Adds the keys of eight planets at `packed`, numbered `numbers`, as seen from `own`.
    [[gnu::always_inline]] __attribute__((target("avx2"))) void add(__m256i own, __m256i packed,
                                                                    __m256i numbers)
    {
        const __m256i d = _mm256_sub_epi16(packed, own);
        const __m256i d2 = _mm256_madd_epi16(d, d);
        __m256i key =
            _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(d2, 8), numbers),
                            _mm256_srli_epi32(_mm256_cmpeq_epi32(d2, _mm256_setzero_si256()), 1));
        for (int k = 0; k < count; ++k) {
            const __m256i low = _mm256_min_epi32(m[k], key);
            key = _mm256_max_epi32(m[k], key);
            m[k] = low;
        }
    }

    // Writes the numbers of the `count` smallest keys to `out`; returns the largest of those.
    [[gnu::always_inline]] __attribute__((target("avx2"))) std::uint32_t take(std::int16_t* out)
    {
        alignas(32) std::uint32_t lanes[8 * count];
        for (int k = 0; k < count; ++k)
            _mm256_store_si256(reinterpret_cast<__m256i*>(&lanes[8 * k]), m[k]);
        std::partial_sort(lanes, lanes + count, lanes + 8 * count);
        for (int k = 0; k < count; ++k)
            out[k] = static_cast<std::int16_t>(lanes[k] & 0xFF);
        return lanes[count - 1];
    }
};

template <int count>
__attribute__((target("avx2"))) void nearest_scan_avx2(const Placed& placed, int p,
                                                       std::int16_t* out)
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

void nearest_scan(const Placed& placed, int p, int count, std::int16_t* out)
{
#ifdef ORVEK_AVX2
    if (has_avx2()) {
        switch (count) {
        case 1: return nearest_scan_avx2<1>(placed, p, out);
        case 2: return nearest_scan_avx2<2>(placed, p, out);
        default: return nearest_scan_avx2<3>(placed, p, out);
        }
    }
#endif
    // The lane work is unrolled for each of the three possible counts.
    switch (count) {
    case 1: return nearest_scan<1>(placed, p, out);
    case 2: return nearest_scan<2>(placed, p, out);
    default: return nearest_scan<3>(placed, p, out);
    }
}

// The planets of an attempt by clash-grid cell, so that a planet's nearest ones can be looked
// for in the 5 x 5 cells around its own: every planet outside those lies at least two cells and
// a unit (113 units) away on one axis. Where the map is crowded, that block almost always holds
// them.
class NearbyPlanets {
public:
    // Planet counts from which the block is looked at first: in a sparser map it would too
    // often lack a planet's farthest link, and the full scan is short anyway.
    static constexpr int kFrom = 120;

    void fill(const Placed& placed)
    {
        // Made at the first use, so that smaller galaxies never pay for it.
        positions_.assign(kStride * kRows, Placed::kFarPacked);
        numbers_.resize(kStride * kRows);
        for (int p = 0; p < static_cast<int>(placed.xs.size()); ++p) {
            const int at = at_of(placed.xs[p], placed.ys[p]);
            positions_[at] = placed.packed[p];
            numbers_[at] = p;
        }
    }

    // The `count` nearest planets of p, as nearest_scan finds them, from the block around it;
    // false when that is not certain, or the processor lacks AVX2.
    bool nearest([[maybe_unused]] const Placed& placed, [[maybe_unused]] int p,
                 [[maybe_unused]] int count, [[maybe_unused]] std::int16_t* out) const
    {
#ifdef ORVEK_AVX2
        if (has_avx2())
            return count == 1   ? nearest_avx2<1>(placed, p, out)
                   : count == 2 ? nearest_avx2<2>(placed, p, out)
                                : nearest_avx2<3>(placed, p, out);
#endif
        return false;
    }

private:
#ifdef ORVEK_AVX2
    // The `count` nearest planets of p by nearest_scan's keys, among the planets of the block
    // (and of the three cells right of it in each row, which the eight-cell loads also read);
    // false when the last of them is not certainly nearer than every planet outside.
    template <int count>
    __attribute__((target("avx2"))) bool nearest_avx2(const Placed& placed, int p,
                                                      std::int16_t* out) const
    {
        const __m256i own = _mm256_set1_epi32(static_cast<int>(placed.packed[p]));
        NearestKeys<count> keys;
        const int centre = at_of(placed.xs[p], placed.ys[p]);
        for (int r = -2; r <= 2; ++r) {
            const int at = centre + r * kStride - 2;
            keys.add(own, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&positions_[at])),
                     _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&numbers_[at])));
        }
        constexpr std::uint32_t kBeyond = (2 * kCell + 1) * (2 * kCell + 1);
        return (keys.take(out) >> 8) < kBeyond;
    }
#endif

    // Two empty cells on every side, and room for an eight-cell load from two cells left of
    // any cell.
    static constexpr int kStride = 32, kRows = kGrid + 4;
    static int at_of(int x, int y)
    {
        return (y / kCell + 2) * kStride + x / kCell + 2;
    }

    std::vector<std::uint32_t> positions_;
    std::vector<std::int32_t> numbers_;
};

// The first half of an attempt: background, home planet, placement with names, templates and
// link counts, and the wormhole draws. Pools shrink by one entry per draw, so their sizes are
// known without keeping them; only the drawn positions are recorded.
//
// The clash grid has cells one unit wider than the clearance, so no two planets ever share a
// cell and a clash can only come from the 3 x 3 cells around a candidate.
class Placer {
public:
    Placer(const GalaxyParams& params, std::uint32_t template_count,
           std::optional<std::int32_t> wormholes)
        : n_(params.planets), join1_(params.join1),
          join12_(static_cast<std::int32_t>(static_cast<std::uint32_t>(params.join1) +
                                            static_cast<std::uint32_t>(params.join2))),
          join_sum_(static_cast<std::uint32_t>(params.join1) +
                    static_cast<std::uint32_t>(params.join2) +
                    static_cast<std::uint32_t>(params.join3)),
          template_count_(template_count), wormholes_(wormholes),
          wormhole_text_(params.wormhole_text)
    {}

    // Makes every draw of one attempt into `out`. Throws as the attempt would fail: a list to
    // draw from is empty, or the wormhole text is not a number.
    void run(Placed& out, Random& random, BackgroundChooser& backgrounds, NameSource& names)
    {
        placed_ = &out;
        out.kind = Placed::Kind::Ready;
        out.background = backgrounds.Get_Background(random);
        out.home = static_cast<int>(random(static_cast<std::uint32_t>(n_ - 1)));
        const auto name_count = static_cast<std::uint32_t>(names.Load_System_Names().size());
        grid_.fill(kEmptyCell);
        for (int p = 0; p < n_; ++p) {
            if (!place(p, random)) {
                out.kind = Placed::Kind::FullMap;
                out.state_after = random.state();
                return;
            }
            const std::uint32_t names_left = left(name_count, p);
            if (names_left > 0) {
                out.name_at[p] = random(names_left);
            } else {
                out.name_at[p] = Placed::kMadeUp;
                names.Make_Up_System_Name(random, out.names[p]);
            }
            const std::uint32_t templates_left = left(template_count_, p);
            out.template_at[p] = random(templates_left);
            if (templates_left == 0)
                throw list_index_error(out.template_at[p]);
            const auto r = static_cast<std::int32_t>(random(join_sum_));
            out.own_links[p] = r < join1_ ? 1 : (r < join12_ ? 2 : 3);
        }
        if (!wormholes_)
            throw conversion_error(wormhole_text_);
        out.wormhole_at.clear();
        for (std::int32_t i = 0; i < *wormholes_; ++i) {
            const std::uint32_t pool = left(static_cast<std::uint32_t>(n_), i);
            out.wormhole_at.push_back(random(pool));
            if (pool == 0)
                throw list_index_error(out.wormhole_at.back());
        }
        out.state_after = random.state();
        for (int p = 0; p < share_; ++p)
            nearest_scan(out, p, out.own_links[p], &out.nearest[static_cast<std::size_t>(p) * 3]);
        out.nearest_done = share_;
    }

    // From now on run() also finds the nearest planets of the first quarter of the planets: with
    // that share of the linking work the two threads, side by side, take about equally long.
    void take_share_of_linking() { share_ = n_ / 4; }

private:
    static std::uint32_t left(std::uint32_t count, int taken)
    {
        return count > static_cast<std::uint32_t>(taken) ? count - static_cast<std::uint32_t>(taken)
                                                         : 0;
    }

    static int cell_of(int v) { return v / kCell; }

    void put(int p, int x, int y)
    {
        placed_->xs[p] = x;
        placed_->ys[p] = y;
        placed_->packed[p] = static_cast<std::uint32_t>(x) | (static_cast<std::uint32_t>(y) << 16);
        grid_[(cell_of(y) + 1) * kPadded + cell_of(x) + 1] = x | (y << 16);
    }

    // Checks the 3 x 3 cells around the candidate without branching on what they hold: an
    // empty cell holds a position far off the map, which never clashes. With SSE2 each row of
    // three cells is one load, x and y compared as 16-bit halves.
    bool clashes(int x, int y) const
    {
        const std::int32_t* centre = &grid_[(cell_of(y) + 1) * kPadded + cell_of(x) + 1];
#ifdef ORVEK_SSE2
        const __m128i candidate = _mm_set1_epi32(x | (y << 16));
        const __m128i limit = _mm_set1_epi16(kClearance + 1);
        const __m128i zero = _mm_setzero_si128();
        int clash = 0;
        for (int r = -1; r <= 1; ++r) {
            __m128i cells =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + r * kPadded - 1));
            __m128i d = _mm_sub_epi16(cells, candidate);
            d = _mm_max_epi16(d, _mm_sub_epi16(zero, d));
            // A cell clashes when both its x (bits 4i, 4i+1 of the mask) and its y (bits 4i+2,
            // 4i+3) are close; the fourth cell of the load lies outside the 3 x 3 cells.
            const int close = _mm_movemask_epi8(_mm_cmplt_epi16(d, limit));
            clash |= close & (close >> 2) & 0x111;
        }
        return clash != 0;
#else
        bool clash = false;
        for (int r = -1; r <= 1; ++r)
            for (int c = -1; c <= 1; ++c) {
                const std::int32_t q = centre[r * kPadded + c];
                clash |= positions_clash(x, y, q & 0xFFFF, q >> 16);
            }
        return clash;
#endif
    }

    // Draws planet p's position, or returns false, without a draw, when planets 0..p-1 leave
    // no position free. Up to 74 planets can never fill the map, and clashes are rare among so
    // few: the clash grid answers them. Beyond, where most positions are taken and most draws
    // are redrawn, the free map takes over.
    bool place(int p, Random& random)
    {
        int x, y;
        if (p <= kRoomyCount) {
            do {
                x = kMapMin + static_cast<int>(random(kMapRange));
                y = kMapMin + static_cast<int>(random(kMapRange));
            } while (clashes(x, y));
        } else {
            if (p == kRoomyCount + 1) {
                free_.clear();
                for (int q = 0; q < p; ++q)
                    free_.take(placed_->xs[q], placed_->ys[q]);
            }
            if (free_.full())
                return false;
            free_.draw_free(random, x, y);
            free_.take(x, y);
        }
        put(p, x, y);
        return true;
    }

    const int n_;
    const std::int32_t join1_, join12_;
    const std::uint32_t join_sum_, template_count_;
    const std::optional<std::int32_t> wormholes_;
    const std::string wormhole_text_;
    Placed* placed_ = nullptr;
    int share_ = 0;
    // The clash grid with a border of empty cells, each cell holding x | y << 16 of its planet;
    // one more cell at the end, since a row of three is read as four.
    static constexpr int kPadded = kGrid + 2;
    static constexpr std::int32_t kEmptyCell = 0x4000 | (0x4000 << 16);
    std::array<std::int32_t, kPadded * kPadded + 1> grid_{};
    FreeMap free_;
};

// The second half of an attempt: nearest links, wormholes and the reach test, all without a
// draw; the mutual links only for the attempt that stands. Squared distances are compared as whole
// numbers: the square root keeps their order and their ties, so the nearest and farthest planets
// are the same. The nearest planets come from a full scan, which at these sizes beats any search
// structure.
class Linker {
public:
    explicit Linker(int n)
        : n_(n), link_count_(n), links_(static_cast<std::size_t>(n) * n), group_(n)
    {}

    // Whether every planet can be reached from planet 0. Links join planets both ways once they
    // are made mutual, and a wormhole to a planet already linked adds nothing, so the test only
    // needs to know which pairs are joined: it unites the planets of every own link and every
    // wormhole and asks whether one group is left.
    bool connected(const Placed& placed)
    {
        find_nearest(placed);
        for (int p = 0; p < n_; ++p)
            group_[p] = static_cast<std::int16_t>(p);
        int groups = n_;
        for (int p = 0; p < n_; ++p)
            for (int k = 0; k < link_count_[p]; ++k)
                groups -= unite(p, row(p)[k]);
        if (!placed.wormhole_at.empty()) {
            wormhole_pool_.fill(static_cast<std::uint32_t>(n_));
            for (std::uint32_t at : placed.wormhole_at) {
                const int q = static_cast<int>(wormhole_pool_.take(at));
                groups -= unite(q, farthest(placed, q));
            }
        }
        return groups == 1;
    }

    // The connected galaxy as planets, its names and templates looked up by the drawn positions.
    void store(Placed& placed, std::vector<tc_planet>& planets,
               const std::vector<std::string>& templates,
               const std::vector<std::string>& system_names)
    {
        link(placed);
        planets.assign(static_cast<std::size_t>(n_), tc_planet{});
        IndexPool name_pool, template_pool;
        name_pool.fill(static_cast<std::uint32_t>(system_names.size()));
        template_pool.fill(static_cast<std::uint32_t>(templates.size()));
        for (int p = 0; p < n_; ++p) {
            tc_planet& planet = planets[static_cast<std::size_t>(p)];
            planet.system_name = placed.name_at[p] == Placed::kMadeUp
                                     ? std::move(placed.names[p])
                                     : system_names[name_pool.take(placed.name_at[p])];
            planet.template_path = templates[template_pool.take(placed.template_at[p])];
            planet.x = placed.xs[p];
            planet.y = placed.ys[p];
            planet.link_count = link_count_[p];
            planet.links.assign(row(p), row(p) + link_count_[p]);
            planet.farthest = farthest(placed, p);
            planet.home = p == placed.home;
        }
    }

private:
    std::int16_t* row(int p) { return &links_[static_cast<std::size_t>(p) * n_]; }

    // Every planet's own links: its nearest planets, as many as its drawn link count.
    // In a crowded galaxy, the block of cells around each planet is looked at first.
    void find_nearest(const Placed& placed)
    {
        const bool crowded = n_ >= NearbyPlanets::kFrom && placed.nearest_done < n_;
        if (crowded)
            nearby_.fill(placed);
        for (int p = 0; p < n_; ++p) {
            link_count_[p] = placed.own_links[p];
            if (p < placed.nearest_done)
                std::copy_n(&placed.nearest[static_cast<std::size_t>(p) * 3], link_count_[p],
                            row(p));
            else if (!crowded || !nearby_.nearest(placed, p, link_count_[p], row(p)))
                nearest_scan(placed, p, link_count_[p], row(p));
        }
    }

    // The links in their order: own links, then wormholes, then the links gained from planets
    // that took their turn at making links mutual.
    void link(const Placed& placed)
    {
        find_nearest(placed);
        if (!placed.wormhole_at.empty()) {
            wormhole_pool_.fill(static_cast<std::uint32_t>(n_));
            for (std::uint32_t at : placed.wormhole_at) {
                const int q = static_cast<int>(wormhole_pool_.take(at));
                add_link_once(q, farthest(placed, q));
            }
        }
        for (int p = 0; p < n_; ++p) {
            const int own = link_count_[p];
            for (int k = 0; k < own; ++k)
                add_link_once(row(p)[k], p);
        }
    }

    int group_of(int p)
    {
        while (group_[p] != p) {
            group_[p] = group_[group_[p]];
            p = group_[p];
        }
        return p;
    }

    // Joins the groups of two planets; 1 when they were apart, else 0.
    int unite(int a, int b)
    {
        a = group_of(a);
        b = group_of(b);
        if (a == b)
            return 0;
        group_[std::max(a, b)] = static_cast<std::int16_t>(std::min(a, b));
        return 1;
    }

    // The planet farthest from p; the lower number wins a tie, and p itself never counts.
    int farthest(const Placed& placed, int p) const
    {
        int best = 0;
        std::int32_t most = 0;
        for (int i = 0; i < n_; ++i) {
            const std::int32_t dx = placed.xs[p] - placed.xs[i], dy = placed.ys[p] - placed.ys[i];
            if (dx * dx + dy * dy > most) {
                most = dx * dx + dy * dy;
                best = i;
            }
        }
        return best;
    }

    void add_link_once(int from, int to)
    {
        std::int16_t* links = row(from);
        int& count = link_count_[from];
        if (std::find(links, links + count, to) == links + count)
            links[count++] = static_cast<std::int16_t>(to);
    }

    const int n_;
    std::vector<std::int32_t> link_count_;
    std::vector<std::int16_t> links_;  // n rows of n entries: no planet has more than n-1 links
    std::vector<std::int16_t> group_;  // each planet's parent in the groups of joined planets
    IndexPool wormhole_pool_;
    NearbyPlanets nearby_;
};

// Waits for a condition another thread makes true: spinning first, since the wait is usually a
// few microseconds, then giving the core away.
template <class Condition>
void wait_until(Condition condition)
{
    for (int spins = 0; !condition(); ++spins) {
        if (spins > 4000)
            std::this_thread::yield();
#ifdef ORVEK_SSE2
        else
            _mm_pause();
#endif
    }
}

std::optional<std::int32_t> try_parse(const std::string& text)
{
    try {
        return parse_int(text);
    } catch (const Error&) {
        return std::nullopt;
    }
}

// One Generate's attempts, first on this thread, then, once they turn out to be many, on two:
// a placing thread runs ahead through the draws of later attempts while this one links and tests
// them in order. The draws are the same either way, and the first connected attempt wins.
class AttemptLoop {
public:
    AttemptLoop(const GalaxyParams& params, GenerationServices& services, Random& random,
                Galaxy& galaxy, GenerationProgress* progress, std::uint64_t pipeline_after)
        : params_(params), services_(services), random_(random), galaxy_(galaxy),
          progress_(progress), pipeline_after_(pipeline_after)
    {}

    GenerationResult run()
    {
        const std::optional<std::int32_t> wormholes = try_parse(params_.wormhole_text);
        // The template folder is listed once per command; every attempt draws from a fresh copy
        // of that listing.
        services_.templates.Get_Templates(templates_);
        Placer placer(params_, static_cast<std::uint32_t>(templates_.size()), wormholes);
        Linker linker(params_.planets);
        Placed placed(params_.planets);
        for (std::uint64_t number = 1;; ++number) {
            if (stopped_before(number))
                return GenerationResult::Cancelled;
            count_attempt(number);
            placer.run(placed, random_, services_.backgrounds, services_.names);
            galaxy_.background_path = placed.background;
            if (placed.kind == Placed::Kind::Ready && linker.connected(placed))
                return complete(linker, placed);
            if (number >= pipeline_after_ && std::thread::hardware_concurrency() >= 2)
                return run_pipelined(number, placer, linker);
        }
    }

private:
    // Whether the command ends before attempt `number`: cancelled, or past the attempt limit.
    bool stopped_before(std::uint64_t number) const
    {
        return progress_ && (progress_->cancel.load(std::memory_order_relaxed) ||
                             (progress_->attempt_limit && number > progress_->attempt_limit));
    }

    void count_attempt(std::uint64_t number)
    {
        if (progress_)
            progress_->attempts.store(number, std::memory_order_relaxed);
    }

    GenerationResult complete(Linker& linker, Placed& placed)
    {
        linker.store(placed, galaxy_.planets, templates_, services_.names.Load_System_Names());
        galaxy_.background_path = placed.background;
        services_.status.show_status(kReady);
        return GenerationResult::Complete;
    }

    // The attempts in flight between the two threads: the placing thread fills the slots at
    // most a ring ahead of the testing thread, so a slot is never refilled before it is tested.
    struct Ring {
        static constexpr std::uint64_t kSlots = 8;
        Ring(int planets, std::uint64_t done) : slots(kSlots, Placed(planets)), done(done) {}
        Placed& slot(std::uint64_t i) { return slots[i % kSlots]; }
        std::vector<Placed> slots;
        const std::uint64_t done;  // attempts made before the ring started
        // Each counter on a cache line of its own: the two threads write one each.
        alignas(64) std::atomic<std::uint64_t> produced{0};
        alignas(64) std::atomic<std::uint64_t> consumed{0};
    };

    GenerationResult run_pipelined(std::uint64_t done, Placer& placer, Linker& linker)
    {
        Ring ring(params_.planets, done);
        placer.take_share_of_linking();
        std::uint32_t state = random_.state();
        Placed* decided = nullptr;
        {
            std::jthread placing([&](std::stop_token stop) { produce(stop, ring, placer); });
            decided = &consume(ring, linker, state);
        }  // leaving the block stops the placing thread and waits for it
        return finish(*decided, state, linker);
    }

    // The placing thread: every draw of the attempts after `ring.done`, in order, from the state
    // this thread left off at, until it is stopped or an attempt ends the command.
    void produce(std::stop_token stop, Ring& ring, Placer& placer)
    {
        Random random(random_.state());
        for (std::uint64_t i = 0;; ++i) {
            wait_until([&] {
                return stop.stop_requested() ||
                       i - ring.consumed.load(std::memory_order_acquire) < Ring::kSlots;
            });
            if (stop.stop_requested())
                return;
            Placed& slot = ring.slot(i);
            slot.number = ring.done + i + 1;
            const bool last = place_one(slot, random, placer);
            ring.produced.store(i + 1, std::memory_order_release);
            if (last)
                return;
        }
    }

    // Places one attempt into its slot; true when it ends the command whatever the test says
    // (cancelled, or its draws failed).
    bool place_one(Placed& slot, Random& random, Placer& placer)
    {
        if (stopped_before(slot.number)) {
            slot.kind = Placed::Kind::Cancelled;
            return true;
        }
        count_attempt(slot.number);
        try {
            placer.run(slot, random, services_.backgrounds, services_.names);
            return false;
        } catch (...) {
            slot.kind = Placed::Kind::Failed;
            slot.error = std::current_exception();
            slot.state_after = random.state();
            return true;
        }
    }

    // The testing thread: links and tests the placed attempts in order until one decides the
    // command; `state` follows the random source through the attempts that did not.
    Placed& consume(Ring& ring, Linker& linker, std::uint32_t& state)
    {
        for (std::uint64_t i = 0;; ++i) {
            wait_until([&] { return ring.produced.load(std::memory_order_acquire) > i; });
            Placed& slot = ring.slot(i);
            if (slot.kind == Placed::Kind::Cancelled || slot.kind == Placed::Kind::Failed ||
                (slot.kind == Placed::Kind::Ready && linker.connected(slot)))
                return slot;
            state = slot.state_after;
            ring.consumed.store(i + 1, std::memory_order_release);
        }
    }

    GenerationResult finish(Placed& decided, std::uint32_t state, Linker& linker)
    {
        switch (decided.kind) {
        case Placed::Kind::Cancelled:
            random_.set_state(state);
            count_attempt(decided.number - 1);
            return GenerationResult::Cancelled;
        case Placed::Kind::Failed:
            random_.set_state(decided.state_after);
            count_attempt(decided.number);
            galaxy_.background_path = decided.background;
            std::rethrow_exception(decided.error);
        default:
            random_.set_state(decided.state_after);
            count_attempt(decided.number);
            return complete(linker, decided);
        }
    }

    const GalaxyParams& params_;
    GenerationServices& services_;
    Random& random_;
    Galaxy& galaxy_;
    GenerationProgress* progress_;
    const std::uint64_t pipeline_after_;
    std::vector<std::string> templates_;
};

}  // namespace

GenerationResult Generate_Galaxy(const GalaxyParams& params, GenerationServices& services,
                                 Random& random, Galaxy& galaxy, GenerationProgress* progress,
                                 std::uint64_t pipeline_after)
{
    galaxy.planets.clear();
    if (params.planets < kFewestPlanets || params.planets > kMostPlanets)
        throw Error("The planet count " + std::to_string(params.planets) + " lies outside " +
                    std::to_string(kFewestPlanets) + ".." + std::to_string(kMostPlanets));
    services.status.show_status(kCalculating);
    return AttemptLoop(params, services, random, galaxy, progress, pipeline_after).run();
}

}  // namespace orvek
