// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/generate_command.h"

namespace orvek {

void set_aside_preset_fields(GenerateKind kind, GalaxySettings& s)
{
    if (kind != GenerateKind::WithPresets)
        return;
    if (s.size_class >= 0 && s.size_class < static_cast<int>(kSizeNames.size()))
        s.planet_count = int_text(kFewestPlanets);
    if (s.gate_style >= 0 && s.gate_style < static_cast<int>(kGateNames.size()))
        s.join1_pct = s.join2_pct = s.join3_pct = "1";
}

GenerationResult run_generate_command(GenerateKind kind, GalaxySettings& settings, Galaxy& galaxy,
                                      std::string& campaign_name, GenerationServices& services,
                                      Random& random, GenerationProgress* progress,
                                      const Threading& threading)
{
    set_aside_preset_fields(kind, settings);
    clamp_settings(settings);
    galaxy.planets.clear();
    if (kind == GenerateKind::WithPresets)
        randomize_settings(settings, random);
    campaign_name = services.names.draw_campaign_name(settings, random);

    GalaxyParams params;
    params.planets = parse_int(settings.planet_count);
    params.join1 = parse_int(settings.join1_pct);
    params.join2 = parse_int(settings.join2_pct);
    params.join3 = parse_int(settings.join3_pct);
    params.wormhole_text = settings.wormhole_count;
    params.shape = settings.shape;
    params.clear_gates = settings.clear_gates;
    return generate_galaxy(params, services, random, galaxy, progress, threading);
}

}  // namespace orvek
