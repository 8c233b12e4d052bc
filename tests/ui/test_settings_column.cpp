// SPDX-License-Identifier: GPL-3.0-or-later
// The window's settings column: its defaults, its sections, what its fields take, its texts, its
// tooltips and its colours.

#include "ui/main_window.h"
#include "ui/settings_column.h"

#include "gamedata/names.h"
#include "support/game_copy.h"
#include "ui/window_fixture.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"
#include "ui/message_box.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QTreeWidget>
#include <QTimer>
#include <QPainter>
#include <QDialogButtonBox>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>
#include <QToolTip>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <functional>
#include <map>
#include <string_view>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::cli_command;
using testing::Window;

double luminance(QColor c)
{
    const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// The contrast of the text of `area` against its background, as drawn: the most common colour
// is the background, the colour farthest from it the text.
double contrast_in(const QImage& image, const QRect& area)
{
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    const QRgb background = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                                return a.second < b.second;
                            })->first;
    double best = 1;
    for (const auto& [colour, count] : counts) {
        const double a = luminance(QColor(colour)), b = luminance(QColor(background));
        best = std::max(best, (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05));
    }
    return best;
}

// Every control of the column says what it does, and the choices of every drop-down list read
// clearly once it opens.
TEST(MainWindow, EveryControlSaysWhatItDoesAndReadsClearly)
{
    Window w;
    for (QWidget* control : w.find<QWidget>("SettingsColumn")->findChildren<QWidget*>()) {
        const bool a_control =
            qobject_cast<QPushButton*>(control) || qobject_cast<QLineEdit*>(control) ||
            qobject_cast<QListWidget*>(control) || qobject_cast<QComboBox*>(control) ||
            qobject_cast<QCheckBox*>(control);
        if (a_control) {
            EXPECT_FALSE(control->toolTip().isEmpty()) << control->objectName().toStdString();
        }
    }
    for (QComboBox* list : w.form.findChildren<QComboBox*>()) {
        list->showPopup();
        QAbstractItemView* view = list->view();
        QTest::qWait(20);
        const QImage shown = view->grab().toImage();
        const QRect item = view->visualRect(view->model()->index(1, 0));
        EXPECT_GE(contrast_in(shown, item.intersected(shown.rect())), 4.5)
            << list->objectName().toStdString();
        list->hidePopup();
    }
}

TEST(MainWindow, DefaultsAfterStartUp)
{
    Window w;
    EXPECT_EQ(w.form.windowTitle(), "Orvek - Galaxy Generator");
    EXPECT_EQ(w.form.size(), QSize(979, 750));
    EXPECT_EQ(w.find<QListWidget>("SizeList")->currentItem()->text(), "Normal");
    EXPECT_EQ(w.find<QListWidget>("GateStyleList")->currentItem()->text(), "Normal ");
    const QWidget* column = w.find<QWidget>("SettingsColumn");
    for (QComboBox* combo : column->findChildren<QComboBox*>())
        EXPECT_EQ(combo->currentText(), combo->objectName() == "Shape" ? "Classic" : "Random")
            << combo->objectName().toStdString();
    EXPECT_EQ(column->findChildren<QComboBox*>().size(), 12);
    EXPECT_FALSE(w.find<QCheckBox>("ClearGates")->isChecked());
    EXPECT_NE(w.find<QComboBox>("FighterInhibition")->styleSheet().indexOf("rgb(0,128,0)"), -1);
    for (const char* name : {"AdvancedSection", "InhibitionsSection", "FacilitySection"})
        EXPECT_EQ(w.find<QWidget>(name)->height(), 21) << name;
    EXPECT_EQ(w.find<QLineEdit>("PlanetCount")->text(), "30");
    EXPECT_TRUE(w.find<QLineEdit>("CampaignName")->text().isEmpty());
}

// Each list of the two feature sections sets its own feature's level for the Save: the one list
// at "Everywhere" and the others at "None" give that feature alone "Everywhere".
TEST(MainWindow, EachFeatureListItsOwnLevel)
{
    Window w;
    const auto* column = w.form.findChild<SettingsColumn*>("SettingsColumn");
    ASSERT_NE(column, nullptr);
    using Level = std::function<FrequencyLevel(const FeatureLevels&)>;
    const std::pair<const char*, Level> lists[] = {
        {"EngineRequired", [](const FeatureLevels& l) { return l.inhibitions[0]; }},
        {"ShieldInoperable", [](const FeatureLevels& l) { return l.inhibitions[1]; }},
        {"FighterInhibition", [](const FeatureLevels& l) { return l.inhibitions[2]; }},
        {"CruiserInhibition", [](const FeatureLevels& l) { return l.inhibitions[3]; }},
        {"CloakInhibition", [](const FeatureLevels& l) { return l.inhibitions[4]; }},
        {"TractorInoperable", [](const FeatureLevels& l) { return l.inhibitions[5]; }},
        {"RepairInoperable", [](const FeatureLevels& l) { return l.inhibitions[6]; }},
        {"Academies", [](const FeatureLevels& l) { return l.academy; }},
        {"Shipyards", [](const FeatureLevels& l) { return l.shipyard; }},
        {"Factories", [](const FeatureLevels& l) { return l.factory; }},
        {"RepairYards", [](const FeatureLevels& l) { return l.repair_yard; }}};
    for (const auto& [name, level] : lists) {
        for (const auto& other : lists)
            w.find<QComboBox>(other.first)
                ->setCurrentText(std::string_view(other.first) == name ? "Everywhere" : "None");
        const FeatureLevels levels = column->feature_levels();
        for (const auto& [other, other_level] : lists)
            EXPECT_EQ(other_level(levels), std::string_view(other) == name
                                               ? FrequencyLevel::Everywhere
                                               : FrequencyLevel::None)
                << name << " set, " << other << " read";
    }
}

TEST(MainWindow, SectionsMoveTheBlocksBelow)
{
    Window w;
    QWidget* effects = w.find<QWidget>("InhibitionsSection");
    const int closed = effects->y();
    w.find<QCheckBox>("AdvancedBox")->setChecked(true);
    EXPECT_EQ(effects->y(), closed + 99);
    w.find<QCheckBox>("InhibitionsBox")->setChecked(true);
    w.find<QCheckBox>("FacilitiesBox")->setChecked(true);
    EXPECT_EQ(w.find<QWidget>("Filler")->y(), 698);
    EXPECT_EQ(w.find<QWidget>("Filler")->height(), 52);
    w.find<QCheckBox>("AdvancedBox")->setChecked(false);
    EXPECT_EQ(w.find<QWidget>("InhibitionsSection")->y(), closed);
}

TEST(MainWindow, FieldsTakeOnlyWhatTheyMayHold)
{
    Window w;
    QLineEdit* planets = w.find<QLineEdit>("PlanetCount");
    planets->clear();
    QTest::keyClicks(planets, "1a -2x34");
    EXPECT_EQ(planets->text(), "123") << "letters, blanks and minus refused; a fourth digit too";
    QTest::keyClick(planets, Qt::Key_Backspace);
    EXPECT_EQ(planets->text(), "12");
    planets->clear();
    planets->insert("1234");  // what pasting does
    EXPECT_EQ(planets->text(), "123");
    // Shortcuts and Tab are not typed characters: they keep their use.
    QTest::keyClick(planets, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(planets->selectedText(), "123");
    QLineEdit* name = w.find<QLineEdit>("CampaignName");
    name->setText("Calm");
    name->insert("Evil\r\nPlanets = 3");  // what pasting a line break does
    EXPECT_EQ(name->text(), "Calm") << "the name field takes no control characters";
    name->insert(QString(300, 'a'));
    EXPECT_EQ(name->text(), "Calm") << "nor more letters than a campaign's files can be named by";
    const auto limit = static_cast<int>(campaign_id_limit(w.game.folder()));
    name->setText(QString(limit, 'a') + " !");
    EXPECT_EQ(name->text().size(), limit + 2) << "as many as they can, blanks and signs aside";
    name->insert("b");
    EXPECT_EQ(name->text().size(), limit + 2) << "a letter more is refused";
    name->setText("\u0141\u00f3d\u017a \u6771\u4eac");
    EXPECT_EQ(name->toolTip(), "The game cannot show these characters: \u0141\u017a\u6771\u4eac. "
                               "A Save writes each as \"?\".");
    w.answer = false;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    name->setText("\u0141\u00f3d\u017a");
    ASSERT_TRUE(w.save("Save"));
    EXPECT_EQ(w.questions, 1) << "Save asks before it writes them as \"?\"";
    EXPECT_EQ(w.game.saved_files(), 0u) << "No goes back to the name";
    EXPECT_EQ(w.form.focusWidget(), name);
    name->setText("\u03a9\u03bc\u03ad\u03b3\u03b1");
    ASSERT_TRUE(w.save("Save"));
    EXPECT_EQ(w.questions, 1) << "a name with no letter the game shows is not asked about";
    ASSERT_FALSE(w.messages.empty());
    EXPECT_TRUE(w.messages.back().second.contains("\u03a9 (U+03A9), \u03bc (U+03BC)"))
        << w.messages.back().second.toStdString();
    w.messages.clear();
    name->setText("\u00e9t\u00e9 Reach");
    EXPECT_FALSE(name->toolTip().contains("cannot show"))
        << "accented letters the game shows stay as they are";
    ASSERT_TRUE(w.save("Save"));
    EXPECT_NE(testing::read_bytes(w.game.dir.path() / "campaign/data/maps/treach.txt")
                  .find("\r\nGUIName = \xE9t\xE9 Reach\r\n"),
              std::string::npos)
        << "in the game's Windows-1252";
    QApplication::setActiveWindow(&w.form);
    planets->setFocus();
    QTest::keyClick(planets, Qt::Key_Tab);
    EXPECT_FALSE(planets->hasFocus()) << "Tab leaves the field";
}

TEST(MainWindow, ListWithNothingSelectedKeepsItsField)
{
    Window w;
    QListWidget* sizes = w.find<QListWidget>("SizeList");
    QTest::mouseClick(sizes->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      sizes->visualItemRect(sizes->currentItem()).center());
    ASSERT_TRUE(sizes->selectedItems().isEmpty());
    w.find<QLineEdit>("PlanetCount")->setText("50");
    ASSERT_TRUE(w.click_and_wait("Generate"));
    EXPECT_EQ(w.form.document().galaxy().planets.size(), 50u);
    EXPECT_EQ(w.find<QLineEdit>("PlanetCount")->text(), "50");
}

// Every caption, label and list item fits its control with the fonts the window really uses,
// and the two green controls are flat green.
TEST(MainWindow, TextsFitTheirControlsAndGreenIsGreen)
{
    Window w;
    for (const char* box : {"AdvancedBox", "InhibitionsBox", "FacilitiesBox"})
        w.find<QCheckBox>(box)->setChecked(true);
    const auto fits = [](const QWidget* widget, const QString& text, int room) {
        const int needed = QFontMetrics(widget->font()).horizontalAdvance(text);
        EXPECT_LE(needed, room) << text.toStdString() << " needs " << needed;
    };
    // The planet panel too, shown and holding a planet.
    ASSERT_TRUE(w.click_and_wait("Generate"));
    w.form.show_panel(true);
    w.form.map()->select_planet(3);
    for (const QLabel* label : w.form.findChildren<QLabel*>())
        if (label->isVisibleTo(&w.form) && !label->wordWrap())
            fits(label, label->text(), label->width());
    for (const QPushButton* button : w.form.findChildren<QPushButton*>())
        fits(button, button->text(), button->width() - 4);
    for (const QComboBox* combo : w.form.findChildren<QComboBox*>())
        for (int i = 0; i < combo->count(); ++i)
            fits(combo, combo->itemText(i), combo->width() - 22);
    for (const QListWidget* list : w.form.findChildren<QListWidget*>())
        for (int i = 0; i < list->count(); ++i)
            fits(list, list->item(i)->text(), list->width() - 6);
    for (const char* green : {"GenerateCustom", "FighterInhibition"})
        EXPECT_EQ(w.find<QWidget>(green)->grab().toImage().pixelColor(2, 2), QColor(0, 128, 0))
            << green;  // inside the border, above the text
    // The green list's text reads at a contrast of at least 4.5 : 1 against its green.
    const auto luminance = [](QColor c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const QImage fighter = w.find<QWidget>("FighterInhibition")->grab().toImage();
    double brightest = 0;
    for (int y = 0; y < fighter.height(); ++y)
        for (int x = 0; x < fighter.width() - 20; ++x)  // the text, not the arrow
            brightest = std::max(brightest, luminance(fighter.pixelColor(x, y)));
    EXPECT_GE((brightest + 0.05) / (luminance(QColor(0, 128, 0)) + 0.05), 4.5);
}

// The planets field, hidden in the closed Advanced section, is the preset's to set for Generate:
// emptied, it stops only Generate Custom, which reads it.
TEST(MainWindow, EmptyPlanetFieldStopsOnlyGenerateCustom)
{
    Window w;
    w.find<QLineEdit>("PlanetCount")->clear();
    ASSERT_TRUE(w.click_and_wait("Generate"));
    EXPECT_TRUE(w.messages.empty());
    EXPECT_GE(w.form.document().galaxy().planets.size(), 20u);
    w.find<QLineEdit>("PlanetCount")->clear();
    QTest::mouseClick(w.find<QPushButton>("GenerateCustom"), Qt::LeftButton);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].first, "Orvek - Galaxy Generator ");
    EXPECT_EQ(w.messages[0].second, "'' is not a valid integer value.");
    EXPECT_FALSE(w.form.busy());
}

}  // namespace
}  // namespace orvek
