// SPDX-License-Identifier: GPL-3.0-or-later
#include "nebula.h"

#include "core/random.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orvek::demo {

namespace {

struct Colour {
    float r, g, b;
};

// Deep background, cloud body and bright core of each scheme.
constexpr std::array<std::array<Colour, 3>, 4> kSchemes = {{
    {{{4, 6, 20}, {60, 40, 140}, {230, 120, 200}}},    // violet and rose
    {{{2, 10, 14}, {20, 110, 120}, {170, 240, 210}}},  // teal
    {{{12, 4, 4}, {150, 50, 20}, {255, 200, 120}}},    // ember
    {{{4, 4, 16}, {40, 70, 160}, {200, 220, 255}}},    // ice blue
}};

// Smooth noise on a lattice of random values, wrapped so that it tiles.
class ValueNoise {
public:
    explicit ValueNoise(std::uint32_t seed)
    {
        Random random(seed);
        for (float& v : lattice_)
            v = static_cast<float>(random(65536)) / 65535.0f;
    }

    // The noise at (x, y) on a lattice repeating every `period` (a power of two, at most kSide).
    float at(float x, float y, int period) const
    {
        int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
        fx = fx * fx * (3 - 2 * fx);
        fy = fy * fy * (3 - 2 * fy);
        // Every period is a power of two, so a mask wraps a lattice index, negative ones too,
        // as the modulo would, without its division.
        const int wrap = period - 1;
        auto v = [&](int i, int j) {
            return lattice_[static_cast<std::size_t>((j & wrap) * kSide + (i & wrap))];
        };
        float top = v(x0, y0) + (v(x0 + 1, y0) - v(x0, y0)) * fx;
        float bottom = v(x0, y0 + 1) + (v(x0 + 1, y0 + 1) - v(x0, y0 + 1)) * fx;
        return top + (bottom - top) * fy;
    }

    static constexpr int kSide = 256;

private:
    std::array<float, kSide * kSide> lattice_{};
};

float fractal(const ValueNoise& noise, float u, float v)
{
    float sum = 0, amplitude = 0.5f;
    int period = 4;
    for (int octave = 0; octave < 6; ++octave) {
        sum += amplitude *
               noise.at(u * static_cast<float>(period), v * static_cast<float>(period), period);
        amplitude *= 0.5f;
        period *= 2;
    }
    return sum;
}

Colour mix(Colour a, Colour b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Stars: mostly faint single pixels, a few brighter ones with a small cross of light.
void add_stars(RgbImage& image, std::uint32_t seed)
{
    const int size = image.width;
    Random random(seed * 2654435761u + 17);
    const int stars = size * size / 600;
    for (int i = 0; i < stars; ++i) {
        int x = static_cast<int>(random(static_cast<std::uint32_t>(size)));
        int y = static_cast<int>(random(static_cast<std::uint32_t>(size)));
        int brightness = 90 + static_cast<int>(random(166));
        bool big = random(40) == 0;
        auto light = [&](int px, int py, int amount) {
            if (px < 0 || py < 0 || px >= size || py >= size)
                return;
            std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(py) * size + px) * 3];
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<std::uint8_t>(std::min(255, p[k] + amount));
        };
        light(x, y, brightness);
        if (big)
            for (int d : {-1, 1}) {
                light(x + d, y, brightness / 2);
                light(x, y + d, brightness / 2);
            }
    }
}

}  // namespace

RgbImage make_nebula(int size, std::uint32_t seed, int scheme)
{
    const auto& colours = kSchemes[static_cast<std::size_t>(scheme) % kSchemes.size()];
    ValueNoise body(seed), detail(seed ^ 0x9E3779B9u);
    RgbImage image;
    image.width = image.height = size;
    image.pixels.resize(static_cast<std::size_t>(size) * size * 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = static_cast<float>(x) / static_cast<float>(size);
            float v = static_cast<float>(y) / static_cast<float>(size);
            float cloud = std::clamp((fractal(body, u, v) - 0.35f) * 2.2f, 0.0f, 1.0f);
            float wisp = fractal(detail, u + 0.3f * cloud, v);
            float density = std::clamp(cloud * (0.55f + 0.9f * wisp), 0.0f, 1.0f);
            Colour c = density < 0.6f ? mix(colours[0], colours[1], density / 0.6f)
                                      : mix(colours[1], colours[2], (density - 0.6f) / 0.4f);
            std::uint8_t* px = &image.pixels[(static_cast<std::size_t>(y) * size + x) * 3];
            px[0] = static_cast<std::uint8_t>(std::clamp(c.r, 0.0f, 255.0f));
            px[1] = static_cast<std::uint8_t>(std::clamp(c.g, 0.0f, 255.0f));
            px[2] = static_cast<std::uint8_t>(std::clamp(c.b, 0.0f, 255.0f));
        }
    add_stars(image, seed);
    return image;
}

}  // namespace orvek::demo
