// SPDX-License-Identifier: GPL-3.0-or-later
// The planet panel: the selected planet shown, each change an edit on the undo stack, several
// planets set at once, the home planet's facilities left to the game, and the panel closed and
// opened again.

#include "ui/planet_panel.h"

#include "core/galaxy_figures.h"

#include "ui/controls.h"
#include "ui/editor_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QToolButton>
#include <QUndoStack>

#include <fstream>
#include <sstream>

namespace orvek {
namespace {

using testing::Editor;
using testing::picture_path;
using testing::Planets;

struct PanelEditor : Editor {
    PanelEditor() { form.show_panel(true); }
    int other_than_home() const
    {
        const auto& g = planets();
        return g[1].home ? 2 : 1;
    }
    // Two pixels off the marker's centre, as a hurried click lands.
    QPoint at(int p) const
    {
        return link_end(planets()[static_cast<std::size_t>(p)], map->side()) + QPoint(2, 1);
    }
};

// How many pixels of the widget as drawn are exactly `colour`.
int pixels_of(QWidget* widget, const QColor& colour)
{
    const QImage shot = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            count += shot.pixelColor(x, y) == colour;
    return count;
}

TEST(PlanetPanel, EveryChangeIsAnEditThatUndoTakesBack)
{
    PanelEditor e;
    const Planets before = e.planets();
    const int p = e.other_than_home(), linked = before[static_cast<std::size_t>(p)].links.front();
    QUndoStack* stack = e.form.document().undo_stack();
    QTest::mouseClick(e.map, Qt::LeftButton, {}, e.at(p));
    EXPECT_EQ(e.find<QLabel>("PlanetTitle")->text(), QString("Planet %1").arg(p));

    e.find<QCheckBox>("Feature4")->click();
    ASSERT_EQ(stack->count(), 1);
    EXPECT_TRUE(e.planets()[static_cast<std::size_t>(p)].features[4]);
    EXPECT_TRUE(e.planets()[static_cast<std::size_t>(p)].features_set[4]);
    auto* shipyard = e.find<QComboBox>("Facility13");
    emit shipyard->activated(2);
    EXPECT_TRUE(e.planets()[static_cast<std::size_t>(p)].features[14]) << "Shipyard B";
    EXPECT_EQ(shipyard->currentText(), "Shipyard B");
    emit shipyard->activated(0);
    EXPECT_FALSE(e.planets()[static_cast<std::size_t>(p)].features[14]) << "None";
    auto* name = e.find<QLineEdit>("PlanetName");
    name->setText("Nova Reach");
    name->setModified(true);
    emit name->editingFinished();
    EXPECT_EQ(e.planets()[static_cast<std::size_t>(p)].system_name, "Nova Reach");
    e.find<QPushButton>("MakeHomeButton")->click();
    EXPECT_TRUE(e.planets()[static_cast<std::size_t>(p)].home);
    EXPECT_FALSE(e.find<QPushButton>("MakeHomeButton")->isEnabled()) << "home already";
    EXPECT_EQ(stack->count(), 5);
    EXPECT_FALSE(e.find<QComboBox>("Facility13")->isEnabled()) << "the home's facilities";

    emit e.find<QLabel>("PlanetLinks")->linkActivated(QString::number(linked));
    EXPECT_EQ(e.map->selection(), std::vector<int>{linked}) << "a link selects its planet";
    // A link of a damaged map file to a number the galaxy does not hold says which number.
    Planets damaged = e.planets();
    const int missing = static_cast<int>(damaged.size()) + 2;
    damaged[static_cast<std::size_t>(p)].links.push_back(missing);
    e.form.planet_panel()->show_planets(damaged, {p});
    EXPECT_TRUE(e.find<QLabel>("PlanetLinks")
                    ->text()
                    .endsWith(QString("planet %1, which does not exist").arg(missing)));
    while (stack->canUndo())
        stack->undo();
    EXPECT_EQ(e.planets(), before);
}

TEST(PlanetPanel, SeveralPlanetsAreSetAsOneEdit)
{
    PanelEditor e;
    const int a = e.other_than_home(), b = a + 1;
    QTest::mouseClick(e.map, Qt::LeftButton, {}, e.at(a));
    QTest::mouseClick(e.map, Qt::LeftButton, Qt::ShiftModifier, e.at(b));
    ASSERT_EQ(e.map->selection().size(), 2u);
    EXPECT_TRUE(e.find<QLabel>("PlanetTitle")->text().startsWith("2 planets selected"));
    e.find<QCheckBox>("Feature0")->click();
    EXPECT_EQ(e.form.document().undo_stack()->count(), 1);
    EXPECT_TRUE(e.planets()[static_cast<std::size_t>(a)].features[0] &&
                e.planets()[static_cast<std::size_t>(b)].features[0]);
    // A facility or an effect the two hold differently says so: the facility "mixed" rather
    // than a blank choice, the effect half ticked.
    QTest::mouseClick(e.map, Qt::LeftButton, {}, e.at(a));
    emit e.find<QComboBox>("Facility13")->activated(2);
    e.find<QCheckBox>("Feature0")->click();
    QTest::mouseClick(e.map, Qt::LeftButton, Qt::ShiftModifier, e.at(b));
    EXPECT_EQ(e.find<QComboBox>("Facility13")->currentText(), "");
    EXPECT_EQ(e.find<QComboBox>("Facility13")->placeholderText(), "mixed");
    EXPECT_EQ(e.find<QCheckBox>("Feature0")->checkState(), Qt::PartiallyChecked);
    // The effects and facilities in the settings column's order: fighters first, academies first.
    const auto above = [&](const char* a_name, const char* b_name) {
        return e.find<QWidget>(a_name)->mapTo(&e.form, QPoint()).y() <
               e.find<QWidget>(b_name)->mapTo(&e.form, QPoint()).y();
    };
    EXPECT_TRUE(above("Feature2", "Feature0") && above("Feature0", "Feature6"));
    EXPECT_TRUE(above("Facility11", "Facility7"));
    // Nothing selected: the galaxy's figures; the map marks its chokepoints and bridges.
    QTest::mouseClick(e.map, Qt::LeftButton, {}, QPoint(2, 2));
    const QString figures = e.find<QLabel>("GalaxyFigures")->text();
    EXPECT_TRUE(figures.startsWith(QString("%1 planets").arg(e.planets().size())));
    const GalaxyFigures f = galaxy_figures(e.planets());
    EXPECT_TRUE(
        figures.contains(QString("Chokepoints: %1\nBridges: %2").arg(f.chokepoints).arg(f.bridges)))
        << figures.toStdString();
    EXPECT_TRUE(figures.contains(QRegularExpression("\\(\\d+\\.\\d\\d on average\\)")))
        << figures.toStdString();
    const auto orange = [&] { return pixels_of(e.map, QColor(255, 140, 0)); };
    EXPECT_EQ(orange(), 0);
    e.map->mark_cuts(true);
    EXPECT_GT(orange(), 100) << "the bridges and chokepoints in orange";
}

// A facility set by hand is written at Save though the facility box is unticked, and stays set.
TEST(PlanetPanel, AFeatureSetByHandIsSaved)
{
    PanelEditor e;
    const int p = e.other_than_home();
    e.map->select_planet(p);
    emit e.find<QComboBox>("Facility13")->activated(3);
    e.find<QLineEdit>("CampaignName")->setText("Hand Made");
    ASSERT_TRUE(e.save());
    const std::string file = e.game.dir.str() + "/campaign/data/encounters/handmade/" +
                             e.planets()[static_cast<std::size_t>(p)].template_file;
    std::stringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_NE(bytes.str().find("= shipyardc"), std::string::npos) << file;
    EXPECT_TRUE(e.planets()[static_cast<std::size_t>(p)].features[15]);
    // "Show features" draws it as a badge by the marker, in the facilities' blue; off at first.
    const auto blue = [&] { return pixels_of(e.map, QColor(40, 90, 210)); };
    EXPECT_EQ(e.map->features_shown().kind, FeatureFilter::Kind::None);
    EXPECT_EQ(blue(), 0);
    e.map->show_features({FeatureFilter::Kind::Facility, 3});
    EXPECT_GT(blue(), 20);
}

// The panel by itself: one planet's title and links (by name, escaped, an unread planet by its
// number, or "none"), a selection past the planets left out, a name field left unchanged asking
// for nothing, a galaxy without a home, and nothing to change while a command runs.
TEST(PlanetPanel, ShowsWhatItIsGiven)
{
    Planets planets(4);
    for (int i = 0; i < 4; ++i) {
        planets[static_cast<std::size_t>(i)].x = 100 + 200 * i;
        planets[static_cast<std::size_t>(i)].y = 100;
    }
    planets[0].system_name = "<b>Vega</b>";
    planets[1].system_name = "Sol";
    planets[2].system_name = "Ghost";
    planets[2].unread = true;
    planets[3].system_name = "Lone";
    planets[1].home = true;
    planets[1].links = {0, 2};
    planets[0].links = planets[2].links = {1};
    PlanetPanel panel(nullptr);
    QSignalSpy renames(&panel, &PlanetPanel::rename_requested);
    const auto text = [&](const char* name) { return panel.findChild<QLabel*>(name)->text(); };
    panel.show_planets(planets, {1, 99});
    EXPECT_EQ(text("PlanetTitle"), "Planet 1, home planet");
    EXPECT_TRUE(text("PlanetLinks").contains(">&lt;b&gt;Vega&lt;/b&gt;</a>"))
        << text("PlanetLinks").toStdString();
    EXPECT_TRUE(text("PlanetLinks").contains(">planet 2 (its file was not read)</a>"));
    auto* name = panel.findChild<QLineEdit*>("PlanetName");
    emit name->editingFinished();
    EXPECT_EQ(renames.size(), 0);
    // A name typed is asked for once, however often the editing ends after it.
    name->setText("Sol Two");
    name->setModified(true);
    emit name->editingFinished();
    emit name->editingFinished();
    EXPECT_EQ(renames.size(), 1);
    panel.show_planets(planets, {3});
    EXPECT_EQ(text("PlanetLinks"), "Jumpgates to: none");
    // A title longer than the panel is wide wraps rather than widening it.
    panel.show_planets(planets, {0, 1, 3});
    EXPECT_LE(panel.findChild<QLabel*>("PlanetTitle")->minimumSizeHint().width(),
              PlanetPanel::kWidth);
    panel.show_planets(planets, {});
    EXPECT_TRUE(text("GalaxyFigures").contains("\nHome: Sol\n"))
        << text("GalaxyFigures").toStdString();
    planets[1].home = false;
    panel.show_planets(planets, {});
    EXPECT_TRUE(text("GalaxyFigures").contains("\nHome: none\n"))
        << text("GalaxyFigures").toStdString();
    panel.show_planets(planets, {0});
    panel.set_editable(false);
    EXPECT_FALSE(panel.findChild<QCheckBox*>("Feature0")->isEnabled());
    EXPECT_FALSE(panel.findChild<QComboBox*>("Facility13")->isEnabled());
}

TEST(PlanetPanel, ClosedAndOpenedAgain)
{
    PanelEditor e;
    QSignalSpy remembered(&e.form, &MainWindow::panel_shown_changed);
    e.find<QToolButton>("PlanetPanelClose")->click();
    EXPECT_FALSE(e.form.panel_shown());
    EXPECT_FALSE(e.form.planet_panel()->isVisible());
    EXPECT_EQ(e.map->width(), e.form.width() - kColumnSpan) << "the map takes the room back";
    e.form.show_panel(true);
    EXPECT_TRUE(e.form.planet_panel()->isVisible());
    EXPECT_EQ(remembered.count(), 2);
    // A maximized window keeps its size: the map gives the panel its room.
    e.form.showMaximized();
    QTest::qWait(200);  // a window manager maximizes in its own time
    const int width = e.form.width();
    e.form.show_panel(false);
    EXPECT_EQ(e.form.width(), width);
}

// The panel beside the map, a planet with features set by hand selected; then the galaxy's.
TEST(Screenshot, PlanetPanel)
{
    PanelEditor e;
    e.form.resize(979 + PlanetPanel::kWidth, 750);
    QTest::qWait(100);
    const int p = e.other_than_home();
    QTest::mouseClick(e.map, Qt::LeftButton, {}, e.at(p));
    e.find<QCheckBox>("Feature4")->click();
    emit e.find<QComboBox>("Facility13")->activated(2);
    // Two more planets with features, all shown as badges with their legend.
    e.map->select_planet(p + 1);
    e.find<QCheckBox>("Feature2")->click();
    e.map->select_planet(p + 2);
    emit e.find<QComboBox>("Facility11")->activated(1);
    e.map->select_planet(p);
    e.map->show_features({FeatureFilter::Kind::All, 0});
    QTest::qWait(200);
    ASSERT_TRUE(e.form.grab().toImage().save(picture_path("planet-panel.png")));
    e.map->show_features({});
    // Nothing selected: the galaxy's figures, its chokepoints and bridges marked.
    e.map->select_planet(-1);
    e.map->mark_cuts(true);
    QTest::qWait(100);
    ASSERT_TRUE(e.form.grab().toImage().save(picture_path("galaxy-figures.png")));
}

}  // namespace
}  // namespace orvek
