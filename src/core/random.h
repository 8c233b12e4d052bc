// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shared random source: a 32-bit linear congruential generator whose draws every saved
// campaign depends on. One object serves a whole run; it is passed to whatever draws.

#include <cstdint>

namespace orvek {

class Random {
public:
    // The state's step: state = state * kMultiplier + 1 (mod 2^32).
    static constexpr std::uint32_t kMultiplier = 134775813u;

    explicit Random(std::uint32_t seed = 0) : state_(seed) {}

    // R(n): a uniform whole number in 0..n-1. R(0) advances the state like any draw and yields 0.
    std::uint32_t operator()(std::uint32_t n)
    {
        state_ = state_ * kMultiplier + 1u;
        return scaled(state_, n);
    }

    // The number a draw R(n) gives from the state it leaves.
    static std::uint32_t scaled(std::uint32_t state, std::uint32_t n)
    {
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state) * n) >> 32);
    }

    // The state k steps on is a * state + c: several draws whose sizes are known in advance can
    // then be made side by side rather than each waiting for the one before.
    struct Jump {
        std::uint32_t a, c;
    };
    static constexpr Jump jump(int steps)
    {
        Jump j{1u, 0u};
        for (int i = 0; i < steps; ++i)
            j = {j.a * kMultiplier, j.c * kMultiplier + 1u};
        return j;
    }
    static constexpr std::uint32_t ahead(std::uint32_t state, Jump j) { return state * j.a + j.c; }

    std::uint32_t state() const { return state_; }
    void set_state(std::uint32_t state) { state_ = state; }

private:
    std::uint32_t state_;
};

// A seed from the monotonic clock (its low 32 bits), as the window uses at start-up.
std::uint32_t clock_seed();

}  // namespace orvek
