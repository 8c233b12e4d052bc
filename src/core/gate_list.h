// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The jumpgates a Generate with clear jumpgates has made, kept so that a new line can be tested
// against all of them at once: their boxes and planets side by side, sixteen to a vector.

#include <cstdint>
#include <vector>

namespace orvek {

// A line's box, in map units.
struct GateBox {
    std::int16_t left, top, right, bottom;
};

// Made gates in one array per field, padded to whole vectors. A new line is tested against every
// gate: boxes apart and shared planets rule out nearly all of them in a few vector instructions,
// and only the rest have their lines looked at.
class GateList {
public:
    void clear() { count_ = 0; }
    // Adds the gate from planet a to planet b with its box. Never fails.
    void add(int a, int b, GateBox box);

    // Whether the line from a to b, with its box, meets a gate of the list that shares no planet
    // with it: `meets(c, d)` is asked for each gate c-d whose box meets its own.
    template <class Meets>
    bool any_met(int a, int b, GateBox box, Meets meets)
    {
        const int near = find_near(a, b, box);
        for (int k = 0; k < near; ++k) {
            const auto j = static_cast<std::size_t>(near_[static_cast<std::size_t>(k)]);
            if (meets(a_[j], b_[j]))
                return true;
        }
        return false;
    }

private:
    static constexpr int kLanes = 16;
    // Writes the numbers of the gates whose box meets `box` and that share no planet with a-b to
    // near_, and returns how many there are.
    int find_near(int a, int b, GateBox box);

    int count_ = 0;
    std::vector<std::int16_t> left_, top_, right_, bottom_, a_, b_;
    std::vector<std::int32_t> near_;
};

}  // namespace orvek
