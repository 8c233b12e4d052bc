// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The first half of a Generate attempt: every draw it makes, in the window's order, with the
// planets placed clear of each other.

#include "core/error.h"
#include "core/free_map.h"
#include "core/galaxy_shape.h"
#include "core/generator.h"
#include "core/placed_attempt.h"
#include "core/random.h"
#include "core/simd.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orvek {

// The first half of an attempt: background, home planet, placement with names, templates and
// link counts, and the wormhole draws. Pools shrink by one entry per draw, so their sizes are
// known without keeping them; only the drawn positions are recorded.
//
// While both pools last, a planet's name, template and link count are three draws of known
// sizes, which follow from the state before them: placing only records that state and jumps
// three steps on. Placing is the part a two-thread Generate waits on, since each attempt starts
// where the last one's draws ended; the testing side makes these draws (settle_link_counts for
// every attempt, settle_names for the one that stands), and the attempt that crosses between
// the cores is a third of the size.
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
          wormhole_text_(params.wormhole_text), outline_(params.shape, params.planets)
    {}

    // Makes every draw of one attempt into `out`. Throws as the attempt would fail: a list to
    // draw from is empty, or the wormhole text is not a number. The name, template and link
    // count draws of the usual planets are jumped over and left to settle_link_counts and
    // settle_names, which the testing side calls.
    void run(Placed& out, Random& random, BackgroundChooser& backgrounds, NameSource& names)
    {
        out_ = {out.packed.data(), out.draw_state.data()};
        out.kind = Placed::Kind::Ready;
        out.background = backgrounds.draw_background(random);
        out.home = static_cast<int>(random(static_cast<std::uint32_t>(n_ - 1)));
        const auto name_count = static_cast<std::uint32_t>(names.load_system_names().size());
        const int usual = static_cast<int>(
            std::min({name_count, template_count_, static_cast<std::uint32_t>(n_)}));
        out.usual = usual;
        grid_.fill(kEmptyCell);
        for (int p = 0; p < n_; ++p) {
            if (!place(out, p, random)) {
                out.kind = Placed::Kind::FullMap;
                out.state_after = random.state();
                return;
            }
            if (p < usual)
                jump_names(p, random);
            else
                draw_names(out, p, random, names, name_count);
        }
        draw_wormholes(out, random);
        out.state_after = random.state();
    }

    // The link counts of the usual planets, from the states their draws start at.
    void settle_link_counts(Placed& placed) const
    {
        constexpr Random::Jump three = Random::jump(3);
        for (int p = 0; p < placed.usual; ++p)
            placed.own_links[p] =
                links_of(Random::scaled(Random::ahead(placed.draw_state[p], three), join_sum_));
    }

    // The name and template positions of the usual planets, for the attempt that stands.
    void settle_names(Placed& placed, std::uint32_t name_count) const
    {
        constexpr Random::Jump one = Random::jump(1), two = Random::jump(2);
        for (int p = 0; p < placed.usual; ++p) {
            const std::uint32_t state = placed.draw_state[p];
            placed.name_at[p] = Random::scaled(Random::ahead(state, one), left(name_count, p));
            placed.template_at[p] =
                Random::scaled(Random::ahead(state, two), left(template_count_, p));
        }
    }

private:
    // A usual planet's three draws R(names left), R(templates left) and R(join sum): only the
    // state they start from is kept, and the source jumps three steps on.
    void jump_names(int p, Random& random)
    {
        constexpr Random::Jump three = Random::jump(3);
        out_.draw_state[p] = random.state();
        random.set_state(Random::ahead(random.state(), three));
    }

    // The name, template and link count of a planet past the usual ones: the names or the
    // templates have run out, and a made-up name takes draws of its own.
    void draw_names(Placed& out, int p, Random& random, NameSource& names, std::uint32_t name_count)
    {
        const std::uint32_t names_left = left(name_count, p);
        const std::uint32_t templates_left = left(template_count_, p);
        if (names_left > 0) {
            out.name_at[p] = random(names_left);
        } else {
            out.name_at[p] = Placed::kMadeUp;
            names.make_up_system_name(random, out.names[p]);
        }
        out.template_at[p] = random(templates_left);
        if (templates_left == 0)
            throw too_few_templates();
        out.own_links[p] = links_of(random(join_sum_));
    }

    void draw_wormholes(Placed& out, Random& random)
    {
        if (!wormholes_)
            throw conversion_error(wormhole_text_);
        out.wormhole_at.clear();
        for (std::int32_t i = 0; i < *wormholes_; ++i) {
            const std::uint32_t pool = left(static_cast<std::uint32_t>(n_), i);
            out.wormhole_at.push_back(random(pool));
            if (pool == 0)
                throw Error(std::to_string(n_) + " planets can take at most " + std::to_string(n_) +
                            " wormholes");
        }
    }

    // Said after the draw that found the list empty, so that the draws stay as they were.
    Error too_few_templates() const
    {
        if (template_count_ == 0)
            return Error("No encounter templates in campaign/data/encounters/all: the game folder "
                         "is incomplete");
        return Error("Only " + std::to_string(template_count_) +
                     " encounter templates in campaign/data/encounters/all, too few for " +
                     std::to_string(n_) + " planets");
    }

    static std::uint32_t left(std::uint32_t count, int taken)
    {
        return count > static_cast<std::uint32_t>(taken) ? count - static_cast<std::uint32_t>(taken)
                                                         : 0;
    }

    // The link count a draw gives. The weights' sums wrap as 32-bit numbers, so the second
    // bound can lie below the first. Worked out without a branch: the count is random, and a
    // branch on it would be foreseen wrongly at every few planets.
    int links_of(std::uint32_t draw) const
    {
        const auto r = static_cast<std::int32_t>(draw);
        const int first = r < join1_, second = r < join12_;
        return 3 - second - first * (2 - second);  // 1 for the first, else 2 or 3
    }

    static int cell_of(int v) { return v / kCell; }

    void put(int p, int x, int y)
    {
        const std::uint32_t packed = Placed::pack(x, y);
        out_.packed[p] = packed;
        grid_[(cell_of(y) + 1) * kPadded + cell_of(x) + 1] = static_cast<std::int32_t>(packed);
    }

    // Checks the 3 x 3 cells around the candidate without branching on what they hold: an
    // empty cell holds a position far off the map, which never clashes. With SSE2 each row of
    // three cells is one load: a cell's x and y, as 16-bit halves, less the candidate's less the
    // clearance, lie within twice the clearance exactly when they are that close; a saturating
    // subtraction of twice the clearance then leaves both halves, the whole cell, zero.
    bool clashes(int x, int y) const
    {
        const std::int32_t* centre = &grid_[(cell_of(y) + 1) * kPadded + cell_of(x) + 1];
#ifdef ORVEK_SSE2
        const auto half = [](int v) {
            return static_cast<std::uint32_t>(v - kClearance) & 0xFFFFu;
        };
        const __m128i low_corner = _mm_set1_epi32(static_cast<int>(half(x) | half(y) << 16));
        const __m128i span = _mm_set1_epi16(2 * kClearance);
        const auto row = [&](int r) {
            const __m128i cells =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + r * kPadded - 1));
            const __m128i beyond = _mm_subs_epu16(_mm_sub_epi16(cells, low_corner), span);
            return _mm_cmpeq_epi32(beyond, _mm_setzero_si128());
        };
        const __m128i clash = _mm_or_si128(_mm_or_si128(row(-1), row(0)), row(1));
        // The fourth cell of each load lies outside the 3 x 3 cells.
        return (_mm_movemask_ps(_mm_castsi128_ps(clash)) & 0x7) != 0;
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
    // no position free. Up to 74 planets can never fill the map, and the clash grid tells
    // whether a drawn position is clear. Beyond, where most positions are taken and most draws
    // are redrawn, the free map takes over.
    bool place(const Placed& out, int p, Random& random)
    {
        int x, y;
        if (!outline_.whole_map()) {
            if (!place_in_outline(random, x, y))
                return false;
        } else if (p < kCrowdedFrom) {
            place_roomy(random, x, y);
        } else if (p <= kRoomyCount) {
            place_crowded(random, x, y);
        } else {
            if (p == kRoomyCount + 1) {
                free_.clear();
                for (int q = 0; q < p; ++q)
                    free_.take(out.x(q), out.y(q));
            }
            if (free_.full())
                return false;
            free_.draw_free(random, x, y);
            free_.take(x, y);
        }
        put(p, x, y);
        return true;
    }

    // The map coordinate a draw R(map range) gives from the state it leaves.
    static int coordinate(std::uint32_t state)
    {
        return kMapMin + static_cast<int>(Random::scaled(state, kMapRange));
    }

    // Draws positions until one is clear; the two draws of each made side by side from the
    // state before them.
    void place_roomy(Random& random, int& x, int& y) const
    {
        constexpr Random::Jump one = Random::jump(1), two = Random::jump(2);
        std::uint32_t state = random.state();
        do {
            const std::uint32_t s1 = Random::ahead(state, one);
            state = Random::ahead(state, two);
            x = coordinate(s1);
            y = coordinate(state);
        } while (clashes(x, y));
        random.set_state(state);
    }

    // Draws positions as the classic shape does until one lies in the outline and is clear. The
    // outline leaves each planet room enough that this seldom takes more than a few dozen draws;
    // after kMostDraws in a row the outline counts as full, and the attempt fails like one on a
    // full map.
    bool place_in_outline(Random& random, int& x, int& y) const
    {
        constexpr Random::Jump one = Random::jump(1), two = Random::jump(2);
        std::uint32_t state = random.state();
        bool found = false;
        for (int draws = 0; draws < kMostDraws && !found; ++draws) {
            const std::uint32_t s1 = Random::ahead(state, one);
            state = Random::ahead(state, two);
            x = coordinate(s1);
            y = coordinate(state);
            found = outline_.inside(x, y) && !clashes(x, y);
        }
        random.set_state(state);
        return found;
    }

    // The same draws, two positions at a time. From kCrowdedFrom planets on, about half the
    // positions clash, and a branch on each could not be foreseen; the first clear one of two
    // is taken without a branch, and only two clashing in a row loop.
    void place_crowded(Random& random, int& x, int& y) const
    {
        constexpr Random::Jump one = Random::jump(1), two = Random::jump(2),
                               three = Random::jump(3), four = Random::jump(4);
        std::uint32_t state = random.state();
        for (;;) {
            const std::uint32_t s1 = Random::ahead(state, one), s2 = Random::ahead(state, two),
                                s3 = Random::ahead(state, three), s4 = Random::ahead(state, four);
            const int x1 = coordinate(s1), y1 = coordinate(s2), x2 = coordinate(s3),
                      y2 = coordinate(s4);
            const bool first = !clashes(x1, y1), second = !clashes(x2, y2);
            if (first | second) {  // both are known: one branch, not two
                x = first ? x1 : x2;
                y = first ? y1 : y2;
                random.set_state(first ? s2 : s4);
                return;
            }
            state = s4;
        }
    }

    static constexpr int kCrowdedFrom = 45;
    static constexpr int kMostDraws = 1 << 16;
    const int n_;
    const std::int32_t join1_, join12_;
    const std::uint32_t join_sum_, template_count_;
    const std::optional<std::int32_t> wormholes_;
    const std::string wormhole_text_;
    const ShapeOutline outline_;
    // The attempt's arrays, held as plain pointers: through the vectors every store would make
    // the compiler load their addresses again.
    struct Arrays {
        std::uint32_t *packed, *draw_state;
    } out_{};
    // The clash grid with a border of empty cells, each cell holding x | y << 16 of its planet;
    // one more cell at the end, since a row of three is read as four.
    static constexpr int kPadded = kGrid + 2;
    static constexpr std::int32_t kEmptyCell = 0x4000 | (0x4000 << 16);
    std::array<std::int32_t, kPadded * kPadded + 1> grid_{};
    FreeMap free_;
};

}  // namespace orvek
