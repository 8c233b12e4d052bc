// SPDX-License-Identifier: GPL-3.0-or-later
// The galaxy editor at 175 planets: 10,000 random edits (about half of them refused, as a
// player's drags onto other planets are) applied and then all undone; and one edit with the
// redraw of the whole map that follows it, at 1x, 2x, 4x and 8x zoom about the map's middle,
// which has to fit in a frame (16 ms), also with the recovery copy taken; the figures of how a
// 175-planet galaxy plays; and the twelve candidates of Generate 12.

#include "core/galaxy_edit.h"
#include "core/galaxy_figures.h"
#include "support/fake_services.h"
#include "support/random_edits.h"
#include "support/temp_dir.h"
#include "ui/candidates.h"
#include "ui/galaxy_document.h"
#include "ui/map_render.h"
#include "ui/recovery_keeper.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

namespace {

using namespace orvek;

std::vector<Planet> galaxy_of_175()
{
    testing::FakeWorld world;
    Random random(175);
    Galaxy galaxy;
    GalaxyParams params;
    params.planets = 175;
    generate_galaxy(params, world.services, random, galaxy);
    return galaxy.planets;
}

void ten_thousand_edits_with_undo(benchmark::State& state)
{
    const std::vector<Planet> start = galaxy_of_175();
    std::int64_t applied = 0;
    for (auto _ : state) {
        std::vector<Planet> planets = start;
        Random random(1);
        std::vector<EditPointer> done;
        for (int i = 0; i < 10'000; ++i) {
            try {
                done.push_back(testing::random_edit(planets, random));
                done.back()->apply(planets);
            } catch (const EditRefused&) {
            }
        }
        for (std::size_t i = done.size(); i-- > 0;)
            done[i]->revert(planets);
        applied += static_cast<std::int64_t>(done.size());
        benchmark::DoNotOptimize(planets);
    }
    state.counters["applied"] =
        benchmark::Counter(static_cast<double>(applied) / static_cast<double>(state.iterations()));
}
BENCHMARK(ten_thousand_edits_with_undo)->Unit(benchmark::kMillisecond);

// The figures of how a 175-planet galaxy plays (the window shows them after every edit).
void figures_of_175(benchmark::State& state)
{
    const std::vector<Planet> planets = galaxy_of_175();
    for (auto _ : state)
        benchmark::DoNotOptimize(galaxy_figures(planets));
}
BENCHMARK(figures_of_175)->Unit(benchmark::kMicrosecond);

// Generate 12 of the Normal size, made and drawn as the window makes them: one a thread on the
// usable cores, then their small maps one after another on the window's thread. Wall time, from
// the first start to the last picture.
void twelve_candidates(benchmark::State& state)
{
    const GameFolder folder(ORVEK_DEMO_GAME);
    GalaxySettings normal;  // the window's defaults: Normal size, Normal jumpgates
    std::uint32_t seed = 1;
    for (auto _ : state) {
        std::vector<GenerationProgress> progress(CandidatesDialog::kCount);
        std::vector<Candidate> made(CandidatesDialog::kCount);
        std::atomic<int> next{0};
        {
            std::vector<std::jthread> workers;
            for (int t = 0; t < std::min(CandidatesDialog::kCount, usable_cores()); ++t)
                workers.emplace_back([&] {
                    for (int i; (i = next++) < CandidatesDialog::kCount;)
                        made[static_cast<std::size_t>(i)] =
                            make_candidate(folder, GenerateKind::WithPresets, normal,
                                           seed + static_cast<std::uint32_t>(i),
                                           progress[static_cast<std::size_t>(i)]);
                });
        }
        // The pictures, drawn one after another on the window's thread as the dialog draws them.
        for (const Candidate& c : made)
            benchmark::DoNotOptimize(render_map(c.background, c.galaxy.planets)
                                         .scaled(CandidatesDialog::kSide, CandidatesDialog::kSide,
                                                 Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        seed += CandidatesDialog::kCount;
    }
}
BENCHMARK(twelve_candidates)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void move_and_redraw(benchmark::State& state)
{
    std::vector<Planet> planets = galaxy_of_175();
    QImage map(kMapPixels, kMapPixels, QImage::Format_RGB32);
    const QImage background = startup_picture().scaled(kMapPixels, kMapPixels);
    const MapView view = MapView{}.zoomed(static_cast<double>(state.range(0)),
                                          QPoint(kMapPixels / 2, kMapPixels / 2));
    NameSprites names;
    int step = 0;
    for (auto _ : state) {
        // Planet 3 goes back and forth between two free places, as a drag does.
        const int x = step++ % 2 ? planets[3].x + 1 : planets[3].x - 1;
        try {
            move_planet(planets, 3, x, planets[3].y)->apply(planets);
        } catch (const EditRefused&) {
        }
        QPainter painter(&map);
        paint_view(painter, background, &planets, view, false, &names);
    }
}
BENCHMARK(move_and_redraw)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

// The same edit in the window's document, whose recovery copy is taken at every frame (the
// window takes one a second at most): what the copy costs the user-interface thread, its
// writing being the writer thread's.
void move_copy_and_redraw(benchmark::State& state)
{
    testing::TempDir state_folder;
    GalaxyDocument document(GameFolder(ORVEK_DEMO_GAME));
    Galaxy galaxy;
    galaxy.planets = galaxy_of_175();
    document.replace_with_generated(galaxy, {}, "Bench Reach");
    RecoveryKeeper keeper(document, state_folder.str(), [] { return std::string("Bench Reach"); });
    QImage map(kMapPixels, kMapPixels, QImage::Format_RGB32);
    const QImage background = startup_picture().scaled(kMapPixels, kMapPixels);
    NameSprites names;
    int step = 0;
    for (auto _ : state) {
        const std::vector<Planet>& planets = document.planets();
        const int x = step++ % 2 ? planets[3].x + 1 : planets[3].x - 1;
        try {
            document.edit([&](const std::vector<Planet>& now) {
                return move_planet(now, 3, x, now[3].y);
            });
        } catch (const EditRefused&) {
        }
        keeper.take_now();
        QPainter painter(&map);
        paint_view(painter, background, &document.planets(), MapView{}, false, &names);
    }
    keeper.write_now();
}
BENCHMARK(move_copy_and_redraw)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    // The names are drawn with the system's fonts, which need an application but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
