#include "ui/main_window.h"

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
#include <map>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::cli_command;
using testing::Window;

TEST(MainWindow, StartUpOutsideTheGameFolderShowsNoWindow)
{
    testing::TempDir empty;
    QStringList shown;
    auto form = start_up(GameFolder(empty.str()), 1, [&](const QString& text) { shown << text; });
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(shown, QStringList{kNotInGameFolder});
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

// A work folder that a shared archive could hold is said once, and the window opens all the same.
TEST(MainWindow, StartUpPastAnUntrustedSave)
{
    testing::TempDir game;
    testing::make_small_game(game, 10);
    game.write("campaign/data/.orvek-save/journal", "orvek-save 1\nfolder ..\nend\n");
    QStringList shown;
    auto form = start_up(GameFolder(game.str()), 1, [&](const QString& text) { shown << text; });
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("could not be checked: the journal is incomplete"))
        << shown[0].toStdString();
    EXPECT_TRUE(std::filesystem::exists(game.path() / "campaign/data/.orvek-save/journal"));
}

// Two campaigns saved from the window, "Fine Reach" and "Broken Reach", and a fault planted by
// hand in the second: planet 1's EncounterID says 7.
void save_two_campaigns(Window& w)
{
    for (const char* name : {"Fine Reach", "Broken Reach"}) {
        ASSERT_TRUE(w.click_and_wait("LMDButton1"));
        w.find<QLineEdit>("Edit_CName")->setText(name);
        ASSERT_TRUE(w.save("LMDButton2"));
    }
    const fs::path data = w.game.dir.path() / "campaign/data";
    const std::string map = testing::read_bytes(data / "maps/brokenreach.txt");
    const std::size_t entry = map.find("\r\n1 = ");
    ASSERT_NE(entry, std::string::npos);
    const std::string line = map.substr(entry + 2, map.find('\r', entry + 2) - entry - 2);
    const fs::path file = data / "encounters/brokenreach" / line.substr(line.rfind('/') + 1);
    std::string bytes = testing::read_bytes(file);
    bytes.replace(bytes.find("EncounterID = 1"), 15, "EncounterID = 7");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The window's shortcuts work where it is the active window, as it is again for a player once a
// dialog has closed.
void activate(Window& w)
{
    w.form.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w.form, 1000));
}

// Ctrl+O, then the campaign `id` chosen in the list and opened, as a player does. The list is
// read off the user-interface thread, so it opens a moment after the keys.
void open_with_keys(Window& w, const QString& id)
{
    bool chosen = false;
    std::function<void()> choose = [&w, id, &choose, &chosen] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return QTimer::singleShot(20, choose);
        chosen = true;
        auto* list = dialog->findChild<QTreeWidget*>("CampaignList");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(1) == id)
                list->setCurrentItem(list->topLevelItem(i));
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open),
                          Qt::LeftButton);
    };
    QTimer::singleShot(0, choose);
    activate(w);
    QTest::keyClick(&w.form, Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return chosen && !QApplication::activeModalWidget(); }, 20000));
}

// Ctrl+K, then the finding that holds `text` chosen in the list.
void check_with_keys(Window& w, const QString& text)
{
    activate(w);
    QTest::keyClick(&w.form, Qt::Key_K, Qt::ControlModifier);
    auto* list = w.form.findChild<QListWidget*>("FindingsList");
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains(text))
            list->setCurrentRow(i);
}

// Open and Check change nothing on disk; the problem is told on the map, and choosing it in the
// list rings its planet.
TEST(MainWindow, OpenAndCheckASavedCampaign)
{
    Window w;
    save_two_campaigns(w);
    check_with_keys(w, "");
    EXPECT_TRUE(w.form.findChild<QListWidget*>("FindingsList")->isVisible())
        << "right after a Save, Ctrl+K checks what it wrote";
    EXPECT_TRUE(w.messages.empty());
    const auto before = testing::snapshot(w.game.dir.path(), true);
    open_with_keys(w, "brokenreach");
    EXPECT_EQ(w.find<QLineEdit>("Edit_CName")->text(), "Broken Reach");
    EXPECT_EQ(w.form.map()->seed_text(), "") << "a saved campaign keeps no seed";
    EXPECT_EQ(w.form.map()->status(), "1 problem: Ctrl+K lists them");
    EXPECT_GE(w.form.map()->planets().size(), 8u);
    check_with_keys(w, "EncounterID");
    EXPECT_EQ(w.form.map()->selected_planet(), 1);
    const QString name = QString::fromStdString(planet_title(w.form.document().planets(), 1));
    const QString chosen = w.form.findChild<QListWidget*>("FindingsList")->currentItem()->text();
    EXPECT_TRUE(chosen.startsWith(name + ": EncounterID"))
        << chosen.toStdString() << ": a finding is led by its planet's name";
    // Saved back, it asks first, naming the planet: Cancel writes nothing, "Check campaign"
    // lists the problems, "Save anyway" saves and the problem line stays.
    for (const char* answer : {"Cancel", "Check campaign"}) {
        w.problems_answer = answer;
        ASSERT_TRUE(w.save());
        EXPECT_EQ(testing::snapshot(w.game.dir.path(), true), before) << answer;
    }
    ASSERT_EQ(w.problem_questions.size(), 2u);
    EXPECT_TRUE(w.problem_questions[0].contains("(planet 1): EncounterID is not 1"))
        << w.problem_questions[0].toStdString();
    QListWidget* findings = w.form.findChild<QListWidget*>("FindingsList");
    EXPECT_TRUE(findings->isVisible());
    findings->window()->close();
    w.problems_answer = "Save anyway";
    ASSERT_TRUE(w.save());
    EXPECT_EQ(w.problem_questions.size(), 3u);
    EXPECT_TRUE(w.form.map()->progress().startsWith("Saved campaign"))
        << w.form.map()->progress().toStdString();
    EXPECT_EQ(w.form.map()->status(), "1 problem: Ctrl+K lists them");
    const auto saved = testing::snapshot(w.game.dir.path(), true);
    open_with_keys(w, "finereach");
    EXPECT_EQ(w.form.map()->status(), "");
    EXPECT_EQ(w.form.map()->selected_planet(), -1);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(testing::snapshot(w.game.dir.path(), true), saved);
}

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
    for (QWidget* control : w.find<QWidget>("Panel_Controls")->findChildren<QWidget*>()) {
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

// A planet whose file is gone has no place on the map: the problem line names it, nothing is
// drawn at the map's corner, and the links to it are short red stubs from their planets.
TEST(MainWindow, APlanetWhoseFileIsGoneIsNamedNotDrawn)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    w.find<QLineEdit>("Edit_CName")->setText("Torn Reach");
    ASSERT_TRUE(w.save("LMDButton2"));
    const std::vector<Planet> saved = w.form.document().planets();
    int gone = 0;
    while (saved[static_cast<std::size_t>(gone)].home)
        ++gone;
    fs::remove(w.game.dir.path() / "campaign/data/encounters/tornreach" /
               saved[static_cast<std::size_t>(gone)].template_file);
    w.form.open_campaign("tornreach");
    EXPECT_TRUE(w.form.map()->status().endsWith(
        QString("Not on the map (file not read): planet %1").arg(gone)))
        << w.form.map()->status().toStdString();
    EXPECT_EQ(planet_at(w.form.map()->planets(), QPoint(3, 3), w.form.map()->side()), -1);
    const QImage shown = w.form.map()->grab().toImage();
    int stubs = 0;
    for (const Planet& p : w.form.map()->planets()) {
        if (p.unread || p.home || std::find(p.links.begin(), p.links.end(), gone) == p.links.end())
            continue;
        const QPoint at = link_end(p, w.form.map()->side());
        int red = 0;
        for (int dy = -20; dy <= 20; ++dy)
            for (int dx = -20; dx <= 20; ++dx) {
                const QColor c = shown.pixelColor(at + QPoint(dx, dy));
                red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
            }
        EXPECT_GT(red, 10) << p.system_name << " shows its stub";
        ++stubs;
    }
    EXPECT_GT(stubs, 0);
}

// A finding with one clear fix offers it: "Cut this link" cuts a link to no planet as an edit
// that Ctrl+Z takes back, and the problem goes from the list.
TEST(MainWindow, AFindingsFixIsAnUndoableEdit)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    w.find<QLineEdit>("Edit_CName")->setText("Loose Reach");
    ASSERT_TRUE(w.save("LMDButton2"));
    const Planet first = w.form.document().planets()[0];
    const fs::path file =
        w.game.dir.path() / "campaign/data/encounters/loosereach" / first.template_file;
    std::string bytes = testing::read_bytes(file);
    const std::size_t links = bytes.find("wormholes = ");
    bytes.insert(bytes.find('\r', links), "99,");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    w.form.open_campaign("loosereach");
    check_with_keys(w, "planet 99, which does not exist");
    auto* fix = w.form.findChild<QPushButton*>("FixButton");
    ASSERT_NE(fix, nullptr);
    ASSERT_TRUE(fix->isVisible());
    EXPECT_EQ(fix->text(), "Cut this link");
    fix->click();
    const auto listed = [&] {
        const auto* list = w.form.findChild<QListWidget*>("FindingsList");
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().contains("planet 99, which does not exist"))
                return true;
        return false;
    };
    EXPECT_FALSE(listed()) << "the fix took the problem away";
    EXPECT_EQ(w.form.document().planets()[0].links, first.links);
    w.form.document().undo_stack()->undo();
    EXPECT_TRUE(listed()) << "and Ctrl+Z brings it back";
}

TEST(MainWindow, StartUpShowsTheBuiltInPicture)
{
    Window w;
    const QImage& shown = w.find<MapWidget>("Panel_GalMap")->background();
    ASSERT_FALSE(shown.isNull());
    EXPECT_GT(shown.width(), 100);
}

TEST(MainWindow, ClosingDuringAGenerationEndsCleanly)
{
    Window w;
    w.find<QCheckBox>("CB_Advanced")->setChecked(true);
    w.find<QLineEdit>("Edit_SNr_Pl")->setText("175");
    w.find<QLineEdit>("edit_s1join")->setText("99");
    QTest::mouseClick(w.find<QPushButton>("LMDButton3"), Qt::LeftButton);
    ASSERT_TRUE(w.form.busy());
    w.form.close();
    EXPECT_FALSE(w.form.busy());
}

TEST(MainWindow, DefaultsAfterStartUp)
{
    Window w;
    EXPECT_EQ(w.form.windowTitle(), "Orvek - Galaxy Generator");
    EXPECT_EQ(w.form.size(), QSize(979, 750));
    EXPECT_EQ(w.find<QListWidget>("LMDListBox_Size")->currentItem()->text(), "Normal");
    EXPECT_EQ(w.find<QListWidget>("LMDListBox_JGs")->currentItem()->text(), "Normal ");
    for (QComboBox* combo : w.form.findChildren<QComboBox*>())
        EXPECT_EQ(combo->currentText(), "Random") << combo->objectName().toStdString();
    EXPECT_EQ(w.form.findChildren<QComboBox*>().size(), 11);
    EXPECT_NE(w.find<QComboBox>("Combo_Fighter")->styleSheet().indexOf("rgb(0,128,0)"), -1);
    for (const char* name : {"Panel_Advanced", "Panel_HEffect", "Panel_Facility"})
        EXPECT_EQ(w.find<QWidget>(name)->height(), 21) << name;
    EXPECT_EQ(w.find<QLineEdit>("Edit_SNr_Pl")->text(), "30");
    EXPECT_TRUE(w.find<QLineEdit>("Edit_CName")->text().isEmpty());
}

TEST(MainWindow, SectionsMoveTheBlocksBelow)
{
    Window w;
    QWidget* effects = w.find<QWidget>("Panel_HEffect");
    const int closed = effects->y();
    w.find<QCheckBox>("CB_Advanced")->setChecked(true);
    EXPECT_EQ(effects->y(), closed + 99);
    w.find<QCheckBox>("CB_Inhibitions")->setChecked(true);
    w.find<QCheckBox>("CB_Facility")->setChecked(true);
    EXPECT_EQ(w.find<QWidget>("Filler")->y(), 653);
    EXPECT_EQ(w.find<QWidget>("Filler")->height(), 97);
    w.find<QCheckBox>("CB_Advanced")->setChecked(false);
    EXPECT_EQ(w.find<QWidget>("Panel_HEffect")->y(), closed);
}

TEST(MainWindow, FieldsTakeOnlyWhatTheyMayHold)
{
    Window w;
    QLineEdit* planets = w.find<QLineEdit>("Edit_SNr_Pl");
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
    QLineEdit* name = w.find<QLineEdit>("Edit_CName");
    name->setText("Calm");
    name->insert("Evil\r\nPlanets = 3");  // what pasting a line break does
    EXPECT_EQ(name->text(), "Calm") << "the name field takes no control characters";
    name->insert(QString(300, 'a'));
    EXPECT_EQ(name->text(), "Calm") << "nor more letters than a campaign's files can be named by";
    name->setText("\u0141\u00f3d\u017a \u6771\u4eac");
    EXPECT_EQ(name->toolTip(), "The game cannot show these characters: \u0141\u017a\u6771\u4eac. "
                               "A Save writes each as \"?\".");
    w.answer = false;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    name->setText("\u0141\u00f3d\u017a");
    ASSERT_TRUE(w.save("LMDButton2"));
    EXPECT_EQ(w.questions, 1) << "Save asks before it writes them as \"?\"";
    EXPECT_EQ(w.game.saved_files(), 0u) << "No goes back to the name";
    name->setText("\u03a9\u03bc\u03ad\u03b3\u03b1");
    ASSERT_TRUE(w.save("LMDButton2"));
    EXPECT_EQ(w.questions, 1) << "a name with no letter the game shows is not asked about";
    ASSERT_FALSE(w.messages.empty());
    EXPECT_TRUE(w.messages.back().second.contains("\u03a9 (U+03A9), \u03bc (U+03BC)"))
        << w.messages.back().second.toStdString();
    w.messages.clear();
    name->setText("\u00e9t\u00e9 Reach");
    EXPECT_FALSE(name->toolTip().contains("cannot show"))
        << "accented letters the game shows stay as they are";
    QApplication::setActiveWindow(&w.form);
    planets->setFocus();
    QTest::keyClick(planets, Qt::Key_Tab);
    EXPECT_FALSE(planets->hasFocus()) << "Tab leaves the field";
}

TEST(MessageBox, LongPathsAreElidedInTheMiddle)
{
    const QString path = "/home/player/" + QString(100, 'x') + "/campaign/data/maps/reach.txt";
    struct Row {
        const char* name;
        QString text, shown;
    } rows[] = {
        {"short", "Cannot open file \"/g/a.txt\". Gone.", "Cannot open file \"/g/a.txt\". Gone."},
        {"long", "Cannot open file \"" + path + "\". File name too long.",
         "Cannot open file \"/home/player/" + QString(26, 'x') + QChar(0x2026) + QString(10, 'x') +
             "/campaign/data/maps/reach.txt\". File name too long."},
        {"unpaired quote", "A \"b", "A \"b"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(elide_long_paths(row.text), row.shown) << row.name;
}

TEST(MainWindow, ListWithNothingSelectedKeepsItsField)
{
    Window w;
    QListWidget* sizes = w.find<QListWidget>("LMDListBox_Size");
    QTest::mouseClick(sizes->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      sizes->visualItemRect(sizes->currentItem()).center());
    ASSERT_TRUE(sizes->selectedItems().isEmpty());
    w.find<QLineEdit>("Edit_SNr_Pl")->setText("50");
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    EXPECT_EQ(w.form.document().galaxy().planets.size(), 50u);
    EXPECT_EQ(w.find<QLineEdit>("Edit_SNr_Pl")->text(), "50");
}

// Every caption, label and list item fits its control with the fonts the window really uses,
// and the two green controls are flat green.
TEST(MainWindow, TextsFitTheirControlsAndGreenIsGreen)
{
    Window w;
    for (const char* box : {"CB_Advanced", "CB_Inhibitions", "CB_Facility"})
        w.find<QCheckBox>(box)->setChecked(true);
    const auto fits = [](const QWidget* widget, const QString& text, int room) {
        const int needed = QFontMetrics(widget->font()).horizontalAdvance(text);
        EXPECT_LE(needed, room) << text.toStdString() << " needs " << needed;
    };
    for (const QLabel* label : w.form.findChildren<QLabel*>())
        fits(label, label->text(), label->width());
    for (const QPushButton* button : w.form.findChildren<QPushButton*>())
        fits(button, button->text(), button->width() - 4);
    for (const QComboBox* combo : w.form.findChildren<QComboBox*>())
        for (int i = 0; i < combo->count(); ++i)
            fits(combo, combo->itemText(i), combo->width() - 22);
    for (const QListWidget* list : w.form.findChildren<QListWidget*>())
        for (int i = 0; i < list->count(); ++i)
            fits(list, list->item(i)->text(), list->width() - 6);
    for (const char* green : {"LMDButton3", "Combo_Fighter"})
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
    const QImage fighter = w.find<QWidget>("Combo_Fighter")->grab().toImage();
    double brightest = 0;
    for (int y = 0; y < fighter.height(); ++y)
        for (int x = 0; x < fighter.width() - 20; ++x)  // the text, not the arrow
            brightest = std::max(brightest, luminance(fighter.pixelColor(x, y)));
    EXPECT_GE((brightest + 0.05) / (luminance(QColor(0, 128, 0)) + 0.05), 4.5);
}

TEST(MainWindow, BrokenPictureIsReportedAfterTheGalaxyIsMade)
{
    Window w;
    const fs::path ui = w.game.dir.path() / "campaign/data/bitmaps/ui";
    fs::remove_all(ui);
    w.game.dir.write("campaign/data/bitmaps/ui/nebula1.jpg", "not a picture");
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].second.left(12), "JPEG error #");
    EXPECT_TRUE(w.messages[0].second.endsWith('.'));
    EXPECT_FALSE(w.form.document().galaxy().planets.empty())
        << "the galaxy stands; only its drawing failed";
}

// The planets field, hidden in the closed Advanced section, is the preset's to set for Generate:
// emptied, it stops only Generate Custom, which reads it.
TEST(MainWindow, EmptyPlanetFieldStopsOnlyGenerateCustom)
{
    Window w;
    w.find<QLineEdit>("Edit_SNr_Pl")->clear();
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    EXPECT_TRUE(w.messages.empty());
    EXPECT_GE(w.form.document().galaxy().planets.size(), 20u);
    w.find<QLineEdit>("Edit_SNr_Pl")->clear();
    QTest::mouseClick(w.find<QPushButton>("LMDButton3"), Qt::LeftButton);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].first, "Orvek - Galaxy Generator ");
    EXPECT_EQ(w.messages[0].second, "'' is not a valid integer value.");
    EXPECT_FALSE(w.form.busy());
}

TEST(MainWindow, GenerateDrawsTheGalaxy)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    EXPECT_EQ(w.form.windowTitle(), "The Galaxy is ready!");
    EXPECT_EQ(w.form.map()->seed_text(), "Seed " + w.form.seed_text());
    const auto& planets = w.form.document().galaxy().planets;
    ASSERT_GE(planets.size(), 20u);
    EXPECT_EQ(std::count_if(planets.begin(), planets.end(), [](auto& p) { return p.home; }), 1);
    EXPECT_FALSE(w.find<QLineEdit>("Edit_CName")->text().isEmpty());
    EXPECT_EQ(w.form.map()->planets().size(), planets.size());
    EXPECT_TRUE(w.messages.empty());
}

TEST(MapView, PositionsCutTowardZero)
{
    Planet p;
    p.x = 500;
    p.y = 300;
    EXPECT_EQ(marker_rect(p), QRect(369, 219, 14, 14));
    EXPECT_EQ(label_position(p), QPoint(369, 204));
    p.home = true;
    EXPECT_EQ(marker_rect(p), QRect(367, 217, 20, 20));
    EXPECT_EQ(label_position(p), QPoint(367, 202));
    Planet edge;
    edge.x = edge.y = 21;
    EXPECT_EQ(label_position(edge).y(), -4);
    Planet far;
    far.x = 101;
    far.y = 61;
    EXPECT_EQ(link_end(edge), QPoint(15, 15));
    EXPECT_EQ(link_end(far), QPoint(75, 45));
    // Names that the top or the right edge would cut move inside the map.
    const QFontMetrics metrics(QFont("Tahoma"));
    const int wide = metrics.horizontalAdvance("Alula Australis");
    EXPECT_EQ(readable_position(QPoint(740, -4), metrics, "Alula Australis"),
              QPoint(750 - wide, 0));
    EXPECT_EQ(readable_position(QPoint(369, 204), metrics, "Alula Australis"), QPoint(369, 204));
}

TEST(MainWindow, SaveAsksBeforeReplacing)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    w.find<QLineEdit>("Edit_CName")->setText("Test Run");
    ASSERT_TRUE(w.save("LMDButton2"));
    const fs::path map = w.game.dir.path() / "campaign/data/maps/testrun.txt";
    ASSERT_TRUE(fs::exists(map));
    EXPECT_EQ(w.questions, 0);
    const std::string first = testing::read_bytes(map);
    w.answer = false;
    ASSERT_TRUE(w.save("LMDButton4"));
    EXPECT_EQ(w.questions, 1);
    EXPECT_EQ(testing::read_bytes(map), first);
    w.answer = true;
    ASSERT_TRUE(w.save("LMDButton2"));
    EXPECT_EQ(w.questions, 2);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(w.form.map()->progress(),
              QString("Saved campaign \"Test Run\" (testrun): %1 encounter files and the map file")
                  .arg(w.form.document().galaxy().planets.size()));
}

TEST(MainWindow, NewBackgroundKeepsThePlanets)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    // Every planet as it stands: where, its name and template, its links.
    const auto planets = [&] {
        std::vector<std::string> out;
        for (const Planet& p : w.form.document().galaxy().planets) {
            std::string line = std::to_string(p.x) + "," + std::to_string(p.y) + " " +
                               p.system_name + " " + p.template_file;
            for (int link : p.links)
                line += " " + std::to_string(link);
            out.push_back(line);
        }
        return out;
    };
    const auto planets_before = planets();
    const auto shown = w.form.map()->planets().size();
    const QImage before = w.form.map()->background();
    const std::string path_before = w.form.document().galaxy().background_path;
    w.find<QCheckBox>("CB_Advanced")->setChecked(true);
    bool changed = false;
    for (int i = 0; i < 8 && !changed; ++i) {
        QTest::mouseClick(w.find<QPushButton>("LMDButton5"), Qt::LeftButton);
        changed = w.form.document().galaxy().background_path != path_before;
    }
    ASSERT_TRUE(changed) << "eight draws from eight pictures all gave the same one";
    EXPECT_NE(w.form.map()->background(), before) << "the new picture is shown";
    EXPECT_EQ(planets(), planets_before);
    EXPECT_EQ(w.form.map()->planets().size(), shown);
    EXPECT_TRUE(w.messages.empty());
}

// A generation that takes long: the inputs it writes back are locked and its buttons look
// disabled, the old links stay, after five seconds the rate and a hint show, and Escape brings
// back what was there before.
TEST(MainWindow, EscapeKeepsWhatYouHad)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    const std::vector<Planet> before = w.form.document().galaxy().planets;
    const QString name = w.find<QLineEdit>("Edit_CName")->text();
    QPushButton* generate = w.find<QPushButton>("LMDButton1");
    const QImage enabled_face = generate->grab().toImage();
    w.find<QCheckBox>("CB_Advanced")->setChecked(true);
    for (auto [field, text] : {std::pair{"Edit_SNr_Pl", "175"},
                               {"edit_s1join", "99"},
                               {"edit_s2join", "1"},
                               {"edit_s3join", "1"},
                               {"Edit_SLRW", "0"}})
        w.find<QLineEdit>(field)->setText(text);
    QSignalSpy spy(&w.form, &MainWindow::generation_finished);
    QTest::mouseClick(w.find<QPushButton>("LMDButton3"), Qt::LeftButton);
    ASSERT_TRUE(w.form.busy());
    EXPECT_NE(generate->grab().toImage(), enabled_face) << "a disabled button looks disabled";
    EXPECT_TRUE(w.find<QLineEdit>("Edit_SNr_Pl")->isReadOnly());
    EXPECT_TRUE(w.find<QLineEdit>("Edit_CName")->isReadOnly());
    EXPECT_FALSE(w.find<QListWidget>("LMDListBox_Size")->isEnabled());
    EXPECT_EQ(w.form.map()->planets().size(), before.size()) << "the old links stay";
    QTest::qWait(5400);
    EXPECT_NE(w.form.map()->progress().indexOf("attempts per second"), -1);
    EXPECT_NE(w.form.map()->progress().indexOf(kRareSettingsHint), -1);
    QTest::keyClick(&w.form, Qt::Key_Escape);
    ASSERT_TRUE(spy.wait(20000));
    EXPECT_EQ(w.form.windowTitle(), "Orvek - Galaxy Generator");
    ASSERT_EQ(w.form.document().galaxy().planets.size(), before.size());
    EXPECT_EQ(w.form.document().galaxy().planets[0].system_name, before[0].system_name);
    EXPECT_EQ(w.find<QLineEdit>("Edit_CName")->text(), name);
    EXPECT_EQ(w.find<QLineEdit>("Edit_SNr_Pl")->text(), "175") << "the fields as they were";
    EXPECT_FALSE(w.find<QLineEdit>("Edit_SNr_Pl")->isReadOnly());
    EXPECT_TRUE(generate->isEnabled());
}

// The command line the map's menu copies makes the window's galaxy and name with the tool.
TEST(MainWindow, CommandLineRebuildsTheGalaxy)
{
    Window w(777);
    QListWidget* gates = w.find<QListWidget>("LMDListBox_JGs");
    QTest::mouseClick(gates->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      gates->visualItemRect(gates->currentItem()).center());
    w.form.random()(1000);  // a draw before the command, as New Background makes
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    const QString line = w.form.command_line();
    EXPECT_TRUE(line.startsWith("orvek-galaxy --game-dir ")) << line.toStdString();
    EXPECT_NE(line.indexOf("--gates none"), -1) << line.toStdString();
    EXPECT_NE(line.indexOf("--seed " + w.form.seed_text()), -1);
    const std::string args = line.mid(QString("orvek-galaxy").size()).toStdString();
    auto r = testing::run_command(cli_command(args + " --quiet --json -"));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    const auto& planets = w.form.document().galaxy().planets;
    ASSERT_EQ(json["planets"].size(), planets.size());
    for (std::size_t i = 0; i < planets.size(); ++i) {
        EXPECT_EQ(json["planets"][i]["x"], planets[i].x);
        EXPECT_EQ(json["planets"][i]["y"], planets[i].y);
    }
    EXPECT_EQ(json["campaign_name"], w.find<QLineEdit>("Edit_CName")->text().toStdString());
}

TEST(MapView, HoveringAPlanetTellsWhatItIs)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    w.find<QComboBox>("Combo_Cloak")->setCurrentIndex(5);  // "Everywhere"
    w.find<QLineEdit>("Edit_CName")->setText("Tooltips");
    ASSERT_TRUE(w.save("LMDButton2"));
    const auto& planets = w.form.document().galaxy().planets;
    const std::size_t home = static_cast<std::size_t>(
        std::find_if(planets.begin(), planets.end(), [](auto& p) { return p.home; }) -
        planets.begin());
    const QString text = planet_description(planets, home);
    EXPECT_TRUE(text.startsWith(QString::fromStdString(planets[home].system_name) +
                                QString(" (planet %1), home planet").arg(home)))
        << text.toStdString();
    EXPECT_NE(text.indexOf(QString::fromStdString(
                  fs::path(planets[home].template_file).filename().string())),
              -1);
    const Planet& linked = planets[static_cast<std::size_t>(planets[home].links[0])];
    EXPECT_NE(text.indexOf("Linked to: " + QString::fromStdString(linked.system_name)), -1);
    // What the files hold: no inhibition effect while its box is unticked, the home planet's
    // own facilities always, in a player's words.
    EXPECT_EQ(text.indexOf("Cloak inoperable"), -1) << text.toStdString();
    EXPECT_NE(text.indexOf("Facilities: Large factory, Small academy, Shipyard A"), -1)
        << text.toStdString();
    MapWidget* map = w.form.map();
    const QPoint at = marker_rect(planets[home]).center();
    QHelpEvent hover(QEvent::ToolTip, at, map->mapToGlobal(at));
    QApplication::sendEvent(map, &hover);
    EXPECT_EQ(QToolTip::text(), text);

    // With the box ticked, the next Save writes the effect, and the tooltip says so.
    w.find<QCheckBox>("CB_Inhibitions")->setChecked(true);
    ASSERT_TRUE(w.save("LMDButton2"));
    const QString saved = planet_description(w.form.document().galaxy().planets, home);
    EXPECT_NE(saved.indexOf("Inhibition effects: "), -1) << saved.toStdString();
    EXPECT_NE(saved.indexOf("Cloak inoperable"), -1) << saved.toStdString();
}

// A Generate that cannot make a galaxy says what to change, and keeps what the window showed.
// The window opens in the middle of the screen, not asked to stand at its corner.
TEST(MainWindow, OpensCentredOnTheScreen)
{
    testing::WindowGame game;
    const MainWindow form(game.folder(), 1);
    const QPoint off = form.geometry().center() - form.screen()->availableGeometry().center();
    EXPECT_LE(off.manhattanLength(), 2) << off.x() << "," << off.y();
}

TEST(MainWindow, AFailedGenerateKeepsTheGalaxy)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    const auto planets = w.form.document().galaxy().planets.size();
    const QString name = w.find<QLineEdit>("Edit_CName")->text();
    const QString seed = w.form.seed_text(), command = w.form.command_line();
    w.find<QCheckBox>("CB_Advanced")->setChecked(true);
    w.find<QLineEdit>("Edit_SNr_Pl")->setText("8");
    w.find<QLineEdit>("Edit_SLRW")->setText("9");
    ASSERT_TRUE(w.click_and_wait("LMDButton3"));
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].second, "8 planets can take at most 8 wormholes.");
    EXPECT_EQ(w.form.document().galaxy().planets.size(), planets);
    EXPECT_EQ(w.form.map()->planets().size(), planets);
    EXPECT_EQ(w.find<QLineEdit>("Edit_CName")->text(), name);
    EXPECT_EQ(w.form.windowTitle(), kStartCaption);
    EXPECT_EQ(std::pair(w.form.seed_text(), w.form.command_line()), std::pair(seed, command))
        << "Copy seed and Copy command line still give the galaxy shown";
}

// An opened campaign may link to a planet it does not have: the tooltip says so, never follows it.
TEST(MapView, ALinkToNoPlanetIsTold)
{
    std::vector<Planet> planets(2);
    planets[0].system_name = "Vega";
    planets[0].links = {1, 99};
    EXPECT_NE(planet_description(planets, 0).indexOf("planet 99, which does not exist"), -1);
}

// The window and the command-line tool, with the same seed, save the same campaign.
TEST(MainWindow, SameCampaignAsTheCommandLineTool)
{
    Window w(20261207);
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    ASSERT_TRUE(w.save("LMDButton2"));
    testing::WindowGame other;
    const auto result = testing::run_command(
        cli_command(" --quiet --seed 20261207 --save --game-dir \"" + other.dir.str() + "\""));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_GT(w.game.saved_files(), 20u);
    EXPECT_EQ(w.game.campaigns(), other.campaigns());
}

// What a person sees: the window grabbed to a PNG beside the tests, with a few pixels checked.
TEST(Screenshot, TealHeaderRedHomeSilverLink)
{
    Window w(7);
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    QTest::qWait(200);
    QImage shot = w.form.grab().toImage();
    ASSERT_TRUE(shot.save("main-window.png"));
    // The "Basic Settings" header lies on the teal section below the first separator.
    EXPECT_EQ(shot.pixelColor(770 + 3, 15 + 10), QColor(0, 128, 128));
    const auto& planets = w.form.document().galaxy().planets;
    const Planet& home =
        *std::find_if(planets.begin(), planets.end(), [](auto& p) { return p.home; });
    EXPECT_EQ(shot.pixelColor(marker_rect(home).center()), QColor(255, 0, 0));
    int silver = 0;
    for (int y = 0; y < 750; ++y)
        for (int x = 0; x < 750; ++x)
            silver += shot.pixelColor(x, y) == QColor(192, 192, 192);
    EXPECT_GT(silver, 100) << "silver link pixels";

    // Every section open, for a look at the whole column.
    for (const char* box : {"CB_Advanced", "CB_Inhibitions", "CB_Facility"})
        w.find<QCheckBox>(box)->setChecked(true);
    QTest::qWait(100);
    ASSERT_TRUE(w.form.grab().save("main-window-open.png"));
    // The longest text the map shows: a generation's progress after five seconds.
    w.form.map()->set_progress(QString("CALCULATING! 123456 attempts so far. Press Escape to "
                                       "cancel.\n25000 attempts per second. ") +
                               kRareSettingsHint);
    ASSERT_TRUE(w.form.map()->grab().save("map-progress.png"));
}

// An opened campaign with one planted problem, its check listed and the problem's planet ringed.
TEST(Screenshot, OpenedCampaignWithAProblem)
{
    Window w(11);
    save_two_campaigns(w);
    open_with_keys(w, "brokenreach");
    check_with_keys(w, "EncounterID");
    QTest::qWait(200);
    QImage shot = w.form.grab().toImage();
    const QImage findings = w.form.findChild<QWidget*>("Findings")->grab().toImage();
    QPainter painter(&shot);
    painter.drawImage(QPoint(75, shot.height() - findings.height() - 40), findings);
    painter.end();
    ASSERT_TRUE(shot.save("opened-campaign.png"));
}

}  // namespace
}  // namespace orvek

int main(int argc, char** argv)
{
    // Without a screen (CI, test discovery) the window is driven on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
