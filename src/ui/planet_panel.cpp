// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/planet_panel.h"

#include "core/cp1252.h"
#include "core/galaxy_figures.h"
#include "ui/controls.h"
#include "ui/map_render.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvek {

namespace {

// The settings column's words for the four facility groups in kFacilityGroups' order (for the
// effects: kEffectWords).
constexpr std::array<const char*, kFacilityGroups.size()> kGroupWords = {"Repair Yard", "Factory",
                                                                         "Academy", "Shipyard"};

// The order the settings column lists them in, which the panel keeps: effects by flag, groups
// by their place in kFacilityGroups.
constexpr std::array<int, kInhibitionCount> kInhibitionOrder = {2, 3, 4, 1, 0, 6, 5};
constexpr std::array<std::size_t, kFacilityGroups.size()> kGroupOrder = {2, 3, 1, 0};

QString text_of(const std::string& cp1252)
{
    return QString::fromUtf8(cp1252_to_utf8(cp1252));
}

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

PlanetPanel::PlanetPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName("PlanetPanel");
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, kTeal);
    look.setColor(QPalette::WindowText, Qt::white);
    look.setColor(QPalette::Link, Qt::white);
    setPalette(look);
    build();
}

void PlanetPanel::build()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    auto* top = new QHBoxLayout;
    top->addWidget(heading("Planet", this));
    auto* close = new QToolButton(this);
    close->setObjectName("PlanetPanelClose");
    close->setText("\u00D7");
    close->setToolTip("Close the planet panel (the map's menu opens it again)");
    connect(close, &QToolButton::clicked, this, &PlanetPanel::close_requested);
    top->addStretch();
    top->addWidget(close);
    layout->addLayout(top);
    title_ = new QLabel(this);
    title_->setObjectName("PlanetTitle");
    title_->setWordWrap(true);
    layout->addWidget(title_);
    figures_ = new QLabel(this);
    figures_->setObjectName("GalaxyFigures");
    layout->addWidget(figures_);
    planet_box_ = new QWidget(this);
    build_planet(planet_box_);
    layout->addWidget(planet_box_);
    features_box_ = new QWidget(this);
    build_features(features_box_);
    layout->addWidget(features_box_);
    layout->addStretch();
}

// The one planet's name, template, links and home button.
void PlanetPanel::build_planet(QWidget* box)
{
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    name_ = new QLineEdit(box);
    name_->setObjectName("PlanetName");
    name_->setToolTip("The planet's name: Enter renames it");
    connect(name_, &QLineEdit::editingFinished, this, [this] {
        if (!updating_ && shown_.size() == 1 && name_->isModified())
            emit rename_requested(shown_.front(), name_->text());
        name_->setModified(false);
    });
    template_ = new QLabel(box);
    template_->setObjectName("PlanetTemplate");
    links_ = new QLabel(box);
    links_->setObjectName("PlanetLinks");
    links_->setWordWrap(true);
    connect(links_, &QLabel::linkActivated, this,
            [this](const QString& link) { emit planet_chosen(link.toInt()); });
    home_ = new QPushButton("Make home planet", box);
    home_->setObjectName("MakeHomeButton");
    connect(home_, &QPushButton::clicked, this, [this] {
        if (shown_.size() == 1)
            emit home_requested(shown_.front());
    });
    for (QWidget* w : std::initializer_list<QWidget*>{name_, template_, links_, home_})
        layout->addWidget(w);
}

void PlanetPanel::build_features(QWidget* box)
{
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(heading("Inhibition Effects", box));
    for (const int f : kInhibitionOrder) {
        auto* toggle = new QCheckBox(kEffectWords[static_cast<std::size_t>(f)], box);
        toggle->setObjectName(QString("Feature%1").arg(f));
        connect(toggle, &QCheckBox::clicked, this, [this, f](bool on) {
            if (!updating_)
                emit feature_requested(shown_, f, on);
        });
        inhibitions_[static_cast<std::size_t>(f)] = toggle;
        layout->addWidget(toggle);
    }
    layout->addWidget(heading("Facilities", box));
    for (const std::size_t g : kGroupOrder) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(kGroupWords[g], box));
        auto* choice = new QComboBox(box);
        choice->setObjectName(QString("Facility%1").arg(kFacilityGroups[g].first));
        choice->addItem("None");
        for (int v = 0; v < kFacilityGroups[g].variants; ++v)
            choice->addItem(kFeatureWords[static_cast<std::size_t>(kFacilityGroups[g].first + v)]);
        choice->setFixedWidth(110);
        // Shown when the planets selected hold different variants.
        choice->setPlaceholderText("mixed");
        connect(choice, &QComboBox::activated, this,
                [this, g](int index) { group_chosen(g, index); });
        facilities_[g] = choice;
        row->addWidget(choice);
        layout->addLayout(row);
    }
}

void PlanetPanel::group_chosen(std::size_t group, int index)
{
    if (updating_ || shown_.empty())
        return;
    const int first = kFacilityGroups[group].first;
    if (index == 0)
        emit facility_cleared(shown_, first);
    else
        emit feature_requested(shown_, first + index - 1, true);
}

void PlanetPanel::show_planets(const std::vector<Planet>& planets,
                               const std::vector<int>& selection)
{
    updating_ = true;
    shown_ = selection;
    std::erase_if(shown_, [&](int p) { return p < 0 || p >= std::ssize(planets); });
    planet_box_->setVisible(shown_.size() == 1);
    features_box_->setVisible(!shown_.empty());
    figures_->setVisible(shown_.empty());
    if (shown_.empty())
        show_figures(planets);
    else if (shown_.size() == 1)
        show_one(planets, shown_.front());
    else
        title_->setText(QString("%1 planets selected: a change sets them all").arg(shown_.size()));
    if (!shown_.empty())
        show_features(planets);
    updating_ = false;
}

void PlanetPanel::show_one(const std::vector<Planet>& planets, int p)
{
    const Planet& planet = planets[static_cast<std::size_t>(p)];
    title_->setText(QString("Planet %1%2").arg(p).arg(planet.home ? ", home planet" : ""));
    name_->setText(text_of(planet.system_name));
    name_->setModified(false);
    template_->setText("Template: " + text_of(planet.template_file));
    QStringList linked;
    for (const int q : planet.links) {
        if (q < 0 || q >= std::ssize(planets)) {
            linked << QString("planet %1, which does not exist").arg(q);
            continue;
        }
        // A planet whose file was not read has no name to show: its number says which.
        const Planet& other = planets[static_cast<std::size_t>(q)];
        const QString name = other.unread || other.system_name.empty()
                                 ? QString("planet %1 (its file was not read)").arg(q)
                                 : text_of(other.system_name).toHtmlEscaped();
        linked << QString("<a style=\"color: white\" href=\"%1\">%2</a>").arg(q).arg(name);
    }
    links_->setText("Jumpgates to: " + (linked.isEmpty() ? QString("none") : linked.join(", ")));
    home_->setEnabled(!planet.home);
}

void PlanetPanel::show_figures(const std::vector<Planet>& planets)
{
    title_->setText(planets.empty() ? "No galaxy yet: press Generate"
                                    : "The galaxy (click a planet to see it here)");
    if (planets.empty()) {
        figures_->clear();
        return;
    }
    const auto home = std::find_if(planets.begin(), planets.end(), [](auto& p) { return p.home; });
    const GalaxyFigures f = galaxy_figures(planets);
    figures_->setText(QString("%1 planets\n%2 jumpgates\nHome: %3\n\n"
                              "Farthest from home: %4 jumps\n(%5 on average)\n"
                              "Longest way: %6 jumps\nDead ends: %7\n"
                              "Chokepoints: %8\nBridges: %9\n\n"
                              "Jumpgates through a planet: %10\nCrossings: %11")
                          .arg(planets.size())
                          .arg(f.links)
                          .arg(home == planets.end() ? "none" : text_of(home->system_name))
                          .arg(f.hops_from_home_max)
                          .arg(f.hops_from_home_mean, 0, 'f', 2)
                          .arg(f.diameter)
                          .arg(f.dead_ends)
                          .arg(f.chokepoints)
                          .arg(f.bridges)
                          .arg(f.through_planets)
                          .arg(f.crossings));
    figures_->setToolTip("Chokepoints are planets, bridges jumpgates, whose loss cuts the galaxy "
                         "in two; the map's menu marks them");
}

// A toggle or choice that the planets shown do not share shows neither value.
void PlanetPanel::show_features(const std::vector<Planet>& planets)
{
    const auto holds = [&](int f) {
        return std::count_if(shown_.begin(), shown_.end(), [&](int p) {
            return planets[static_cast<std::size_t>(p)].features[static_cast<std::size_t>(f)];
        });
    };
    const auto all = static_cast<std::ptrdiff_t>(shown_.size());
    for (int f = 0; f < kInhibitionCount; ++f) {
        const auto held = holds(f);
        inhibitions_[static_cast<std::size_t>(f)]->setCheckState(held == 0 ? Qt::Unchecked
                                                                 : held == all
                                                                     ? Qt::Checked
                                                                     : Qt::PartiallyChecked);
    }
    home_shown_ = std::any_of(shown_.begin(), shown_.end(),
                              [&](int p) { return planets[static_cast<std::size_t>(p)].home; });
    for (std::size_t g = 0; g < kFacilityGroups.size(); ++g) {
        int index = 0;
        for (int v = 0; v < kFacilityGroups[g].variants; ++v) {
            const auto held = holds(kFacilityGroups[g].first + v);
            if (held == all)
                index = v + 1;
            else if (held > 0)
                index = -1;
        }
        facilities_[g]->setCurrentIndex(index);
        facilities_[g]->setEnabled(!home_shown_ && isEnabled());
        facilities_[g]->setToolTip(home_shown_ ? "The home planet's facilities are the game's "
                                                 "own: a large factory, shipyard A and a small "
                                                 "academy"
                                               : "");
    }
}

void PlanetPanel::set_editable(bool editable)
{
    for (QWidget* w : std::initializer_list<QWidget*>{name_, home_, features_box_})
        w->setEnabled(editable);
}

}  // namespace orvek
