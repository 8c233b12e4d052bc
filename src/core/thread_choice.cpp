#include "core/thread_choice.h"

#include <algorithm>
#include <thread>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#elif defined(__linux__)
#include <sched.h>
#endif

namespace orvek {

int usable_cores()
{
#ifdef _WIN32
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0)
        return std::max(1, __builtin_popcountll(static_cast<unsigned long long>(process)));
#elif defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
#endif
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

namespace {

// After a loss, one thread runs this long before two try again, twice as long after each loss
// in a row, up to the longest: a probe on a busy machine may cost a time slice.
constexpr std::chrono::milliseconds kFirstBackOff{10}, kLongestBackOff{2560};

}  // namespace

ThreadChoice::ThreadChoice(const Threading& threading, int cores)
    : two_threads_(threading.threads >= 2 || (threading.threads == 0 && cores >= 2)),
      threading_(threading), next_try_(threading.pipeline_after),
      next_try_time_(Clock::now() + threading.pipeline_wait), back_off_(kFirstBackOff),
      mark_(Clock::now())
{}

bool ThreadChoice::after_single(std::uint64_t number, Clock::time_point now)
{
    if (!two_threads_)
        return false;
    if (number - mark_number_ >= static_cast<std::uint64_t>(kWindow)) {
        single_per_window_ =
            (now - mark_) * kWindow / static_cast<std::int64_t>(number - mark_number_);
        mark_number_ = number;
        mark_ = now;
    }
    if (number < next_try_ || now < next_try_time_)
        return false;
    // A try waits for a measure to compare with, unless the tests set the runs' length or ask
    // for two threads before one could measure.
    if (single_per_window_ == Clock::duration::zero() && threading_.pipeline_run == 0 &&
        threading_.pipeline_after >= static_cast<std::uint64_t>(kWindow))
        return false;
    window_done_ = 0;
    losses_in_row_ = 0;
    return true;
}

bool ThreadChoice::after_pipelined(std::uint64_t done, Clock::time_point now)
{
    if (threading_.pipeline_run != 0)
        return done >= threading_.pipeline_run;
    // The first attempt handed over starts the measure: starting the thread and filling the
    // ring are paid once and say nothing of the rate.
    if (window_done_ == 0) {
        window_start_ = now;
        window_done_ = done;
        return false;
    }
    const auto in_window = static_cast<std::int64_t>(done - window_done_);
    if (single_per_window_ == Clock::duration::zero() || in_window % kCheck != 0)
        return false;
    const Clock::duration taken = now - window_start_;
    // Inside a window only a stall hands back: twice the time one thread takes for the whole
    // window gone, as when a thread waited for a time slice. At a window's end, a loss of more
    // than 5 % does when the two windows before lost too: a window may just have met a moment of
    // other work.
    if (in_window < kWindow)
        return taken > 2 * single_per_window_;
    window_start_ = now;
    window_done_ = done;
    if (taken * 20 <= single_per_window_ * 21) {
        losses_in_row_ = 0;
        back_off_ = kFirstBackOff;  // a window won: a later loss is tried again soon
        return false;
    }
    return ++losses_in_row_ >= 3;
}

void ThreadChoice::handed_back(std::uint64_t number, Clock::time_point now)
{
    next_try_ = number + threading_.pipeline_after;
    next_try_time_ = now;
    if (threading_.pipeline_run == 0) {
        next_try_time_ += back_off_;
        back_off_ = std::min<Clock::duration>(back_off_ * 2, kLongestBackOff);
    }
    mark_number_ = number;
    mark_ = now;
    single_per_window_ = Clock::duration::zero();
}

}  // namespace orvek
