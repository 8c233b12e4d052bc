#include "core/generator.h"

#include "core/error.h"
#include "core/index_pool.h"
#include "core/random.h"
#include "core/settings.h"

#include <algorithm>
#include <array>
#include <bit>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
#include <limits>

namespace orvek {

namespace {

constexpr int kMapMin = 20;         // positions are 20 + R(960), so 20..979
constexpr int kMapRange = 960;
constexpr int kMapMax = kMapMin + kMapRange - 1;
constexpr int kClearance = 55;      // a clash is |dx| <= 55 and |dy| <= 55
constexpr int kCell = kClearance + 1;
constexpr int kGrid = (kMapMax / kCell) + 1;
constexpr int kRoomyCount = 74;     // up to this many planets can never fill the map
constexpr char kCalculating[] = "CALCULATING!";
constexpr char kReady[] = "The Galaxy is ready!";


// Everything one attempt works on, laid out for speed and reused across attempts so that an
// attempt allocates nothing. Squared distances are compared as whole numbers: the square root
// keeps their order and their ties, so the nearest and farthest planets are the same.
//
// The clash grid has cells one unit wider than the clearance, so no two planets ever share a
// cell and a clash can only come from the 3 x 3 cells around a candidate. The nearest planets
// come from a full scan, which at these sizes beats any search structure.
class Attempt {
public:
    Attempt(int planets, const GalaxyParams& params, std::size_t template_count)
        : n_(planets),
          join1_(params.join1),
          join12_(static_cast<std::int32_t>(static_cast<std::uint32_t>(params.join1) +
                                            static_cast<std::uint32_t>(params.join2))),
          join_sum_(static_cast<std::uint32_t>(params.join1) +
                    static_cast<std::uint32_t>(params.join2) +
                    static_cast<std::uint32_t>(params.join3)),
          template_count_(static_cast<std::uint32_t>(template_count)),
          xs_(n_), ys_(n_), names_(n_), name_at_(n_), template_at_(n_), template_of_(n_), link_count_(n_),
          links_(static_cast<std::size_t>(n_) * n_), packed_((n_ + 3) / 4 * 4, kFarPacked), stack_(n_), reached_(n_)
    {
    }

    // The first half of an attempt, after the background: home planet, pools, placement. Returns
    // false when the map has no room left for the next planet.
    bool place(Random& random, NameSource& names)
    {
        home_ = static_cast<int>(random(static_cast<std::uint32_t>(n_ - 1)));
        const std::uint32_t name_count =
            static_cast<std::uint32_t>(names.Load_System_Names().size());
        grid_.fill(kEmptyCell);
        witness_valid_ = false;
        for (int p = 0; p < n_; ++p) {
            if (!has_free_position(p))
                return false;
            int x, y;
            do {
                x = kMapMin + static_cast<int>(random(kMapRange));
                y = kMapMin + static_cast<int>(random(kMapRange));
            } while (clashes(x, y));
            put(p, x, y);
            // Pools shrink by one entry per planet, so their sizes are known without keeping
            // them; only the drawn positions are recorded here.
            const std::uint32_t names_left = name_count > static_cast<std::uint32_t>(p)
                                                 ? name_count - static_cast<std::uint32_t>(p) : 0;
            if (names_left > 0)
                name_at_[p] = random(names_left);
            else {
                name_at_[p] = kMadeUp;
                names.Make_Up_System_Name(random, names_[p]);
            }
            const std::uint32_t templates_left =
                template_count_ > static_cast<std::uint32_t>(p)
                    ? template_count_ - static_cast<std::uint32_t>(p) : 0;
            template_at_[p] = random(templates_left);
            if (templates_left == 0)
                throw list_index_error(template_at_[p]);
            auto r = static_cast<std::int32_t>(random(join_sum_));
            link_count_[p] = r < join1_ ? 1 : (r < join12_ ? 2 : 3);
        }
        return true;
    }

    // The second half: nearest links, wormholes, mutual links and the reach test.
    bool link_and_test(Random& random, const std::optional<std::int32_t>& wormholes,
                       const std::string& wormhole_text)
    {
        for (int p = 0; p < n_; ++p)
            nearest_scan(p, link_count_[p], row(p));
        if (!wormholes)
            throw conversion_error(wormhole_text);
        if (*wormholes > 0) {
            wormhole_pool_.fill(static_cast<std::uint32_t>(n_));
            for (std::int32_t i = 0; i < *wormholes; ++i) {
                int q = static_cast<int>(wormhole_pool_.draw(random));
                add_link_once(q, farthest(q));
            }
        }
        for (int p = 0; p < n_; ++p) {
            int own = link_count_[p];
            for (int k = 0; k < own; ++k)
                add_link_once(row(p)[k], p);
        }
        return connected();
    }

    void store(std::vector<tc_planet>& planets, const std::vector<std::string>& templates,
               const std::vector<std::string>& system_names)
    {
        planets.assign(static_cast<std::size_t>(n_), tc_planet{});
        IndexPool name_pool, template_pool;
        name_pool.fill(static_cast<std::uint32_t>(system_names.size()));
        template_pool.fill(template_count_);
        for (int p = 0; p < n_; ++p) {
            if (name_at_[p] != kMadeUp)
                names_[p] = system_names[name_pool.take(name_at_[p])];
            template_of_[p] = template_pool.take(template_at_[p]);
        }
        for (int p = 0; p < n_; ++p) {
            tc_planet& planet = planets[static_cast<std::size_t>(p)];
            planet.x = xs_[p];
            planet.y = ys_[p];
            planet.system_name = std::move(names_[p]);
            planet.template_path = templates[template_of_[p]];
            planet.link_count = link_count_[p];
            planet.links.assign(row(p), row(p) + link_count_[p]);
            planet.farthest = farthest(p);
            planet.home = p == home_;
        }
    }

private:
    std::int16_t* row(int p) { return &links_[static_cast<std::size_t>(p) * n_]; }

    static int cell_of(int v) { return v / kCell; }

    void put(int p, int x, int y)
    {
        xs_[p] = x;
        ys_[p] = y;
        packed_[p] = static_cast<std::uint32_t>(x) | (static_cast<std::uint32_t>(y) << 16);
        grid_[(cell_of(y) + 1) * kPadded + cell_of(x) + 1] = x | (y << 16);
    }

    // Checks the 3 x 3 cells around the candidate without branching on what they hold: an
    // empty cell holds a position far off the map, which never clashes. With SSE2 each row of
    // three cells is one load, x and y compared as 16-bit halves.
    bool clashes(int x, int y) const
    {
        const std::int32_t* centre = &grid_[(cell_of(y) + 1) * kPadded + cell_of(x) + 1];
#if defined(__SSE2__) || defined(_M_X64)
        const __m128i candidate = _mm_set1_epi32(x | (y << 16));
        const __m128i limit = _mm_set1_epi16(kClearance + 1);
        const __m128i zero = _mm_setzero_si128();
        int clash = 0;
        for (int r = -1; r <= 1; ++r) {
            __m128i cells = _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + r * kPadded - 1));
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

    // Whether some position is free of clashes with planets 0..placed-1. A free position can
    // always slide left and then up until it touches the map edge or a clearance square, so it
    // suffices to try the corners x, y in {20} and {planet + 56}. A witness found once stays
    // valid until a later planet covers it.
    bool has_free_position(int placed)
    {
        if (placed <= kRoomyCount)
            return true;
        if (witness_valid_ && !clashes(witness_x_, witness_y_))
            return true;
        witness_valid_ = false;
        auto candidates = [&](const std::vector<std::int32_t>& coords) {
            std::vector<int> out{kMapMin};
            for (int p = 0; p < placed; ++p)
                if (coords[p] + kCell <= kMapMax)
                    out.push_back(coords[p] + kCell);
            return out;
        };
        std::vector<int> cx = candidates(xs_), cy = candidates(ys_);
        for (int y : cy)
            for (int x : cx)
                if (!clashes(x, y)) {
                    witness_x_ = x;
                    witness_y_ = y;
                    witness_valid_ = true;
                    return true;
                }
        return false;
    }

    std::int32_t distance2(int p, int q) const
    {
        std::int32_t dx = xs_[p] - xs_[q], dy = ys_[p] - ys_[q];
        return dx * dx + dy * dy;
    }

    // The `count` nearest planets of p by a full scan of whole-number keys: squared distance in
    // the upper bits, planet number in the low byte, so that the smallest key is the nearest
    // planet and ties go to the lower number. Positions are packed as 16-bit (x, y) pairs so
    // that one multiply-add gives four squared distances at once; each of the four lanes keeps
    // its own `count` smallest keys in one pass, and the lanes are merged at the end. Padding
    // entries hold a position off the map, farther than any planet.
    void nearest_scan(int p, int count, std::int16_t* out) const
    {
        // The lane work is unrolled for each of the three possible counts.
        switch (count) {
        case 1: return nearest_scan<1>(p, out);
        case 2: return nearest_scan<2>(p, out);
        default: return nearest_scan<3>(p, out);
        }
    }

    template <int count>
    void nearest_scan(int p, std::int16_t* out) const
    {
        std::uint32_t best[12];
        int found = 0;
#if defined(__SSE2__) || defined(_M_X64)
        const __m128i own = _mm_set1_epi32(static_cast<int>(packed_[p]));
        const __m128i four = _mm_set1_epi32(4);
        const __m128i zero = _mm_setzero_si128();
        const __m128i none = _mm_set1_epi32(std::numeric_limits<std::int32_t>::max());
        __m128i index = _mm_setr_epi32(0, 1, 2, 3);
        __m128i m[count];
        for (__m128i& lane : m)
            lane = none;
        const int padded = static_cast<int>(packed_.size());
        for (int i = 0; i < padded; i += 4) {
            __m128i d = _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&packed_[i])), own);
            __m128i d2 = _mm_madd_epi16(d, d);
            // p's own entry (distance 0) gets the largest key, so it is never taken.
            __m128i key = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(d2, 8), index),
                                       _mm_srli_epi32(_mm_cmpeq_epi32(d2, zero), 1));
            index = _mm_add_epi32(index, four);
            for (int k = 0; k < count; ++k) {
                // m[k], key := min, max of the two.
                __m128i greater = _mm_cmpgt_epi32(m[k], key);
                __m128i low = _mm_or_si128(_mm_and_si128(greater, key), _mm_andnot_si128(greater, m[k]));
                key = _mm_or_si128(_mm_and_si128(greater, m[k]), _mm_andnot_si128(greater, key));
                m[k] = low;
            }
        }
        alignas(16) std::uint32_t lanes[4];
        for (int k = 0; k < count; ++k) {
            _mm_store_si128(reinterpret_cast<__m128i*>(lanes), m[k]);
            for (std::uint32_t lane : lanes)
                best[found++] = lane;
        }
#else
        for (int i = 0; i < n_; ++i) {
            if (i == p)
                continue;
            std::int32_t dx = xs_[i] - xs_[p], dy = ys_[i] - ys_[p];
            best[found < 12 ? found++ : 11] = static_cast<std::uint32_t>(((dx * dx + dy * dy) << 8) | i);
            std::sort(best, best + found);
            found = std::min(found, count);
        }
#endif
        std::partial_sort(best, best + count, best + found);
        for (int k = 0; k < count; ++k)
            out[k] = static_cast<std::int16_t>(best[k] & 0xFF);
    }

    // The planet farthest from p; the lower number wins a tie, and p itself never counts.
    int farthest(int p) const
    {
        int best = 0;
        std::int32_t most = 0;
        for (int i = 0; i < n_; ++i) {
            std::int32_t d = distance2(p, i);
            if (d > most) {
                most = d;
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

    bool connected()
    {
        std::fill(reached_.begin(), reached_.end(), 0);
        int top = 0, seen = 1;
        stack_[top++] = 0;
        reached_[0] = 1;
        while (top > 0) {
            int p = stack_[--top];
            const std::int16_t* links = row(p);
            for (int k = 0; k < link_count_[p]; ++k) {
                int t = links[k];
                if (!reached_[t]) {
                    reached_[t] = 1;
                    ++seen;
                    stack_[top++] = static_cast<std::int16_t>(t);
                }
            }
        }
        return seen == n_;
    }

    const int n_;
    const std::int32_t join1_, join12_;
    const std::uint32_t join_sum_, template_count_;
    int home_ = 0;
    std::vector<std::int32_t> xs_, ys_;
    static constexpr std::uint32_t kMadeUp = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::string> names_;          // made-up names; pool names once resolved
    std::vector<std::uint32_t> name_at_;      // position drawn from the name pool, or kMadeUp
    std::vector<std::uint32_t> template_at_;  // position drawn from the template list
    std::vector<std::uint32_t> template_of_;
    std::vector<std::int32_t> link_count_;
    std::vector<std::int16_t> links_;  // n rows of n entries: no planet has more than n-1 links
    // x in the low, y in the high 16 bits; padded to a multiple of four with a far position.
    static constexpr std::uint32_t kFarPacked = 2000u | (2000u << 16);
    std::vector<std::uint32_t> packed_;
    std::vector<std::int16_t> stack_;
    std::vector<std::uint8_t> reached_;
    // The clash grid with a border of empty cells, each cell holding x | y << 16 of its planet.
    static constexpr int kPadded = kGrid + 2;
    static constexpr std::int32_t kEmptyCell = 0x4000 | (0x4000 << 16);
    std::array<std::int32_t, kPadded * kPadded> grid_{};
    IndexPool wormhole_pool_;
    bool witness_valid_ = false;
    int witness_x_ = 0, witness_y_ = 0;
};

std::optional<std::int32_t> try_parse(const std::string& text)
{
    try {
        return parse_int(text);
    } catch (const Error&) {
        return std::nullopt;
    }
}

}  // namespace

void Make_Links_Mutual(std::vector<tc_planet>& planets)
{
    for (std::size_t p = 0; p < planets.size(); ++p) {
        const int own = planets[p].link_count;
        for (int k = 0; k < own; ++k) {
            tc_planet& t = planets[static_cast<std::size_t>(planets[p].links[k])];
            auto end = t.links.begin() + t.link_count;
            if (std::find(t.links.begin(), end, static_cast<std::int32_t>(p)) != end)
                continue;
            if (static_cast<int>(t.links.size()) <= t.link_count)
                t.links.resize(static_cast<std::size_t>(t.link_count) + 1);
            t.links[static_cast<std::size_t>(t.link_count++)] = static_cast<std::int32_t>(p);
        }
    }
}

GenerationResult Generate_Galaxy(const GalaxyParams& params, GenerationServices& services,
                                 Random& random, Galaxy& galaxy, GenerationProgress* progress)
{
    galaxy.planets.clear();
    if (params.planets < 8 || params.planets > 175)
        throw Error("The planet count " + std::to_string(params.planets) +
                    " lies outside 8..175");
    const std::optional<std::int32_t> wormholes = try_parse(params.wormhole_text);
    std::vector<std::string> templates;
    bool templates_listed = false;
    std::optional<Attempt> attempt;
    std::uint64_t attempts = 0;
    services.status.show_status(kCalculating);
    for (;;) {
        if (progress && progress->cancel.load(std::memory_order_relaxed))
            return GenerationResult::Cancelled;
        ++attempts;
        if (progress)
            progress->attempts.store(attempts, std::memory_order_relaxed);
        galaxy.background_path = services.backgrounds.Get_Background(random);
        if (!templates_listed) {
            // The folder is listed once per command; every attempt draws from a fresh copy.
            services.templates.Get_Templates(templates);
            templates_listed = true;
            attempt.emplace(params.planets, params, templates.size());
        }
        if (!attempt->place(random, services.names))
            continue;
        if (attempt->link_and_test(random, wormholes, params.wormhole_text)) {
            attempt->store(galaxy.planets, templates, services.names.Load_System_Names());
            services.status.show_status(kReady);
            return GenerationResult::Complete;
        }
    }
}

}  // namespace orvek
