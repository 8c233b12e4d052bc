// Time per attempt and time to a connected galaxy, fast generator against the plain one, for
// five corners of the settings: (a) 22 planets, W 1, 35/50/5; (b) 69 planets, W 0, 59/20/0,
// the rarest to connect; (c) 175 planets, W 9, 30/40/5, (d) 175, W 1, 40/40/5 and (e) 175, W 0,
// 59/20/1, where the map is nearly full and the full-map rule ends most attempts.

#include "core/generator.h"
#include "core/random.h"
#include "support/fake_services.h"
#include "support/plain_generator.h"

#include <benchmark/benchmark.h>

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

// Arguments: corner, attempts, and after how many attempts a second thread joins in.
void fast_per_attempt(benchmark::State& state)
{
    const Corner& corner = kCorners[state.range(0)];
    const std::uint64_t limit = state.range(1);
    testing::FakeWorld world;
    world.names.names.resize(300);
    LimitedBackgrounds backgrounds;
    GenerationServices services{world.status, backgrounds, world.templates, world.names};
    Random random(12345);
    std::uint64_t attempts = 0;
    for (auto _ : state) {
        GenerationProgress progress;
        backgrounds.progress = &progress;
        backgrounds.calls = 0;
        backgrounds.limit = limit;
        Galaxy galaxy;
        generate_galaxy(params_of(corner), services, random, galaxy, &progress,
                        static_cast<std::uint64_t>(state.range(2)));
        attempts += progress.attempts.load();
    }
    state.counters["attempts"] = static_cast<double>(attempts);
    state.counters["per_attempt"] = benchmark::Counter(
        static_cast<double>(attempts), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One complete Generate per iteration, each from another seed.
void fast_to_connected(benchmark::State& state)
{
    const Corner& corner = kCorners[state.range(0)];
    testing::FakeWorld world;
    world.names.names.resize(300);
    Random random(777);
    std::uint64_t attempts = 0;
    for (auto _ : state) {
        GenerationProgress progress;
        Galaxy galaxy;
        generate_galaxy(params_of(corner), world.services, random, galaxy, &progress);
        attempts += progress.attempts.load();
    }
    state.counters["attempts_per_galaxy"] =
        static_cast<double>(attempts) / static_cast<double>(state.iterations());
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

constexpr std::int64_t kDefault = 100, kNever = 1LL << 62;
BENCHMARK(fast_per_attempt)
    ->Args({0, 200000, kDefault})
    ->Args({1, 200000, kDefault})
    ->Args({1, 200000, kNever})
    ->Args({2, 2000, kDefault})
    ->Args({4, 2000, kDefault})
    ->Args({4, 2000, kNever})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
// Corner (d) finds a connected galaxy in about twenty attempts: more Generates for a steady figure.
BENCHMARK(fast_per_attempt)
    ->Args({3, 2000, kDefault})
    ->Args({3, 2000, kNever})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK(fast_to_connected)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(fast_to_connected)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(plain_per_attempt)
    ->Args({0, 20000})
    ->Args({1, 5000})
    ->Args({2, 50})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

BENCHMARK_MAIN();
