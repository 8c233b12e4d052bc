// Time of one overwriting Save of a 175-planet galaxy into a copy of the demo game folder on the
// real disk, every file flushed: what a player waits for after pressing Save.

#include "core/generate_command.h"
#include "core/random.h"
#include "export/save.h"
#include "gamedata/game_folder.h"
#include "gamedata/game_services.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

namespace {

using namespace orvek;

struct Yes : SaveDialog {
    void inform(const std::string&) override {}
    bool confirm(const std::string&) override { return true; }
};

void save_175_planets(benchmark::State& state)
{
    testing::TempDir dir;
    std::filesystem::copy(ORVEK_DEMO_GAME, dir.path(), std::filesystem::copy_options::recursive);
    const GameFolder folder(dir.str());
    GameFolderServices sources(folder);
    LastStatus status;
    GenerationServices services{status, sources, sources, sources};
    GalaxySettings settings{"175", "9", "30", "40", "5", 1, 1};
    Galaxy galaxy;
    std::string name;
    Random random(175);
    run_generate_command(GenerateKind::Custom, settings, galaxy, name, services, random);
    SaveRequest request;
    request.campaign_name = "Bench Reach";
    request.options = {true, true};
    Yes dialog;
    for (auto _ : state)
        save_campaign(galaxy, request, folder, random, dialog);
    state.counters["planets"] = static_cast<double>(galaxy.planets.size());
}

BENCHMARK(save_175_planets)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
