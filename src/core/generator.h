// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The attempt loop that makes a galaxy: planets placed with their clearance, named, given
// templates, linked to their nearest neighbours and by wormholes, made mutual, until connected.

#include "core/free_map.h"
#include "core/galaxy_shape.h"
#include "core/planet.h"
#include "core/thread_choice.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

class Random;
struct GalaxySettings;

// The status texts of a Generate, which the window shows in its caption.
inline constexpr char kCalculating[] = "CALCULATING!";
inline constexpr char kReady[] = "The Galaxy is ready!";

// Shows a status text (kCalculating, kReady); the window puts it in its caption.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void show_status(std::string_view text) = 0;
};

// Chooses a random background picture: one draw, R(number of pictures). Returns its full path;
// throws Error after the draw when there is no picture.
class BackgroundChooser {
public:
    virtual ~BackgroundChooser() = default;
    virtual const std::string& draw_background(Random& random) = 0;
};

// Replaces the list's content with the full path of every encounter template. Throws Error
// "Cannot open folder ..." when the templates folder cannot be read (a missing one is empty).
class TemplateSource {
public:
    virtual ~TemplateSource() = default;
    virtual void list_templates(std::vector<std::string>& list) = 0;
};

// System names and the campaign name. None of these fail.
//
// Every attempt starts a pool from the listed system names; each planet takes the name at R(size)
// out of the pool, and once the pool is empty gets a made-up name instead. The generator keeps
// that pool itself: it only records the drawn positions and looks the names up once an attempt
// has succeeded, which gives the same names without copying any while attempts fail.
class NameSource {
public:
    virtual ~NameSource() = default;
    // The names every attempt's pool starts from, in list order.
    virtual const std::vector<std::string>& load_system_names() = 0;
    // A made-up name, for a planet that finds the pool empty.
    virtual void make_up_system_name(Random& random, std::string& name) = 0;
    // A random campaign name for a galaxy of the settings' planet count.
    virtual std::string draw_campaign_name(const GalaxySettings& settings, Random& random) = 0;
};

struct GenerationServices {
    StatusSink& status;
    BackgroundChooser& backgrounds;
    TemplateSource& templates;
    NameSource& names;
};

// Shared with a watcher on another thread: the attempts made so far, and a request to stop.
// With an attempt limit set (before the command starts), the command also stops, as if
// cancelled, when that many attempts have failed.
struct GenerationProgress {
    std::atomic<std::uint64_t> attempts{0};
    std::atomic<bool> cancel{false};
    std::uint64_t attempt_limit = 0;  // 0: no limit
};

// The numbers one Generate works with, read after the clamp and preset steps. The wormhole
// field is only read when the first attempt reaches its wormholes, so its text travels along.
struct GalaxyParams {
    std::int32_t planets = 30;
    std::int32_t join1 = 30;
    std::int32_t join2 = 40;
    std::int32_t join3 = 5;
    std::string wormhole_text = "1";
    GalaxyShape shape;         // the outline the planets are placed in
    bool clear_gates = false;  // no jumpgate through a third planet or across another
};

struct Galaxy {
    std::vector<Planet> planets;
    std::string background_path;
    bool operator==(const Galaxy&) const = default;
};

enum class GenerationResult { Complete, Cancelled };

// Whether a planet at (x, y) is too close to one at (qx, qy): within 55 map units on both axes.
constexpr bool positions_clash(int x, int y, int qx, int qy)
{
    return qx - kClearance <= x && x <= qx + kClearance && qy - kClearance <= y &&
           y <= qy + kClearance;
}

// Runs attempts until one gives a connected galaxy, which then replaces galaxy.planets;
// galaxy.background_path names the picture of the last attempt. Returns Cancelled (planets left
// empty) when progress->cancel is set between attempts. Throws Error when a list to draw from is
// empty (no picture, fewer templates than planets, more wormholes than planets) or the wormhole
// text is not a number; the planets are then left empty. params.planets must lie in 8..175.
//
// After `threading.pipeline_after` attempts without a connected galaxy, when two threads are
// allowed, the draws of later attempts are made on a second thread while this one tests the
// earlier ones; the result and every draw stay the same. The services are then called from the
// second thread, and an attempt placed ahead may be placed again when the threads hand back:
// what they give must follow from the random source alone. The second thread makes only the
// draws that must be made in order, the positions; those that follow from a known state (a
// planet's name, template and link count) are made by this one, so that the halves take about
// the same time.
//
// Two threads gain only while each has a core: on a machine busy with other work (the game, a
// browser, a second generator), or on a process held to one core, every hand-over would wait for
// a time slice. So the second thread starts only where the process may use two cores, a thread
// that waits sleeps after a short spin rather than holding its core, and the two run only while
// they are measured to be faster than one was just before: slower, they hand back at once, and
// try again later (ThreadChoice).
GenerationResult generate_galaxy(const GalaxyParams& params, GenerationServices& services,
                                 Random& random, Galaxy& galaxy,
                                 GenerationProgress* progress = nullptr,
                                 const Threading& threading = {});

}  // namespace orvek
