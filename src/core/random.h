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
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state_) * n) >> 32);
    }

    std::uint32_t state() const { return state_; }
    void set_state(std::uint32_t state) { state_ = state; }

private:
    std::uint32_t state_;
};

// A seed from the monotonic clock (its low 32 bits), as the window uses at start-up.
std::uint32_t clock_seed();

}  // namespace orvek
