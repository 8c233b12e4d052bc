// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The galaxy the window shows, as a document: its planets and picture, where it came from (a
// Generate's command or an opened saved campaign), the undo stack of its edits, and the findings
// of the campaign a Save would write now. The window is its view and its controls: it changes
// the galaxy only through the operations here, and redraws on the signals.
//
// The document runs on the user-interface thread. A Generate or a Save works on its own copy
// off that thread and hands the result back through replace_with_generated or mark_saved.

#include "campaign/campaign_check.h"
#include "campaign/campaign_reader.h"
#include "campaign/save.h"
#include "campaign/unsaved_work.h"
#include "core/galaxy_edit.h"
#include "core/generate_command.h"
#include "core/generator.h"
#include "core/random.h"
#include "core/settings.h"
#include "gamedata/game_folder.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QUndoStack;

namespace orvek {

class GalaxyDocument : public QObject {
    Q_OBJECT
public:
    // The Generate command a galaxy came from: its kind, the fields as the player had them, and
    // the random source's state when it began. The same command makes the same galaxy.
    struct Command {
        GenerateKind kind = GenerateKind::WithPresets;
        GalaxySettings fields;
        std::uint32_t seed = 0;
    };

    // A document of the game folder `folder`, holding no galaxy yet.
    explicit GalaxyDocument(GameFolder folder, QObject* parent = nullptr);

    const GameFolder& folder() const { return folder_; }
    const Galaxy& galaxy() const { return galaxy_; }
    const std::vector<Planet>& planets() const { return galaxy_.planets; }
    // The Generate command of the galaxy shown, or nothing (no galaxy yet, or an opened one).
    const std::optional<Command>& command() const { return command_; }
    // The saved campaign shown, or null when the galaxy was generated.
    const LoadedCampaign* opened() const { return opened_ ? &*opened_ : nullptr; }
    // The findings of the opened campaign as a Save would now write it; empty for a generated
    // galaxy.
    const std::vector<Finding>& findings() const { return findings_; }
    QUndoStack* undo_stack() const { return undo_stack_; }
    // Whether the galaxy has edits that no Save has written since Generate, Open or a Save.
    bool has_unsaved_edits() const;
    // How many: the edits on the undo stack since the galaxy was clean, and those of restored
    // work.
    int unsaved_edit_count() const;
    // The digest of the opened campaign's files as the player last saw them (at the Open, or
    // as the last Save wrote them): a save back over other files asks first.
    const std::string& seen_on_disk() const { return seen_on_disk_; }
    void set_seen_on_disk(std::string digest) { seen_on_disk_ = std::move(digest); }

    // A Generate's galaxy, made by `command` and named `campaign_name` (UTF-8), replaces the one
    // shown: nothing to undo, nothing unsaved, no campaign opened. Emits replaced().
    void replace_with_generated(Galaxy galaxy, const Command& command,
                                std::string campaign_name = {});

    // Reads the saved campaign `id` of the game folder and checks it; it then replaces the
    // galaxy shown (its picture the campaign's own) and emits replaced(). Throws Error when the
    // campaign cannot be read at all or no planet of it could be; the document is then as it
    // was.
    void open(const std::string& id);

    // Work a recovery copy kept replaces the galaxy shown, unsaved, with its source: under the
    // opened campaign `opened` (read again now, whose files are those the copy saw) when given,
    // else under its Generate command when it has one. Emits replaced().
    void restore_unsaved_work(const UnsavedWork& work, std::optional<LoadedCampaign> opened);

    // The picture a Save names from now on, as an edit on the undo stack (a new picture is as
    // unsaved as a moved planet); the same picture changes nothing. Emits background_changed().
    void set_background(std::string path);

    // Makes an edit from the planets as they are and pushes it on the undo stack, which applies
    // it and emits planets_changed(). Throws Error, changing nothing, when the edit is refused
    // (its sentence says why) or cannot be made.
    void edit(const std::function<EditPointer(const std::vector<Planet>&)>& make);

    // A Save has written `saved` (the galaxy it was given) as the campaign `id`; `written` holds,
    // planet by planet, the features its files now hold (empty when they could not be read
    // back). The document takes them and is clean; a save back of the opened campaign makes the
    // campaign as written the opened one (planet i its entry i). Emits planets_changed().
    void mark_saved(Galaxy saved, const std::vector<std::array<bool, kFeatureCount>>& written,
                    std::string id);
    // The campaign the last Save since Generate or Open wrote, or empty.
    const std::string& saved_id() const { return saved_id_; }

    // Drops the edits no Save has written: the galaxy goes back to what Generate, Open or the
    // last Save left, with nothing to undo, and that is what the history keeps of it. Emits
    // unsaved_changed(false), planets_changed() and background_changed() when there were any.
    void discard_unsaved_edits();

    // Recomputes the findings of the opened campaign as a Save with `request` would write it
    // now; nothing for a generated galaxy, and the findings stay as they were when a template
    // has gone since (the Save will say so). Emits findings_changed() when they were recomputed.
    void refresh_findings(const SaveRequest& request, Random& random);

    // The galaxies shown since the document was made, generated or opened, each as it was left
    // (its edits, its picture, its campaign name): the player goes back and forward through the
    // last kHistory of them. Going back or forward shows that galaxy, with nothing to undo and
    // its unsaved edits still unsaved, and emits replaced(); nothing happens where there is
    // none. Generate or Open after going back drops the galaxies ahead, as a browser does.
    static constexpr std::size_t kHistory = 64;
    bool can_go_back() const { return at_ > 0; }
    bool can_go_forward() const { return at_ + 1 < history_.size(); }
    void go_back();
    void go_forward();
    // The campaign name shown with the galaxy (the window's name field, UTF-8), kept with it.
    const std::string& campaign_name() const { return campaign_name_; }
    void set_campaign_name(std::string name) { campaign_name_ = std::move(name); }

signals:
    // A Generate or an Open put another galaxy in place: selections and marks are void.
    void replaced();
    // The planets changed (an edit, its undo or redo, or a Save's features).
    void planets_changed();
    void background_changed();
    void findings_changed();
    // The galaxy has, or no longer has, edits that no Save has written.
    void unsaved_changed(bool unsaved);

private:
    // A galaxy as it was left: what going back to it shows again.
    struct Snapshot {
        Galaxy galaxy, clean;
        std::optional<Command> command;
        std::optional<LoadedCampaign> opened;
        std::string saved_id, campaign_name, seen_on_disk;
        std::vector<Finding> findings;
        bool unsaved = false;
    };
    void forget_edits();
    void adopt_written_back();
    // Keeps the galaxy shown in its place in the history and makes room for a new one after it.
    void start_history_entry();
    void restore(std::size_t at);

    GameFolder folder_;
    Galaxy galaxy_;  // its background_path is the picture shown and saved
    Galaxy clean_;   // the galaxy as Generate, Open or the last Save left it
    std::optional<Command> command_;
    std::optional<LoadedCampaign> opened_;
    std::string saved_id_;
    std::vector<Finding> findings_;
    QUndoStack* undo_stack_ = nullptr;
    std::vector<Snapshot> history_;  // history_[at_] is stale while its galaxy is shown
    std::size_t at_ = 0;
    std::string campaign_name_;
    bool restored_unsaved_ = false;  // gone back to a galaxy whose edits no Save wrote
    int restored_edits_ = 0;         // the edits of work restored from a recovery copy
    std::string seen_on_disk_;
};

}  // namespace orvek
