#include "core/generator.h"

#include "core/error.h"
#include "core/index_pool.h"
#include "core/random.h"
#include "core/settings.h"

#include <algorithm>
#include <array>
#include <bit>
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

static_assert(kGrid <= 32, "a grid row must fit in one mask word");

// Everything one attempt works on, laid out for speed and reused across attempts so that an
// attempt allocates nothing. Squared distances are compared as whole numbers: the square root
// keeps their order and their ties, so the nearest and farthest planets are the same.
//
// The clash grid has cells one unit wider than the clearance, so no two planets ever share a
// cell and a clash can only come from the 3 x 3 cells around a candidate.
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
          xs_(n_), ys_(n_), names_(n_), template_of_(n_), link_count_(n_),
          links_(static_cast<std::size_t>(n_) * n_), stack_(n_), reached_(n_)
    {
    }

    // Steps 3 to 6 of an attempt after the background: home planet, lists, placement. Returns
    // false when the map has no room left for the next planet.
    bool place(Random& random, NameSource& names)
    {
        home_ = static_cast<int>(random(static_cast<std::uint32_t>(n_ - 1)));
        templates_.fill(template_count_);
        names.Load_System_Names();
        cell_.fill(-1);
        row_mask_.fill(0);
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
            names.Get_System_Name(random, names_[p]);
            template_of_[p] = templates_.draw(random);
            auto r = static_cast<std::int32_t>(random(join_sum_));
            link_count_[p] = r < join1_ ? 1 : (r < join12_ ? 2 : 3);
        }
        return true;
    }

    // Steps 7 to 11: nearest links, wormholes, mutual links and the reach test.
    bool link_and_test(Random& random, const std::optional<std::int32_t>& wormholes,
                       const std::string& wormhole_text)
    {
        for (int p = 0; p < n_; ++p)
            nearest(p, link_count_[p], row(p));
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

    void store(std::vector<tc_planet>& planets, const std::vector<std::string>& templates)
    {
        planets.assign(static_cast<std::size_t>(n_), tc_planet{});
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
        cell_[cell_of(y) * kGrid + cell_of(x)] = static_cast<std::int16_t>(p);
        row_mask_[cell_of(y)] |= 1u << cell_of(x);
    }

    bool clashes(int x, int y) const
    {
        int cx = cell_of(x), cy = cell_of(y);
        std::uint32_t columns = (7u << cx) >> 1;
        for (int r = std::max(cy - 1, 0); r <= std::min(cy + 1, kGrid - 1); ++r) {
            for (std::uint32_t m = row_mask_[r] & columns; m != 0; m &= m - 1) {
                int q = cell_[r * kGrid + std::countr_zero(m)];
                if (positions_clash(x, y, xs_[q], ys_[q]))
                    return true;
            }
        }
        return false;
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

    // The `count` nearest planets of p, nearest first, the lower number first among equals. Scans
    // a growing square of grid cells until nothing outside it can be nearer than the last found.
    void nearest(int p, int count, std::int16_t* out) const
    {
        const int x = xs_[p], y = ys_[p], cx = cell_of(x), cy = cell_of(y);
        constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
        for (int radius = 2;; ++radius) {
            std::uint32_t best[3] = {kNone, kNone, kNone};
            int c0 = std::max(cx - radius, 0), c1 = std::min(cx + radius, kGrid - 1);
            int r0 = std::max(cy - radius, 0), r1 = std::min(cy + radius, kGrid - 1);
            std::uint32_t columns = ((1u << (c1 - c0 + 1)) - 1) << c0;
            for (int r = r0; r <= r1; ++r) {
                for (std::uint32_t m = row_mask_[r] & columns; m != 0; m &= m - 1) {
                    int q = cell_[r * kGrid + std::countr_zero(m)];
                    if (q == p)
                        continue;
                    // The planet number in the low byte breaks ties towards the lower number.
                    std::uint32_t key = (static_cast<std::uint32_t>(distance2(p, q)) << 8) |
                                        static_cast<std::uint32_t>(q);
                    for (int k = 0; k < count; ++k)
                        if (key < best[k])
                            std::swap(key, best[k]);
                }
            }
            std::int64_t bound = std::numeric_limits<std::int64_t>::max();
            if (c0 > 0) bound = std::min<std::int64_t>(bound, x - c0 * kCell + 1);
            if (c1 < kGrid - 1) bound = std::min<std::int64_t>(bound, (c1 + 1) * kCell - x);
            if (r0 > 0) bound = std::min<std::int64_t>(bound, y - r0 * kCell + 1);
            if (r1 < kGrid - 1) bound = std::min<std::int64_t>(bound, (r1 + 1) * kCell - y);
            bool whole_map = bound == std::numeric_limits<std::int64_t>::max();
            std::uint32_t last = best[count - 1];
            if (whole_map || (last != kNone && std::int64_t{last >> 8} < bound * bound)) {
                for (int k = 0; k < count; ++k)
                    out[k] = static_cast<std::int16_t>(best[k] & 0xFF);
                return;
            }
        }
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
    std::vector<std::string> names_;
    std::vector<std::uint32_t> template_of_;
    std::vector<std::int32_t> link_count_;
    std::vector<std::int16_t> links_;  // n rows of n entries: no planet has more than n-1 links
    std::vector<std::int16_t> stack_;
    std::vector<std::uint8_t> reached_;
    std::array<std::int16_t, kGrid * kGrid> cell_{};
    std::array<std::uint32_t, kGrid> row_mask_{};
    IndexPool templates_, wormhole_pool_;
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
            attempt->store(galaxy.planets, templates);
            services.status.show_status(kReady);
            return GenerationResult::Complete;
        }
    }
}

}  // namespace orvek
