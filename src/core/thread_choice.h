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
// One thread measures its rate over a window of attempts; two threads then try and hand back as
// soon as they stall, or three windows of theirs in a row are slower than that (a core taken by
// other work, a time slice waited for at a hand-over). They try again after a while, twice as
// long after each loss in a row.
class ThreadChoice {
public:
    using Clock = std::chrono::steady_clock;

    ThreadChoice(const Threading& threading, int usable_cores);

    // After attempt `number` on one thread: whether two threads take over from the next.
    bool after_single(std::uint64_t number, Clock::time_point now);
    // After the `done`th attempt of a run on two threads: whether they hand back to one.
    bool after_pipelined(std::uint64_t done, Clock::time_point now);
    // Two threads handed back after attempt `number`: one runs again from the next.
    void handed_back(std::uint64_t number, Clock::time_point now);

    // Attempts in a window of measure; a quicker check inside it catches a stall early.
    static constexpr std::int64_t kWindow = 64, kCheck = 8;

private:
    bool two_threads_;
    Threading threading_;
    std::uint64_t next_try_;           // two threads try again from this attempt number
    Clock::time_point next_try_time_;  // and this time on
    Clock::duration back_off_;         // one thread's time after the next loss
    std::uint64_t mark_number_ = 0;    // the single window's start
    Clock::time_point mark_;
    Clock::duration single_per_window_{};  // the last measure on one thread; zero: none yet
    std::uint64_t window_done_ = 0;        // the two threads' window: its first attempt (0: none
    Clock::time_point window_start_;       // yet) and when it was handed over
    int losses_in_row_ = 0;                // windows slower than one thread, one after another
};

}  // namespace orvek
