#include "core/generate_command.h"

namespace orvek {

GenerationResult run_generate_command(GenerateKind kind, GalaxySettings& settings, Galaxy& galaxy,
                                      std::string& campaign_name, GenerationServices& services,
                                      Random& random, GenerationProgress* progress)
{
    Clamp_Params(settings);
    galaxy.planets.clear();
    if (kind == GenerateKind::WithPresets)
        Randomize_Params(settings, random);
    campaign_name = services.names.Get_Campaign_Name(settings, random);

    GalaxyParams params;
    params.planets = parse_int(settings.planet_count);
    params.join1 = parse_int(settings.join1_pct);
    params.join2 = parse_int(settings.join2_pct);
    params.join3 = parse_int(settings.join3_pct);
    params.wormhole_text = settings.wormhole_count;
    return Generate_Galaxy(params, services, random, galaxy, progress);
}

}  // namespace orvek
