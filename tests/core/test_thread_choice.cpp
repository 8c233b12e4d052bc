// SPDX-License-Identifier: GPL-3.0-or-later
// When a Generate runs on two threads: only where the process may use two cores, and only while
// two are measured clearly faster than one, whole spells compared.

#include "core/thread_choice.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvek {
namespace {

using namespace std::chrono_literals;
using Clock = ThreadChoice::Clock;

TEST(ThreadChoice, TwoRunOnlyWhileClearlyFaster)
{
    // One thread makes 1000 attempts in its first spell (as long as a spell by default); then
    // two make `two` attempts in `after`: do they hand back there?
    const struct {
        const char* name;
        std::uint64_t two;
        Clock::duration after;
        bool hand_back;
    } rows[] = {
        {"twice as fast: two go on", 2000, ThreadChoice::kSpell, false},
        {"a tenth faster: not worth two cores", 1100, ThreadChoice::kSpell, true},
        {"a sixth of the speed: cut after a glance", 13, ThreadChoice::kGlance, true},
        {"slow in the first glance: wait for it", 13, ThreadChoice::kGlance / 2, false},
    };
    for (const auto& row : rows) {
        const Clock::time_point start = Clock::now();
        ThreadChoice choice(Threading{}, 2);
        ASSERT_FALSE(choice.after_single(999, start + 1ms)) << row.name;
        ASSERT_TRUE(choice.after_single(1000, start + ThreadChoice::kSpell + 1ms)) << row.name;
        EXPECT_EQ(choice.after_pipelined(row.two, start + ThreadChoice::kSpell + 1ms + row.after),
                  row.hand_back)
            << row.name;
    }
}

TEST(ThreadChoice, OneCoreOrOneThreadNeverTwo)
{
    const Clock::time_point later = Clock::now() + 10s;
    EXPECT_FALSE(ThreadChoice(Threading{}, 1).after_single(100000, later)) << "pinned";
    EXPECT_FALSE(ThreadChoice(Threading{1}, 8).after_single(100000, later)) << "--threads 1";
    EXPECT_TRUE(ThreadChoice(Threading{2}, 1).after_single(100000, later)) << "--threads 2";
}

// One thread keeps winning: two are tried again after ever more spells of one, at most 16.
TEST(ThreadChoice, TheLoserIsTriedAgainAfterAtMost16Spells)
{
    ThreadChoice choice(Threading{}, 2);
    Clock::time_point now = Clock::now();
    std::uint64_t attempts = 0;
    std::vector<int> gaps;
    for (int ones = 0; gaps.size() < 8;) {
        attempts += 1000;
        now += ThreadChoice::kSpell + 1ms;
        if (!choice.after_single(attempts, now)) {
            ++ones;
            continue;
        }
        gaps.push_back(ones);
        ones = 0;
        now += ThreadChoice::kSpell + 1ms;
        ASSERT_TRUE(choice.after_pipelined(1000, now)) << "as fast as one: handed back";
        attempts += 1000;
        choice.handed_back(attempts, now);
    }
    EXPECT_EQ(gaps, (std::vector<int>{0, 0, 4, 8, 16, 16, 16, 16}));
}

// With a fixed run (for tests), two threads hand back after exactly that many attempts.
TEST(ThreadChoice, AFixedRunHandsBackAfterItsAttempts)
{
    const Clock::time_point now = Clock::now();
    ThreadChoice choice(Threading{2, 100, 25ms, 50}, 2);
    EXPECT_FALSE(choice.after_single(99, now));
    EXPECT_TRUE(choice.after_single(100, now));
    EXPECT_FALSE(choice.after_pipelined(49, now));
    EXPECT_TRUE(choice.after_pipelined(50, now));
}

}  // namespace
}  // namespace orvek
