// SPDX-License-Identifier: GPL-3.0-or-later
// Time per attempt and time to a connected galaxy, fast generator against the plain one, for
// five corners of the settings: (a) 22 planets, W 1, 35/50/5; (b) 69 planets, W 0, 59/20/0,
// the rarest to connect; (c) 175 planets, W 9, 30/40/5, (d) 175, W 1, 40/40/5 and (e) 175, W 0,
// 59/20/1, where the map is nearly full and the full-map rule ends most attempts. Then every
// shape, with and without clear jumpgates.

#include "core/galaxy_shape.h"
#include "core/generator.h"
#include "core/random.h"
#include "support/fake_services.h"
#include "support/plain_generator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

namespace {

using namespace orvek;

struct Corner {
    int planets, wormholes, j1, j2, j3;
};
constexpr Corner kCorners[] = {{22, 1, 35, 50, 5},
                               {69, 0, 59, 20, 0},
                               {175, 9, 30, 40, 5},
                               {175, 1, 40, 40, 5},
                               {175, 0, 59, 20, 1}};

GalaxyParams params_of(const Corner& c)
{
    GalaxyParams p;
    p.planets = c.planets;
    p.wormhole_text = std::to_string(c.wormholes);
    p.join1 = c.j1;
    p.join2 = c.j2;
    p.join3 = c.j3;
    return p;
}

// Asks the generator to stop once a given number of attempts has begun, so that attempts can be
// timed on their own: the background is chosen at the start of every attempt.
struct LimitedBackgrounds : testing::ListBackgrounds {
    GenerationProgress* progress = nullptr;
    std::uint64_t limit = 0, calls = 0;
    const std::string& draw_background(Random& random) override
    {
        if (++calls == limit)
            progress->cancel = true;
        return ListBackgrounds::draw_background(random);
    }
};

// What else runs while a Generate is timed: nothing; the process held to one core (it pins
// itself, and the threads it starts inherit that); two neighbour threads that keep both cores
// busy, as the game or a browser would; or a second, identical Generate at the same time, as
// two tools of a batch would be.
enum Surroundings { kIdle, kPinned, kBusy, kTwoAtOnce };

// The threads a Generate may use: 1, 2 (two while they gain, even on one core), or 0 (the
// default: two while they gain, where the process may use two cores).
Threading threading_of(std::int64_t threads)
{
    return Threading{static_cast<int>(threads)};
}

class Neighbours {
public:
    explicit Neighbours(std::int64_t surroundings)
    {
#ifdef __linux__
        if (surroundings == kPinned) {
            sched_getaffinity(0, sizeof saved_, &saved_);
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(0, &one);
            pinned_ = sched_setaffinity(0, sizeof one, &one) == 0;
        }
#endif
        if (surroundings == kBusy) {
            for (int i = 0; i < 2; ++i)
                busy_.emplace_back([this] {
                    volatile std::uint64_t spin = 0;
                    while (!stop_.load(std::memory_order_relaxed))
                        spin = spin + 1;
                });
            // The scheduler treats threads that have just started more kindly than ones that
            // have run a while; the timing starts once the neighbours have settled.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
    ~Neighbours()
    {
        stop_ = true;
        busy_.clear();
#ifdef __linux__
        if (pinned_)
            sched_setaffinity(0, sizeof saved_, &saved_);
#endif
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::jthread> busy_;
#ifdef __linux__
    cpu_set_t saved_;
    bool pinned_ = false;
#endif
};

// Runs `attempts` attempts of a corner's Generate (stopped there, or connected before) and
// returns how many were made.
std::uint64_t run_attempts(const Corner& corner, std::uint64_t attempts, Random& random,
                           const Threading& threading)
{
    testing::FakeWorld world;
    world.names.names.resize(300);
    LimitedBackgrounds backgrounds;
    GenerationServices services{world.status, backgrounds, world.templates, world.names};
    GenerationProgress progress;
    backgrounds.progress = &progress;
    backgrounds.limit = attempts;
    Galaxy galaxy;
    generate_galaxy(params_of(corner), services, random, galaxy, &progress, threading);
    return progress.attempts.load();
}

// Wall time per attempt and per Generate. Arguments: corner, attempts a Generate at most,
// threads, surroundings. Two at once counts the attempts and Generates of both.
void fast_per_attempt(benchmark::State& state)
{
    const Corner& corner = kCorners[state.range(0)];
    const auto limit = static_cast<std::uint64_t>(state.range(1));
    const Threading threading = threading_of(state.range(2));
    const Neighbours neighbours(state.range(3));
    Random random(12345), twin_random(12345);
    std::uint64_t attempts = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::jthread twin;
        std::uint64_t twin_attempts = 0;
        if (state.range(3) == kTwoAtOnce)
            twin = std::jthread(
                [&] { twin_attempts = run_attempts(corner, limit, twin_random, threading); });
        attempts += run_attempts(corner, limit, random, threading);
        if (twin.joinable())
            twin.join();
        attempts += twin_attempts;
    }
    const std::chrono::duration<double, std::micro> wall = std::chrono::steady_clock::now() - start;
    state.counters["attempts"] = static_cast<double>(attempts);
    state.counters["us_per_attempt"] = wall.count() / static_cast<double>(attempts);
    const double generates =
        static_cast<double>(state.iterations()) * (state.range(3) == kTwoAtOnce ? 2.0 : 1.0);
    state.counters["ms_per_generate"] = wall.count() / 1000.0 / generates;
}

// How long a Generate takes to stop once cancelled (Escape in the window), in the middle of a
// run on two threads where they are used: the cancel is set 60 ms in, past the second thread's
// joining. Arguments: corner, threads, surroundings. Reports the slowest and the median stop.
void cancel_latency(benchmark::State& state)
{
    const Corner& corner = kCorners[state.range(0)];
    const Threading threading = threading_of(state.range(1));
    const Neighbours neighbours(state.range(2));
    testing::FakeWorld world;
    world.names.names.resize(300);
    Random random(4242);
    std::vector<double> stops;
    for (auto _ : state) {
        GenerationProgress progress;
        Galaxy galaxy;
        std::chrono::steady_clock::time_point stopped;
        std::jthread generate([&] {
            generate_galaxy(params_of(corner), world.services, random, galaxy, &progress,
                            threading);
            stopped = std::chrono::steady_clock::now();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        const auto cancelled = std::chrono::steady_clock::now();
        progress.cancel = true;
        generate.join();
        // A Generate that connected before the cancel stopped by itself: no stop to time.
        if (stopped > cancelled)
            stops.push_back(std::chrono::duration<double, std::milli>(stopped - cancelled).count());
    }
    std::sort(stops.begin(), stops.end());
    state.counters["stops"] = static_cast<double>(stops.size());
    if (!stops.empty()) {
        state.counters["slowest_ms"] = stops.back();
        state.counters["median_ms"] = stops[stops.size() / 2];
    }
}

// Complete Generates of `params`, one per iteration, each from another seed.
void generates(benchmark::State& state, const GalaxyParams& params)
{
    testing::FakeWorld world;
    world.names.names.resize(300);
    Random random(777);
    std::uint64_t attempts = 0;
    for (auto _ : state) {
        GenerationProgress progress;
        Galaxy galaxy;
        generate_galaxy(params, world.services, random, galaxy, &progress);
        attempts += progress.attempts.load();
    }
    state.counters["attempts_per_galaxy"] =
        static_cast<double>(attempts) / static_cast<double>(state.iterations());
}

void fast_to_connected(benchmark::State& state)
{
    generates(state, params_of(kCorners[state.range(0)]));
}

// A shape (its number in every_shape()), with or without clear jumpgates, at corner (d)'s numbers
// and the planet count given: 175, where every shape fills the map, and 60, where the outlines
// show. The attempts a Generate needs vary about as much as their mean, so a row takes 1000
// Generates: their mean is then within about 3 %, where 40 could miss it by a sixth.
void shape_to_connected(benchmark::State& state)
{
    GalaxyParams params = params_of(kCorners[3]);
    params.shape = every_shape()[static_cast<std::size_t>(state.range(0))];
    params.clear_gates = state.range(1) != 0;
    params.planets = static_cast<int>(state.range(2));
    generates(state, params);
}

void plain_per_attempt(benchmark::State& state)
{
    const Corner& corner = kCorners[state.range(0)];
    testing::FakeWorld world;
    world.names.names.resize(300);
    Random random(12345);
    std::uint64_t attempts = 0;
    for (auto _ : state) {
        Galaxy galaxy;
        testing::PlainStats stats;
        testing::plain_generate_galaxy(params_of(corner), world.services, random, galaxy,
                                       static_cast<std::uint64_t>(state.range(1)), &stats);
        attempts += stats.attempts;
    }
    state.counters["per_attempt"] = benchmark::Counter(
        static_cast<double>(attempts), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

// The 69-planet corner, the rarest to connect, in every surroundings with one thread and with
// the default; then the others, idle.
constexpr std::int64_t kDefault = 0, kOne = 1, kTwo = 2;
BENCHMARK(fast_per_attempt)
    ->ArgNames({"corner", "attempts", "threads", "surroundings"})
    ->ArgsProduct({{1}, {100000}, {kOne, kDefault, kTwo}, {kIdle, kPinned, kBusy, kTwoAtOnce}})
    ->Args({0, 200000, kDefault, kIdle})
    ->Args({2, 2000, kDefault, kIdle})
    ->Args({4, 2000, kOne, kIdle})
    ->Args({4, 2000, kDefault, kIdle})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
// Corner (d) finds a connected galaxy in about twenty attempts: more Generates for a steady figure.
BENCHMARK(fast_per_attempt)
    ->ArgNames({"corner", "attempts", "threads", "surroundings"})
    ->ArgsProduct({{3}, {2000}, {kOne, kDefault, kTwo}, {kIdle, kPinned, kBusy, kTwoAtOnce}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(200);
// The 69-planet corner's attempts are short, the nearly full map's long.
BENCHMARK(cancel_latency)
    ->ArgNames({"corner", "threads", "surroundings"})
    ->ArgsProduct({{1, 4}, {kOne, kDefault}, {kIdle, kPinned, kBusy}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(fast_to_connected)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(fast_to_connected)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
// Classic, disc, ring, spiral:3 and clusters:4.
BENCHMARK(shape_to_connected)
    ->ArgNames({"shape", "clear", "planets"})
    ->ArgsProduct({{0, 1, 2, 4, 8}, {0, 1}, {175, 60}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1000);
BENCHMARK(plain_per_attempt)
    ->Args({0, 20000})
    ->Args({1, 5000})
    ->Args({2, 50})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

BENCHMARK_MAIN();
