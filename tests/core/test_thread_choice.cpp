// SPDX-License-Identifier: GPL-3.0-or-later
// When a Generate runs on two threads: only where the process may use two cores, and only while
// two are measured clearly faster than one, whole spells compared.

#include "core/thread_choice.h"

#include <gtest/gtest.h>

#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

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
        {"two-fifths of the speed: cut after a glance", 30, ThreadChoice::kGlance, true},
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
    // The first spell on one thread lasts `pipeline_wait`, not a whole spell.
    const Clock::time_point start = Clock::now();
    ThreadChoice quick(Threading{0, 100, 5ms}, 2);
    EXPECT_FALSE(quick.after_single(1000, start + 4ms));
    EXPECT_TRUE(quick.after_single(1001, start + 6ms));
}

// Stopping the second thread is part of the spell of two: two threads that win only until
// their stop is counted lose to one.
TEST(ThreadChoice, TheSecondThreadsStopCountsAgainstThem)
{
    Clock::time_point now = Clock::now();
    ThreadChoice choice(Threading{}, 2);
    now += ThreadChoice::kSpell + 1ms;
    ASSERT_TRUE(choice.after_single(1000, now));
    // Two threads make 1300 attempts a spell, a third more than one: they win three spells.
    for (const std::uint64_t done : {1300, 2600, 3900}) {
        now += ThreadChoice::kSpell + 1ms;
        ASSERT_FALSE(choice.after_pipelined(done, now)) << done;
    }
    now += ThreadChoice::kSpell + 1ms;
    ASSERT_TRUE(choice.after_pipelined(5200, now)) << "one is tried again";
    now += 30ms;
    choice.handed_back(1000, now);
    EXPECT_FALSE(choice.after_single(2000, now + ThreadChoice::kSpell + 1ms))
        << "the 30 ms stop makes two slower than one";
}

TEST(ThreadChoice, OneCoreOrOneThreadNeverTwo)
{
    const Clock::time_point later = Clock::now() + 10s;
    EXPECT_FALSE(ThreadChoice(Threading{}, 1).after_single(100000, later)) << "pinned";
    EXPECT_FALSE(ThreadChoice(Threading{1}, 8).after_single(100000, later)) << "--threads 1";
    EXPECT_TRUE(ThreadChoice(Threading{2}, 1).after_single(100000, later)) << "--threads 2";
#ifdef __linux__
    // A process that taskset narrowed to one core may use one, however many the machine has.
    cpu_set_t all, one;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    CPU_ZERO(&one);
    for (int cpu = 0; CPU_COUNT(&one) == 0; ++cpu)
        if (CPU_ISSET(cpu, &all))
            CPU_SET(cpu, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    const int cores = usable_cores();
    ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(cores, 1);
#endif
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
    // Handed back after attempt 150, one thread runs another 100 before two join again.
    choice.handed_back(150, now);
    EXPECT_FALSE(choice.after_single(249, now));
    EXPECT_TRUE(choice.after_single(250, now));
}

}  // namespace
}  // namespace orvek
