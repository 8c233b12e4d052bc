#include "ui/main_window.h"

#include "support/temp_dir.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace fs = std::filesystem;

namespace orvek {
namespace {

// A copy of the demo game folder, so that saves never touch the shared one.
struct DemoGame {
    testing::TempDir dir;
    DemoGame() { fs::copy(ORVEK_DEMO_GAME, dir.path(), fs::copy_options::recursive); }
    GameFolder folder() const { return GameFolder(dir.str()); }
};

struct Window {
    DemoGame game;
    TForm1 form;
    std::vector<std::pair<QString, QString>> messages;
    bool answer = true;
    int questions = 0;
    explicit Window(std::uint32_t seed = 42) : form(game.folder(), seed)
    {
        form.set_hooks({[this](const QString& t, const QString& m) { messages.emplace_back(t, m); },
                        [this](const QString&) {
                            ++questions;
                            return answer;
                        }});
        form.show();
    }
    template <class T>
    T* find(const char* name)
    {
        return form.findChild<T*>(name);
    }
    bool click_and_wait(const char* button)
    {
        QSignalSpy spy(&form, &TForm1::generation_finished);
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
        return !spy.isEmpty() || spy.wait(60000);
    }
};

TEST(MainWindow, StartUpOutsideTheGameFolderShowsNoWindow)
{
    testing::TempDir empty;
    QStringList shown;
    auto form = start_up(GameFolder(empty.str()), 1, [&](const QString& text) { shown << text; });
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(shown, QStringList{kNotInGameFolder});
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
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

TEST(MainWindow, NumberFieldsTakeDigitsAndBackspaceOnly)
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
    EXPECT_FALSE(w.form.galaxy().planets.empty()) << "the galaxy stands; only its drawing failed";
}

TEST(MainWindow, EmptyPlanetFieldGivesTheConversionError)
{
    Window w;
    w.find<QLineEdit>("Edit_SNr_Pl")->clear();
    QTest::mouseClick(w.find<QPushButton>("LMDButton1"), Qt::LeftButton);
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
    const auto& planets = w.form.galaxy().planets;
    ASSERT_GE(planets.size(), 20u);
    EXPECT_EQ(std::count_if(planets.begin(), planets.end(), [](auto& p) { return p.home; }), 1);
    EXPECT_FALSE(w.find<QLineEdit>("Edit_CName")->text().isEmpty());
    EXPECT_EQ(w.form.map()->planets().size(), planets.size());
    EXPECT_TRUE(w.messages.empty());
}

TEST(MapView, PositionsCutTowardZero)
{
    tc_planet p;
    p.x = 500;
    p.y = 300;
    EXPECT_EQ(marker_rect(p), QRect(369, 219, 14, 14));
    EXPECT_EQ(label_position(p), QPoint(369, 204));
    p.home = true;
    EXPECT_EQ(marker_rect(p), QRect(367, 217, 20, 20));
    EXPECT_EQ(label_position(p), QPoint(367, 202));
    tc_planet edge;
    edge.x = edge.y = 21;
    EXPECT_EQ(label_position(edge).y(), -4);
    tc_planet far;
    far.x = 101;
    far.y = 61;
    EXPECT_EQ(link_end(edge), QPoint(15, 15));
    EXPECT_EQ(link_end(far), QPoint(75, 45));
}

TEST(MainWindow, SaveAsksBeforeReplacing)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    w.find<QLineEdit>("Edit_CName")->setText("Test Run");
    QTest::mouseClick(w.find<QPushButton>("LMDButton2"), Qt::LeftButton);
    const fs::path map = w.game.dir.path() / "campaign/data/maps/testrun.txt";
    ASSERT_TRUE(fs::exists(map));
    EXPECT_EQ(w.questions, 0);
    const std::string first = testing::read_bytes(map);
    w.answer = false;
    QTest::mouseClick(w.find<QPushButton>("LMDButton4"), Qt::LeftButton);
    EXPECT_EQ(w.questions, 1);
    EXPECT_EQ(testing::read_bytes(map), first);
    w.answer = true;
    QTest::mouseClick(w.find<QPushButton>("LMDButton2"), Qt::LeftButton);
    EXPECT_EQ(w.questions, 2);
    EXPECT_TRUE(w.messages.empty());
}

TEST(MainWindow, NewBackgroundKeepsThePlanets)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    const auto planets = w.form.map()->planets().size();
    w.find<QCheckBox>("CB_Advanced")->setChecked(true);
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(w.find<QPushButton>("LMDButton5"), Qt::LeftButton);
    EXPECT_EQ(w.form.map()->planets().size(), planets);
    EXPECT_TRUE(w.messages.empty());
}

TEST(MainWindow, EscapeCancelsALongGeneration)
{
    Window w;
    w.find<QCheckBox>("CB_Advanced")->setChecked(true);
    w.find<QLineEdit>("Edit_SNr_Pl")->setText("175");
    w.find<QLineEdit>("edit_s1join")->setText("99");
    w.find<QLineEdit>("edit_s2join")->setText("1");
    w.find<QLineEdit>("edit_s3join")->setText("1");
    w.find<QLineEdit>("Edit_SLRW")->setText("0");
    QSignalSpy spy(&w.form, &TForm1::generation_finished);
    QTest::mouseClick(w.find<QPushButton>("LMDButton3"), Qt::LeftButton);
    EXPECT_TRUE(w.form.busy());
    EXPECT_FALSE(w.find<QPushButton>("LMDButton1")->isEnabled());
    QTest::qWait(700);
    EXPECT_FALSE(w.find<QLineEdit>("Edit_CName")->text().isEmpty())
        << "the name shows while attempts go on";
    QTest::keyClick(&w.form, Qt::Key_Escape);
    ASSERT_TRUE(spy.wait(20000));
    EXPECT_EQ(w.form.windowTitle(), "Orvek - Galaxy Generator");
    EXPECT_TRUE(w.form.galaxy().planets.empty());
    QTest::mouseClick(w.find<QPushButton>("LMDButton2"), Qt::LeftButton);
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].second, "Nothing was generated!");
}

// The window and the command-line tool, with the same seed, save the same campaign.
TEST(MainWindow, SameCampaignAsTheCommandLineTool)
{
    Window w(20261207);
    ASSERT_TRUE(w.click_and_wait("LMDButton1"));
    QTest::mouseClick(w.find<QPushButton>("LMDButton2"), Qt::LeftButton);
    DemoGame other;
#ifdef _WIN32
    // Under Wine the host's files lie on drive Z:. cmd.exe knows only double quotes, and drops
    // the first and the last of the line, hence the outer pair.
    const std::string command = "\"\"Z:" + std::string(ORVEK_CLI) + "\" --quiet --seed 20261207 " +
                                "--save --game-dir \"" + other.dir.str() + "\" > NUL\"";
#else
    const std::string command = std::string(ORVEK_CLI) + " --quiet --seed 20261207 --save " +
                                "--game-dir '" + other.dir.str() + "' > /dev/null";
#endif
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto files = [](const fs::path& root) {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(root / "campaign/data"))
            if (e.is_regular_file() && e.path().string().find("/all/") == std::string::npos)
                out[fs::relative(e.path(), root).string()] = testing::read_bytes(e.path());
        return out;
    };
    auto mine = files(w.game.dir.path()), theirs = files(other.dir.path());
    EXPECT_GT(mine.size(), 20u);
    EXPECT_EQ(mine, theirs);
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
    const auto& planets = w.form.galaxy().planets;
    const tc_planet& home =
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
