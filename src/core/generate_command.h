// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Generate command without any window: clamp, discard the old galaxy, presets (for the
// "Generate" button only), one campaign name, then the attempts. Window and command-line tool share
// it.

#include "core/generator.h"
#include "core/settings.h"

#include <string>

namespace orvek {

class Random;

// "Generate" applies the presets of the chosen size and jumpgate style; "Generate Custom" takes
// the numbers in the fields as they are.
enum class GenerateKind { WithPresets, Custom };

// "Generate" sets the planet count (for a chosen size) and the join weights (for a chosen style)
// from its presets whatever the fields hold, so those fields are never read: they get a value the
// clamp accepts, and an empty or mistyped one cannot stop the command. "Generate Custom" keeps
// every field as typed. Draws nothing.
void set_aside_preset_fields(GenerateKind kind, GalaxySettings& settings);

// Runs the command on the settings (whose fields it rewrites as the window shows them). The
// campaign name is drawn once, before the first attempt, into campaign_name. Throws Error as
// clamp_settings and generate_galaxy do; a clamp failure leaves the galaxy as it was, any later
// failure leaves it empty. Returns Cancelled, with the galaxy empty, when progress asks to stop.
GenerationResult run_generate_command(GenerateKind kind, GalaxySettings& settings, Galaxy& galaxy,
                                      std::string& campaign_name, GenerationServices& services,
                                      Random& random, GenerationProgress* progress = nullptr,
                                      const Threading& threading = {});

}  // namespace orvek
