// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/candidates.h"

#include "core/error.h"
#include "core/random.h"
#include "core/thread_choice.h"
#include "gamedata/game_services.h"
#include "ui/map_render.h"

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include <atomic>

namespace orvek {

namespace {

// A candidate's Generate tells nobody its status: the dialog shows its map once it is made.
struct Quiet : StatusSink {
    void show_status(std::string_view) override {}
};

QString caption_of(const Candidate& c)
{
    if (c.cancelled)
        return "stopped";
    if (!c.error.empty())
        return QString::fromUtf8(c.error);
    return QString("Seed %1\n%2 planets, %3 jumpgates\nDiameter %4, %5 dead ends, %6 chokepoints")
        .arg(c.seed)
        .arg(c.galaxy.planets.size())
        .arg(c.figures.links)
        .arg(c.figures.diameter)
        .arg(c.figures.dead_ends)
        .arg(c.figures.chokepoints);
}

}  // namespace

Candidate make_candidate(const GameFolder& folder, GenerateKind kind, const GalaxySettings& fields,
                         std::uint32_t seed, int side, GenerationProgress& progress)
{
    Candidate c;
    c.seed = seed;
    c.settings = fields;
    GameFolderServices sources(folder);
    Quiet quiet;
    GenerationServices services{quiet, sources, sources, sources};
    Random random(seed);
    try {
        c.cancelled = run_generate_command(kind, c.settings, c.galaxy, c.name, services, random,
                                           &progress, Threading{1}) == GenerationResult::Cancelled;
        c.state_after = random.state();
        if (c.cancelled)
            return c;
        c.figures = galaxy_figures(c.galaxy.planets);
        c.picture = render_map(load_background(c.galaxy.background_path), c.galaxy.planets)
                        .scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } catch (const Error& e) {
        c.error = e.what();
    }
    return c;
}

CandidatesDialog::CandidatesDialog(GameFolder folder, GenerateKind kind, GalaxySettings fields,
                                   std::uint32_t first_seed, QWidget* parent)
    : QDialog(parent), made_(kCount), progress_(kCount)
{
    setObjectName("CandidatesDialog");
    setWindowTitle("Generate 12: click the galaxy to take (Escape keeps the one shown)");
    build_grid();
    // One candidate a thread, on the cores the process may use; each shows as soon as it is made.
    auto next = std::make_shared<std::atomic<int>>(0);
    const int threads = std::min(kCount, usable_cores());
    for (int t = 0; t < threads; ++t)
        workers_.emplace_back([this, next, folder, kind, fields, first_seed] {
            for (int i; (i = (*next)++) < kCount;) {
                const auto at = static_cast<std::size_t>(i);
                if (progress_[at].cancel.load())
                    return;
                Candidate made =
                    make_candidate(folder, kind, fields, first_seed + static_cast<std::uint32_t>(i),
                                   kSide, progress_[at]);
                QMetaObject::invokeMethod(
                    this,
                    [this, i, made = std::move(made)]() mutable {
                        made_[static_cast<std::size_t>(i)] = std::move(made);
                        show_candidate(i);
                    },
                    Qt::QueuedConnection);
            }
        });
    connect(this, &QDialog::finished, this, [this] { stop(); });
}

// Four a row: the map as a button that takes it, its seed and figures under it.
void CandidatesDialog::build_grid()
{
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < kCount; ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString("Candidate%1").arg(i));
        button->setIconSize(QSize(kSide, kSide));
        button->setFixedSize(kSide + 8, kSide + 8);
        button->setEnabled(false);
        connect(button, &QToolButton::clicked, this, [this, i] {
            chosen_ = i;
            accept();
        });
        auto* caption = new QLabel("making…", this);
        caption->setFixedWidth(kSide + 8);
        caption->setWordWrap(true);
        caption->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        caption->setFixedHeight(4 * caption->fontMetrics().height());
        auto* cell = new QVBoxLayout;
        cell->addWidget(button);
        cell->addWidget(caption);
        grid->addLayout(cell, i / 4, i % 4);
        buttons_.push_back(button);
        captions_.push_back(caption);
    }
}

CandidatesDialog::~CandidatesDialog()
{
    stop();
    workers_.clear();  // joins
}

void CandidatesDialog::stop()
{
    for (GenerationProgress& p : progress_)
        p.cancel = true;
}

void CandidatesDialog::show_candidate(int index)
{
    const Candidate& c = made_[static_cast<std::size_t>(index)];
    QToolButton* button = buttons_[static_cast<std::size_t>(index)];
    const bool usable = !c.cancelled && c.error.empty();
    if (usable)
        button->setIcon(QPixmap::fromImage(c.picture));
    button->setEnabled(usable);
    captions_[static_cast<std::size_t>(index)]->setText(caption_of(c));
    ++ready_;
}

}  // namespace orvek
