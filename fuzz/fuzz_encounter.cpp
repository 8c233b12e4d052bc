// SPDX-License-Identifier: GPL-3.0-or-later
// Template rewriting on arbitrary template bytes: never crashes, and the written file always
// ends with an empty line and holds the hop counts of the planet.

#include "core/random.h"
#include "campaign/encounter.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    orvek::Planet planet;
    planet.x = 87;
    planet.y = 979;
    planet.system_name = "Tau  Minor";
    planet.links = {2, 9, 11};
    planet.home = size % 2 == 1;
    planet.features[3] = planet.features[9] = true;
    orvek::Random random(static_cast<std::uint32_t>(size));
    orvek::EncounterOptions options{size % 3 == 0, size % 5 == 0};
    const std::string text = orvek::render_encounter(
        std::string_view(reinterpret_cast<const char*>(data), size), 4, planet, options, random);
    if (text.size() < 4 || text.compare(text.size() - 4, 4, "\r\n\r\n") != 0 ||
        text.find("[hopcounts]\r\n0 = 4,0\r\n1 = 2,1\r\n2 = 9,1\r\n3 = 11,1\r\n\r\n") ==
            std::string::npos)
        std::abort();
    return 0;
}
