// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_output.h"

#include "archive/archive_manifest.h"

#include "campaign/map_file.h"
#include "core/cp1252.h"
#include "core/galaxy_edit.h"
#include "core/error.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"
#include "gamedata/text_file.h"
#include "ui/map_render.h"

#include <QBuffer>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>

namespace orvek {


nlohmann::ordered_json galaxy_json(const Galaxy& galaxy, const std::string& name,
                                   const GalaxySettings* s, std::uint64_t attempts,
                                   std::optional<std::uint32_t> seed, bool stats)
{
    nlohmann::ordered_json planets = nlohmann::ordered_json::array();
    for (const Planet& p : galaxy.planets) {
        nlohmann::ordered_json features = nlohmann::ordered_json::array();
        for (int f = 0; f < kFeatureCount; ++f)
            if (p.features[static_cast<std::size_t>(f)])
                features.push_back(std::string(kFeatureKeywords[static_cast<std::size_t>(f)]));
        planets.push_back({{"x", p.x},
                           {"y", p.y},
                           {"name", cp1252_to_utf8(p.system_name)},
                           {"template", cp1252_to_utf8(p.template_file)},
                           {"links", p.links},
                           {"farthest", p.farthest},
                           {"home", p.home},
                           {"features", features}});
    }
    nlohmann::ordered_json json = {
        {"campaign_name", cp1252_to_utf8(name)},
        {"campaign_id", campaign_id(name)},
        {"seed", seed ? nlohmann::ordered_json(*seed) : nlohmann::ordered_json(nullptr)},
        {"shape",
         s ? nlohmann::ordered_json(shape_text(s->shape)) : nlohmann::ordered_json(nullptr)},
        {"clear_gates",
         s ? nlohmann::ordered_json(s->clear_gates) : nlohmann::ordered_json(nullptr)},
        {"background", cp1252_to_utf8(file_name_of(galaxy.background_path))}};
    if (s) {
        json["attempts"] = attempts;
        json["settings"] = {{"planets", parse_int(s->planet_count)},
                            {"wormholes", parse_int(s->wormhole_count)},
                            {"join1", parse_int(s->join1_pct)},
                            {"join2", parse_int(s->join2_pct)},
                            {"join3", parse_int(s->join3_pct)}};
    }
    json["home"] = home_planet(galaxy.planets);
    if (stats)
        json["stats"] = figures_json(galaxy_figures(galaxy.planets));
    json["planets"] = planets;
    return json;
}

namespace {

// The picture as PNG bytes. The encoding, seconds for a large contact sheet, runs on a thread of
// its own, so that a signal ends the wait at once: ExitError 130, nothing written. That thread is
// then left running, holding what it works on itself, until the process ends, which main does at
// once without waiting for it.
std::string encode_png(QImage image, const std::string& path, const std::atomic<bool>& stop)
{
    struct Job {
        QImage image;
        QByteArray bytes;
        bool encoded = false;
        std::atomic<bool> done{false};
    };
    const auto job = std::make_shared<Job>();
    job->image = std::move(image);
    std::thread encoder([job] {
        QBuffer buffer(&job->bytes);
        buffer.open(QIODevice::WriteOnly);
        job->encoded = job->image.save(&buffer, "PNG");
        job->done.store(true);
    });
    while (!job->done.load()) {
        if (stop.load()) {
            encoder.detach();
            throw ExitError{130, "interrupted while drawing \"" + path + "\": it was not written"};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    encoder.join();
    if (!job->encoded)
        throw file_error("Cannot create file", path, "The picture cannot be encoded");
    return job->bytes.toStdString();
}

// The map as PNG bytes, drawn as the window draws it.
std::string png_bytes(const Galaxy& galaxy, const std::string& path, const FeatureFilter& features,
                      const std::atomic<bool>& stop)
{
    return encode_png(render_map(load_background(galaxy.background_path), galaxy.planets, features),
                      path, stop);
}

}  // namespace

void print(const std::string& text)
{
    std::cout << text << std::flush;
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout))
        throw ExitError{1, "Cannot write to standard output"};
}

void write_text(const QString& path, const std::string& text, const std::atomic<bool>& stop)
{
    if (path == "-")
        return print(text);
    // A pipe that nobody reads is waited for, as long as no signal says to stop.
    try {
        write_output_file(path.toStdString(), text, &stop);
    } catch (const WaitCancelled&) {
        throw ExitError{130, "interrupted while waiting for something to read \"" +
                                 path.toStdString() + "\""};
    }
}

void write_outputs(const Options& o, const Galaxy& galaxy, const std::string& name,
                   std::uint64_t attempts, bool generated, const std::atomic<bool>& stop)
{
    if (!o.png.isEmpty())
        write_text(o.png, png_bytes(galaxy, o.png.toStdString(), o.features, stop), stop);
    if (o.json.isEmpty())
        return;
    const std::string text = galaxy_json(galaxy, name, generated ? &o.settings : nullptr, attempts,
                                         generated ? std::optional(o.seed) : std::nullopt, o.stats)
                                 .dump(2) +
                             "\n";
    write_text(o.json, text, stop);
}

std::string contact_sheet_png(const std::vector<SheetEntry>& entries, const std::string& path,
                              const std::atomic<bool>& stop)
{
    constexpr int kSide = 300, kCaption = 40, kColumns = 4;
    const int columns = std::min<int>(kColumns, static_cast<int>(entries.size()));
    const int rows = (static_cast<int>(entries.size()) + kColumns - 1) / kColumns;
    QImage sheet(columns * kSide, rows * (kSide + kCaption), QImage::Format_RGB32);
    sheet.fill(Qt::black);
    QPainter painter(&sheet);
    painter.setPen(Qt::white);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const SheetEntry& e = entries[i];
        // A thousand small maps take a minute to draw: a signal ends it between two of them.
        if (stop.load())
            throw ExitError{130, "interrupted while drawing \"" + path + "\": it was not written"};
        const QPoint at(static_cast<int>(i % kColumns) * kSide,
                        static_cast<int>(i / kColumns) * (kSide + kCaption));
        const QImage map =
            render_map(load_background(e.galaxy->background_path), e.galaxy->planets);
        painter.drawImage(
            at, map.scaled(kSide, kSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        const GalaxyFigures& f = e.figures;
        painter.drawText(QRect(at + QPoint(6, kSide), QSize(kSide - 12, kCaption)),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QString("seed %1: %2 planets, %3 jumpgates\n"
                                 "diameter %4, dead ends %5, chokepoints %6")
                             .arg(e.seed)
                             .arg(e.galaxy->planets.size())
                             .arg(f.links)
                             .arg(f.diameter)
                             .arg(f.dead_ends)
                             .arg(f.chokepoints));
    }
    painter.end();
    return encode_png(std::move(sheet), path, stop);
}

std::string summary_of(const Options& o, const Galaxy& galaxy, const std::string& name,
                       std::uint64_t attempts)
{
    return "seed " + std::to_string(o.seed) + ": \"" + cp1252_to_utf8(name) + "\" (" +
           campaign_id(name) + "), " + std::to_string(galaxy.planets.size()) + " planets, " +
           std::to_string(attempts) + " attempts" + (o.save ? ", saved" : "") + "\n" +
           (o.stats ? figures_in_words(galaxy_figures(galaxy.planets)) : "");
}

void after_save(std::size_t saved, const std::function<void()>& outputs)
{
    const std::string said = saved == 1
                                 ? " The campaign was saved."
                                 : " The " + std::to_string(saved) + " campaigns were saved.";
    try {
        outputs();
    } catch (const ExitError& e) {
        if (saved == 0)
            throw;
        throw ExitError{e.status, with_full_stop(e.message) + said};
    } catch (const Error& e) {
        if (saved == 0)
            throw;
        throw ExitError{1, with_full_stop(e.what()) + said};
    }
}

std::string shown_escaped(const std::string& text)
{
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", byte);
        shown += code;
    }
    return shown;
}

}  // namespace orvek
