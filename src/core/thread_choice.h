// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a Generate's attempts run on one thread or two: the cores the process may use, and a
// choice made from measured times, so that a second thread is kept only while it really gains.

#include <chrono>
#include <cstdint>

namespace orvek {

// The number of cores this process may run on (its affinity mask, which `taskset` or a job
// object narrows), at least 1. Falls back to the machine's count where the system cannot say.
int usable_cores();

// How a Generate may use threads. `threads`: 1 keeps every attempt on the calling thread; 2 or
// more lets a second one join; 0 lets it join when the process may run on two cores or more.
// The second thread first joins once the Generate has made `pipeline_after` attempts and run for
// `pipeline_wait`: a short Generate gains little from it and may lose a time slice starting it.
// `pipeline_run`, for tests, hands back to one thread after that many attempts on two, and joins
// again after `pipeline_after` more, whatever the times say (0: as measured).
struct Threading {
    int threads = 0;
    std::uint64_t pipeline_after = 100;
    std::chrono::milliseconds pipeline_wait{25};
    std::uint64_t pipeline_run = 0;
};

// Decides, from the wall time the attempts take, when two threads run and when they hand back.
// The attempts run in spells of about kSpell each, on one thread or on two, and each spell's
// rate is measured whole, waits for time slices included: a spell is long beside a time slice,
// so a machine busy with other work shows in it. After a spell of each, the faster way runs
// (two threads only when clearly faster: they take two cores), and the other is tried again for
// one spell after every few, more of them while the same way keeps winning. A spell of two that
// goes at half the speed of one is cut short.
class ThreadChoice {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kSpell{25}, kGlance{2};

    ThreadChoice(const Threading& threading, int usable_cores);

    // Whether two threads may take over after attempt `number` at all; it reads no clock, so
    // that a Generate held to one thread does not read one after every attempt.
    bool may_join(std::uint64_t number) const
    {
        return two_threads_ && number >= threading_.pipeline_after;
    }
    // After attempt `number` on one thread: whether two threads take over from the next.
    bool after_single(std::uint64_t number, Clock::time_point now);
    // After the `done`th attempt of a run on two threads: whether they hand back to one.
    bool after_pipelined(std::uint64_t done, Clock::time_point now);
    // Two threads handed back after attempt `number`; their last spell ends `now`, once the
    // second thread has stopped.
    void handed_back(std::uint64_t number, Clock::time_point now);

private:
    enum Way { kOne, kTwo };
    struct Rate {
        std::uint64_t attempts = 0;
        Clock::duration time{};
    };

    // Ends the spell of `way` after `attempts` and decides the next spell's way.
    Way end_spell(Way way, std::uint64_t attempts, Clock::time_point now);
    bool two_faster() const;
    bool half_as_fast(std::uint64_t attempts, Clock::duration elapsed) const;

    bool two_threads_;
    Threading threading_;
    std::uint64_t spell_first_ = 0;  // the attempt count the spell started from
    Clock::time_point spell_start_;
    Rate rates_[2];  // each way's last spell; none yet: no attempts
    Way winner_ = kOne;
    int spells_left_ = 0;  // spells of the winner before the other is tried again
    int spells_per_try_ = 2;
};

}  // namespace orvek
