// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Generate 12": twelve galaxies of the window's settings side by side, from twelve seeds, made on
// all the cores and drawn off the user-interface thread; the player takes one or keeps what was
// there.

#include "core/galaxy_figures.h"
#include "core/generate_command.h"
#include "core/generator.h"
#include "core/settings.h"
#include "gamedata/game_folder.h"

#include <QDialog>
#include <QImage>
#include <QPixmap>

#include <memory>
#include <thread>
#include <vector>

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace orvek {

// The galaxy a Generate of `kind` on `fields` makes when the random source holds `seed`: the
// fields as it leaves them, its campaign name, the random source's state after it, its figures
// and its background. `error` holds what stopped it instead; `cancelled` that `progress` asked it
// to stop. Runs on any thread; its picture is drawn on the window's thread, as text is drawn
// safely only there on every platform.
struct Candidate {
    std::uint32_t seed = 0;
    GalaxySettings settings;
    Galaxy galaxy;
    std::string name;
    std::uint32_t state_after = 0;
    GalaxyFigures figures;
    QImage picture;
    QImage background;  // the nebula, for the large preview drawn when the candidate is pointed at
    std::string error;
    bool cancelled = false;
};
Candidate make_candidate(const GameFolder& folder, GenerateKind kind, const GalaxySettings& fields,
                         std::uint32_t seed, GenerationProgress& progress);

class CandidatesDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCount = 12, kSide = 220;

    // Starts making the candidates of seeds first_seed .. first_seed + 11 on the usable cores.
    // The dialog fits the screen it opens on: as many columns as its width takes, the rows in a
    // scroll area. "12 more" makes the twelve seeds after them in their place; Enter takes the
    // candidate that has the focus.
    CandidatesDialog(GameFolder folder, GenerateKind kind, GalaxySettings fields,
                     std::uint32_t first_seed, QWidget* parent);

    // The columns of candidates a screen `width` pixels wide takes: 4 at most, 1 at least.
    static int columns_for(int width);

    // The figures the candidates are sorted and filtered by, in the words the dialog shows
    // ("diameter", "dead ends", ...), and a candidate's value of figure `index` of them.
    static const std::vector<const char*>& figure_words();
    static double figure_value(const GalaxyFigures& figures, int index);
    // Stops what is still being made (between two attempts) and waits for it.
    ~CandidatesDialog() override;

    // The candidate the player chose, once the dialog was accepted.
    const Candidate* chosen() const
    {
        return chosen_ >= 0 ? &made_[std::size_t(chosen_)] : nullptr;
    }
    // How many candidates are made so far, and each as made (for tests).
    int ready() const { return ready_; }
    const Candidate& candidate(int i) const { return made_[static_cast<std::size_t>(i)]; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_grid(int columns);
    QWidget* build_choices();
    // Places the candidates in the grid in the chosen order, those the filter refuses hidden.
    void arrange();
    void start();
    void more();
    void show_candidate(int index);
    // The candidate drawn large, its names at their size, over the half of the dialog away from
    // its button; hidden again when the pointer or the focus leaves it.
    void show_preview(int index);
    void stop();

    GameFolder folder_;
    GenerateKind kind_;
    GalaxySettings fields_;
    std::uint32_t first_seed_ = 0;
    int batch_ = 0;  // which twelve: a candidate of an earlier twelve arriving late is dropped
    std::vector<Candidate> made_;
    std::vector<GenerationProgress> progress_;
    std::vector<std::jthread> workers_;
    std::vector<QToolButton*> buttons_;
    std::vector<QWidget*> cells_;
    QGridLayout* grid_ = nullptr;
    int columns_ = 4;
    QComboBox* sort_ = nullptr;
    QComboBox* filter_figure_ = nullptr;
    QComboBox* filter_comparison_ = nullptr;
    QSpinBox* filter_value_ = nullptr;
    std::vector<QLabel*> captions_;
    QPushButton* more_ = nullptr;
    QLabel* preview_ = nullptr;
    std::vector<QPixmap> previews_;  // each candidate's large picture, drawn once when first shown
    int chosen_ = -1, ready_ = 0;
};

}  // namespace orvek
