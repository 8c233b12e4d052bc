// SPDX-License-Identifier: GPL-3.0-or-later
// The window and its dialogs on the screen the test runs on. The test command runs this file's
// test under Xvfb on a laptop's screen (1366 x 768) and on a netbook's (1024 x 600).

#include "ui/campaign_dialogs.h"
#include "ui/candidates.h"
#include "ui/editor_fixture.h"
#include "ui/label_checks.h"
#include "ui/main_window.h"
#include "ui/map_labels.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"
#include "ui/planet_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using namespace testing;

struct OnThisScreen {
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QString size = QString("%1x%2").arg(screen.width()).arg(screen.height());

    // The widget's window lies wholly on the screen; its picture is kept under the screen's size.
    void keep(QWidget* widget, const char* what) const
    {
        EXPECT_TRUE(screen.contains(widget->window()->frameGeometry()))
            << what << " at " << size.toStdString();
        const QString name = QString("%1-%2.png").arg(what, size);
        EXPECT_TRUE(widget->grab().save(picture_path(name.toUtf8().constData()))) << what;
    }
};

// What a player meets on a small screen, each fitting it: the twelve candidates, a galaxy of 175
// planets with every badge and no name over another, the planet panel with two planets that
// differ on a facility, the mends of a planet whose file is gone, and the empty Open list.
TEST(Screenshot, EveryWindowFitsThisScreen)
{
    const OnThisScreen on;
    Editor e;
    e.form.resize(MainWindow::opening_size(on.screen));
    e.form.show_panel(on.screen.width() - e.form.width() - 16 >= PlanetPanel::kWidth);
    e.form.move(on.screen.topLeft());
    QTest::qWait(50);

    with_candidates(e.form, [&](CandidatesDialog& dialog) {
        dialog.findChild<QToolButton*>("Candidate0")->setFocus();
        QTest::qWait(100);
        on.keep(&dialog, "candidates");
    });

    e.find<QCheckBox>("AdvancedBox")->setChecked(true);
    e.find<QLineEdit>("PlanetCount")->setText("175");
    ASSERT_TRUE(e.click_and_wait("GenerateCustom"));
    e.find<QLineEdit>("CampaignName")->setText("Narrow Reach");
    ASSERT_TRUE(e.save());  // the Save reads the features from the templates
    e.map->show_notice("", 0);
    e.map->show_features({FeatureFilter::Kind::All, 0});
    const Planets& g = e.planets();
    const int a = g[1].home ? 2 : 1, b = a + 1;
    const auto at = [&](int p) { return link_end(g[static_cast<std::size_t>(p)], e.map->side()); };
    e.map->select_planet(a);
    emit e.find<QComboBox>("Facility13")->activated(2);
    e.map->select_planet(b);
    emit e.find<QComboBox>("Facility13")->activated(1);
    QTest::mouseClick(e.map, Qt::LeftButton, {}, at(a));
    QTest::mouseClick(e.map, Qt::LeftButton, Qt::ShiftModifier, at(b));
    ASSERT_EQ(e.map->selection().size(), 2u);
    QTest::qWait(200);
    EXPECT_EQ(e.find<QComboBox>("Facility13")->placeholderText(), "mixed");
    const MapScale scale(e.map->side());
    const NameOverlaps overlaps = name_overlaps(g, place_names(g, scale), scale);
    EXPECT_EQ(overlaps.between_names, 0);
    EXPECT_EQ(overlaps.under_markers, 0);
    on.keep(&e.form, "window");

    // The saved campaign opened with one planet's file gone: its problem offers the mends.
    const fs::path folder = e.game.dir.path() / "campaign/data/encounters/narrowreach";
    fs::remove(folder / g[static_cast<std::size_t>(a)].template_file);
    e.form.open_campaign("narrowreach");
    e.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e.form, 1000));
    QTest::keyClick(&e.form, Qt::Key_K, Qt::ControlModifier);
    auto* list = e.form.findChild<QListWidget*>("FindingsList");
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains("a Save has nothing to write it from"))
            list->setCurrentRow(i);
    QTest::qWait(100);
    EXPECT_TRUE(e.form.findChild<QPushButton*>("GiveTemplateButton")->isVisible());
    on.keep(list->window(), "findings");
    list->window()->close();

    OpenCampaignDialog none({}, &e.form);
    none.show();
    QTest::qWait(100);
    on.keep(&none, "empty-open-list");
}

}  // namespace
}  // namespace orvek
