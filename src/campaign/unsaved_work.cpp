// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/unsaved_work.h"

#include "core/error.h"
#include "core/file_name.h"
#include "gamedata/game_folder.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace orvek {

namespace {

using Json = nlohmann::json;

// 8-bit strings (names, file names, paths) are kept byte for byte: each byte as the character of
// its own number, which JSON can hold whatever the bytes are.
std::string bytes_as_text(std::string_view bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

Error damaged(const std::string& why)
{
    return Error("The recovery copy is damaged: " + why + ".");
}

std::string text_as_bytes(const std::string& text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            throw damaged("a text holds a control character");
        } else if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
            bytes += static_cast<char>(((c & 0x03) << 6) | (text[++i] & 0x3F));
        } else {
            throw damaged("a text holds a character no byte stands for");
        }
    }
    return bytes;
}

std::string flags_text(const std::array<bool, kFeatureCount>& flags)
{
    std::string text;
    for (const bool on : flags)
        text += on ? '1' : '0';
    return text;
}

std::array<bool, kFeatureCount> text_flags(const std::string& text)
{
    if (text.size() != kFeatureCount || text.find_first_not_of("01") != std::string::npos)
        throw damaged("a planet's features are not " + std::to_string(kFeatureCount) + " flags");
    std::array<bool, kFeatureCount> flags{};
    for (std::size_t f = 0; f < flags.size(); ++f)
        flags[f] = text[f] == '1';
    return flags;
}

Json source_json(const WorkSource& s)
{
    switch (s.kind) {
    case WorkSource::Kind::Generated:
        return {{"kind", "generated"},
                {"generate", s.generate == GenerateKind::Custom ? "custom" : "presets"},
                {"seed", s.seed},
                {"planets", bytes_as_text(s.fields.planet_count)},
                {"wormholes", bytes_as_text(s.fields.wormhole_count)},
                {"join1", bytes_as_text(s.fields.join1_pct)},
                {"join2", bytes_as_text(s.fields.join2_pct)},
                {"join3", bytes_as_text(s.fields.join3_pct)},
                {"size", s.fields.size_class},
                {"gates", s.fields.gate_style},
                {"shape", shape_text(s.fields.shape)},
                {"clear_gates", s.fields.clear_gates}};
    case WorkSource::Kind::Opened:
        return {{"kind", "opened"},
                {"id", bytes_as_text(s.campaign_id)},
                {"fingerprint", s.fingerprint}};
    case WorkSource::Kind::None: break;
    }
    return {{"kind", "none"}};
}

// The values read, each checked for its type and range: nlohmann's own exceptions name no
// field, and a copy from a damaged disk must fail with a sentence.
const Json& field(const Json& object, const char* key)
{
    if (!object.is_object() || !object.contains(key))
        throw damaged(std::string("\"") + key + "\" is missing");
    return object[key];
}

std::int64_t number(const Json& object, const char* key, std::int64_t low, std::int64_t high)
{
    const Json& value = field(object, key);
    if (!value.is_number_integer() || value.get<std::int64_t>() < low ||
        value.get<std::int64_t>() > high)
        throw damaged(std::string("\"") + key + "\" is no number from " + std::to_string(low) +
                      " to " + std::to_string(high));
    return value.get<std::int64_t>();
}

std::string text(const Json& object, const char* key, std::size_t longest = 4096)
{
    const Json& value = field(object, key);
    if (!value.is_string() || value.get_ref<const std::string&>().size() > longest * 2)
        throw damaged(std::string("\"") + key + "\" is no text of at most " +
                      std::to_string(longest) + " characters");
    return text_as_bytes(value.get<std::string>());
}

bool flag(const Json& object, const char* key)
{
    const Json& value = field(object, key);
    if (!value.is_boolean())
        throw damaged(std::string("\"") + key + "\" is neither true nor false");
    return value.get<bool>();
}

WorkSource read_source(const Json& json)
{
    WorkSource s;
    const std::string kind = text(json, "kind", 16);
    if (kind == "generated") {
        s.kind = WorkSource::Kind::Generated;
        s.generate = text(json, "generate", 16) == "custom" ? GenerateKind::Custom
                                                            : GenerateKind::WithPresets;
        s.seed = static_cast<std::uint32_t>(number(json, "seed", 0, 0xFFFFFFFF));
        s.fields.planet_count = text(json, "planets", 16);
        s.fields.wormhole_count = text(json, "wormholes", 16);
        s.fields.join1_pct = text(json, "join1", 16);
        s.fields.join2_pct = text(json, "join2", 16);
        s.fields.join3_pct = text(json, "join3", 16);
        s.fields.size_class = static_cast<int>(
            number(json, "size", -1, static_cast<std::int64_t>(kSizeNames.size()) - 1));
        s.fields.gate_style = static_cast<int>(
            number(json, "gates", -1, static_cast<std::int64_t>(kGateNames.size()) - 1));
        // Copies written before shapes existed hold neither: their galaxies are classic.
        if (json.contains("shape")) {
            const std::optional<GalaxyShape> shape = parse_shape(text(json, "shape", 16));
            if (!shape)
                throw damaged("its \"shape\" is none this program makes");
            s.fields.shape = *shape;
        }
        s.fields.clear_gates = json.contains("clear_gates") && flag(json, "clear_gates");
    } else if (kind == "opened") {
        s.kind = WorkSource::Kind::Opened;
        s.campaign_id = text(json, "id", 255);
        s.fingerprint = text(json, "fingerprint", 64);
    } else if (kind != "none") {
        throw damaged("its source is \"" + kind + "\"");
    }
    return s;
}

// A file name with no folder in it: what a copy may name a template or a picture by. Empty only
// where `empty_too` (a planet whose file was not read has no template, a campaign without a
// picture none).
bool plain_name(const std::string& name, bool empty_too)
{
    return (empty_too && name.empty()) ||
           (!name.empty() && name != "." && name != ".." && file_name_of(name) == name);
}

// A galaxy holds at most this many planets, each at most this many links: room for any galaxy
// an opened campaign can hold, which is never more than the map file's 176 entries.
constexpr std::int64_t kMostCopiedPlanets = 176, kMostCopiedLinks = 176;

Planet read_planet(const Json& json, std::int64_t planets)
{
    Planet p;
    p.x = static_cast<std::int32_t>(number(json, "x", 0, 999));
    p.y = static_cast<std::int32_t>(number(json, "y", 0, 999));
    p.system_name = text(json, "name", 255);
    p.template_file = text(json, "template", 255);
    if (!plain_name(p.template_file, true))
        throw damaged("a planet's template is no plain file name");
    const Json& links = field(json, "links");
    if (!links.is_array() || static_cast<std::int64_t>(links.size()) > kMostCopiedLinks)
        throw damaged("a planet's links are no list of at most " +
                      std::to_string(kMostCopiedLinks));
    for (const Json& link : links) {
        if (!link.is_number_integer() || link.get<std::int64_t>() < -1000000 ||
            link.get<std::int64_t>() > 1000000)
            throw damaged("a planet's link is no planet number");
        p.links.push_back(static_cast<std::int32_t>(link.get<std::int64_t>()));
    }
    p.farthest = static_cast<std::int32_t>(number(json, "farthest", 0, planets - 1));
    p.home = flag(json, "home");
    p.features = text_flags(text(json, "features", kFeatureCount));
    p.features_set = text_flags(text(json, "set", kFeatureCount));
    p.source = static_cast<std::int32_t>(number(json, "source", -1, kMostCopiedPlanets - 1));
    p.unread = flag(json, "unread");
    return p;
}

// Refuses nesting deeper than the format's own (a copy nested a million deep would otherwise
// cost a million frames to take apart).
bool shallow(int depth, Json::parse_event_t, Json&)
{
    if (depth > 4)
        throw damaged("it is nested deeper than any copy");
    return true;
}

}  // namespace

std::string unsaved_work_text(const UnsavedWork& work)
{
    Json planets = Json::array();
    for (const Planet& p : work.galaxy.planets)
        planets.push_back({{"x", p.x},
                           {"y", p.y},
                           {"name", bytes_as_text(p.system_name)},
                           {"template", bytes_as_text(p.template_file)},
                           {"links", p.links},
                           {"farthest", p.farthest},
                           {"home", p.home},
                           {"features", flags_text(p.features)},
                           {"set", flags_text(p.features_set)},
                           {"source", p.source},
                           {"unread", p.unread}});
    const Json json = {{"format", kUnsavedWorkFormat},
                       {"program", "orvek-galaxy-generator"},
                       {"game_folder", bytes_as_text(work.game_folder)},
                       {"time", work.time},
                       {"edits", work.edits},
                       {"campaign_name", bytes_as_text(work.campaign_name)},
                       {"source", source_json(work.source)},
                       {"background", bytes_as_text(work.galaxy.background_path)},
                       {"planets", planets}};
    return json.dump(1) + "\n";
}

void place_in(UnsavedWork& work, const GameFolder& folder)
{
    work.galaxy.background_path =
        folder.backgrounds_folder() + file_name_of(work.galaxy.background_path);
}

UnsavedWork read_unsaved_work(std::string_view bytes)
{
    if (bytes.size() > kUnsavedWorkLimit)
        throw damaged("it holds more than " + std::to_string(kUnsavedWorkLimit) + " bytes");
    Json json;
    try {
        json = Json::parse(bytes.begin(), bytes.end(), shallow);
    } catch (const Json::exception&) {
        throw damaged(bytes.empty() ? "it is empty" : "it is cut short or is no copy at all");
    }
    if (number(json, "format", 1, 1000000) > kUnsavedWorkFormat)
        throw Error("The recovery copy was written by a newer version of this program.");
    UnsavedWork work;
    work.game_folder = text(json, "game_folder");
    work.time = number(json, "time", 0, std::int64_t{1} << 40);
    work.edits = static_cast<int>(number(json, "edits", 0, 1000000000));
    work.campaign_name = text(json, "campaign_name", 1024);
    work.source = read_source(field(json, "source"));
    work.galaxy.background_path = text(json, "background");
    // An opened campaign without a picture has none: its path ends in the pictures' folder.
    if (!plain_name(file_name_of(work.galaxy.background_path), true))
        throw damaged("its picture is no file");
    const Json& planets = field(json, "planets");
    if (!planets.is_array() || static_cast<std::int64_t>(planets.size()) > kMostCopiedPlanets)
        throw damaged("its planets are no list of at most " + std::to_string(kMostCopiedPlanets));
    for (const Json& planet : planets)
        work.galaxy.planets.push_back(read_planet(
            planet, std::max<std::int64_t>(1, static_cast<std::int64_t>(planets.size()))));
    return work;
}

}  // namespace orvek
