// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/candidates.h"

#include "core/error.h"
#include "core/random.h"
#include "core/thread_choice.h"
#include "gamedata/game_services.h"
#include "ui/map_render.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
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
                         std::uint32_t seed, GenerationProgress& progress)
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
        c.background = load_background(c.galaxy.background_path);
    } catch (const Error& e) {
        c.error = e.what();
    }
    return c;
}

int CandidatesDialog::columns_for(int width)
{
    // A cell, its spacing, and room for the scroll bar and the dialog's margins.
    return std::clamp((width - 60) / (kSide + 20), 1, 4);
}

CandidatesDialog::CandidatesDialog(GameFolder folder, GenerateKind kind, GalaxySettings fields,
                                   std::uint32_t first_seed, QWidget* parent)
    : QDialog(parent), folder_(std::move(folder)), kind_(kind), fields_(std::move(fields)),
      first_seed_(first_seed), made_(kCount), progress_(kCount), previews_(kCount)
{
    setObjectName("CandidatesDialog");
    setWindowTitle("Generate 12: click the galaxy to take (Escape keeps the one shown)");
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen->availableGeometry();
    build_grid(columns_for(available.width()));
    // As large as the candidates, but never larger than the screen: what does not fit scrolls.
    setMaximumSize(available.size() - QSize(16, 40));
    const QSize content = findChild<QScrollArea*>()->widget()->sizeHint();
    resize(QSize(content.width() + 48, content.height() + more_->sizeHint().height() + 48)
               .boundedTo(maximumSize()));
    start();
    connect(this, &QDialog::finished, this, [this] { stop(); });
}

// One candidate a thread, on the cores the process may use; each shows as soon as it is made.
void CandidatesDialog::start()
{
    auto next = std::make_shared<std::atomic<int>>(0);
    const int threads = std::min(kCount, usable_cores());
    for (int t = 0; t < threads; ++t)
        workers_.emplace_back([this, next, folder = folder_, kind = kind_, fields = fields_,
                               first_seed = first_seed_, batch = batch_] {
            for (int i; (i = (*next)++) < kCount;) {
                const auto at = static_cast<std::size_t>(i);
                if (progress_[at].cancel.load())
                    return;
                Candidate made =
                    make_candidate(folder, kind, fields, first_seed + static_cast<std::uint32_t>(i),
                                   progress_[at]);
                QMetaObject::invokeMethod(
                    this,
                    [this, i, batch, made = std::move(made)]() mutable {
                        if (batch != batch_)
                            return;
                        made_[static_cast<std::size_t>(i)] = std::move(made);
                        show_candidate(i);
                    },
                    Qt::QueuedConnection);
            }
        });
}

// The twelve seeds after those shown, in their place; what is still being made stops first.
void CandidatesDialog::more()
{
    stop();
    workers_.clear();  // joins: each stops between two attempts
    preview_->hide();
    ++batch_;
    first_seed_ += kCount;
    ready_ = 0;
    for (std::size_t i = 0; i < kCount; ++i) {
        made_[i] = Candidate{};
        previews_[i] = QPixmap();
        progress_[i].cancel = false;
        progress_[i].attempts = 0;
        buttons_[i]->setIcon(QIcon());
        buttons_[i]->setEnabled(false);
        captions_[i]->setText("making\u2026");
    }
    arrange();
    start();
}

const std::vector<const char*>& CandidatesDialog::figure_words()
{
    static const std::vector<const char*> words = {
        "diameter",  "dead ends",          "chokepoints",           "bridges",
        "jumpgates", "farthest from home", "gates through planets", "crossings"};
    return words;
}

double CandidatesDialog::figure_value(const GalaxyFigures& f, int index)
{
    switch (index) {
    case 0: return f.diameter;
    case 1: return f.dead_ends;
    case 2: return f.chokepoints;
    case 3: return f.bridges;
    case 4: return f.links;
    case 5: return f.hops_from_home_max;
    case 6: return f.through_planets;
    default: return f.crossings;
    }
}

// "Sort by" and "Show only" over the grid: the candidates by a figure, most first, and only
// those whose figure is at least, at most or exactly a number.
QWidget* CandidatesDialog::build_choices()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    sort_ = new QComboBox(row);
    sort_->setObjectName("CandidateSort");
    sort_->addItem("seed");
    filter_figure_ = new QComboBox(row);
    filter_figure_->setObjectName("CandidateFilterFigure");
    filter_figure_->addItem("any galaxy");
    for (const char* word : figure_words()) {
        sort_->addItem(QString(word) + ", most first");
        filter_figure_->addItem(word);
    }
    filter_comparison_ = new QComboBox(row);
    filter_comparison_->setObjectName("CandidateFilterComparison");
    filter_comparison_->addItems({"at least", "at most", "exactly"});
    filter_value_ = new QSpinBox(row);
    filter_value_->setObjectName("CandidateFilterValue");
    filter_value_->setRange(0, 999);
    layout->addWidget(new QLabel("Sort by", row));
    layout->addWidget(sort_);
    layout->addSpacing(12);
    layout->addWidget(new QLabel("Show only", row));
    layout->addWidget(filter_figure_);
    layout->addWidget(filter_comparison_);
    layout->addWidget(filter_value_);
    layout->addStretch();
    for (QComboBox* box : {sort_, filter_figure_, filter_comparison_})
        connect(box, &QComboBox::currentIndexChanged, this, &CandidatesDialog::arrange);
    connect(filter_value_, &QSpinBox::valueChanged, this, &CandidatesDialog::arrange);
    return row;
}

void CandidatesDialog::arrange()
{
    const auto made = [&](std::size_t i) {
        return made_[i].error.empty() && !made_[i].cancelled && !made_[i].galaxy.planets.empty();
    };
    std::vector<std::size_t> order(kCount);
    for (std::size_t i = 0; i < kCount; ++i)
        order[i] = i;
    // A figure sorts the made candidates, most first; those still being made come after them.
    if (const int by = sort_->currentIndex() - 1; by >= 0)
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (made(a) != made(b))
                return made(a);
            return made(a) && figure_value(made_[a].figures, by) >
                                  figure_value(made_[b].figures, by);
        });
    const int figure = filter_figure_->currentIndex() - 1;
    const double limit = filter_value_->value();
    const auto passes = [&](std::size_t i) {
        if (figure < 0 || !made(i))
            return true;
        const double v = figure_value(made_[i].figures, figure);
        const int comparison = filter_comparison_->currentIndex();
        return comparison == 0 ? v >= limit : comparison == 1 ? v <= limit : v == limit;
    };
    filter_comparison_->setEnabled(figure >= 0);
    filter_value_->setEnabled(figure >= 0);
    int at = 0;
    for (const std::size_t i : order) {
        grid_->removeWidget(cells_[i]);
        const bool shown = passes(i);
        cells_[i]->setVisible(shown);
        if (shown) {
            grid_->addWidget(cells_[i], at / columns_, at % columns_);
            ++at;
        }
    }
}

void CandidatesDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred over the window, it may hang over the screen's edge: it is moved inside.
    const QRect available = screen()->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveLeft(std::clamp(frame.left(), available.left(),
                              std::max(available.left(), available.right() - frame.width())));
    frame.moveTop(std::clamp(frame.top(), available.top(),
                             std::max(available.top(), available.bottom() - frame.height())));
    move(frame.topLeft());
}

bool CandidatesDialog::eventFilter(QObject* watched, QEvent* event)
{
    const auto at = std::find(buttons_.begin(), buttons_.end(), watched);
    if (preview_ && at != buttons_.end()) {
        const QEvent::Type type = event->type();
        if (type == QEvent::Enter || type == QEvent::FocusIn)
            show_preview(static_cast<int>(at - buttons_.begin()));
        else if (type == QEvent::Leave || type == QEvent::FocusOut)
            preview_->hide();
    }
    return QDialog::eventFilter(watched, event);
}

void CandidatesDialog::show_preview(int index)
{
    const Candidate& c = made_[static_cast<std::size_t>(index)];
    if (c.galaxy.planets.empty())
        return;
    const int side = std::max(200, std::min({height() - 20, width() / 2 - 20, kMapPixels}));
    QPixmap& shown = previews_[static_cast<std::size_t>(index)];
    if (shown.width() != side) {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        paint_map(painter, c.background, &c.galaxy.planets, side);
        painter.end();
        shown = QPixmap::fromImage(image);
    }
    preview_->setPixmap(shown);
    preview_->resize(side + 4, side + 4);
    const QWidget* button = buttons_[static_cast<std::size_t>(index)];
    const bool on_left = button->mapTo(this, button->rect().center()).x() < width() / 2;
    preview_->move(on_left ? width() - side - 14 : 10, (height() - side) / 2);
    preview_->raise();
    preview_->show();
}

void CandidatesDialog::keyPressEvent(QKeyEvent* event)
{
    // Enter takes the candidate that has the focus, as a click would.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        for (QToolButton* button : buttons_)
            if (button->hasFocus() && button->isEnabled())
                return button->click();
    QDialog::keyPressEvent(event);
}

// `columns` a row, in a scroll area: the map as a button that takes it, its seed and figures
// under it; "12 more" below.
void CandidatesDialog::build_grid(int columns)
{
    columns_ = columns;
    auto* inside = new QWidget;
    grid_ = new QGridLayout(inside);
    for (int i = 0; i < kCount; ++i) {
        auto* cell_widget = new QWidget(inside);
        auto* button = new QToolButton(cell_widget);
        button->setObjectName(QString("Candidate%1").arg(i));
        button->setIconSize(QSize(kSide, kSide));
        button->setFixedSize(kSide + 8, kSide + 8);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setEnabled(false);
        button->installEventFilter(this);
        connect(button, &QToolButton::clicked, this, [this, i] {
            chosen_ = i;
            accept();
        });
        auto* caption = new QLabel("making\u2026", cell_widget);
        caption->setFixedWidth(kSide + 8);
        caption->setWordWrap(true);
        caption->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        caption->setFixedHeight(4 * caption->fontMetrics().height());
        auto* cell = new QVBoxLayout(cell_widget);
        cell->setContentsMargins(0, 0, 0, 0);
        cell->addWidget(button);
        cell->addWidget(caption);
        grid_->addWidget(cell_widget, i / columns, i % columns);
        cells_.push_back(cell_widget);
        buttons_.push_back(button);
        captions_.push_back(caption);
    }
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("CandidatesScroll");
    scroll->setWidget(inside);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(inside->sizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width() + 4);
    more_ = new QPushButton("12 more", this);
    more_->setObjectName("MoreCandidates");
    more_->setAutoDefault(false);
    more_->setToolTip("The twelve seeds after these, in their place");
    connect(more_, &QPushButton::clicked, this, &CandidatesDialog::more);
    preview_ = new QLabel(this);
    preview_->setObjectName("CandidatePreview");
    preview_->setFrameShape(QFrame::Box);
    preview_->setAttribute(Qt::WA_TransparentForMouseEvents);
    preview_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(build_choices());
    layout->addWidget(scroll);
    layout->addWidget(more_, 0, Qt::AlignRight);
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
    Candidate& c = made_[static_cast<std::size_t>(index)];
    QToolButton* button = buttons_[static_cast<std::size_t>(index)];
    const bool usable = !c.cancelled && c.error.empty();
    // Drawn here rather than on the candidate's thread: the names' text, drawn on several
    // threads at once, crashed the font engine of the Windows build.
    if (usable && c.picture.isNull())
        c.picture = render_map(c.background, c.galaxy.planets)
                        .scaled(kSide, kSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (usable)
        button->setIcon(QPixmap::fromImage(c.picture));
    button->setEnabled(usable);
    captions_[static_cast<std::size_t>(index)]->setText(caption_of(c));
    ++ready_;
    arrange();
}

}  // namespace orvek
