// SPDX-License-Identifier: GPL-3.0-or-later
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

ThreadChoice::ThreadChoice(const Threading& threading, int cores)
    : two_threads_(threading.threads >= 2 || (threading.threads == 0 && cores >= 2)),
      threading_(threading), spell_start_(Clock::now())
{}

bool ThreadChoice::after_single(std::uint64_t number, Clock::time_point now)
{
    if (!may_join(number))
        return false;
    if (threading_.pipeline_run != 0)
        return number >= spell_first_ + threading_.pipeline_after;
    // The first spell on one thread lasts `pipeline_wait`, the others a spell.
    const Clock::duration spell =
        rates_[kTwo].attempts ? Clock::duration(kSpell) : Clock::duration(threading_.pipeline_wait);
    if (now - spell_start_ < spell)
        return false;
    if (end_spell(kOne, number - spell_first_, now) == kOne) {
        spell_first_ = number;
        return false;
    }
    spell_first_ = 0;  // a run on two threads counts its attempts from 1
    return true;
}

bool ThreadChoice::after_pipelined(std::uint64_t done, Clock::time_point now)
{
    if (threading_.pipeline_run != 0)
        return done >= threading_.pipeline_run;
    // A spell of two threads at half the speed of one is cut short after a glance: two
    // generators' threads fighting for the same cores can be many times slower than one.
    const Clock::duration elapsed = now - spell_start_;
    if (elapsed < kSpell && (elapsed < kGlance || !half_as_fast(done - spell_first_, elapsed)))
        return false;
    if (end_spell(kTwo, done - spell_first_, now) == kOne)
        return true;
    spell_first_ = done;
    return false;
}

void ThreadChoice::handed_back(std::uint64_t number, Clock::time_point now)
{
    // Stopping the second thread belongs to the spell of two, which ended when it was asked to.
    if (threading_.pipeline_run == 0)
        rates_[kTwo].time += now - spell_start_;
    spell_first_ = number;
    spell_start_ = now;
}

ThreadChoice::Way ThreadChoice::end_spell(Way way, std::uint64_t attempts, Clock::time_point now)
{
    rates_[way] = {attempts, now - spell_start_};
    spell_start_ = now;
    Way next;
    if (rates_[kTwo].attempts == 0) {
        next = kTwo;  // not tried yet
    } else if (const Way faster = two_faster() ? kTwo : kOne; faster != winner_) {
        winner_ = faster;
        spells_per_try_ = 2;
        spells_left_ = spells_per_try_;
        next = faster;
    } else if (way != winner_ || spells_left_-- > 0) {
        next = winner_;
    } else {
        // The other way is tried again after more spells (up to 16) while the same one keeps
        // winning.
        spells_per_try_ = std::min(spells_per_try_ * 2, 16);
        spells_left_ = spells_per_try_;
        next = way == kOne ? kTwo : kOne;
    }
    return next;
}

bool ThreadChoice::half_as_fast(std::uint64_t attempts, Clock::duration elapsed) const
{
    const Rate& one = rates_[kOne];
    return one.attempts != 0 &&
           2.0 * static_cast<double>(attempts) * static_cast<double>(one.time.count()) <
               static_cast<double>(one.attempts) * static_cast<double>(elapsed.count());
}

// Two threads are clearly faster: a fifth more attempts in the same time.
bool ThreadChoice::two_faster() const
{
    const Rate& one = rates_[kOne];
    const Rate& two = rates_[kTwo];
    if (one.attempts == 0)
        return true;
    return static_cast<double>(two.attempts) * static_cast<double>(one.time.count()) >
           1.2 * static_cast<double>(one.attempts) * static_cast<double>(two.time.count());
}

}  // namespace orvek
