// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_recover.h"

#include "campaign/campaign_reader.h"
#include "campaign/recovery_copies.h"
#include "core/cp1252.h"
#include "core/error.h"
#include "cli_output.h"
#include "gamedata/game_folder.h"
#include "ui/window_texts.h"

#include <QDateTime>

#include <iostream>

namespace orvek {

namespace {

std::string source_words(const WorkSource& source)
{
    switch (source.kind) {
    case WorkSource::Kind::Generated: return "generated, seed " + std::to_string(source.seed);
    case WorkSource::Kind::Opened: return "opened campaign " + source.campaign_id;
    case WorkSource::Kind::None: break;
    }
    return "a new campaign";
}

std::string line_of(std::size_t number, const FoundCopy& copy)
{
    std::string line = std::to_string(number) + "  ";
    if (!copy.work)
        return line + shown_escaped(copy.file + ": " + copy.problem) + "\n";
    const UnsavedWork& w = *copy.work;
    line += QDateTime::fromSecsSinceEpoch(w.time).toString("yyyy-MM-dd hh:mm").toStdString();
    line += "  \"" + shown_escaped(w.campaign_name) + "\"  " +
            std::to_string(w.galaxy.planets.size()) + " planets, " + std::to_string(w.edits) +
            (w.edits == 1 ? " edit, " : " edits, ") + shown_escaped(source_words(w.source)) +
            "  " + shown_escaped(w.game_folder) + "\n";
    return line;
}

}  // namespace

int recover_copies(Options& o, const QStringList& arguments, bool game_dir_given,
                   const RecoverSave& save)
{
    const std::string folder = recovery_folder();
    const std::vector<FoundCopy> copies = abandoned_copies(folder);
    if (arguments.isEmpty()) {
        if (copies.empty())
            print("No unsaved work is kept (" + shown_escaped(folder) + ").\n");
        for (std::size_t i = 0; i < copies.size(); ++i)
            print(line_of(i + 1, copies[i]));
        return 0;
    }
    bool number = false;
    const qulonglong n = arguments.first().toULongLong(&number);
    if (arguments.size() > 1 || !number || n == 0 || n > copies.size())
        throw ExitError{2, "--recover takes the number of a copy it lists (1 to " +
                               std::to_string(copies.size()) + ")"};
    const FoundCopy& copy = copies[n - 1];
    if (!copy.work)
        throw ExitError{2, "copy " + std::to_string(n) + " cannot be read: " + copy.problem};
    if (!o.save) {
        print(line_of(n, copy));
        return 0;
    }
    UnsavedWork work = *copy.work;
    const GameFolder game(game_dir_given ? o.game_dir : work.game_folder);
    if (!game.has_game_executable())
        throw ExitError{1, kNotInGameFolder};
    place_in(work, game);
    // Back into the campaign it was opened from only while that is as the copy saw it.
    std::optional<LoadedCampaign> opened;
    if (work.source.kind == WorkSource::Kind::Opened) {
        try {
            opened = load_campaign(game, work.source.campaign_id);
            if (campaign_fingerprint(*opened) != work.source.fingerprint)
                opened.reset();
        } catch (const Error&) {
            opened.reset();
        }
        if (!opened) {
            std::cerr << "note: the campaign changed on disk since; the work is saved as a new "
                         "campaign\n";
            for (Planet& p : work.galaxy.planets)
                p.source = -1;
        }
    }
    const std::string name = o.rename ? o.name : utf8_to_cp1252(work.campaign_name);
    if (!save(o, game, work.galaxy, name, opened ? &*opened : nullptr))
        return 1;
    delete_copy(folder, copy.file);
    print("saved copy " + std::to_string(n) + " as \"" + shown_escaped(cp1252_to_utf8(name)) +
          "\" in " + shown_escaped(game.game_dir()) + "\n");
    return 0;
}

}  // namespace orvek
